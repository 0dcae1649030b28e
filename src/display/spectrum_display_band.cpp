// Band path of CSpectrumDisplay: fetch, order, tilt, averaging, stale time-out, memory capture
// and recall, ballistics, peak hold and the bars.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "display/display_data_source.h"
#include "display/spectrum_display.h"
#include "gui/draw_context.h"
#include "gui/rect_math.h"

namespace qv {

namespace {

// Keeps stored values finite and in a range where ballistics still move.
float sane(float v, float floor) {
    if (!(v >= floor)) return floor;  // NaN too
    return v > 1000.0f ? 1000.0f : v;
}

}  // namespace

bool CSpectrumDisplay::advanceBallistics(float* current, const float* target, std::size_t count) const {
    const float t = frameMs();
    bool moved = false;
    for (std::size_t k = 0; k < count; ++k) {
        const float T = target[k];
        float& C = current[k];
        const float before = C;
        if (instantResponse) {
            C = T;
        } else if (T > C) {
            C = std::min(T, C + 0.001f * t * attackRate);
        } else if (T < C) {
            C = std::max({T, C - 0.001f * t * releaseRate, levelBottom});
            if (C < T) C = T;
        }
        if (!std::isfinite(C)) C = T;
        moved = moved || std::bit_cast<std::uint32_t>(C) != std::bit_cast<std::uint32_t>(before);
    }
    return moved;
}

bool CSpectrumDisplay::advancePeaks(float* current, const float* target, float* holdMs, std::size_t count,
                                    bool hold, bool* held) const {
    const float t = frameMs();
    const float holdLimit = peakHoldTime * 1000.0f;
    bool moved = false;
    for (std::size_t k = 0; k < count; ++k) {
        const float P = target[k];
        float& Q = current[k];
        const float before = Q;
        const float holdBefore = holdMs[k];
        if (!peakHoldEnabled) holdMs[k] = 0.0f;
        if (P > Q) {
            Q = instantResponse ? P : std::min(P, Q + 0.001f * t * attackRate);
            holdMs[k] = 0.0f;
        } else if (P < Q) {
            bool falls = true;
            if (hold) {
                holdMs[k] += t;
                falls = holdMs[k] >= holdLimit;
            }
            if (falls) Q = std::max(Q - 0.001f * t * releaseRate, std::max(P, levelBottom));
            if (Q < P) Q = P;
            if (Q <= P) holdMs[k] = 0.0f;
        }
        if (!std::isfinite(Q)) Q = P;
        moved = moved || std::bit_cast<std::uint32_t>(Q) != std::bit_cast<std::uint32_t>(before);
        // A timer past its limit lets the peak fall; counting further changes nothing.
        if (held && holdMs[k] != holdBefore && holdBefore < holdLimit) *held = true;
    }
    return moved;
}

void CSpectrumDisplay::resetInstance(Instance& s) {
    for (BandLevelRecord* r : {&s.target, &s.painted}) {
        std::fill(std::begin(r->levels), std::end(r->levels), levelBottom);
        std::fill(std::begin(r->peaks), std::end(r->peaks), levelBottom);
    }
    s.lastSequence = kUnseenSequence;
    s.staleMs = 0.0f;
    s.fill = 0;
}

bool CSpectrumDisplay::fetchBands() {
    DataRequest header{static_cast<std::uint32_t>(sizeof(DataRequest) + sizeof(BandLevelRecord) * maxInstances), 0,
                       bandResolution, 0};
    std::memcpy(bandExchange.data(), &header, sizeof(header));
    if (!dataSource || !dataSource->getData(bandExchange.data())) return false;
    std::memcpy(&header, bandExchange.data(), sizeof(header));
    // An answer with more records than the display holds keeps the previous frame.
    if (header.a != 1 || header.b > maxInstances) return false;
    std::fill(bandRecordOf.begin(), bandRecordOf.end(), -1);
    for (std::uint32_t k = 0; k < header.b; ++k) {
        const auto* r = reinterpret_cast<const BandLevelRecord*>(bandExchange.data() + sizeof(DataRequest)) + k;
        if (r->size != sizeof(BandLevelRecord) || r->source >= maxInstances) continue;
        if (bandRecordOf[r->source] < 0) bandRecordOf[r->source] = static_cast<std::int32_t>(k);
    }
    return true;
}

// Screen positions in instance-number order; hidden records take none. An instance that has no
// record this frame drops to the bottom once.
void CSpectrumDisplay::orderBands() {
    const auto* records = reinterpret_cast<const BandLevelRecord*>(bandExchange.data() + sizeof(DataRequest));
    graphs = 0;
    for (std::uint32_t i = 0; i < maxInstances; ++i) {
        Instance& s = instances[i];
        s.position = -1;
        if (bandRecordOf[i] < 0) {
            if (!s.resetDone) resetInstance(s);
            s.resetDone = true;
            continue;
        }
        s.resetDone = false;
        if (records[bandRecordOf[i]].flag == 0) s.position = static_cast<std::int32_t>(graphs++);
    }
}

void CSpectrumDisplay::takeBandData(std::uint32_t i, const BandLevelRecord& record) {
    Instance& s = instances[i];
    if (record.sequence != s.lastSequence) {
        // Records since the last one seen (1 after a reset); a long gap counts as the whole span.
        const std::uint32_t since = s.lastSequence == kUnseenSequence ? 1u : record.sequence - s.lastSequence;
        const std::uint32_t span = std::clamp(since, 1u, std::max(averageFrames, 1u));
        for (std::uint32_t b = 0; b < kBands; ++b) {
            const float tilt = static_cast<float>(b) * slope / 3.0f;
            s.target.levels[b] = sane(record.levels[b] + tilt, levelFloor);
            s.target.peaks[b] = sane(record.peaks[b] + tilt, levelFloor);
        }
        s.staleMs = 0.0f;
        s.lastSequence = record.sequence;
        if (averageCapacity > 0) {
            float* entry = history.data() + (static_cast<std::size_t>(i) * averageCapacity + s.writeIndex) * 2 * kBands;
            for (std::uint32_t b = 0; b < kBands; ++b) {
                const float l = s.target.levels[b], p = s.target.peaks[b];
                entry[b] = l > levelBottom ? std::pow(10.0f, l / 20.0f) : 0.0f;
                entry[kBands + b] = p > levelBottom ? std::pow(10.0f, p / 20.0f) : 0.0f;
            }
            historySpan[static_cast<std::size_t>(i) * averageCapacity + s.writeIndex] = span;
            s.fill = std::min(s.fill + 1, averageFrames);
            s.writeIndex = (s.writeIndex + 1) % averageCapacity;
        }
        if (averageEnabled && !computeAverage(i)) {
            std::memcpy(s.target.levels, s.average.levels, sizeof(s.target.levels));
            std::memcpy(s.target.peaks, s.average.peaks, sizeof(s.target.peaks));
        }
        return;
    }
    s.staleMs += frameMs();
    if (s.staleMs >= staleTimeout) {
        s.fill = 0;
        std::fill(std::begin(s.target.levels), std::end(s.target.levels), levelBottom);
        std::fill(std::begin(s.target.peaks), std::end(s.target.peaks), levelBottom);
    }
}

// A requested capture goes to the core once: per band the peak where it stands above the
// bottom (before tilt), else the level.
void CSpectrumDisplay::captureMemories() {
    for (std::uint32_t i = 0; i < maxInstances; ++i) {
        for (std::uint32_t slot = 0; slot < memorySlots; ++slot) {
            const std::uint32_t k = slotIndex(i, slot);
            if (!storeRequested[k]) continue;
            storeRequested[k] = 0;
            const BandLevelRecord& graph = instances[i].painted;
            BandLevelRecord& stored = memories[k];
            stored.size = sizeof(BandLevelRecord);
            stored.source = i;
            for (std::uint32_t b = 0; b < kBands; ++b) {
                const float v = graph.peaks[b] > levelBottom - static_cast<float>(b) * slope / 3.0f ? graph.peaks[b]
                                                                                                  : graph.levels[b];
                stored.levels[b] = v;
                stored.peaks[b] = v;
            }
            const DataRequest header{static_cast<std::uint32_t>(storeMessage.size()), 101, i, slot};
            std::memcpy(storeMessage.data(), &header, sizeof(header));
            std::memcpy(storeMessage.data() + sizeof(header), &stored, sizeof(stored));
            if (dataSource) dataSource->putData(storeMessage.data());
        }
    }
}

void CSpectrumDisplay::drawBandMode(CDrawState state) {
    if (bandResolution != 1) return;
    if (!fetchBands()) return;
    orderBands();
    const auto* records = reinterpret_cast<const BandLevelRecord*>(bandExchange.data() + sizeof(DataRequest));
    for (std::uint32_t i = 0; i < maxInstances; ++i) {
        if (bandRecordOf[i] >= 0) takeBandData(i, records[bandRecordOf[i]]);
    }
    captureMemories();
    for (std::uint32_t i = 0; i < maxInstances; ++i) {
        Instance& s = instances[i];
        bool recalled = false;
        for (std::uint32_t slot = 0; slot < memorySlots && !recalled; ++slot) recalled = shownBand[slotIndex(i, slot)] != 0;
        advanceBallistics(s.painted.levels, s.target.levels, kBands);
        advancePeaks(s.painted.peaks, s.target.peaks, s.holdMs.data(), kBands, peakHoldEnabled && !recalled);
    }
    if (drawn.graphs != graphs) state.redrawAll = 1;
    drawn.graphs = graphs;

    CDrawContext* dc = contextFor(state);
    if (!dc) return;
    const bool full = state.redrawAll || backgroundDirty;
    // A frame whose fills and colours are those last painted would paint the same pixels.
    const bool moved = layoutBars();
    const bool settings = paintSettingsChanged();
    const bool force = full || repaintRequested;
    repaintRequested = false;
    if (!force && !moved && !settings) return;
    if (full) {
        drawBandStatic(*dc);
        backgroundDirty = false;
    }
    paintBars(*dc);
    if (alignMode == 1 && graphs >= 2) {
        // On a plate of its own, since text drawn again over the gaps would thicken.
        const CPoint g = graphOrigin();
        dc->fillRect(CRect{g.x + graphW - 28, g.y + graphH - 44, 24, 44}, *background);
        drawStackRange(*dc, g);
    }
}

bool CSpectrumDisplay::layoutBars() {
    std::size_t n0 = 0;
    const auto put = [&](const CRect& r, const CColor* colour, std::int32_t blend = 0, float alpha = 1.0f) {
        barOps[n0++] = BarOp{r, colour, blend, alpha};
    };
    const CPoint g = graphOrigin();
    const std::int32_t pitch = barRect.width + barGap;
    const std::int32_t n = static_cast<std::int32_t>(layoutCount());
    const std::int32_t sub = graphs ? barRect.width / n : barRect.width;
    const std::int32_t stripe = stripeHeight();
    const std::int32_t top = g.y + graphH;
    for (std::uint32_t b = 0; b < kBands; ++b) put(CRect{g.x + static_cast<std::int32_t>(b) * pitch, g.y, barRect.width, graphH}, slotColour.get());

    std::int32_t stack[kBands] = {};
    const bool overlay = alignMode == 3 && graphs > 1;
    for (std::uint32_t i = 0; i < maxInstances; ++i) {
        const Instance& s = instances[i];
        if (s.position < 0) continue;
        const std::int32_t j = s.position;
        const CColor* colour = &colourOf(i);
        // A recalled memory slot is painted instead of the processed values.
        const BandLevelRecord* graph = &s.painted;
        for (std::uint32_t slot = 0; slot < memorySlots; ++slot) {
            if (shownBand[slotIndex(i, slot)]) {
                graph = &memories[slotIndex(i, slot)];
                break;
            }
        }
        if (overlay) put(CRect{}, nullptr, 1, 1.0f / static_cast<float>(graphs));
        for (std::uint32_t b = 0; b < kBands; ++b) {
            const std::int32_t bandX = g.x + static_cast<std::int32_t>(b) * pitch;
            std::int32_t x = bandX, w = barRect.width, base = g.y, span = graphH;
            if (alignMode == 0) {
                x = bandX + j * sub;
                w = sub;
            } else if (alignMode == 2) {
                base = g.y + j * stripe;
                span = stripe;
            }
            const float level = display::levelFraction(graph->levels[b], levelBottom, levelTop);
            std::int32_t h = display::levelPixels(level, span);
            if (alignMode == 1) {
                h = display::levelPixels(level / static_cast<float>(n), graphH);
                base = g.y + stack[b];
                stack[b] += h;
            }
            h = std::min(h, top - base);
            if (showLevels && h >= 1 && w > 0) put(CRect{x, base, w, h}, colour);
            if (!showPeaks || alignMode == 1 || w <= 0) continue;
            const float peak = display::levelFraction(graph->peaks[b], levelBottom, levelTop);
            const std::int32_t p = std::min(span - 1, static_cast<std::int32_t>(static_cast<float>(span - 1) * peak + 0.5f));
            if (p < 0) continue;
            if (p >= 1) put(CRect{x, base + p - 1, w, 1}, colour);
            put(CRect{x, base + p, w, 1}, whiteFill.get());
        }
        if (overlay) put(CRect{}, nullptr, 0, 1.0f);
    }
    barOpCount = n0;
    const auto same = [](const BarOp& a, const BarOp& b) {
        return rectsEqual(a.rect, b.rect) && a.colour == b.colour && a.blend == b.blend && a.alpha == b.alpha;
    };
    const bool moved = barOpCount != paintedBarOpCount ||
                       !std::equal(barOps.begin(), barOps.begin() + static_cast<std::ptrdiff_t>(barOpCount),
                                   paintedBarOps.begin(), same);
    std::copy_n(barOps.begin(), barOpCount, paintedBarOps.begin());
    paintedBarOpCount = barOpCount;
    return moved;
}

void CSpectrumDisplay::paintBars(CDrawContext& dc) const {
    for (std::size_t k = 0; k < barOpCount; ++k) {
        const BarOp& op = barOps[k];
        if (op.colour) {
            dc.fillRect(op.rect, *op.colour);
        } else {
            dc.setBlendEnabled(op.blend != 0);
            dc.setGlobalAlpha(op.alpha);
        }
    }
}

}  // namespace qv
