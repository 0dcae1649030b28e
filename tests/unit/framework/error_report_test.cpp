#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "framework/error_report.h"

namespace {

std::string g_title, g_text;
void capture(const char* title, const char* text) {
    g_title = title;
    g_text = text;
}

struct CaptureSink {
    qv::MessageSink previous = qv::setMessageSink(&capture);
    ~CaptureSink() { qv::setMessageSink(previous); }
};

TEST(ErrorReport, ShowsCodeTextDetailAndSupportSentenceUnderTitle) {
    CaptureSink sink;
    qv::reportError(0, "Nolvatek", "PluginVST::PluginVST");
    EXPECT_EQ(g_title + "|" + g_text,
              "Nolvatek|Not enough memory. PluginVST::PluginVST - Please contact Nolvatek technical support.");
    qv::reportError(4, "Nolvatek", "CPlugin::LoadDll");
    EXPECT_EQ(g_text, "The bundled dynamic library is missing. CPlugin::LoadDll - Please contact Nolvatek technical support.");
    // A code outside the table contributes no text: the detail follows one blank.
    qv::reportError(7, "Nolvatek: Quorvane", "X::y");
    EXPECT_EQ(g_title + "|" + g_text, "Nolvatek: Quorvane| X::y - Please contact Nolvatek technical support.");
    qv::reportError(-1, "t", nullptr);
    EXPECT_EQ(g_text, "  - Please contact Nolvatek technical support.");
}

TEST(Hsv, PrimaryHuesAndGreys) {
    const struct {
        float h, s, v, r, g, b;
    } cases[] = {{0, 1, 1, 1, 0, 0}, {120, 1, 1, 0, 1, 0}, {240, 1, 1, 0, 0, 1}, {300, 1, 0.5f, 0.5f, 0, 0.5f},
                 {77, 0, 0.25f, 0.25f, 0.25f, 0.25f}};
    for (const auto& c : cases) {
        float r, g, b;
        qv::hsvToRgb(r, g, b, c.h, c.s, c.v);
        EXPECT_EQ(std::tuple(r, g, b), std::tuple(c.r, c.g, c.b)) << c.h;
    }
}

}  // namespace
