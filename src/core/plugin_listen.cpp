// Listening to one band: the editor's request, handed to the audio path.
#include "core/plugin.h"

namespace qv {

void CPlugin::listenToBand(float) {}

void CPlugin::stopListening() {}

bool CPlugin::isListening() const { return false; }

}  // namespace qv
