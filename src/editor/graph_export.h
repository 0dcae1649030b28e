// Saving what the graph shows: a PNG of the display area and a CSV of its numbers, written to a
// Quorvane folder in the user's documents folder as <instance name>-<yyyy-mm-dd-hhmmss>.png|.csv.
#pragma once

#include <string>

namespace qv {

class CSpectrumDisplay;

// GUI thread. Each returns the text shown over the graph for a few seconds: the path written,
// or why nothing was written.
std::string saveDisplayPicture(CSpectrumDisplay& display, const std::string& instanceName);
std::string saveDisplayData(CSpectrumDisplay& display, const std::string& instanceName);

}  // namespace qv
