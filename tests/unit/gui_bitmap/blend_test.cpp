
#include <random>

#include "gui/blend.h"
#include "gui/blend_cpu.h"
#include "gui/blend_kernels.h"
#include "gui/rect_math.h"
#include "test_surface.h"

namespace {

using namespace qvtest;

// Forces the plain path (or the kernels, with false) for the lifetime of the object.
struct PlainPath {
    explicit PlainPath(bool on) { qv::setPlainBlendOverride(on); }
    ~PlainPath() { qv::setPlainBlendOverride(false); }
};

// The image blend channel by channel, as a slow reference for the clipped geometry.
std::uint32_t refImage(std::uint32_t s, std::uint32_t d, std::uint32_t alpha) {
    const std::uint32_t w = 65025 - channel(s, 3) * alpha;
    std::uint32_t out = 0;
    for (int c = 0; c < 4; ++c) out |= ((((channel(s, c) * alpha) >> 8) + ((channel(d, c) * w) >> 16)) & 0xFF) << (8 * c);
    return out;
}

qv::BlendRequest request(SurfaceTarget& dst, const qv::PixelSurface* src, qv::CPoint at, std::int32_t w, std::int32_t h,
                         qv::CPoint from, std::uint32_t alpha, qv::BlendColor color = {}) {
    return {dst.getTargetSurface(), dst.getTargetClip(), at, w, h, src, from, color, alpha};
}

TEST(Blend, WorkedExamplesOnBothPaths) {
    // Source (0 with a colour: a colour fill); kernel: the kernels' result where it differs.
    const struct {
        const char* what; std::uint32_t source; qv::BlendColor color;
        std::uint32_t alpha, destination, result, kernel = 0;
    } cases[] = {
        // An opaque source replaces the destination by (c * 255) >> 8: 255 becomes 254.
        {"opaque", bgra(255, 255, 255, 255), {}, 255, bgra(10, 100, 200, 255), bgra(254, 254, 254, 254)},
        // A fully transparent source still scales the destination by 65025 / 65536: 255 -> 253.
        {"transparent", 0, {}, 255, bgra(255, 255, 255, 255), bgra(253, 253, 253, 253)},
        // W = 65025 - 128 * 127 = 48769; colour (100 * 127) >> 8 = 49, alpha 63 + (255 * 48769) >> 16.
        {"half grey at half strength", bgra(100, 100, 100, 128), {}, 127, bgra(0, 0, 0, 255), bgra(49, 49, 49, 252)},
        // k = 65025: red (255 * k) >> 16 = 253, alpha k >> 8 = 254.
        {"opaque red fill", 0, {255, 0, 0, 255}, 255, bgra(90, 90, 90, 255), bgra(0, 0, 253, 254)},
        // The alpha enters twice: k = 127 * 127; colour 62; W = 48896: (200 * W) >> 16 = 149.
        {"half white fill", 0, {255, 255, 255, 127}, 127, bgra(200, 200, 200, 255), bgra(211, 211, 211, 253)},
        // k = 51000, W = 14025: alpha 199 + (255 * W) >> 16 = 253; the kernel drops W's low byte
        // first: (255 * (W >> 8)) >> 8 = 53.
        {"white fill at 200", 0, {255, 255, 255, 255}, 200, bgra(0, 0, 0, 255), bgra(198, 198, 198, 253),
         bgra(198, 198, 198, 252)},
    };
    for (const auto& c : cases) {
        for (bool plain : {true, false}) {
            PlainPath path(plain);
            SurfaceTarget src(5, 2, c.source), dst(5, 2, c.destination);
            qv::blend(request(dst, c.color.alpha ? nullptr : &src.surface, {0, 0}, 5, 2, {0, 0}, c.alpha, c.color));
            const std::uint32_t want = plain || !c.kernel ? c.result : c.kernel;
            for (std::uint32_t p : dst.pixels) EXPECT_EQ(p, want) << c.what << (plain ? " plain" : " kernels");
        }
    }
}

TEST(Blend, KernelPathMatchesPlainPathAndTheReferenceOnRandomImages) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 40; ++round) {
        const std::int32_t sw = 1 + rng() % 37, sh = 1 + rng() % 9, dw = 1 + rng() % 41, dh = 1 + rng() % 11;
        SurfaceTarget src(sw, sh), a(dw, dh), b(dw, dh);
        for (auto& p : src.pixels) {  // premultiplied: no colour above its alpha
            const std::uint32_t al = rng() & 0xFF;
            p = bgra(rng() % (al + 1), rng() % (al + 1), rng() % (al + 1), al);
        }
        for (std::size_t i = 0; i < a.pixels.size(); ++i) a.pixels[i] = b.pixels[i] = static_cast<std::uint32_t>(rng());
        const qv::CPoint at{static_cast<std::int32_t>(rng() % 50) - 20, static_cast<std::int32_t>(rng() % 16) - 6};
        const qv::CPoint from{static_cast<std::int32_t>(rng() % 10) - 3, static_cast<std::int32_t>(rng() % 4) - 1};
        const std::int32_t w = 1 + rng() % 40, h = 1 + rng() % 10;
        const std::uint32_t alpha = rng() % 256;
        if (rng() % 2) a.clip = b.clip = qv::CRect{static_cast<std::int32_t>(rng() % 8), 1, 20, 6};
        const std::vector<std::uint32_t> before = a.pixels;
        {
            PlainPath plain(true);
            qv::blend(request(a, &src.surface, at, w, h, from, alpha));
        }
        qv::blend(request(b, &src.surface, at, w, h, from, alpha));
        ASSERT_EQ(a.pixels, b.pixels) << "round " << round;
        // Each pixel is either untouched or the reference blend of the right source pixel.
        for (std::int32_t y = 0; y < dh; ++y)
            for (std::int32_t x = 0; x < dw; ++x) {
                const std::int32_t sx = x - at.x + from.x, sy = y - at.y + from.y;
                const bool inside = qv::rectContains({at.x, at.y, w, h}, x, y) && qv::rectContains({0, 0, sw, sh}, sx, sy) &&
                                    (!a.clip || qv::rectContains(*a.clip, x, y));
                const std::uint32_t d = before[static_cast<std::size_t>(y) * dw + x];
                ASSERT_EQ(a.at(x, y), inside ? refImage(src.at(sx, sy), d, alpha) : d) << x << "," << y;
            }
    }
}

TEST(Blend, KernelsFollowTheirRecords) {
    // 5 x 2 pixels (four at once, then one) in rows of 6 above a guard row, from source rows of 6;
    // factors beyond 255 wrap in 16 bits. The constant kernel over one destination gives one value.
    const std::uint32_t src[12] = {0x80402010u, 0xFF00FF00u, 0x20101008u, 0x7F7F7F7Fu, 0,           0x11111111u,
                                   0xC0A08060u, 0x40404040u, 0xFFFFFFFFu, 0x01020304u, 0x90807060u, 0x22222222u};
    const struct {
        bool constant; std::uint32_t factor, color, constantFactor; std::vector<std::uint32_t> out;
    } cases[] = {
        {false, 200, 0, 0, {0xB1A59F9Cu, 0xE229F633u, 0x8BB7D4DCu, 0xB0D7EAF4u, 0x7FBEDEEEu,
                            0xCACBBFACu, 0x98CBE4F1u, 0xE2F0F6FAu, 0x7EBEDFF0u, 0xB6CED2CFu}},
        {false, 300, 0, 0, {0xCA998073u, 0x939EE2C5u, 0x91B4CFD3u, 0xC8E2F0F6u, 0x7FBEDEEEu,
                            0xEFD0AF8Bu, 0xA4D1E7F2u, 0x93C8E2EFu, 0x7FBFE0F1u, 0xD2D5CDBFu}},
        {true, 0, 0x10203040u, 77, {0x36597388u}},
        {true, 0, 0x01020304u, 300, {0x97E3091Du}},
    };
    for (const auto& c : cases) {
        std::vector<std::uint32_t> dst(20, 0x80C0E0F0u);
        qv::SSEBlendParams p{5, 2, 1, 1, c.factor, c.color, c.constantFactor, 0, dst.data() + 6, src};
        c.constant ? SSEPLAlphaBlendConstantSrc(&p) : SSEPLAlphaBlend(&p);
        for (std::size_t i = 0; i < dst.size(); ++i) {
            const std::size_t row = i / 6 - 1, col = i % 6;
            const bool covered = i >= 6 && row < 2 && col < 5;
            const std::uint32_t want = !covered ? 0x80C0E0F0u : c.constant ? c.out[0] : c.out[row * 5 + col];
            EXPECT_EQ(dst[i], want) << c.factor << " " << c.constantFactor << " pixel " << i;
        }
    }
}

TEST(Blend, EmptyInvalidAndCappedRequests) {
    SurfaceTarget src(6, 4, bgra(1, 2, 3, 255)), none(0, 0), untouched(4, 4, 0x11223344u);
    // No width; the area or the source position off the surfaces; an empty source.
    qv::blend(request(untouched, &src.surface, {0, 0}, 0, 4, {0, 0}, 255));
    qv::blend(request(untouched, &src.surface, {4, 0}, 4, 4, {0, 0}, 255));
    qv::blend(request(untouched, &src.surface, {0, 0}, 4, 4, {6, 0}, 255));
    qv::blend(request(untouched, &none.surface, {0, 0}, 4, 4, {0, 0}, 255));
    untouched.clip = qv::CRect{0, 0, 0, 0};
    qv::blend(request(untouched, &src.surface, {0, 0}, 4, 4, {0, 0}, 255));
    for (std::uint32_t p : untouched.pixels) EXPECT_EQ(p, 0x11223344u);

    // An alpha above 255 counts as 255; a copy ignores alpha.
    const std::uint32_t grey = bgra(200, 200, 200, 255);
    SurfaceTarget half(3, 3, bgra(1, 2, 3, 40)), a(3, 3, grey), b(3, 3, grey), c(3, 3, grey);
    qv::blend(request(a, &half.surface, {0, 0}, 3, 3, {0, 0}, 255));
    qv::blend(request(b, &half.surface, {0, 0}, 3, 3, {0, 0}, 100000));
    EXPECT_EQ(a.pixels, b.pixels);
    qv::copyPixels(request(c, &half.surface, {1, 1}, 3, 3, {0, 0}, 0));
    EXPECT_EQ(std::tuple(c.at(0, 0), c.at(1, 1), c.at(2, 2)), std::tuple(grey, bgra(1, 2, 3, 40), bgra(1, 2, 3, 40)));
}

TEST(Blend, KernelsRunConcurrentlyWithoutDisturbingEachOther) {
    // Each thread blends its own buffers with its own factors, over and over; any state shared
    // between calls would mix the factors of one thread into another's results.
    constexpr int kThreads = 4, kPixels = 333, kRounds = 300;
    std::mt19937 rng(21);
    std::vector<std::uint32_t> src(kPixels);
    std::generate(src.begin(), src.end(), std::ref(rng));
    const auto once = [&](std::uint32_t t) {
        std::vector<std::uint32_t> dst(kPixels, 0x80808080u);
        qv::SSEBlendParams p{kPixels, 1, 0, 0, 40 + 50 * t, 0x01010101u * (t + 1), 200 - 30 * t, 0, dst.data(), src.data()};
        SSEPLAlphaBlend(&p);
        SSEPLAlphaBlendConstantSrc(&p);
        return dst;
    };
    std::vector<std::vector<std::uint32_t>> expected;
    for (std::uint32_t t = 0; t < kThreads; ++t) expected.push_back(once(t));
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (std::uint32_t t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] { for (int r = 0; r < kRounds; ++r) mismatches[t] += once(t) != expected[t]; });
    for (auto& th : threads) th.join();
    EXPECT_EQ(mismatches, std::vector<int>(kThreads, 0));
}

}  // namespace
