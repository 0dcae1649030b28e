#include "vsthost/wav_file.h"

#include <sndfile.h>

#include <cmath>
#include <vector>

#include "vsthost/os.h"

namespace qv::vsthost {

namespace {

bool fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

}  // namespace

bool readWav(const std::string& path, AudioBuffer* audio, double* sampleRate, std::string* error) {
    SF_INFO info{};
    SNDFILE* file = sf_open(os::nativePath(path).c_str(), SFM_READ, &info);
    if (!file) return fail(error, "cannot read " + path + ": " + sf_strerror(nullptr));
    if (info.channels <= 0 || info.frames < 0) {
        sf_close(file);
        return fail(error, path + " holds no audio channels");
    }
    const auto frames = static_cast<std::size_t>(info.frames);
    std::vector<float> interleaved(frames * static_cast<std::size_t>(info.channels));
    const sf_count_t got = sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    AudioBuffer result(info.channels, static_cast<std::size_t>(got < 0 ? 0 : got));
    for (int c = 0; c < info.channels; ++c) {
        float* out = result.channel(c);
        for (std::size_t i = 0; i < result.frames(); ++i) {
            out[i] = interleaved[i * static_cast<std::size_t>(info.channels) + static_cast<std::size_t>(c)];
        }
    }
    *audio = std::move(result);
    *sampleRate = info.samplerate;
    return true;
}

bool writeWav(const std::string& path, const AudioBuffer& audio, double sampleRate, std::string* error) {
    if (audio.channels() <= 0) return fail(error, "no channels to write to " + path);
    SF_INFO info{};
    info.channels = audio.channels();
    info.samplerate = static_cast<int>(std::lround(sampleRate));
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(os::nativePath(path).c_str(), SFM_WRITE, &info);
    if (!file) return fail(error, "cannot write " + path + ": " + sf_strerror(nullptr));
    // No PEAK chunk: it carries a time stamp, and equal audio should make equal files.
    sf_command(file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    const std::size_t channels = static_cast<std::size_t>(audio.channels());
    std::vector<float> interleaved(audio.frames() * channels);
    for (std::size_t c = 0; c < channels; ++c) {
        const float* in = audio.channel(static_cast<int>(c));
        for (std::size_t i = 0; i < audio.frames(); ++i) interleaved[i * channels + c] = in[i];
    }
    const sf_count_t written = sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(audio.frames()));
    const int closed = sf_close(file);
    if (written != static_cast<sf_count_t>(audio.frames()) || closed != 0) {
        return fail(error, "short write to " + path);
    }
    return true;
}

}  // namespace qv::vsthost
