#include "measure_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "gui/color.h"
#include "gui/draw_context.h"
#include "gui/png_writer.h"

namespace qv::measure {
namespace {

constexpr float kCentres[31] = {20,   25,   31.5f, 40,   50,   62,   80,    100,   125,   160,   200,
                                250,  315,  400,   500,  630,  800,  1000,  1250,  1600,  2000,  2500,
                                3150, 4000, 5000,  6300, 8000, 10000, 12500, 16000, 20000};

std::string formatHz(float hz) {
    char text[32];
    if (hz >= 1000.0f) {
        std::snprintf(text, sizeof(text), "%gk", static_cast<double>(hz) / 1000.0);
    } else {
        std::snprintf(text, sizeof(text), "%g", static_cast<double>(hz));
    }
    return text;
}

// x of a frequency on the display's axis, 10 Hz .. 20 kHz across width pixels.
float axisX(float hz, float width) {
    return width * std::log10(hz / kDisplayLowHz) / std::log10(kDisplayHighHz / kDisplayLowHz);
}

// The curve as (frequency, dB) points in display order.
std::vector<std::pair<float, float>> curvePoints(const CurveRecord& curve, const CColumnMap& map) {
    std::vector<std::pair<float, float>> points;
    if (!curve.valid) return points;
    if (curve.hasFirst) points.emplace_back(kDisplayLowHz, curve.values[0]);
    for (std::uint32_t k = 0; k < map.count() && k + 1 < curve.valueCount; ++k) {
        points.emplace_back(CColumnMap::columnFrequency(map.entries()[k].column), curve.values[k + 1]);
    }
    if (curve.hasLast && curve.valueCount > 0) points.emplace_back(kDisplayHighHz, curve.values[curve.valueCount - 1]);
    return points;
}

}  // namespace

std::string bandChart(const BandLevelRecord& bands, float floorDb) {
    std::string out;
    for (int b = 0; b < 31; ++b) {
        const float level = bands.levels[b];
        const int width = static_cast<int>(std::clamp((level - floorDb) / -floorDb, 0.0f, 1.0f) * 50.0f + 0.5f);
        char line[128];
        std::snprintf(line, sizeof(line), "%6s Hz %7.1f dB |%s\n", formatHz(kCentres[b]).c_str(), static_cast<double>(level),
                      std::string(static_cast<size_t>(width), '#').c_str());
        out += line;
    }
    return out;
}

std::string curvePeaks(const CurveRecord& curve, const CColumnMap& map) {
    auto points = curvePoints(curve, map);
    std::vector<std::pair<float, float>> peaks;
    for (size_t i = 1; i + 1 < points.size(); ++i) {
        if (points[i].second > points[i - 1].second && points[i].second >= points[i + 1].second) peaks.push_back(points[i]);
    }
    std::sort(peaks.begin(), peaks.end(), [](auto& a, auto& b) { return a.second > b.second; });
    std::string out;
    for (size_t i = 0; i < peaks.size() && i < 3; ++i) {
        char line[96];
        std::snprintf(line, sizeof(line), "  peak near %s Hz at %.1f dB\n", formatHz(std::round(peaks[i].first)).c_str(),
                      static_cast<double>(peaks[i].second));
        out += line;
    }
    return out;
}

bool writePicture(const std::string& path, const BandTable& table, const BandLevelRecord& bands, const CurveRecord& curve,
                  const CColumnMap& map, float floorDb, const std::string& title) {
    constexpr std::int32_t kWidth = 752, kHeight = 360, kLeft = 40, kBottom = 30, kTop = 30;
    constexpr std::int32_t plotW = kWidth - kLeft - 16, plotH = kHeight - kBottom - kTop;
    std::vector<std::uint32_t> pixels(static_cast<size_t>(kWidth) * kHeight, 0xFF000000u);
    PixelSurface surface{pixels.data(), kWidth, kHeight};
    CDrawContext dc(nullptr);
    dc.setSurface(surface);
    auto colour = [](float r, float g, float b, float a = 1.0f) { return CColor(nullptr, r, g, b, a, kColorPenAndBrush); };
    const CColor background = colour(0.10f, 0.11f, 0.12f), grid = colour(0.25f, 0.27f, 0.29f);
    const CColor text = colour(0.80f, 0.82f, 0.84f), bar = colour(0.20f, 0.45f, 0.75f, 0.85f), line = colour(1.0f, 0.60f, 0.15f);
    dc.fillRect(CRect{0, 0, kWidth, kHeight}, background);
    auto y = [&](float db) {
        return kBottom + static_cast<std::int32_t>(std::clamp((db - floorDb) / -floorDb, 0.0f, 1.0f) * static_cast<float>(plotH));
    };
    dc.setFont(1, 0, 11);
    for (float db = floorDb; db <= 0.0f; db += 10.0f) {
        dc.drawLineColored(CPoint{kLeft, y(db)}, CPoint{kLeft + plotW, y(db)}, grid);
        dc.drawText(std::to_string(static_cast<int>(db)).c_str(), CRect{0, y(db) - 6, kLeft - 4, 12}, text, kAlignRight);
    }
    for (float hz : {20.0f, 50.0f, 100.0f, 200.0f, 500.0f, 1000.0f, 2000.0f, 5000.0f, 10000.0f, 20000.0f}) {
        const auto x = kLeft + static_cast<std::int32_t>(axisX(hz, plotW));
        dc.drawLineColored(CPoint{x, kBottom}, CPoint{x, kBottom + plotH}, grid);
        dc.drawText(formatHz(hz).c_str(), CRect{x - 20, 8, 40, 14}, text, kAlignCenter);
    }
    // Third-octave bars between the band edges.
    for (int b = 0; b < 31; ++b) {
        const float lower = table[static_cast<size_t>(b)].lower, upper = table[static_cast<size_t>(b)].upper;
        const auto x0 = kLeft + static_cast<std::int32_t>(axisX(lower, plotW)) + 1;
        const auto x1 = kLeft + static_cast<std::int32_t>(axisX(upper, plotW)) - 1;
        const std::int32_t top = y(bands.levels[b]);
        if (x1 > x0 && top > kBottom) dc.fillRect(CRect{x0, kBottom, x1 - x0, top - kBottom}, bar);
    }
    auto points = curvePoints(curve, map);
    for (size_t i = 1; i < points.size(); ++i) {
        const CPoint a{kLeft + static_cast<std::int32_t>(axisX(points[i - 1].first, plotW)), y(points[i - 1].second)};
        const CPoint b{kLeft + static_cast<std::int32_t>(axisX(points[i].first, plotW)), y(points[i].second)};
        dc.drawLineColored(a, b, line);
    }
    dc.setFont(0, 0, 13);
    dc.drawText(title.c_str(), CRect{kLeft, kHeight - 22, plotW, 18}, text, kAlignLeft);
    return writePngFile(path, surface, PngAlpha::kOpaque);
}

}  // namespace qv::measure
