#include "editor/graph_export.h"

#include <algorithm>
#include <cmath>

#include "controls/text_edit.h"
#include "display/spectrum_display.h"
#include "editor/analyzer_editor.h"
#include "gui/gui_window.h"
#include "gui/png_writer.h"
#include "gui/rect_math.h"
#include "platform/user_files.h"

namespace qv {

namespace graph_export {

namespace {

constexpr std::size_t kMaxNameBytes = 64;
// Same-second saves beyond this many give up rather than search on.
constexpr int kMaxSuffix = 999;

// Length of the valid UTF-8 sequence at s[at], or 0 when the bytes there are not one.
std::size_t utf8Length(std::string_view s, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    std::size_t n = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (n == 0 || at + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(at + k) & 0xC0) != 0x80) return 0;
    }
    const unsigned char second = byte(at + 1);
    // Overlong forms, UTF-16 surrogates and code points above U+10FFFF.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second > 0x8F))
        return 0;
    return n;
}

bool isReservedDevice(std::string_view name) {
    // The part before the first dot, without trailing spaces, is what Windows compares.
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
    std::string upper(stem);
    for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
    return upper.size() == 4 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) &&
           upper[3] >= '1' && upper[3] <= '9';
}

void trimDotsAndSpaces(std::string& s) {
    const std::size_t first = s.find_first_not_of(". ");
    if (first == std::string::npos) {
        s.clear();
        return;
    }
    s.erase(0, first);
    s.erase(s.find_last_not_of(". ") + 1);
}

// x with two decimals and '.', whatever the locale; "-0.00" reads "0.00".
void appendHundredths(std::string& out, double x) {
    if (!std::isfinite(x)) return;  // an empty cell
    const long long v = std::llround(std::clamp(x, -1e12, 1e12) * 100.0);
    const unsigned long long a = static_cast<unsigned long long>(v < 0 ? -v : v);
    if (v < 0) out += '-';
    out += std::to_string(a / 100);
    out += '.';
    out += static_cast<char>('0' + a / 10 % 10);
    out += static_cast<char>('0' + a % 10);
}

void appendField(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void appendTwoDigits(std::string& out, int v) {
    out += static_cast<char>('0' + v / 10 % 10);
    out += static_cast<char>('0' + v % 10);
}

// yyyy-mm-dd-hhmmss in local time.
std::string timestamp() {
    const platform::LocalTime t = platform::localTimeNow();
    std::string out = std::to_string(t.year);
    for (const int v : {t.month, t.day}) {
        out += '-';
        appendTwoDigits(out, v);
    }
    out += '-';
    for (const int v : {t.hour, t.minute, t.second}) appendTwoDigits(out, v);
    return out;
}

}  // namespace

std::string safeFileName(std::string_view name) {
    std::string out;
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t n = utf8Length(name, at);
        const char c = name[at];
        const bool forbidden = n == 0 || (n == 1 && (static_cast<unsigned char>(c) < 0x20 || c == 0x7F ||
                                                     std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos));
        if (forbidden) {
            out += '_';
            at += 1;
            continue;
        }
        // A cut name ends on a whole character.
        if (out.size() + n > kMaxNameBytes) break;
        out.append(name.substr(at, n));
        at += n;
    }
    for (std::size_t dots; (dots = out.find("..")) != std::string::npos;) out.erase(dots, 1);
    trimDotsAndSpaces(out);
    if (out.empty()) return "Quorvane";
    if (isReservedDevice(out)) out = '_' + out;
    return out;
}

std::vector<std::uint8_t> pictureOf(CSpectrumDisplay& display) {
    CGuiWindow* window = display.window();
    if (!window || !window->isOpen() || !display.isUsable()) return {};
    if (!window->isInDrawPass()) {
        // The whole page painted again without a popup over it: the picture is the graph alone.
        const bool overlay = window->isOverlayEnabled();
        window->setOverlayEnabled(false);
        CDrawState state;
        state.redrawAll = 1;
        window->drawPass(state);
        window->setOverlayEnabled(overlay);
    }
    const PixelSurface buffer = window->getBackBuffer();
    const CRect area = rectIntersection(display.areaInWindow(), CRect{0, 0, buffer.width, buffer.height});
    if (!buffer.isValid() || area.width <= 0 || area.height <= 0) return {};
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(area.width) * static_cast<std::size_t>(area.height));
    for (std::int32_t y = 0; y < area.height; ++y)
        std::copy_n(buffer.row(area.y + y) + area.x, area.width, pixels.data() + static_cast<std::size_t>(y) * area.width);
    return encodePng(PixelSurface{pixels.data(), area.width, area.height});
}

std::string csvOf(CSpectrumDisplay& display, const std::vector<std::string>& names) {
    const CSpectrumDisplay::ShownValues shown = display.shownValues();
    std::string out;
    appendField(out, "Frequency (Hz)");
    for (const CSpectrumDisplay::ShownColumn& c : shown.columns) {
        std::string label = c.instance < names.size() && !names[c.instance].empty() ? names[c.instance]
                                                                                    : "Inst " + std::to_string(c.instance + 1);
        using Kind = CSpectrumDisplay::ShownColumn::Kind;
        label += c.kind == Kind::kLevel ? " level (dB)"
                 : c.kind == Kind::kPeak ? " peak (dB)"
                                         : " memory " + std::to_string(c.slot + 1) + " (dB)";
        out += ',';
        appendField(out, label);
    }
    out += "\r\n";
    for (std::size_t row = 0; row < shown.frequencies.size(); ++row) {
        appendHundredths(out, shown.frequencies[row]);
        for (const CSpectrumDisplay::ShownColumn& c : shown.columns) {
            out += ',';
            appendHundredths(out, c.values[row]);
        }
        out += "\r\n";
    }
    return out;
}

std::string writeExport(const std::string& folder, const std::string& stem, const char* extension,
                        const std::vector<std::uint8_t>& bytes) {
    std::string reason;
    if (folder.empty()) return "Not saved: no documents folder was found";
    if (!platform::makeFolders(folder, reason)) return "Not saved: the folder " + folder + " could not be made (" + reason + ")";
    for (int k = 1; k <= kMaxSuffix; ++k) {
        std::string path = folder;
        path += platform::pathSeparator();
        path += stem;
        if (k > 1) path += '-' + std::to_string(k);
        path += extension;
        switch (platform::writeNewFile(path, bytes.data(), bytes.size(), reason)) {
            case platform::NewFile::kWritten: return "Saved " + path;
            case platform::NewFile::kExists: continue;
            case platform::NewFile::kFailed: return "Not saved: " + path + " could not be written (" + reason + ")";
        }
    }
    return "Not saved: too many files of that name in " + folder;
}

}  // namespace graph_export

namespace {

std::string exportFolder() {
    const std::string documents = platform::documentsFolder();
    return documents.empty() ? documents : documents + platform::pathSeparator() + "Quorvane";
}

std::string fileStem(const std::string& instanceName) {
    return graph_export::safeFileName(instanceName) + "-" + graph_export::timestamp();
}

}  // namespace

std::string saveDisplayPicture(CSpectrumDisplay& display, const std::string& instanceName) {
    const std::vector<std::uint8_t> png = graph_export::pictureOf(display);
    if (png.empty()) return "Not saved: the graph is not on screen";
    return graph_export::writeExport(exportFolder(), fileStem(instanceName), ".png", png);
}

std::string saveDisplayData(CSpectrumDisplay& display, const std::string& instanceName) {
    std::vector<std::string> names;
    if (const auto* editor = dynamic_cast<const CAnalyzerEditor*>(display.getOwner())) {
        for (const CTextEdit* field : editor->controls().names) names.push_back(field ? field->getText() : std::string{});
    }
    const std::string csv = graph_export::csvOf(display, names);
    return graph_export::writeExport(exportFolder(), fileStem(instanceName), ".csv",
                                     std::vector<std::uint8_t>(csv.begin(), csv.end()));
}

}  // namespace qv
