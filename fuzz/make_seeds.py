#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (fuzz/corpus/<target>/): one valid record of each
type, in the input format of its target. The default chunk (corpus/chunk/default.chunk) is what a
new instance's getChunk returns; it is the base of the other chunk seeds.

Run from anywhere: python3 fuzz/make_seeds.py. The committed seeds are what the tests replay.
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "resources"))
import pngenc  # noqa: E402

CORPUS = os.path.join(HERE, "corpus")


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def u32(*values):
    return struct.pack("<%dI" % len(values), *values)


def i32(*values):
    return struct.pack("<%di" % len(values), *values)


def f32(*values):
    return struct.pack("<%df" % len(values), *values)


# ---- instance messages: route byte (0 receive, 1 answer, 2 post, 3 query; +4 second instance)
# then the record. The fuzz process holds instance 0 (registry index 0) and 1 (index 1).

def messages():
    numbers = i32(0, 1, *([-1] * 14))
    write("messages", "1_map_query", bytes([1]) + u32(88, 1, 0, 0, 0) + i32(*([-1] * 16)) + u32(0))
    write("messages", "2_map_post", bytes([0]) + u32(88, 2, 0, 0, 1) + numbers + u32(0))
    write("messages", "2_map_leaving", bytes([2]) + u32(88, 2, 0, 0, 1) + numbers + u32(1))
    write("messages", "3_renumber_swap", bytes([0]) + u32(28, 3, 0, 0, 1) + i32(0, 1))
    bands = u32(272, 4, 0, 1, 7, 0) + f32(*[-30.0 - b for b in range(31)]) + f32(*[-40.0 - b for b in range(31)])
    write("messages", "4_bands", bytes([0]) + bands)
    settings = u32(96, 5, 1, 0, 1, 2, 3, 0) + u32(1, 0, *([0] * 14))
    write("messages", "5_settings_post", bytes([4]) + settings)
    write("messages", "6_settings_query", bytes([1]) + u32(96, 6, 0) + bytes(84))
    count = 257
    spectrum = u32(52 + 4 * count, 8, 0, 1, 3, 0, count) + f32(44100.0) + u32(0) + bytes(12)
    spectrum += f32(*[1.0 / (k + 1) for k in range(count)]) + bytes(4)
    write("messages", "8_spectrum", bytes([2]) + spectrum)
    names = b"".join(("Track %d" % (i + 1)).encode().ljust(32, b"\0") for i in range(16))
    write("messages", "32_names_post", bytes([0]) + u32(528, 32, 0, 0) + names)
    write("messages", "32_names_query", bytes([7]) + u32(528, 32, 0, 0) + bytes(512))


# ---- data requests: direction byte (0 get, 1 put), the 16-byte header, then the payload (only
# what put requests carry; the rest of the buffer is zero).

def settings_byte(average=False, resolution=0, fft_size=3):
    return bytes([(1 if average else 0) | resolution << 1 | fft_size << 5])


def data_requests():
    plain = settings_byte()
    write("data_requests", "0_band_records", plain + bytes([0]) + u32(16 + 272 * 16, 0, 1, 0))
    write("data_requests", "1_curves", plain + bytes([0]) + u32(36576, 1, 0, 0))
    write("data_requests", "1_curves_averaged", settings_byte(True, 3, 5) + bytes([0]) + u32(36576, 1, 0, 0))
    write("data_requests", "2_memory_curve", settings_byte(False, 1, 2) + bytes([0]) + u32(6784, 2, 0, 0))
    write("data_requests", "3_instance_map", plain + bytes([0]) + u32(32, 3, 0, 0))
    write("data_requests", "7_sequences", plain + bytes([0]) + u32(100, 7, 0, 0))
    write("data_requests", "101_band_memory_get", plain + bytes([0]) + u32(288, 101, 0, 1))
    band = u32(272, 4, 0, 0, 1, 0) + f32(*[-20.0 - b for b in range(31)]) + f32(*[-25.0 - b for b in range(31)])
    write("data_requests", "101_band_memory_put", plain + bytes([1]) + u32(288, 101, 0, 1) + band)
    names = b"".join(("Bus %d" % (i + 1)).encode().ljust(32, b"\0") for i in range(16))
    write("data_requests", "32_names_put", plain + bytes([1]) + u32(528, 32, 2, 0) + names)


# ---- dispatcher: calls of opcode byte, index (i32), value (i64), opt (f32), pointer bytes.

def call(opcode, index=0, value=0, opt=0.0, payload=b""):
    return bytes([opcode]) + struct.pack("<iqf", index, value, opt) + payload


def dispatcher(default_chunk):
    write("dispatcher", "identity",
          call(45, payload=bytes(32)) + call(47, payload=bytes(64)) + call(48, payload=bytes(64)) +
          call(51, payload=bytes([6]) + b"bypass") + call(29, 0, 0, payload=bytes(24)) + call(5, payload=bytes(24)) +
          call(22) + call(49) + call(58) + call(35))
    midi = struct.pack("<iiiiii", 1, 32, 5, 0, 0, 0) + bytes([0x90, 60, 100, 0]) + bytes(4)
    write("dispatcher", "host_setup",
          call(12, value=0) + call(10, opt=48000.0) + call(11, value=1024) + call(12, value=1) +
          call(25, payload=struct.pack("<H", 2) + midi + midi + bytes([0])) + call(71) + call(72))
    write("dispatcher", "chunks", call(23) + call(24, value=len(default_chunk), payload=default_chunk))
    write("dispatcher", "editor", call(13) + call(19) + call(59, 65, 0, 0.0) + call(60, 65) + call(61, value=2) + call(15))
    write("dispatcher", "records",
          call(33, payload=bytes(128)) + call(56, payload=bytes(152)) + call(42, payload=bytes(904 * 2)) +
          call(69) + call(62, payload=bytes(80)) + call(66, payload=bytes(80)) + call(75, payload=bytes(64)) +
          bytes([100]) + struct.pack("<i", 200) + struct.pack("<iqf", 0, 0, 0.0) + bytes(16))


# ---- chunks: the default one and one with every setting away from its default.

def chunks(default_chunk):
    c = bytearray(default_chunk)
    struct.pack_into("<3f", c, 20, 0.1, 0.9, 0.25)
    struct.pack_into("<2i", c, 700, -60, 10)
    struct.pack_into("<11I", c, 708, 1, 1, 1, 1, 5, 1, 4, 100, 9000, 7, 0)
    c[752:752 + 32] = b"Overheads".ljust(32, b"\0")
    write("chunk", "changed.chunk", bytes(c))


# ---- PNG: the colour types and depths the editor's images do not use (those are seeds too).

def pngs():
    write("png", "palette_trns.png", pngenc.encode(3, 2, [[0, 1, 2], [2, 1, 0]], pngenc.PALETTE, 8,
                                                   palette=[(255, 0, 0), (0, 255, 0), (0, 0, 255)], trns=[0, 128]))
    write("png", "grey16_interlaced.png", pngenc.encode(9, 9, [[(x * y * 800) % 65536 for x in range(9)] for y in range(9)],
                                                        pngenc.GREY, 16, interlace=True))
    write("png", "grey_alpha.png", pngenc.encode(2, 2, [[(10, 0), (200, 255)], [(90, 128), (0, 1)]], pngenc.GREY_ALPHA, 8))
    write("png", "grey2.png", pngenc.encode(5, 1, [[0, 1, 2, 3, 1]], pngenc.GREY, 2))


# ---- the library's file name: extension byte (even .dll, odd .so), then the path.

def channel_configs():
    write("channel_config", "mono.bin", b"\0C:\\Plugins\\Quorvane_1in_1out.dll")
    write("channel_config", "eight.bin", b"\1/usr/lib/vst/Quorvane_8in_8out_x64.so")
    write("channel_config", "script_folder.bin", b"\0C:\\" + "Łódź Музыка 音楽".encode() + b"\\Quorvane_6in_6out.dll")
    write("channel_config", "beyond_int.bin", b"\0C:\\Quorvane_4294967298in_2out.dll")


# ---- audio: steps (0 rate, 1 block, 2 open, 3 idle, 4 close, 5 view, 6 FFT size, 7 reset).

def audio():
    block = lambda frames, kind, samples: bytes([1]) + u32(frames) + bytes([kind]) + samples
    noise = bytes((i * 37 + 11) % 256 for i in range(64))
    write("audio", "rates_and_blocks.bin", bytes([0, 0]) + block(512, 1, noise) + bytes([0, 11]) + block(65536, 1, noise)
          + bytes([0, 200]) + f32(float("nan")) + block(1, 0, f32(1.0)))
    write("audio", "editor_fft.bin", bytes([5, 1, 6, 0, 2]) + block(4096, 1, noise) + bytes([3, 7, 3, 4])
          + block(300, 3, bytes([0, 1])))
    write("audio", "denormals.bin", bytes([6, 5]) + block(20000, 2, bytes(range(64))) + bytes([0, 5]))


# ---- registry answers: an honest script (all zeros), and bent versions, counts and drains.

def registry():
    write("registry", "honest.bin", bytes(64))
    write("registry", "old_version.bin", bytes([0x80, 0, 2, 3, 0]))
    write("registry", "full_count.bin", bytes([0] * 6 + [0x80, 0, 0, 0, 16]))
    write("registry", "drain_gives_up.bin", bytes([0] * 30 + [0xC0] * 8))


def main():
    with open(os.path.join(CORPUS, "chunk", "default.chunk"), "rb") as f:
        default_chunk = f.read()
    messages()
    data_requests()
    dispatcher(default_chunk)
    chunks(default_chunk)
    pngs()
    channel_configs()
    audio()
    registry()


if __name__ == "__main__":
    main()
