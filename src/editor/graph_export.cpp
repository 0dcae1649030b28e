#include "editor/graph_export.h"

namespace qv {

std::string saveDisplayPicture(CSpectrumDisplay&, const std::string&) { return "Saving pictures is not available"; }

std::string saveDisplayData(CSpectrumDisplay&, const std::string&) { return "Saving data is not available"; }

}  // namespace qv
