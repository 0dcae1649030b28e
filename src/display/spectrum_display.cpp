#include "display/spectrum_display.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "controls/dib_view.h"
#include "controls/view_owner.h"
#include "display/display_data_source.h"
#include "framework/error_report.h"
#include "gui/gui_window.h"

namespace qv {

namespace {

constexpr std::int32_t kMaxGraphWidth = 16384;
constexpr float kNoFrequency = -2000.0f;
constexpr float kNoLevel = 100000.0f;

}  // namespace

CSpectrumDisplay::CSpectrumDisplay(CViewOwner* viewOwner, std::uint32_t viewTag, const CRect& viewRect,
                                   const CRect& bars, std::uint32_t gap, std::uint32_t maxCount,
                                   std::uint32_t slots, std::uint32_t capacity, std::int32_t curves)
    : CView(viewOwner, viewTag),
      barRect(bars),
      barGap(static_cast<std::int32_t>(std::min<std::uint32_t>(gap, 4096))),
      maxInstances(maxCount),
      memorySlots(std::min<std::uint32_t>(slots, 64)),
      averageCapacity(std::min<std::uint32_t>(capacity, 100000)),
      curveSupport(curves != 0) {
    rect = viewRect;
    dataSource = dynamic_cast<IDisplayDataSource*>(viewOwner);
    setAlwaysUpdate(true);
    const std::int64_t w = (static_cast<std::int64_t>(barRect.width) + barGap) * kBands - barGap;
    graphW = barRect.width > 0 && w > 0 && w <= kMaxGraphWidth ? static_cast<std::int32_t>(w) : 0;
    graphH = std::clamp(barRect.height, 0, 32000);

    background = std::make_unique<CColor>(nullptr, 0.2f, 0.2f, 0.2f, 1.0f, kColorBrush);
    slotColour = std::make_unique<CColor>(nullptr, 0.3f, 0.3f, 0.3f, 1.0f, kColorBrush);
    whiteFill = std::make_unique<CColor>(nullptr, 1.0f, 1.0f, 1.0f, 1.0f, kColorBrush);
    white = std::make_unique<CColor>(nullptr, 1.0f, 1.0f, 1.0f, 1.0f, kColorPen);
    grey70 = std::make_unique<CColor>(nullptr, 0.7f, 0.7f, 0.7f, 1.0f, kColorPen);
    grey60 = std::make_unique<CColor>(nullptr, 0.6f, 0.6f, 0.6f, 1.0f, kColorPen);
    grey50 = std::make_unique<CColor>(nullptr, 0.5f, 0.5f, 0.5f, 1.0f, kColorPen);

    // The band answer must fit its fixed exchange buffer.
    if (maxInstances > 128 || sizeof(DataRequest) + sizeof(BandLevelRecord) * maxInstances > kBandExchangeBytes ||
        graphW == 0 || graphH == 0)
        return;

    instances.resize(maxInstances);
    for (std::uint32_t i = 0; i < maxInstances; ++i) {
        const display::Hsv hsv = display::defaultInstanceHsv(i, maxInstances);
        float r = 0, g = 0, b = 0;
        hsvToRgb(r, g, b, hsv.hue, hsv.saturation, hsv.value);
        for (auto& c : instances[i].colours) c = std::make_unique<CColor>(nullptr, r, g, b, 1.0f, kColorPenAndBrush);
    }
    bandRecordOf.assign(maxInstances, -1);
    history.assign(static_cast<std::size_t>(maxInstances) * averageCapacity * 2 * kBands, 0.0f);
    historySpan.assign(static_cast<std::size_t>(maxInstances) * averageCapacity, 1);
    memories.assign(static_cast<std::size_t>(maxInstances) * memorySlots, BandLevelRecord{});
    storeRequested.assign(memories.size(), 0);
    shownBand.assign(memories.size(), 0);
    shownFft.assign(memories.size(), 0);
    barOps.assign(kBands + static_cast<std::size_t>(maxInstances) * (3 * kBands + 2), BarOp{});
    paintedBarOps = barOps;

    if (curveSupport) {
        curveExchange.assign(kCurvesRequestBytes, 0);
        memoryExchange.assign(MemoryCurveBlock::kSize, 0);
        const std::size_t points = static_cast<std::size_t>(maxInstances) * display::CCurveTable::kPoints;
        fftInput.assign(points, 0.0f);
        fftLevel.assign(points, 0.0f);
        fftPeak.assign(points, 0.0f);
        fftHold.assign(points, 0.0f);
        curveRecordOf.assign(maxInstances, -1);
        stackHeights.assign(static_cast<std::size_t>(graphW), 0);
        curveX.assign(points, 0);
        curveY.assign(points, 0);
        hasMemory.assign(maxInstances, 0);
        peakX.assign(points, 0);
        peakY.assign(points, 0);
        paintedY.assign(points, 0);
        paintedPeakY.assign(points, 0);
        curveCount.assign(maxInstances, 0);
        peakCount.assign(maxInstances, 0);
        curveOrder.assign(maxInstances, 0);
        curveMoved.assign(maxInstances, 1);
        paintedShape.assign(static_cast<std::size_t>(maxInstances) * 4, -1);
        veils.reserve(graphW, graphH, maxInstances);
        gridLayer = std::make_unique<CDibView>(viewOwner, CRect{0, 0, rect.width, rect.height});
        gridLayer->setBlend(false);
        mouseEnabled = true;
        captureMouse = true;
        relativeMouse = false;
    }
    usable = true;
    setLevelBottom(-90.0f, true);
    clearAllMemories();
}

CSpectrumDisplay::~CSpectrumDisplay() = default;

void CSpectrumDisplay::setContainer(CViewContainer* viewContainer) {
    CView::setContainer(viewContainer);
    if (gridLayer) gridLayer->setContainer(viewContainer);
}

CGuiWindow* CSpectrumDisplay::windowOf() const { return container ? container->getWindow() : nullptr; }

CPoint CSpectrumDisplay::graphOrigin() const {
    const CRect r = windowRect();
    return CPoint{r.x + barRect.x, r.y + barRect.y};
}

float CSpectrumDisplay::frameMs() const {
    const float t = dataSource ? dataSource->getTimerPeriod() : 40.0f;
    return std::isfinite(t) && t > 0.0f ? std::min(t, 10000.0f) : 0.0f;
}

void CSpectrumDisplay::redrawArea(CRect area, CDrawState state) {
    repaintRequested = true;
    graphOverlay.areaPass = true;
    CView::redrawArea(area, state);
    graphOverlay.areaPass = false;
}

bool CSpectrumDisplay::paintSettingsChanged() {
    const PaintSettings now{curveFill && showLevels, showLevels, showPeaks, alignMode, fftMode, colourGeneration};
    const bool changed = !(now == paintedSettings);
    paintedSettings = now;
    return changed;
}

void CSpectrumDisplay::draw(CDrawState state) {
    if (!usable) return;
    if (configChanged()) state.redrawAll = 1;
    if (state.mode == kDrawRepaint) state.redrawAll = 1;
    planOverlays(state);
    if (fftMode == 0) {
        drawBandMode(state);
    } else {
        drawFftMode(state);
    }
    paintOverlays(state);
}

// Notes what changed since the last frame: the level range or the layout repaints everything, a
// change of measuring mode also starts every level afresh.
bool CSpectrumDisplay::configChanged() {
    bool full = !drawn.valid;
    if (drawn.valid && drawn.fftMode != fftMode) {
        setLevelBottom(levelBottom, true);
        for (Instance& s : instances) s.fill = 0;
        full = true;
    }
    if (drawn.levelTop != levelTop || drawn.levelBottom != levelBottom || drawn.alignMode != alignMode) full = true;
    drawn.levelTop = levelTop;
    drawn.levelBottom = levelBottom;
    drawn.alignMode = alignMode;
    drawn.fftMode = fftMode;
    drawn.valid = true;
    if (full) backgroundDirty = true;
    return full;
}

void CSpectrumDisplay::setLastSequence(std::uint32_t instance, std::uint32_t sequence) {
    if (!curveSupport || instance >= instances.size()) return;
    instances[instance].fftLastSequence = sequence;
}

void CSpectrumDisplay::setLevelBottom(float db, bool reset) {
    const float old = levelBottom;
    const float span = levelTop - levelBottom;
    const float curveReset = old - span;
    for (Instance& s : instances) {
        for (BandLevelRecord* r : {&s.target, &s.painted, &s.average}) {
            for (std::uint32_t b = 0; b < kBands; ++b) {
                if (reset || r->levels[b] <= old) r->levels[b] = db;
                if (reset || r->peaks[b] <= old) r->peaks[b] = db;
            }
        }
    }
    for (Instance& s : instances) s.fftSettledPoints = 0;
    for (std::vector<float>* curve : {&fftInput, &fftLevel, &fftPeak}) {
        for (float& v : *curve) {
            if (reset || v <= old) v = curveReset;
        }
    }
    levelBottom = db;
}

void CSpectrumDisplay::setInstanceColor(std::uint32_t instance, float red, float green, float blue) {
    if (instance >= instances.size()) return;
    Instance& s = instances[instance];
    const std::uint32_t inactive = s.activeColour ^ 1u;
    s.colours[inactive]->set(red, green, blue, 1.0f, kColorPenAndBrush);
    s.activeColour = inactive;
    ++colourGeneration;
}

std::array<float, 4> CSpectrumDisplay::getInstanceColor(std::uint32_t instance) const {
    if (instance >= instances.size()) return {0.0f, 0.0f, 0.0f, 0.0f};
    const CColor& c = colourOf(instance);
    return {c.getRed(), c.getGreen(), c.getBlue(), c.getAlpha()};
}

// ---- Memory graphs ----

void CSpectrumDisplay::setFftMode(std::uint32_t mode) {
    if (mode != fftMode) std::fill(storeRequested.begin(), storeRequested.end(), 0);
    fftMode = mode;
}

void CSpectrumDisplay::memoryAction(std::uint32_t instance, std::uint32_t slot, std::uint32_t action) {
    if (instance >= instances.size() || slot >= memorySlots) return;
    const std::uint32_t k = slotIndex(instance, slot);
    std::vector<std::uint8_t>& flags = fftMode ? shownFft : shownBand;
    switch (action) {
        case 1:
        case 4: flags[k] = 0; break;
        case 2: storeRequested[k] = fftMode ? 0 : 1; break;
        case 3: showExclusively(flags, instance, slot); break;
        default: break;
    }
}

void CSpectrumDisplay::showExclusively(std::vector<std::uint8_t>& flags, std::uint32_t instance, std::uint32_t slot) {
    for (std::uint32_t s = 0; s < memorySlots; ++s) flags[slotIndex(instance, s)] = s == slot ? 1 : 0;
}

void CSpectrumDisplay::memoryShow(std::uint32_t instance, std::uint32_t slot, std::uint32_t action) {
    if (instance >= instances.size() || slot >= memorySlots) return;
    if (action == 2) {
        showExclusively(shownFft, instance, slot);
    } else {
        shownFft[slotIndex(instance, slot)] = 0;
    }
}

void CSpectrumDisplay::clearMemory(std::uint32_t instance, std::uint32_t slot) {
    if (instance >= instances.size() || slot >= memorySlots) return;
    BandLevelRecord& r = memories[slotIndex(instance, slot)];
    std::fill(std::begin(r.levels), std::end(r.levels), levelFloor);
    std::fill(std::begin(r.peaks), std::end(r.peaks), levelFloor);
}

void CSpectrumDisplay::clearAllMemories() {
    for (std::uint32_t i = 0; i < instances.size(); ++i) {
        for (std::uint32_t s = 0; s < memorySlots; ++s) clearMemory(i, s);
    }
}

void CSpectrumDisplay::setMemoryRecord(std::uint32_t instance, std::uint32_t slot, const BandLevelRecord& record) {
    if (instance >= instances.size() || slot >= memorySlots) return;
    std::memcpy(&memories[slotIndex(instance, slot)], &record, sizeof(record));
}

BandLevelRecord CSpectrumDisplay::getMemoryRecord(std::uint32_t instance, std::uint32_t slot) const {
    BandLevelRecord r{};
    if (instance < instances.size() && slot < memorySlots) std::memcpy(&r, &memories[slotIndex(instance, slot)], sizeof(r));
    return r;
}

// ---- Averaging ----

void CSpectrumDisplay::setAverageFrames(std::uint32_t frames) {
    averageFrames = frames > averageCapacity ? 0 : frames;
    for (Instance& s : instances) s.fill = std::min(s.fill, averageFrames);
}

bool CSpectrumDisplay::computeAverage(std::uint32_t instance) {
    if (instance >= instances.size() || averageCapacity == 0) return true;
    Instance& s = instances[instance];
    // Nothing averaged yet: the live values stay rather than a blank graph.
    if (s.fill == 0) return true;
    float sum[2 * kBands] = {};
    const std::size_t first = static_cast<std::size_t>(instance) * averageCapacity;
    const float* ring = history.data() + first * 2 * kBands;
    // The newest entries that together stand for averageFrames records: the average spans the
    // time on the knob however many records each frame saw.
    std::uint32_t at = s.writeIndex, entries = 0;
    for (std::uint32_t records = 0; entries < s.fill && records < std::max(averageFrames, 1u); ++entries) {
        at = at == 0 ? averageCapacity - 1 : at - 1;
        records += historySpan[first + at];
        const float* entry = ring + static_cast<std::size_t>(at) * 2 * kBands;
        for (std::uint32_t b = 0; b < 2 * kBands; ++b) sum[b] += entry[b];
    }
    for (std::uint32_t b = 0; b < kBands; ++b) {
        const float level = sum[b] / static_cast<float>(entries);
        const float peak = sum[kBands + b] / static_cast<float>(entries);
        s.average.levels[b] = level > 1e-27f ? 20.0f * std::log10(level) : levelBottom;
        s.average.peaks[b] = peak > 1e-27f ? 20.0f * std::log10(peak) : levelBottom;
    }
    return false;
}

// ---- Mouse readout ----

void CSpectrumDisplay::onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) {
    if (!curveSupport || !usable) return;
    if (button == kMouseRight) {
        graphOverlay.menuRequested = true;
        graphOverlay.menuPoint = CPoint{x, y};
        notifyOwner(true);
        graphOverlay.menuRequested = false;
        return;
    }
    if (button != kMouseLeft) return;
    measuring = true;
    if (CGuiWindow* w = windowOf()) w->setCursor(CCursorShape::kCrossHair);
    onMouseMove(x, y, modifiers);
}

void CSpectrumDisplay::onMouseMove(std::int32_t x, std::int32_t y, std::int32_t) {
    if (!measuring) return;
    readoutAt(x - rect.x - barRect.x, y - rect.y - barRect.y);
    notifyOwner(true);
}

void CSpectrumDisplay::onMouseUp(std::int32_t, std::int32_t, std::int32_t) { cancelMouse(); }

void CSpectrumDisplay::cancelMouse() {
    if (!measuring) return;
    measuring = false;
    if (CGuiWindow* w = windowOf()) w->setCursor(CCursorShape::kArrow);
    notifyOwner(true);
}

void CSpectrumDisplay::readoutAt(std::int32_t px, std::int32_t py) {
    graphOverlay.cursor = CPoint{px, py};
    const std::int32_t n = static_cast<std::int32_t>(layoutCount());
    const float range = levelTop - levelBottom;
    readLevel = kNoLevel;
    if (py >= 0 && py < graphH) {
        const float at = static_cast<float>(py) / static_cast<float>(graphH);
        if (n == 1 || alignMode == 0) {
            readLevel = levelBottom + range * at;
        } else if (alignMode == 1) {
            readLevel = range * at * static_cast<float>(n);
        } else if (alignMode == 2) {
            const std::int32_t h = graphH / n;
            if (h > 0 && py < h * n) readLevel = levelBottom + range * static_cast<float>(py % h) / static_cast<float>(h);
        }
    }
    readFrequency = kNoFrequency;
    if (fftMode == 0) {
        const std::int32_t pitch = barRect.width + barGap;
        if (px >= 0 && pitch > 0) {
            const std::int32_t band = px / pitch;
            if (px % pitch < barRect.width && band < static_cast<std::int32_t>(kBands))
                readFrequency = display::bandCentre(static_cast<std::uint32_t>(band));
        }
    } else {
        const display::FrequencyAxis axis(freqMin, freqMax, graphW);
        const double f = axis.frequencyAt(px);
        if (f > 0.0) readFrequency = static_cast<float>(f);
    }
}

bool CSpectrumDisplay::getReadout(float& frequency, float& level) const {
    if (!measuring) return false;
    frequency = readFrequency;
    level = readLevel;
    return true;
}

}  // namespace qv
