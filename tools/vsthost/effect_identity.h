// Everything a host learns about an effect before it plays a note, gathered in one record and
// printed as "label: value" lines (the form tests and scripts read back).
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "host/vst_abi.h"

namespace qv::vsthost {

class HostedEffect;

struct ParameterInfo {
    std::string name, label, display;
};

struct EffectIdentity {
    std::string effectName, vendor, product;
    vst::VstInt32 uniqueId = 0;
    vst::VstIntPtr vendorVersion = 0, vstVersion = 0, category = 0;
    vst::VstInt32 flags = 0, version = 0, initialDelay = 0;
    int numInputs = 0, numOutputs = 0;
    std::vector<std::string> programs;
    std::vector<ParameterInfo> parameters;
    int numParams = 0;
    std::vector<std::pair<std::string, vst::VstIntPtr>> canDo;
    std::optional<vst::ERect> editorRect;
    bool hasChunk = false;  // the effect keeps its programs as chunks
    std::vector<std::uint8_t> chunk;
    // Texts the plug-in wrote past their standard buffer sizes, by opcode name.
    std::vector<std::string> overflows;
};

// The canDo strings the report asks every plug-in.
const std::vector<std::string>& commonCanDoStrings();

struct IdentityQuery {
    int maxParameters = 1000;
    // effEditGetRect before any editor is open. Plug-ins must answer it, but some that draw with
    // OpenGL crash without a display, so it is asked only on request.
    bool editorRect = false;
};

// Asks the effect everything above.
EffectIdentity gatherIdentity(HostedEffect& effect, const IdentityQuery& query = {});

// "j7p4 (0x6A377034)": the four characters (non-printable ones as '.') and the hex value.
std::string formatUniqueId(vst::VstInt32 id);
// Names of the flag bits that are set, for example "editor replacing chunks no-tail".
std::string formatFlags(vst::VstInt32 flags);

void printIdentity(const EffectIdentity& identity, std::ostream& out);

}  // namespace qv::vsthost
