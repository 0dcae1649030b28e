#include <gtest/gtest.h>

#include <random>
#include <thread>
#include <vector>

#include "gui/blend.h"
#include "gui/blend_cpu.h"
#include "gui/blend_kernels.h"
#include "test_surface.h"

namespace {

using qvtest::bgra;
using qvtest::channel;
using qvtest::SurfaceTarget;

// Forces the plain path for the lifetime of the object (or the kernels, with false).
struct PlainPath {
    explicit PlainPath(bool on = true) { qv::setPlainBlendOverride(on); }
    ~PlainPath() { qv::setPlainBlendOverride(false); }
};

// The stated arithmetic, written out channel by channel as the slow reference.
std::uint32_t refImage(std::uint32_t s, std::uint32_t d, std::uint32_t alpha) {
    const std::uint32_t w = 65025 - channel(s, 3) * alpha;
    std::uint32_t out = 0;
    for (int c = 0; c < 4; ++c) out |= ((((channel(s, c) * alpha) >> 8) + ((channel(d, c) * w) >> 16)) & 0xFF) << (8 * c);
    return out;
}

std::uint32_t refKernelImage(std::uint32_t s, std::uint32_t d, std::uint32_t factor) {
    std::uint32_t t[4];
    for (int c = 0; c < 4; ++c) t[c] = (channel(s, c) * factor) & 0xFFFF;
    const std::uint32_t w = (65025u - t[3]) & 0xFFFF;
    std::uint32_t out = 0;
    for (int c = 0; c < 4; ++c) out |= (((t[c] >> 8) + ((channel(d, c) * w) >> 16)) & 0xFF) << (8 * c);
    return out;
}

std::uint32_t refKernelConstant(std::uint32_t d, std::uint32_t color, std::uint32_t factor) {
    std::uint32_t out = 0;
    for (int c = 0; c < 4; ++c) out |= (((((channel(d, c) * factor) & 0xFFFF) >> 8) + channel(color, c)) & 0xFF) << (8 * c);
    return out;
}

// Colour fill, both forms: returns {plain, kernel}.
std::pair<std::uint32_t, std::uint32_t> refColor(qv::BlendColor col, std::uint32_t alpha, std::uint32_t d) {
    const std::uint32_t k = col.alpha * alpha;
    const std::uint32_t p[4] = {(col.blue * k) >> 16, (col.green * k) >> 16, (col.red * k) >> 16, k >> 8};
    const std::uint32_t w = 65025 - k;
    std::uint32_t plain = 0, kernel = 0;
    for (int c = 0; c < 4; ++c) {
        plain |= ((p[c] + ((w * channel(d, c)) >> 16)) & 0xFF) << (8 * c);
        kernel |= ((p[c] + ((channel(d, c) * (w >> 8)) >> 8)) & 0xFF) << (8 * c);
    }
    return {plain, kernel};
}

qv::BlendRequest imageRequest(SurfaceTarget& dst, const qv::PixelSurface& src, qv::CPoint at, std::int32_t w,
                              std::int32_t h, qv::CPoint from, std::uint32_t alpha) {
    qv::BlendRequest r;
    r.destination = dst.getTargetSurface();
    r.clip = dst.getTargetClip();
    r.position = at;
    r.width = w;
    r.height = h;
    r.source = &src;
    r.sourcePosition = from;
    r.alpha = alpha;
    return r;
}

TEST(Blend, WorkedExamplesOnBothPaths) {
    for (bool plain : {true, false}) {
        SCOPED_TRACE(plain ? "plain" : "kernels");
        PlainPath path(plain);
        // An opaque source replaces the destination by (c * 255) >> 8: 255 becomes 254.
        SurfaceTarget src(5, 1, bgra(255, 255, 255, 255));
        SurfaceTarget dst(5, 1, bgra(10, 100, 200, 255));
        qv::blend(imageRequest(dst, src.surface, {0, 0}, 5, 1, {0, 0}, 255));
        for (int x = 0; x < 5; ++x) EXPECT_EQ(dst.at(x, 0), bgra(254, 254, 254, 254));
        // A fully transparent source still scales the destination by 65025 / 65536: 255 -> 253.
        SurfaceTarget clear(5, 1, 0);
        SurfaceTarget white(5, 1, bgra(255, 255, 255, 255));
        qv::blend(imageRequest(white, clear.surface, {0, 0}, 5, 1, {0, 0}, 255));
        for (int x = 0; x < 5; ++x) EXPECT_EQ(white.at(x, 0), bgra(253, 253, 253, 253));
        // Half-opaque premultiplied grey at half strength over black.
        SurfaceTarget grey(1, 1, bgra(100, 100, 100, 128));
        SurfaceTarget black(1, 1, bgra(0, 0, 0, 255));
        qv::blend(imageRequest(black, grey.surface, {0, 0}, 1, 1, {0, 0}, 127));
        // W = 65025 - 128 * 127 = 48769; colour (100 * 127) >> 8 = 49, alpha 63 + (255 * 48769) >> 16 = 252.
        EXPECT_EQ(black.at(0, 0), bgra(49, 49, 49, 252));
    }
}

TEST(Blend, ColourFillWorkedExamples) {
    for (bool plain : {true, false}) {
        SCOPED_TRACE(plain ? "plain" : "kernels");
        PlainPath path(plain);
        // Opaque red at full strength: k = 65025, red (255 * k) >> 16 = 253, alpha k >> 8 = 254.
        SurfaceTarget dst(3, 2, bgra(90, 90, 90, 255));
        qv::BlendRequest r;
        r.destination = dst.getTargetSurface();
        r.width = 3;
        r.height = 2;
        r.color = {255, 0, 0, 255};
        r.alpha = 255;
        qv::blend(r);
        for (std::uint32_t p : dst.pixels) EXPECT_EQ(p, bgra(0, 0, 253, 254));
        // A fill of alpha 0.5 (byte 127) with the alpha entering twice: k = 127 * 127 = 16129.
        SurfaceTarget d2(1, 1, bgra(200, 200, 200, 255));
        r.destination = d2.getTargetSurface();
        r.width = r.height = 1;
        r.color = {255, 255, 255, 127};
        r.alpha = 127;
        qv::blend(r);
        // colour (255 * 16129) >> 16 = 62; W = 48896; (200 * 48896) >> 16 = 149 = (200 * 191) >> 8.
        EXPECT_EQ(d2.at(0, 0), bgra(211, 211, 211, 63 + 190));
    }
}

TEST(Blend, KernelPathMatchesPlainPathOnRandomImages) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<std::uint32_t> any;
    for (int round = 0; round < 40; ++round) {
        const std::int32_t sw = 1 + rng() % 37, sh = 1 + rng() % 9, dw = 1 + rng() % 41, dh = 1 + rng() % 11;
        SurfaceTarget src(sw, sh), a(dw, dh), b(dw, dh);
        for (auto& p : src.pixels) {
            // Premultiplied: no colour above its alpha.
            const std::uint32_t al = any(rng) & 0xFF;
            p = bgra(any(rng) % (al + 1), any(rng) % (al + 1), any(rng) % (al + 1), al);
        }
        for (std::size_t i = 0; i < a.pixels.size(); ++i) a.pixels[i] = b.pixels[i] = any(rng);
        const qv::CPoint at{static_cast<std::int32_t>(rng() % 50) - 20, static_cast<std::int32_t>(rng() % 16) - 6};
        const qv::CPoint from{static_cast<std::int32_t>(rng() % 10) - 3, static_cast<std::int32_t>(rng() % 4) - 1};
        const std::int32_t w = 1 + rng() % 40, h = 1 + rng() % 10;
        const std::uint32_t alpha = any(rng) % 256;
        if (rng() % 2) a.clip = b.clip = qv::CRect{static_cast<std::int32_t>(rng() % 8), 1, 20, 6};
        const std::vector<std::uint32_t> before = a.pixels;
        {
            PlainPath plain(true);
            qv::blend(imageRequest(a, src.surface, at, w, h, from, alpha));
        }
        qv::blend(imageRequest(b, src.surface, at, w, h, from, alpha));
        ASSERT_EQ(a.pixels, b.pixels) << "round " << round;
        // And each pixel is either untouched or the reference blend of the right source pixel.
        for (std::int32_t y = 0; y < dh; ++y) {
            for (std::int32_t x = 0; x < dw; ++x) {
                const std::int32_t sx = x - at.x + from.x, sy = y - at.y + from.y;
                const bool inside = x >= at.x && x < at.x + w && y >= at.y && y < at.y + h && sx >= 0 && sx < sw &&
                                    sy >= 0 && sy < sh &&
                                    (!a.clip || (x >= a.clip->x && x < a.clip->x + a.clip->width && y >= a.clip->y &&
                                                 y < a.clip->y + a.clip->height));
                const std::uint32_t d = before[static_cast<std::size_t>(y) * dw + x];
                ASSERT_EQ(a.at(x, y), inside ? refImage(src.at(sx, sy), d, alpha) : d) << x << "," << y;
            }
        }
    }
}

TEST(Blend, ColourFillOnBothPathsFollowsItsOwnArithmetic) {
    std::mt19937 rng(99);
    int differing = 0;
    for (int round = 0; round < 200; ++round) {
        const qv::BlendColor col{static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                                 static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng())};
        const std::uint32_t alpha = rng() % 256;
        SurfaceTarget a(7, 3), b(7, 3);
        for (std::size_t i = 0; i < a.pixels.size(); ++i) a.pixels[i] = b.pixels[i] = static_cast<std::uint32_t>(rng());
        const std::vector<std::uint32_t> before = a.pixels;
        qv::BlendRequest r;
        r.width = 7;
        r.height = 3;
        r.color = col;
        r.alpha = alpha;
        r.destination = a.getTargetSurface();
        {
            PlainPath plain(true);
            qv::blend(r);
        }
        r.destination = b.getTargetSurface();
        qv::blend(r);
        // The plain path keeps the low byte of W that the kernel drops: both forms are pinned.
        for (std::size_t i = 0; i < before.size(); ++i) {
            const auto [plainRef, kernelRef] = refColor(col, alpha, before[i]);
            ASSERT_EQ(a.pixels[i], plainRef);
            ASSERT_EQ(b.pixels[i], kernelRef);
            differing += a.pixels[i] != b.pixels[i];
        }
    }
    EXPECT_GT(differing, 0);  // the two forms are really different arithmetic
}

TEST(Blend, KernelsFollowTheirRecordsExactly) {
    // Records straight into the exported kernels: strides, skips, factors beyond 255 (the
    // 16-bit wrap), and guard pixels around the area that must stay untouched.
    std::mt19937 rng(7);
    for (int round = 0; round < 60; ++round) {
        const std::uint32_t stride = 1 + rng() % 23, w = 1 + rng() % stride, h = 1 + rng() % 6;
        const std::uint32_t srcStride = w + rng() % 5;
        std::vector<std::uint32_t> dst((h + 2) * stride + 8), src((h + 1) * srcStride + 8);
        for (auto& p : dst) p = static_cast<std::uint32_t>(rng());
        for (auto& p : src) p = static_cast<std::uint32_t>(rng());
        const std::vector<std::uint32_t> before = dst;
        qv::SSEBlendParams p{};
        p.width = w;
        p.height = h;
        p.destinationSkip = stride - w;
        p.sourceSkip = srcStride - w;
        p.destination = dst.data() + stride;  // one guard row below
        p.source = src.data();
        const bool constant = round % 2 == 1;
        p.factor = round < 40 ? rng() % 256 : rng() % 70000;
        p.constantFactor = round < 40 ? rng() % 256 : rng() % 70000;
        p.constantColor = static_cast<std::uint32_t>(rng());
        constant ? SSEPLAlphaBlendConstantSrc(&p) : SSEPLAlphaBlend(&p);
        for (std::size_t i = 0; i < dst.size(); ++i) {
            const std::int64_t rel = static_cast<std::int64_t>(i) - stride;
            const bool covered = rel >= 0 && rel / stride < h && rel % stride < w;
            if (!covered) {
                ASSERT_EQ(dst[i], before[i]) << "guard pixel " << i;
                continue;
            }
            const std::uint32_t row = static_cast<std::uint32_t>(rel / stride), col = static_cast<std::uint32_t>(rel % stride);
            const std::uint32_t expected = constant ? refKernelConstant(before[i], p.constantColor, p.constantFactor)
                                                    : refKernelImage(src[row * srcStride + col], before[i], p.factor);
            ASSERT_EQ(dst[i], expected) << "round " << round << " pixel " << i;
        }
    }
}

TEST(Blend, EmptyAndInvalidRequestsDrawNothing) {
    SurfaceTarget src(6, 4, bgra(1, 2, 3, 255));
    SurfaceTarget untouched(4, 4, 0x11223344u);
    qv::blend(imageRequest(untouched, src.surface, {0, 0}, 0, 4, {0, 0}, 255));
    qv::blend(imageRequest(untouched, src.surface, {4, 0}, 4, 4, {0, 0}, 255));
    qv::blend(imageRequest(untouched, src.surface, {0, 0}, 4, 4, {6, 0}, 255));
    untouched.clip = qv::CRect{0, 0, 0, 0};
    qv::blend(imageRequest(untouched, src.surface, {0, 0}, 4, 4, {0, 0}, 255));
    qv::PixelSurface none;
    untouched.clip.reset();
    qv::blend(imageRequest(untouched, none, {0, 0}, 4, 4, {0, 0}, 255));
    for (std::uint32_t p : untouched.pixels) EXPECT_EQ(p, 0x11223344u);
}

TEST(Blend, AlphaAbove255CountsAs255AndCopyIgnoresAlpha) {
    SurfaceTarget src(3, 3, bgra(1, 2, 3, 40));
    SurfaceTarget a(3, 3, bgra(200, 200, 200, 255)), b(3, 3, bgra(200, 200, 200, 255));
    qv::blend(imageRequest(a, src.surface, {0, 0}, 3, 3, {0, 0}, 255));
    qv::blend(imageRequest(b, src.surface, {0, 0}, 3, 3, {0, 0}, 100000));
    EXPECT_EQ(a.pixels, b.pixels);
    SurfaceTarget c(3, 3, bgra(200, 200, 200, 255));
    qv::copyPixels(imageRequest(c, src.surface, {1, 1}, 3, 3, {0, 0}, 0));
    EXPECT_EQ(c.at(0, 0), bgra(200, 200, 200, 255));
    EXPECT_EQ(c.at(1, 1), bgra(1, 2, 3, 40));
    EXPECT_EQ(c.at(2, 2), bgra(1, 2, 3, 40));
}

TEST(Blend, KernelsRunConcurrentlyWithoutDisturbingEachOther) {
    // Each thread blends its own buffers with its own factors, over and over; any state shared
    // between calls would mix the factors of one thread into another's results.
    constexpr int kThreads = 4, kPixels = 333, kRounds = 300;
    std::vector<std::vector<std::uint32_t>> results(kThreads), expected(kThreads);
    std::vector<std::uint32_t> src(kPixels);
    std::mt19937 rng(21);
    for (auto& p : src) p = static_cast<std::uint32_t>(rng());
    const std::vector<std::uint32_t> start(kPixels, 0x80808080u);
    auto once = [&](int t, std::vector<std::uint32_t>& dst) {
        qv::SSEBlendParams p{};
        p.width = kPixels;
        p.height = 1;
        p.factor = 40u + 50u * static_cast<std::uint32_t>(t);
        p.constantFactor = 200u - 30u * static_cast<std::uint32_t>(t);
        p.constantColor = 0x01010101u * static_cast<std::uint32_t>(t + 1);
        p.source = src.data();
        p.destination = dst.data();
        SSEPLAlphaBlend(&p);
        SSEPLAlphaBlendConstantSrc(&p);
    };
    for (int t = 0; t < kThreads; ++t) {
        expected[t] = start;
        once(t, expected[t]);
    }
    std::vector<std::thread> threads;
    std::vector<int> mismatches(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int r = 0; r < kRounds; ++r) {
                results[t] = start;
                once(t, results[t]);
                mismatches[t] += results[t] != expected[t];
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

}  // namespace
