// FFT path of CSpectrumDisplay: curves of every instance on the display's log frequency axis,
// with ballistics, peak curves, recalled memory curves from the core, the veil under the level
// curves and the grid layer drawn once and blitted every frame.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "controls/dib_view.h"
#include "display/display_data_source.h"
#include "display/spectrum_display.h"
#include "gui/draw_context.h"

namespace qv {

namespace {

constexpr std::uint32_t kPoints = display::CCurveTable::kPoints;

float sane(float v, float floor) {
    if (!(v >= floor)) return floor;
    return v > 1000.0f ? 1000.0f : v;
}

// N from a record's bin count when it is one of the FFT sizes, else 0.
std::uint32_t fftSizeOfBins(std::uint32_t bins) {
    for (std::uint32_t n = 512; n <= 16384; n *= 2) {
        if (bins == n / 2 + 1) return n;
    }
    return 0;
}

}  // namespace

// False when the frame must keep what is on screen (an answer with more records than the
// display holds). A refused request brings no new record. A reply of size 0 (some instance has
// no spectrum yet) still carries every record: those whose own valid flag is set are drawn.
bool CSpectrumDisplay::fetchCurves() {
    const DataRequest header{kCurvesRequestBytes, 1, 0, 0};
    std::memcpy(curveExchange.data(), &header, sizeof(header));
    std::fill(curveRecordOf.begin(), curveRecordOf.end(), -1);
    if (!dataSource || !dataSource->getData(curveExchange.data())) return true;
    CurvesReplyHeader reply;
    std::memcpy(&reply, curveExchange.data(), sizeof(reply));
    if (reply.count > maxInstances || reply.count > kMaxInstanceNumbers) return false;
    if (reply.size != 0 && reply.size != sizeof(CurvesReplyHeader) + reply.count * CurveRecord::kSize) return true;
    graphs = 0;
    for (std::uint32_t k = 0; k < reply.count; ++k) {
        const auto* r = reinterpret_cast<const CurveRecord*>(curveExchange.data() + sizeof(CurvesReplyHeader)) + k;
        if (r->size != CurveRecord::kSize || r->number >= maxInstances || curveRecordOf[r->number] >= 0) continue;
        curveRecordOf[r->number] = static_cast<std::int32_t>(k);
    }
    for (std::uint32_t i = 0; i < maxInstances; ++i) {
        instances[i].position = -1;
        if (curveRecordOf[i] < 0) continue;
        const auto* r = reinterpret_cast<const CurveRecord*>(curveExchange.data() + sizeof(CurvesReplyHeader)) +
                        curveRecordOf[i];
        if (r->switchFlag == 0 && r->valid != 0) instances[i].position = static_cast<std::int32_t>(graphs++);
    }
    return true;
}

void CSpectrumDisplay::updateColumnTable(const CurveRecord* first) {
    float rate = drawn.sampleRate;
    std::uint32_t n = 512u << std::min<std::uint32_t>(fftSizeIndex, 5);
    if (first) {
        rate = std::isfinite(first->sampleRate) ? first->sampleRate : 0.0f;
        if (const std::uint32_t fromBins = fftSizeOfBins(first->binCount)) n = fromBins;
    }
    if (table.update(rate, n, smoothingIndex, freqMin, freqMax, graphW)) {
        ++tableBuilds;
        backgroundDirty = true;
    }
    drawn.sampleRate = rate;
}

void CSpectrumDisplay::takeCurve(std::uint32_t i, const CurveRecord& record) {
    Instance& s = instances[i];
    float* input = fftInput.data() + static_cast<std::size_t>(i) * kPoints;
    const bool fresh = record.valid != 0 && record.sequence != s.fftLastSequence &&
                       record.valueCount <= kCurveValues && table.matches(record.valueCount, record.hasLast);
    if (fresh) {
        for (std::uint32_t k = 0; k < table.count(); ++k) {
            const display::CurvePoint& p = table.at(k);
            const float v = p.value < record.valueCount ? record.values[p.value] : levelFloor;
            input[k] = sane(v + slope * p.tiltOctaves, levelFloor);
        }
        s.fftStaleMs = 0.0f;
        s.fftLastSequence = record.sequence;
        s.fftValues = record.valueCount;
    }
}

const MemoryCurveBlock* CSpectrumDisplay::fetchMemoryCurve(std::uint32_t i) {
    std::uint32_t slot = memorySlots;
    for (std::uint32_t k = 0; k < memorySlots && slot == memorySlots; ++k) {
        if (shownFft[slotIndex(i, k)]) slot = k;
    }
    if (slot == memorySlots || !dataSource) return nullptr;
    // The block is cleared first, so a refused request never shows an older answer.
    std::fill(memoryExchange.begin(), memoryExchange.end(), 0);
    const DataRequest header{MemoryCurveBlock::kSize, 2, i, slot};
    std::memcpy(memoryExchange.data(), &header, sizeof(header));
    if (!dataSource->getData(memoryExchange.data())) return nullptr;
    const auto* block = reinterpret_cast<const MemoryCurveBlock*>(memoryExchange.data());
    if (block->header.size != MemoryCurveBlock::kSize || block->valueCount > MemoryCurveBlock::kValues ||
        !table.matches(block->valueCount, block->hasLast))
        return nullptr;
    return block;
}

void CSpectrumDisplay::curveHeights(const float* levels, std::uint32_t valueCount, std::int32_t position, bool stacked,
                                    std::int32_t* outX, std::int32_t* outY, std::uint32_t& outCount) {
    const std::int32_t n = static_cast<std::int32_t>(layoutCount());
    const std::int32_t stripe = stripeHeight();
    outCount = 0;
    for (std::uint32_t k = 0; k < table.count(); ++k) {
        const display::CurvePoint& p = table.at(k);
        if (p.value >= valueCount) break;
        const float phi = display::levelFraction(levels[k], levelBottom, levelTop);
        std::int32_t y = 0;
        if (alignMode == 1) {
            y = static_cast<std::int32_t>(static_cast<float>(graphH - 1) * phi / static_cast<float>(n) + 0.5f);
            if (stacked) {
                const std::int32_t below = stackHeights[static_cast<std::size_t>(p.x)];
                stackHeights[static_cast<std::size_t>(p.x)] = below + y;
                y += below;
            }
        } else if (alignMode == 2) {
            y = static_cast<std::int32_t>(static_cast<float>(stripe - 1) * phi + 0.5f) + position * stripe;
        } else {
            y = static_cast<std::int32_t>(static_cast<float>(graphH - 1) * phi + 0.5f);
        }
        outX[outCount] = p.x;
        outY[outCount] = std::clamp(y, 0, graphH - 1);
        ++outCount;
    }
}

void CSpectrumDisplay::drawCurve(CDrawContext& dc, const std::int32_t* xs, const std::int32_t* ys, std::uint32_t count,
                                 const CColor& pen) {
    if (count == 0) return;
    const CPoint g = graphOrigin();
    CPoint line[kPoints];
    for (std::uint32_t k = 0; k < count; ++k) line[k] = CPoint{g.x + xs[k], g.y + ys[k]};
    dc.selectPen(pen);
    if (count == 1) {
        dc.drawLine(line[0], line[0]);
    } else {
        dc.drawPolyline(line, count);
    }
}

void CSpectrumDisplay::drawFftMode(CDrawState state) {
    if (!curveSupport || !usable) return;
    const std::uint32_t previousGraphs = graphs;
    if (!fetchCurves()) return;
    const auto* records = reinterpret_cast<const CurveRecord*>(curveExchange.data() + sizeof(CurvesReplyHeader));
    const CurveRecord* first = nullptr;
    for (std::uint32_t i = 0; i < maxInstances && !first; ++i) {
        if (curveRecordOf[i] >= 0 && records[curveRecordOf[i]].valid) first = &records[curveRecordOf[i]];
    }
    updateColumnTable(first);
    if (graphs != previousGraphs) state.redrawAll = 1;

    const std::uint32_t index = std::min<std::uint32_t>(fftSizeIndex, 5);
    const float staleLimit = staleTimeout * (index == 3 ? 2.0f : index == 4 ? 3.0f : index == 5 ? 5.0f : 1.0f);
    const float resetLevel = levelBottom - (levelTop - levelBottom);
    const std::uint32_t points = table.count();
    const BallisticsKey ballistics{attackRate, releaseRate, levelBottom, frameMs(), peakHoldTime, instantResponse,
                                   peakHoldEnabled};
    if (!(ballistics == ballisticsKey)) {
        for (Instance& s : instances) s.fftSettledPoints = 0;
        ballisticsKey = ballistics;
    }
    for (std::uint32_t i = 0; i < maxInstances; ++i) {
        Instance& s = instances[i];
        const std::uint32_t seen = s.fftLastSequence;
        if (curveRecordOf[i] >= 0) takeCurve(i, records[curveRecordOf[i]]);
        float* input = fftInput.data() + static_cast<std::size_t>(i) * kPoints;
        bool moved = s.fftLastSequence != seen;
        if (curveRecordOf[i] < 0 || s.fftLastSequence == seen) {
            s.fftStaleMs += frameMs();
            if (s.fftStaleMs >= staleLimit) {
                for (std::uint32_t k = 0; k < kPoints; ++k) {
                    moved = moved || input[k] != resetLevel;
                    input[k] = resetLevel;
                }
            }
        }
        bool recalled = false;
        for (std::uint32_t k = 0; k < memorySlots && !recalled; ++k) recalled = shownFft[slotIndex(i, k)] != 0;
        const std::size_t at = static_cast<std::size_t>(i) * kPoints;
        if (moved || recalled || s.fftSettledPoints != points) {
            bool held = false;
            bool advanced = advanceBallistics(fftLevel.data() + at, input, points);
            advanced = advancePeaks(fftPeak.data() + at, input, fftHold.data() + at, points, peakHoldEnabled && !recalled,
                                    &held) || advanced;
            s.fftSettledPoints = advanced || held ? 0 : points;
            moved = moved || advanced;
        }
        if (moved) curveMoved[i] = 1;  // until the curve is placed again
    }

    CDrawContext* dc = contextFor(state);
    if (!dc) return;
    const bool full = state.redrawAll || backgroundDirty;
    // A frame whose curves sit on the pixels last painted, in the same colours, is not painted.
    const bool moved = layoutCurves();
    const bool settings = paintSettingsChanged();
    const bool force = full || repaintRequested;
    repaintRequested = false;
    if (!force && !moved && !settings) return;
    if (full) {
        drawFftBackground();
        backgroundDirty = false;
    }
    const CRect view = windowRect();
    gridLayer->paintAt(state, CPoint{view.x, view.y}, kPaintAtPoint);
    paintCurves(*dc);
}

bool CSpectrumDisplay::layoutCurves() {
    std::fill(stackHeights.begin(), stackHeights.end(), 0);
    const bool stacked = alignMode == 1;
    const CurveKey key{levelBottom, levelTop, alignMode, graphs, tableBuilds, fftSmoothing, showPeaks, true};
    bool keep = key == curveKey;
    curveKey = key;
    // Stacked curves sit on each other: one that moved moves those above it.
    if (stacked) keep = keep && std::none_of(curveMoved.begin(), curveMoved.end(), [](std::uint8_t m) { return m != 0; });
    bool moved = false;
    shownCurves = 0;
    for (std::uint32_t i = 0; i < maxInstances; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * kPoints;
        std::int32_t* painted = paintedShape.data() + static_cast<std::size_t>(i) * 4;
        if (instances[i].position >= 0) curveOrder[shownCurves++] = i;
        const MemoryCurveBlock* memory = instances[i].position >= 0 ? fetchMemoryCurve(i) : nullptr;
        // Unmoved values under an unchanged key land on the points of the last frame.
        if (keep && !curveMoved[i] && !memory && painted[0] == instances[i].position && painted[3] == 0) continue;
        curveMoved[i] = 0;
        std::int32_t shape[4] = {instances[i].position, 0, 0, 0};
        curveCount[i] = 0;
        peakCount[i] = 0;
        if (instances[i].position >= 0) {
            const float* levels = nullptr;
            std::uint32_t valueCount = instances[i].fftValues;
            float recalledLevels[kPoints];
            if (memory) {
                for (std::uint32_t k = 0; k < table.count(); ++k) recalledLevels[k] = sane(memory->values[table.at(k).value], levelFloor);
                levels = recalledLevels;
                valueCount = memory->valueCount;
            } else {
                levels = (fftSmoothing == 0 ? fftInput.data() : fftLevel.data()) + at;
            }
            curveHeights(levels, valueCount, instances[i].position, stacked, curveX.data() + at, curveY.data() + at,
                         curveCount[i]);
            hasMemory[i] = memory != nullptr;
            if (!stacked && showPeaks && !hasMemory[i])
                curveHeights(fftPeak.data() + at, instances[i].fftValues, instances[i].position, false, peakX.data() + at,
                             peakY.data() + at, peakCount[i]);
            shape[1] = static_cast<std::int32_t>(curveCount[i]);
            shape[2] = static_cast<std::int32_t>(peakCount[i]);
            shape[3] = hasMemory[i];
        }
        moved = moved || std::memcmp(painted, shape, sizeof(shape)) != 0 ||
                std::memcmp(paintedY.data() + at, curveY.data() + at, curveCount[i] * sizeof(std::int32_t)) != 0 ||
                std::memcmp(paintedPeakY.data() + at, peakY.data() + at, peakCount[i] * sizeof(std::int32_t)) != 0;
        std::memcpy(painted, shape, sizeof(shape));
        std::memcpy(paintedY.data() + at, curveY.data() + at, curveCount[i] * sizeof(std::int32_t));
        std::memcpy(paintedPeakY.data() + at, peakY.data() + at, peakCount[i] * sizeof(std::int32_t));
    }
    return moved;
}

void CSpectrumDisplay::paintCurves(CDrawContext& dc) {
    veils.clear();
    const bool stacked = alignMode == 1;
    // The veils of every curve on screen in one pass, then the outlines.
    if (curveFill && showLevels) {
        for (std::uint32_t o = 0; o < shownCurves; ++o) {
            const std::uint32_t i = curveOrder[o];
            const std::size_t at = static_cast<std::size_t>(i) * kPoints;
            veils.add(curveX.data() + at, curveY.data() + at, curveCount[i],
                      alignMode == 2 ? instances[i].position * stripeHeight() : 0);
        }
    }
    if (veils.count() > 0) {
        const float n = static_cast<float>(layoutCount());
        const float alpha = alignMode == 2 || n <= 1.0f ? 0.3f : (n == 2.0f ? 0.25f : 0.5f / n);
        if (PixelSurface* surface = dc.getTargetSurface()) veils.paint(*surface, dc.getClipRect(), graphOrigin(), alpha);
    }
    for (std::uint32_t o = 0; o < shownCurves; ++o) {
        // Stacked curves are painted from the last instance to the first.
        const std::uint32_t i = stacked ? curveOrder[shownCurves - 1 - o] : curveOrder[o];
        const std::size_t at = static_cast<std::size_t>(i) * kPoints;
        if (showLevels) drawCurve(dc, curveX.data() + at, curveY.data() + at, curveCount[i], colourOf(i));
        if (stacked || !showPeaks || hasMemory[i]) continue;
        drawCurve(dc, peakX.data() + at, peakY.data() + at, peakCount[i], colourOf(i));
    }
}

}  // namespace qv
