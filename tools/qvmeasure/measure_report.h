// What qvmeasure shows of a measurement: the 31 band levels as a bar chart on the terminal, and
// a picture of the bands and the FFT curve on the display's logarithmic axis.
#pragma once

#include <array>
#include <string>

#include "core/data_request.h"
#include "core/data_service_columns.h"
#include "dsp/algorithm.h"
#include "dsp/measurement_records.h"

namespace qv::measure {

// One line per band: centre frequency, level in dB and a bar from floorDb up.
std::string bandChart(const BandLevelRecord& bands, float floorDb);

// The three strongest peaks of the curve, with their frequencies.
std::string curvePeaks(const CurveRecord& curve, const CColumnMap& map);

// Draws the bands as bars and the curve as a line (both floorDb..0 dB) and writes a PNG.
using BandTable = std::array<ThirdOctaveBand, 31>;
bool writePicture(const std::string& path, const BandTable& table, const BandLevelRecord& bands,
                  const CurveRecord& curve, const CColumnMap& map, float floorDb, const std::string& title);

}  // namespace qv::measure
