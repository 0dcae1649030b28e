#include "vsthost/effect_identity.h"

#include <algorithm>
#include <cstdio>

#include "vsthost/hosted_effect.h"

namespace qv::vsthost {

const std::vector<std::string>& commonCanDoStrings() {
    static const std::vector<std::string> strings = {
        "sendVstEvents",     "sendVstMidiEvent", "receiveVstEvents", "receiveVstMidiEvent",
        "receiveVstTimeInfo", "offline",         "midiProgramNames", "bypass",
    };
    return strings;
}

EffectIdentity gatherIdentity(HostedEffect& effect, const IdentityQuery& query) {
    EffectIdentity id;
    auto keep = [&id](const TextAnswer& answer, const char* what) {
        if (answer.overflow) id.overflows.emplace_back(what);
        return answer.text;
    };
    id.effectName = keep(effect.effectName(), "effGetEffectName");
    id.vendor = keep(effect.vendorString(), "effGetVendorString");
    id.product = keep(effect.productString(), "effGetProductString");
    id.uniqueId = effect.uniqueId();
    id.vendorVersion = effect.vendorVersion();
    id.vstVersion = effect.vstVersion();
    id.category = effect.category();
    id.flags = effect.flags();
    id.version = effect.version();
    id.initialDelay = effect.initialDelay();
    id.numInputs = effect.numInputs();
    id.numOutputs = effect.numOutputs();
    for (int p = 0; p < std::min(effect.numPrograms(), 1000); ++p) {
        id.programs.push_back(keep(effect.programNameIndexed(p), "effGetProgramNameIndexed"));
    }
    id.numParams = effect.numParams();
    for (int p = 0; p < std::min(id.numParams, query.maxParameters); ++p) {
        ParameterInfo info;
        info.name = keep(effect.parameterName(p), "effGetParamName");
        info.label = keep(effect.parameterLabel(p), "effGetParamLabel");
        info.display = keep(effect.parameterDisplay(p), "effGetParamDisplay");
        id.parameters.push_back(std::move(info));
    }
    for (const std::string& question : commonCanDoStrings()) {
        id.canDo.emplace_back(question, effect.canDo(question.c_str()));
    }
    if (query.editorRect && (id.flags & vst::effFlagsHasEditor)) id.editorRect = effect.editorRect();
    id.hasChunk = (id.flags & vst::effFlagsProgramChunks) != 0;
    if (id.hasChunk) id.chunk = effect.chunk();
    std::sort(id.overflows.begin(), id.overflows.end());
    id.overflows.erase(std::unique(id.overflows.begin(), id.overflows.end()), id.overflows.end());
    return id;
}

std::string formatUniqueId(vst::VstInt32 id) {
    const auto u = static_cast<std::uint32_t>(id);
    char text[32];
    char chars[5];
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<unsigned char>(u >> (24 - 8 * i));
        chars[i] = c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '.';
    }
    chars[4] = '\0';
    std::snprintf(text, sizeof text, "%s (0x%08X)", chars, u);
    return text;
}

std::string formatFlags(vst::VstInt32 flags) {
    static const std::pair<vst::VstInt32, const char*> names[] = {
        {vst::effFlagsHasEditor, "editor"},      {vst::effFlagsCanReplacing, "replacing"},
        {vst::effFlagsProgramChunks, "chunks"},  {vst::effFlagsIsSynth, "synth"},
        {vst::effFlagsNoSoundInStop, "no-tail"}, {vst::effFlagsCanDoubleReplacing, "double"},
    };
    std::string out;
    vst::VstInt32 known = 0;
    for (const auto& [bit, name] : names) {
        known |= bit;
        if (flags & bit) out += out.empty() ? name : std::string(" ") + name;
    }
    if (flags & ~known) out += out.empty() ? "other" : " other";
    return out;
}

namespace {

const char* categoryName(vst::VstIntPtr category) {
    static const char* const names[] = {"unknown",  "effect",    "synth",    "analysis",  "mastering",  "spacializer",
                                        "room fx",  "surround",  "restoration", "offline", "shell", "generator"};
    return category >= 0 && category < 12 ? names[category] : "invalid";
}

std::string hexBytes(const std::vector<std::uint8_t>& bytes, std::size_t count) {
    std::string out;
    char hex[4];
    for (std::size_t i = 0; i < std::min(count, bytes.size()); ++i) {
        std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
        if (!out.empty()) out += ' ';
        out += hex;
    }
    return out;
}

}  // namespace

void printIdentity(const EffectIdentity& id, std::ostream& out) {
    out << "effect name: " << id.effectName << '\n';
    out << "vendor: " << id.vendor << '\n';
    out << "product: " << id.product << '\n';
    out << "unique id: " << formatUniqueId(id.uniqueId) << '\n';
    out << "vendor version: " << id.vendorVersion << '\n';
    out << "VST version: " << id.vstVersion << '\n';
    out << "category: " << id.category << " (" << categoryName(id.category) << ")\n";
    out << "flags: " << id.flags << " (" << formatFlags(id.flags) << ")\n";
    out << "effect version: " << id.version << '\n';
    out << "inputs: " << id.numInputs << '\n';
    out << "outputs: " << id.numOutputs << '\n';
    out << "initial delay: " << id.initialDelay << '\n';
    out << "programs: " << id.programs.size() << '\n';
    for (std::size_t p = 0; p < id.programs.size(); ++p) out << "program " << p << ": " << id.programs[p] << '\n';
    out << "parameters: " << id.numParams << '\n';
    for (std::size_t p = 0; p < id.parameters.size(); ++p) {
        const ParameterInfo& info = id.parameters[p];
        out << "parameter " << p << ": " << info.name << " = " << info.display;
        if (!info.label.empty()) out << ' ' << info.label;
        out << '\n';
    }
    out << "canDo:";
    for (const auto& [question, answer] : id.canDo) out << ' ' << question << '=' << answer;
    out << '\n';
    if (id.editorRect) {
        const vst::ERect& r = *id.editorRect;
        out << "editor size: " << (r.right - r.left) << " x " << (r.bottom - r.top) << '\n';
    }
    if (id.hasChunk) {
        out << "chunk: " << id.chunk.size() << " bytes";
        if (!id.chunk.empty()) out << ": " << hexBytes(id.chunk, 16);
        out << '\n';
    } else {
        out << "chunk: none\n";
    }
    for (const std::string& what : id.overflows) out << "warning: " << what << " wrote past the standard buffer size\n";
}

}  // namespace qv::vsthost
