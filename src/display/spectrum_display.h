// The graph view of the editor: the spectra of every analyzer instance in the process, as 31
// third-octave bars per instance (band mode) or as one curve per instance over a log frequency
// axis (FFT mode), with attack/release ballistics, peak hold, averaging, memory graphs, several
// layouts for several instances, a level grid and a mouse readout.
//
// Every draw pass is one frame of getTimerPeriod() ms: the display fetches the records of all
// instances from the core through its data source, advances its state and paints. Nothing is
// allocated per frame: every buffer is sized at construction.
//
// Source files: spectrum_display.cpp (setup, settings, memory, readout), spectrum_display_band.cpp
// (band path), spectrum_display_fft.cpp (FFT path), spectrum_display_grid.cpp (grid and labels).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controls/view.h"
#include "display/curve_table.h"
#include "display/display_axes.h"
#include "display/veil_painter.h"
#include "dsp/measurement_records.h"
#include "gui/color.h"

namespace qv {

class CDibView;
class CDrawContext;
class IDisplayDataSource;

class CSpectrumDisplay : public CView {
public:
    static constexpr std::uint32_t kBands = display::kBandCount;
    static constexpr std::uint32_t kBandExchangeBytes = 8192;
    static constexpr std::uint32_t kUnseenSequence = 0xFFFFFF;

    // barRect: x, y offset of the graph's lower-left corner in the view; width one bar; height
    // the graph height H. The data source defaults to the owner when it implements one.
    CSpectrumDisplay(CViewOwner* owner, std::uint32_t tag, const CRect& viewRect, const CRect& barRect,
                     std::uint32_t barGap, std::uint32_t maxInstances, std::uint32_t memorySlots,
                     std::uint32_t averageCapacity, std::int32_t curveSupport);
    ~CSpectrumDisplay() override;

    void onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) override;
    void onMouseUp(std::int32_t button, std::int32_t x, std::int32_t y) override;
    void onMouseMove(std::int32_t x, std::int32_t y, std::int32_t modifiers) override;
    void cancelMouse() override;
    void draw(CDrawState state) override;
    // A transparent view above asks for the area under it: painted even when nothing moved.
    void redrawArea(CRect area, CDrawState state) override;
    void setContainer(CViewContainer* viewContainer) override;

    // False when not measuring; else the frequency (Hz, -2000 outside any band or the axis) and
    // the level (dB, 100000 outside the graph) under the mouse.
    virtual bool getReadout(float& frequency, float& level) const;
    virtual void setInstantResponse(bool on) { instantResponse = on; }
    // A store requested in the other view is dropped.
    virtual void setFftMode(std::uint32_t mode);
    virtual std::uint32_t getFftMode() const { return fftMode; }
    virtual void setFftSizeIndex(std::uint32_t index) { fftSizeIndex = index; }
    virtual void setFftSmoothing(std::uint32_t on) { fftSmoothing = on; }
    virtual void setLastSequence(std::uint32_t instance, std::uint32_t sequence);
    virtual void setBandResolution(std::uint32_t resolution) { bandResolution = resolution; }
    // New bottom of the level range. With reset every level and peak starts there; without, only
    // values at or below the old bottom are raised to it.
    virtual void setLevelBottom(float db, bool reset);
    virtual void setLevelTop(float db) { levelTop = db; }
    virtual void setAttackRate(float dbPerSecond) { attackRate = dbPerSecond; }
    virtual void setReleaseRate(float dbPerSecond) { releaseRate = dbPerSecond; }
    virtual void setStaleTimeout(float ms) { staleTimeout = ms; }
    virtual void setCurveFill(bool on) { curveFill = on; }
    virtual void setSmoothingIndex(std::uint32_t index) { smoothingIndex = index; }
    virtual void setSlope(float dbPerOctave) { slope = dbPerOctave; }
    virtual void setFreqMin(float hz) { freqMin = hz; }
    virtual void setFreqMax(float hz) { freqMax = hz; }
    virtual void setShowPeaks(bool on) { showPeaks = on; }
    virtual void setShowLevels(bool on) { showLevels = on; }
    virtual void setPeakHoldEnabled(bool on) { peakHoldEnabled = on; }
    virtual void setPeakHoldTime(float seconds) { peakHoldTime = seconds; }
    virtual void setInstanceColor(std::uint32_t instance, float red, float green, float blue);
    // Red, green, blue, alpha of the active colour; zeros out of range.
    virtual std::array<float, 4> getInstanceColor(std::uint32_t instance) const;
    // On the table of the current mode (band or FFT): 1 delete, 3 recall (exclusive), 4 hide;
    // 2 store asks for a capture of the bars in band mode (the core keeps FFT memories itself).
    virtual void memoryAction(std::uint32_t instance, std::uint32_t slot, std::uint32_t action);
    // FFT table: action 2 shows this slot exclusively, any other hides it.
    virtual void memoryShow(std::uint32_t instance, std::uint32_t slot, std::uint32_t action);
    virtual void clearMemory(std::uint32_t instance, std::uint32_t slot);
    virtual void clearAllMemories();
    virtual void setMemoryRecord(std::uint32_t instance, std::uint32_t slot, const BandLevelRecord& record);
    virtual BandLevelRecord getMemoryRecord(std::uint32_t instance, std::uint32_t slot) const;
    virtual void setAverageEnabled(bool on) { averageEnabled = on; }
    // Above the capacity: 0 (off). Fill counts are lowered to the new length.
    virtual void setAverageFrames(std::uint32_t frames);
    virtual void reserved() {}
    // Computes the instance's average record; true when nothing was computed (no history
    // capacity, or nothing in it yet: the live values stay).
    virtual bool computeAverage(std::uint32_t instance);
    virtual void setAlignMode(std::uint32_t mode) { alignMode = mode; }
    virtual void drawFftMode(CDrawState state);

    void setDataSource(IDisplayDataSource* source) { dataSource = source; }
    // Graphs placed on screen in the last frame.
    std::uint32_t graphsOnScreen() const { return graphs; }
    // How often the FFT column table was built.
    std::uint32_t columnTableBuilds() const { return tableBuilds; }
    std::int32_t graphWidth() const { return graphW; }
    bool isUsable() const { return usable; }

    // ---- What the graph shows, for saving it as a picture and as numbers ----
    struct ShownColumn {
        enum class Kind : std::uint8_t { kLevel, kPeak, kMemory };
        std::uint32_t instance = 0;
        Kind kind = Kind::kLevel;
        std::uint32_t slot = 0;     // the memory slot of kMemory
        std::vector<float> values;  // dB per row; NaN where the graph has no point
    };
    struct ShownValues {
        std::vector<float> frequencies;    // Hz per row: the band centres, or the curve points
        std::vector<ShownColumn> columns;  // graph by graph in screen order
    };
    // The values of the last frame as painted: per instance on screen its level and peak, or the
    // memory recalled in their place (an FFT memory is asked of the core again).
    ShownValues shownValues();
    // The display's rectangle in window coordinates (rows count up from the bottom).
    CRect areaInWindow() const { return windowRect(); }
    CGuiWindow* window() const { return windowOf(); }
    // ---- Graph menu, note label and notices (spectrum_display_overlay.cpp) ----
    // A right press asks the owner for the graph's menu: the owner hears the display's tag with
    // force, during which takeMenuRequest answers the press point (container coordinates) once.
    bool takeMenuRequest(CPoint& at);
    // While the readout measures, a label beside the cursor names the note nearest to the
    // readout frequency.
    void setNoteNames(bool on) { noteNames = on; }
    bool getNoteNames() const { return noteNames; }
    // A line of text at the top of the graph for `ms` of refresh frames.
    void showNotice(const std::string& text, float ms = 3000.0f);
    // The note label and the notice as the last frame painted them; empty when not shown.
    const std::string& paintedNoteLabel() const { return graphOverlay.painted[0].text; }
    const std::string& paintedNotice() const { return graphOverlay.painted[1].text; }

protected:
    struct Instance {
        BandLevelRecord target{};   // last input after tilt (or the average)
        BandLevelRecord painted{};  // ballistic levels and peaks as last painted
        BandLevelRecord average{};
        std::array<float, kBands> holdMs{};
        std::uint32_t lastSequence = kUnseenSequence;
        float staleMs = 0.0f;
        bool resetDone = false;
        std::uint32_t writeIndex = 0;
        std::uint32_t fill = 0;
        std::int32_t position = -1;  // screen position this frame, -1 when not on screen
        std::uint32_t fftLastSequence = kUnseenSequence;
        float fftStaleMs = 0.0f;
        bool fftPresent = false;  // a record came this frame
        // Values the last taken record carried: its curves end there (a record without the
        // 20 kHz value has no point there).
        std::uint32_t fftValues = display::CCurveTable::kPoints;
        // Points over which level and peak stood still with no hold timer short of its limit: with the
        // same input and ballistics nothing moves until either changes; 0 when unsettled.
        std::uint32_t fftSettledPoints = 0;
        std::unique_ptr<CColor> colours[2];
        std::uint32_t activeColour = 0;
    };

    // Band path (spectrum_display_band.cpp).
    void drawBandMode(CDrawState state);
    bool fetchBands();
    void orderBands();
    void takeBandData(std::uint32_t i, const BandLevelRecord& record);
    void captureMemories();
    // Both return true when a value moved; held, when given, is set when a hold timer below its
    // limit ran.
    bool advanceBallistics(float* current, const float* target, std::size_t count) const;
    bool advancePeaks(float* current, const float* target, float* holdMs, std::size_t count, bool hold,
                      bool* held = nullptr) const;
    // Fills every fill of the bars (and blend switches) into barOps; true when they differ from
    // the last painted ones.
    bool layoutBars();
    void paintBars(CDrawContext& dc) const;
    void resetInstance(Instance& s);

    // FFT path (spectrum_display_fft.cpp).
    bool fetchCurves();
    void updateColumnTable(const CurveRecord* first);
    void takeCurve(std::uint32_t i, const CurveRecord& record);
    const MemoryCurveBlock* fetchMemoryCurve(std::uint32_t i);
    // Places every curve of this frame; true when a point moved by a pixel or a curve came,
    // went or changed its kind since the last frame.
    bool layoutCurves();
    void paintCurves(CDrawContext& dc);
    // Heights (pixels above the graph bottom) of one curve's points, from `levels` by the layout.
    void curveHeights(const float* levels, std::uint32_t valueCount, std::int32_t position, bool stacked,
                      std::int32_t* outX, std::int32_t* outY, std::uint32_t& outCount);
    void drawCurve(CDrawContext& dc, const std::int32_t* xs, const std::int32_t* ys, std::uint32_t count,
                   const CColor& pen);

    // Grid and labels (spectrum_display_grid.cpp).
    void drawBandStatic(CDrawContext& dc);
    void drawFftBackground();
    void drawLevelGrid(CDrawContext& dc, CPoint graph, bool fftStyle);
    void drawLevelLines(CDrawContext& dc, CPoint graph, std::int32_t base, std::int32_t height, std::int32_t step,
                        std::int32_t valueOffset, std::int32_t valueSpan, bool fftStyle, std::int32_t whiteEvery);
    void drawFftFrequencyGrid(CDrawContext& dc, CPoint graph);
    void drawStackRange(CDrawContext& dc, CPoint graph);

    // Shared.
    CPoint graphOrigin() const;  // window coordinates of the graph's lower-left corner
    std::uint32_t layoutCount() const { return graphs ? graphs : 1; }
    std::int32_t stripeHeight() const { return graphs ? graphH / static_cast<std::int32_t>(graphs) : graphH; }
    const CColor& colourOf(std::uint32_t i) const { return *instances[i].colours[instances[i].activeColour]; }
    float frameMs() const;
    bool configChanged();
    void readoutAt(std::int32_t x, std::int32_t y);
    CGuiWindow* windowOf() const;
    std::uint32_t slotIndex(std::uint32_t i, std::uint32_t s) const { return i * memorySlots + s; }
    // Shows one slot of an instance in the given table (band or FFT) and hides the others.
    void showExclusively(std::vector<std::uint8_t>& flags, std::uint32_t instance, std::uint32_t slot);
    // True when a setting that shapes the picture beyond the placed pixels changed since the
    // last frame painted.
    bool paintSettingsChanged();

    IDisplayDataSource* dataSource = nullptr;
    CRect barRect{};
    std::int32_t barGap = 0;
    std::int32_t graphW = 0;
    std::int32_t graphH = 0;
    std::uint32_t maxInstances = 0;
    std::uint32_t memorySlots = 0;
    std::uint32_t averageCapacity = 0;
    bool curveSupport = false;
    bool usable = false;

    // Configuration.
    std::uint32_t fftMode = 0;
    std::uint32_t bandResolution = 1;
    std::uint32_t fftSizeIndex = 3;
    float levelTop = 0.0f;
    float levelBottom = -90.0f;
    float levelFloor = -900.0f;
    float attackRate = 450.0f;
    float releaseRate = 100.0f;
    float staleTimeout = 200.0f;
    float slope = 3.0f;
    float peakHoldTime = 2.0f;
    bool peakHoldEnabled = true;
    bool showPeaks = true;
    bool showLevels = true;
    bool instantResponse = false;
    bool curveFill = true;
    std::uint32_t fftSmoothing = 1;
    std::uint32_t alignMode = 0;
    bool averageEnabled = false;
    std::uint32_t averageFrames = 0;
    std::uint32_t smoothingIndex = 0;
    float freqMin = 10.0f;
    float freqMax = 20000.0f;

    // Values of the last frame, to notice changes between frames.
    struct Drawn {
        float levelTop = 0.0f, levelBottom = 0.0f, freqMin = 0.0f, freqMax = 0.0f, sampleRate = 0.0f;
        std::uint32_t alignMode = 0, fftMode = 0, graphs = 0;
        bool valid = false;
    } drawn;
    std::uint32_t graphs = 0;
    bool backgroundDirty = true;
    bool repaintRequested = false;  // paint this frame even when nothing moved

    // What the last painted frame was made of, to skip frames that would paint the same pixels.
    struct PaintSettings {
        bool fill = false, showLevels = false, showPeaks = false;
        std::uint32_t alignMode = 0, fftMode = 0, colourGeneration = 0;
        bool operator==(const PaintSettings&) const = default;
    } paintedSettings;
    std::uint32_t colourGeneration = 0;  // counts colour changes

    // Graph menu, note label and notices (spectrum_display_overlay.cpp).
    struct OverlayText {
        std::string text;
        CRect rect{};
    };
    struct Overlay {
        bool menuRequested = false;
        CPoint menuPoint{};
        CPoint cursor{};  // graph coordinates of the last readout
        std::string notice;
        std::string fitted, fittedFrom;  // the notice cut to the graph's width, and what it was cut from
        float noticeMs = 0.0f;
        bool areaPass = false;  // a redrawArea: the notice's time does not run
        OverlayText wanted[2], painted[2];  // note label, notice
        std::unique_ptr<CColor> plate, ink;
    } graphOverlay;
    bool noteNames = false;
    // Before a frame: places this frame's overlay texts; when they differ from the painted ones
    // the frame paints the graph afresh beneath them.
    void planOverlays(CDrawState state);
    // After a frame: paints the overlay texts on their opaque plates (the same pixels every
    // frame, so a frame that painted nothing else may paint them again).
    void paintOverlays(CDrawState state);

    // Readout.
    bool measuring = false;
    float readFrequency = -2000.0f;
    float readLevel = 100000.0f;

    std::vector<Instance> instances;
    std::vector<std::int32_t> bandRecordOf;  // per instance: index into the band answer, -1 none
    std::vector<float> history;              // per instance: averageCapacity x 62 linear values
    // Per history entry: the band records it stands for (records the display did not see in
    // between, when they come faster than frames).
    std::vector<std::uint32_t> historySpan;
    std::vector<BandLevelRecord> memories;   // per instance and slot
    std::vector<std::uint8_t> storeRequested, shownBand, shownFft;
    alignas(8) std::array<std::uint8_t, kBandExchangeBytes> bandExchange{};
    std::array<std::uint8_t, sizeof(DataRequest) + sizeof(BandLevelRecord)> storeMessage{};
    // One fill of the bars; colour null switches blending: blend 1 on (alpha), 0 off.
    struct BarOp {
        CRect rect{};
        const CColor* colour = nullptr;
        std::int32_t blend = 0;
        float alpha = 1.0f;
    };
    std::vector<BarOp> barOps, paintedBarOps;
    std::size_t barOpCount = 0, paintedBarOpCount = 0;
    std::unique_ptr<CColor> background, slotColour, whiteFill, white, grey70, grey60, grey50;

    // FFT mode (with curve support).
    std::vector<std::uint8_t> curveExchange;  // 36576 bytes
    std::vector<std::uint8_t> memoryExchange;  // one MemoryCurveBlock
    display::CCurveTable table;
    std::uint32_t tableBuilds = 0;
    std::vector<std::int32_t> curveRecordOf;
    std::vector<float> fftInput, fftLevel, fftPeak, fftHold;  // per instance x CCurveTable::kPoints
    std::vector<std::int32_t> stackHeights;                    // per column, mode 1
    std::vector<std::int32_t> curveX, curveY;  // per instance x CCurveTable::kPoints: this frame's points
    std::vector<std::uint8_t> hasMemory;       // per instance: a recalled curve is painted this frame
    std::vector<std::int32_t> peakX, peakY;    // per instance x CCurveTable::kPoints: this frame's peaks
    std::vector<std::int32_t> paintedY, paintedPeakY;  // the same as last placed
    std::vector<std::uint32_t> curveCount, peakCount, curveOrder;
    std::vector<std::int32_t> paintedShape;  // per instance: position, counts, memory as last placed
    std::uint32_t shownCurves = 0;
    std::vector<std::uint8_t> curveMoved;  // per instance: its input, level or peak values moved this frame
    // What places curve points besides the values; while it stays, unmoved curves keep their points.
    struct CurveKey {
        float levelBottom = 0.0f, levelTop = 0.0f;
        std::uint32_t alignMode = 0, graphs = 0, tableBuilds = 0, smoothing = 0;
        bool showPeaks = false, valid = false;
        bool operator==(const CurveKey&) const = default;
    } curveKey;
    // The ballistics of the last FFT frame; a change unsettles every curve.
    struct BallisticsKey {
        float attack = 0.0f, release = 0.0f, bottom = 0.0f, frame = 0.0f, holdTime = 0.0f;
        bool instant = false, holdEnabled = false;
        bool operator==(const BallisticsKey&) const = default;
    } ballisticsKey;
    std::unique_ptr<CDibView> gridLayer;
    display::CVeilPainter veils;
};

}  // namespace qv
