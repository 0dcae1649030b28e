// Saving the graph: file names any file system takes, the same-second suffix, a folder that
// cannot be made, the CSV read back against what the display holds (in a comma-decimal locale
// too), and the picture read back at the display's size with its pixels.
#include <charconv>
#include <clocale>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <locale>
#include <sstream>

#include "editor/graph_export.h"
#include "gui/png_reader.h"
#include "unit/display/display_fixture.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;
using namespace graph_export;

std::string textOf(const fs::path& p) {
    const std::u8string text = p.u8string();
    return std::string(text.begin(), text.end());
}

std::string fileText(const std::string& path) {
    std::ifstream in(fs::path(std::u8string(path.begin(), path.end())), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(SafeFileName, EveryFileSystemTakesIt) {
    const std::string x63(63, 'x');
    const std::pair<std::string, std::string> cases[] = {
        {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j"}, {"tab\there\x01\x7f", "tab_here__"},
        {"a..b...c", "a.b.c"}, {"../../etc/passwd", "_._etc_passwd"}, {" .name. ", "name"},
        {"CON", "_CON"}, {"con.txt", "_con.txt"}, {"Com1.tar.gz", "_Com1.tar.gz"}, {"LPT9", "_LPT9"},
        {"NUL .x", "_NUL .x"}, {"aux", "_aux"}, {"COM0", "COM0"}, {"CONSOLE", "CONSOLE"},
        {"", "Quorvane"}, {". . .", "Quorvane"},
        {"B\xC3\xA4sse \xE4\xBD\x8E", "B\xC3\xA4sse \xE4\xBD\x8E"}, {"a\xFF" "b\xC0\xAF" "c\xED\xA0\x80", "a_b__c___"},
        {std::string(100, 'y'), std::string(64, 'y')},
        {x63 + "\xC3\xA9z", x63},  // cut before a character that no longer fits
        {x63 + " yyyy", x63},      // and a trailing space left by the cut goes
    };
    for (const auto& [name, safe] : cases) EXPECT_EQ(safeFileName(name), safe) << name;
}

TEST(WriteExport, SameSecondGetsASuffixAndNothingIsOverwritten) {
    const fs::path temp = fs::temp_directory_path() / "qv-export-test";
    fs::remove_all(temp);
    const std::string base = textOf(temp / "Quorvane" / "Bass-2026-01-02-030405");
    for (std::uint8_t k = 1; k <= 3; ++k) {
        std::string path = base;
        if (k > 1) path += '-' + std::to_string(k);
        path += ".csv";
        EXPECT_EQ(writeExport(textOf(temp / "Quorvane"), "Bass-2026-01-02-030405", ".csv", {k}), "Saved " + path);
        EXPECT_EQ(fileText(base + ".csv"), "\x01");
    }
    // A folder that cannot be made (a file stands in its path): a reason, and no file anywhere.
    std::ofstream(temp / "file") << "keep";
    const std::string blocked = textOf(temp / "file" / "Quorvane");
    const std::string message = writeExport(blocked, "Bass", ".png", {1, 2, 3});
    EXPECT_EQ(message.rfind("Not saved: the folder " + blocked + " could not be made (", 0), 0u) << message;
    EXPECT_EQ(fileText(textOf(temp / "file")), "keep");
    fs::remove_all(temp);
}

// A numeric facet that writes 1.234,5: what a host in a German locale may set for the process.
struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

class CsvRoundTrip : public DisplayTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        if (GetParam()) {
            previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
            std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // the C locale too, where one is installed
        }
        display->setInstantResponse(true);
    }
    void TearDown() override {
        if (GetParam()) std::locale::global(previous), std::setlocale(LC_NUMERIC, "C");
    }
    // Parses the CSV into its header line and rows (NaN for an empty cell) and checks every cell
    // against what the display holds, to two decimals.
    void parse(const std::vector<std::string>& names) {
        std::istringstream in(csvOf(*display, names));
        std::string line;
        rows.clear();
        for (bool first = true; std::getline(in, line); first = false) {
            ASSERT_EQ(line.back(), '\r');
            line.pop_back();
            if (first) {
                header = line;
                continue;
            }
            auto& row = rows.emplace_back();
            std::istringstream cells(line);
            for (std::string f; std::getline(cells, f, ',');) {
                ASSERT_TRUE(f.empty() || f.find('.') == f.size() - 3) << f;  // two decimals after '.'
                double v = NAN;
                if (!f.empty()) std::from_chars(f.data(), f.data() + f.size(), v);
                row.push_back(v);
            }
            if (line.back() == ',') row.push_back(NAN);
        }
        const CSpectrumDisplay::ShownValues held = display->shownValues();
        ASSERT_EQ(rows.size(), held.frequencies.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            ASSERT_EQ(rows[r].size(), held.columns.size() + 1);
            EXPECT_NEAR(rows[r][0], held.frequencies[r], 0.0051) << r;
            for (std::size_t c = 0; c < held.columns.size(); ++c) {
                const float v = held.columns[c].values[r];
                if (std::isnan(v)) EXPECT_TRUE(std::isnan(rows[r][c + 1])) << r << "," << c;
                else EXPECT_NEAR(rows[r][c + 1], v, 0.0051) << r << "," << c;
            }
        }
    }
    std::string header;
    std::vector<std::vector<double>> rows;
    std::locale previous;
};

TEST_P(CsvRoundTrip, BandViewLevelsPeaksAndARecalledMemory) {
    owner.bands = {bandRecord(0, 1, -30.126f, -4.5f), bandRecord(1, 1, -20.0f, -10.0f), bandRecord(2, 1, -1, -1, 1)};
    BandLevelRecord memory = bandRecord(1, 0, 0, 0);
    for (std::uint32_t b = 0; b < 31; ++b) memory.levels[b] = -12.344f - static_cast<float>(b);
    display->setMemoryRecord(1, 2, memory);
    display->memoryAction(1, 2, 3);
    frame();
    parse({"Kick \"DI\", left", ""});
    // Instance 3 is hidden: no graph, no column.
    EXPECT_EQ(header, R"c("Frequency (Hz)","Kick ""DI"", left level (dB)","Kick ""DI"", left peak (dB)",)c"
                      R"c("Inst 2 memory 3 (dB)")c");
    ASSERT_EQ(rows.size(), 31u);
    EXPECT_EQ(rows[0], (std::vector<double>{20.0, -30.13, -4.5, -12.34}));
    EXPECT_EQ(rows[30], (std::vector<double>{20000.0, -30.13, -4.5, -42.34}));
    display->setShowPeaks(false);
    parse({});
    EXPECT_EQ(header, R"c("Frequency (Hz)","Inst 1 level (dB)","Inst 2 memory 3 (dB)")c");
}

TEST_P(CsvRoundTrip, FftViewCurvesEndWhereTheirRecordsEnd) {
    display->setFftMode(1);
    owner.curves = {curveRecord(0, 1, -40.257f)};
    frame();
    parse({"Bus"});
    EXPECT_EQ(header, R"c("Frequency (Hz)","Bus level (dB)","Bus peak (dB)")c");
    ASSERT_GT(rows.size(), 100u);
    EXPECT_EQ(rows.front(), (std::vector<double>{10.0, -40.26, -40.26}));
    // The record has no 20 kHz value: that row stands with empty cells.
    EXPECT_EQ(rows.back()[0], 20000.0);
    EXPECT_TRUE(std::isnan(rows.back()[1]) && std::isnan(rows.back()[2]));
}

INSTANTIATE_TEST_SUITE_P(Locales, CsvRoundTrip, ::testing::Values(false, true));

using Picture = DisplayTest;

// A popup drawn over the whole window, as the drawn menus are.
struct Cover : CView {
    explicit Cover(CGuiWindow* w) : CView(nullptr, 0), window(w) {}
    void draw(CDrawState) override {
        const PixelSurface s = window->getBackBuffer();
        std::fill_n(s.bits, s.width * s.height, 0xFF00FF00u);
    }
    CGuiWindow* window;
};

TEST_F(Picture, HoldsTheDisplayAreaAtItsSizeWithoutAPopup) {
    owner.bands = {bandRecord(0, 1, -30.0f, -20.0f)};
    Cover cover(window);
    window->setOverlayView(&cover), window->setOverlayEnabled(true);
    frame();
    const std::vector<std::uint8_t> png = pictureOf(*display);
    EXPECT_TRUE(window->isOverlayEnabled());
    window->setOverlayView(nullptr);
    DecodedImage image;
    ASSERT_TRUE(decodePng(png.data(), png.size(), image));
    ASSERT_EQ(image.width, 620);
    ASSERT_EQ(image.height, 290);
    // The reader premultiplies opaque colours too: c * 255 >> 8.
    const auto opaque = [](std::uint32_t p) {
        std::uint32_t out = 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8) out |= ((p >> shift & 0xFFu) * 255u >> 8) << shift;
        return out;
    };
    const std::vector<std::uint32_t> shown = area(CRect{15, 15, 620, 290});
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), image.pixels.get(),
                           [&](std::uint32_t a, std::uint32_t b) { return opaque(a) == b; }));
    // A bar of the graph is in the picture.
    EXPECT_EQ(image.pixels[static_cast<std::size_t>(kGraphY - 15 + 5) * 620 + (kGraphX - 15 + 1)], opaque(colourPixel(0)));
}

}  // namespace
}  // namespace qv::test
