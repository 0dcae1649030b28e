// Saving the graph: file names any file system takes, the same-second suffix, a folder that
// cannot be made, the CSV read back against what the display holds (in a comma-decimal locale
// too), and the PNG read back at the display's size with its pixels.
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

// UTF-8 text to and from paths (wide on Windows).
fs::path pathOf(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }
std::string textOf(const fs::path& p) {
    const std::u8string text = p.u8string();
    return std::string(text.begin(), text.end());
}

std::string fileText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The path of a "Saved <path>" answer, else empty.
fs::path savedPath(const std::string& message) {
    return message.rfind("Saved ", 0) == 0 ? pathOf(message.substr(6)) : fs::path{};
}

struct TempFolder {
    fs::path path = fs::temp_directory_path() / ("qv-export-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    TempFolder() { fs::remove_all(path), fs::create_directories(path); }
    ~TempFolder() { fs::remove_all(path); }
};

TEST(SafeFileName, EveryFileSystemTakesIt) {
    const std::string x63(63, 'x');
    const std::pair<std::string, std::string> cases[] = {
        {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j"},
        {"tab\there\x01\x7f", "tab_here__"},
        {"a..b...c", "a.b.c"},
        {"../../etc/passwd", "_._etc_passwd"},
        {" .name. ", "name"},
        {"CON", "_CON"},
        {"con.txt", "_con.txt"},
        {"Com1.tar.gz", "_Com1.tar.gz"},
        {"LPT9", "_LPT9"},
        {"NUL .x", "_NUL .x"},
        {"aux", "_aux"},
        {"COM0", "COM0"},
        {"CONSOLE", "CONSOLE"},
        {"", "Quorvane"},
        {". . .", "Quorvane"},
        {"B\xC3\xA4sse \xE4\xBD\x8E\xE9\x9F\xB3", "B\xC3\xA4sse \xE4\xBD\x8E\xE9\x9F\xB3"},
        {"a\xFF" "b\xC0\xAF" "c\xED\xA0\x80", "a_b__c___"},
        {std::string(100, 'y'), std::string(64, 'y')},
        {x63 + "\xC3\xA9z", x63},       // cut before a character that no longer fits
        {x63 + " yyyy", x63},           // and a trailing space left by the cut goes
    };
    for (const auto& [name, safe] : cases) EXPECT_EQ(safeFileName(name), safe) << name;
}

TEST(WriteExport, SameSecondGetsASuffixAndNothingIsOverwritten) {
    TempFolder temp;
    const std::string folder = textOf(temp.path / "Quorvane");
    const std::string sep = (fs::path("a") / "b").string().substr(1, 1);
    std::vector<std::string> messages;
    for (std::uint8_t k = 1; k <= 3; ++k) messages.push_back(writeExport(folder, "Bass-2026-01-02-030405", ".csv", {k}));
    const std::string base = folder + sep + "Bass-2026-01-02-030405";
    EXPECT_EQ(messages[0], "Saved " + base + ".csv");
    EXPECT_EQ(messages[1], "Saved " + base + "-2.csv");
    EXPECT_EQ(messages[2], "Saved " + base + "-3.csv");
    EXPECT_EQ(fileText(pathOf(base + ".csv")), "\x01");
    EXPECT_EQ(fileText(pathOf(base + "-3.csv")), "\x03");

    // A folder that cannot be made (a file stands in its path): a reason, and no file anywhere.
    std::ofstream(temp.path / "file") << "keep";
    const std::string blocked = textOf(temp.path / "file" / "Quorvane");
    const std::string message = writeExport(blocked, "Bass", ".png", {1, 2, 3});
    EXPECT_EQ(message.rfind("Not saved: the folder " + blocked + " could not be made (", 0), 0u) << message;
    EXPECT_EQ(fileText(temp.path / "file"), "keep");
    EXPECT_EQ(writeExport("", "Bass", ".png", {1}), "Not saved: no documents folder was found");
}

// A numeric facet that writes 1.234,5: what a host in a German locale may set for the process.
struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

std::vector<std::string> splitCsvLine(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t k = 0; k < line.size(); ++k) {
        const char c = line[k];
        if (quoted && c == '"' && k + 1 < line.size() && line[k + 1] == '"') fields.back() += '"', ++k;
        else if (c == '"') quoted = !quoted;
        else if (c == ',' && !quoted) fields.emplace_back();
        else fields.back() += c;
    }
    return fields;
}

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
    // The CSV parsed back: header fields, then per row the frequency and every cell (NaN empty).
    void parse(const std::string& csv, std::vector<std::string>& header, std::vector<std::vector<double>>& rows) {
        std::istringstream in(csv);
        in.imbue(std::locale::classic());
        std::string line;
        ASSERT_TRUE(std::getline(in, line) && !line.empty() && line.back() == '\r');
        line.pop_back();
        header = splitCsvLine(line);
        while (std::getline(in, line)) {
            ASSERT_EQ(line.back(), '\r');
            line.pop_back();
            auto& row = rows.emplace_back();
            for (const std::string& f : splitCsvLine(line)) {
                ASSERT_TRUE(f.empty() || f.find('.') == f.size() - 3) << f;  // two decimals after '.'
                double v = NAN;
                if (!f.empty()) std::from_chars(f.data(), f.data() + f.size(), v);  // '.' in any locale
                row.push_back(v);
            }
        }
    }
    // Every cell equals the display's value to two decimals.
    void expectHeld(const std::vector<std::vector<double>>& rows) {
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
    std::locale previous;
};

TEST_P(CsvRoundTrip, BandViewLevelsPeaksAndARecalledMemory) {
    owner.bands = {bandRecord(0, 1, -30.126f, -4.5f), bandRecord(1, 1, -20.0f, -10.0f), bandRecord(2, 1, -1, -1, 1)};
    BandLevelRecord memory = bandRecord(1, 0, -1234.4f, -1234.4f);
    for (std::uint32_t b = 0; b < 31; ++b) memory.levels[b] = -12.344f - static_cast<float>(b);
    display->setMemoryRecord(1, 2, memory);
    display->memoryAction(1, 2, 3);
    frame();
    std::vector<std::string> header;
    std::vector<std::vector<double>> rows;
    parse(csvOf(*display, {"Kick \"DI\", left", ""}), header, rows);
    // Instance 2 is hidden: no graph, no column.
    EXPECT_EQ(header, (std::vector<std::string>{"Frequency (Hz)", "Kick \"DI\", left level (dB)",
                                                "Kick \"DI\", left peak (dB)", "Inst 2 memory 3 (dB)"}));
    ASSERT_EQ(rows.size(), 31u);
    EXPECT_EQ(rows[0], (std::vector<double>{20.0, -30.13, -4.5, -12.34}));
    EXPECT_EQ(rows[30], (std::vector<double>{20000.0, -30.13, -4.5, -42.34}));
    expectHeld(rows);

    display->setShowPeaks(false);
    rows.clear();
    parse(csvOf(*display, {}), header, rows);
    EXPECT_EQ(header, (std::vector<std::string>{"Frequency (Hz)", "Inst 1 level (dB)", "Inst 2 memory 3 (dB)"}));
}

TEST_P(CsvRoundTrip, FftViewCurvesEndWhereTheirRecordsEnd) {
    display->setFftMode(1);
    owner.curves = {curveRecord(0, 1, -40.257f)};
    frame();
    std::vector<std::string> header;
    std::vector<std::vector<double>> rows;
    parse(csvOf(*display, {"Bus"}), header, rows);
    EXPECT_EQ(header, (std::vector<std::string>{"Frequency (Hz)", "Bus level (dB)", "Bus peak (dB)"}));
    ASSERT_GT(rows.size(), 100u);
    EXPECT_EQ(rows.front(), (std::vector<double>{10.0, -40.26, -40.26}));
    // The record has no 20 kHz value: that row stands with empty cells.
    EXPECT_EQ(rows.back()[0], 20000.0);
    EXPECT_TRUE(std::isnan(rows.back()[1]) && std::isnan(rows.back()[2]));
    for (std::size_t r = 1; r < rows.size(); ++r) EXPECT_GE(rows[r][0], rows[r - 1][0]) << r;
    expectHeld(rows);
}

INSTANTIATE_TEST_SUITE_P(Locales, CsvRoundTrip, ::testing::Values(false, true));

using PictureExport = DisplayTest;

TEST_F(PictureExport, PngHoldsTheDisplayAreaAtItsSize) {
    owner.bands = {bandRecord(0, 1, -30.0f, -20.0f)};
    frame();
    const std::string message = saveDisplayPicture(*display, "Pic/ture");
    const fs::path path = savedPath(message);
    ASSERT_FALSE(path.empty()) << message;
    EXPECT_EQ(textOf(path.filename()).rfind("Pic_ture-20", 0), 0u) << path;
    EXPECT_EQ(path.parent_path().filename(), "Quorvane");
    const std::string bytes = fileText(path);
    fs::remove(path);
    DecodedImage image;
    ASSERT_TRUE(decodePng(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), image));
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
