// Saving what the graph shows: a PNG of the display area and a CSV of its numbers, written to a
// Quorvane folder in the user's documents folder as <instance name>-<yyyy-mm-dd-hhmmss>.png|.csv.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class CSpectrumDisplay;

// GUI thread. Each returns the text shown over the graph for a few seconds: the path written,
// or why nothing was written.
std::string saveDisplayPicture(CSpectrumDisplay& display, const std::string& instanceName);
std::string saveDisplayData(CSpectrumDisplay& display, const std::string& instanceName);

// The pieces of the above.
namespace graph_export {

// A file name any file system takes: no / \ : * ? " < > | or control characters (each becomes
// '_'), no "..", no leading or trailing dots or spaces, no reserved Windows device name (CON,
// PRN, AUX, NUL, COM1-9, LPT1-9, with any extension), at most 64 bytes cut at a character
// boundary; invalid UTF-8 bytes become '_'. Empty becomes "Quorvane".
std::string safeFileName(std::string_view name);

// The PNG of the display's area as the graph shows now, painted afresh without a popup over it;
// empty when the graph is not on screen.
std::vector<std::uint8_t> pictureOf(CSpectrumDisplay& display);

// The CSV of the graph: a header row ("Frequency (Hz)", then per graph its instance's name and
// what it is), then one row per frequency; numbers with two decimals and '.' in any locale.
// names: per instance number; an empty or missing name reads "Inst <number>".
std::string csvOf(CSpectrumDisplay& display, const std::vector<std::string>& names);

// Writes bytes as folder/stem.ext, or stem-2.ext, stem-3.ext, ... when that name is taken,
// making the folder first. Returns "Saved <path>" or why nothing was saved.
std::string writeExport(const std::string& folder, const std::string& stem, const char* extension,
                        const std::vector<std::uint8_t>& bytes);

}  // namespace graph_export

}  // namespace qv
