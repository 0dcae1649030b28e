#include <gtest/gtest.h>

#include <string>

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
    EXPECT_EQ(g_title, "Nolvatek");
    EXPECT_EQ(g_text, "Not enough memory. PluginVST::PluginVST - Please contact Nolvatek technical support.");
    qv::reportError(4, "Nolvatek", "CPlugin::LoadDll");
    EXPECT_EQ(g_text, "The bundled dynamic library is missing. CPlugin::LoadDll - Please contact Nolvatek technical support.");
    // A code outside the table contributes no text: the detail follows one blank.
    qv::reportError(7, "Nolvatek: Quorvane", "X::y");
    EXPECT_EQ(g_title, "Nolvatek: Quorvane");
    EXPECT_EQ(g_text, " X::y - Please contact Nolvatek technical support.");
    qv::reportError(-1, "t", nullptr);
    EXPECT_EQ(g_text, "  - Please contact Nolvatek technical support.");
}

TEST(Hsv, PrimaryHuesAndGreys) {
    float r, g, b;
    qv::hsvToRgb(r, g, b, 0, 1, 1);
    EXPECT_EQ(r, 1); EXPECT_EQ(g, 0); EXPECT_EQ(b, 0);
    qv::hsvToRgb(r, g, b, 120, 1, 1);
    EXPECT_EQ(r, 0); EXPECT_EQ(g, 1); EXPECT_EQ(b, 0);
    qv::hsvToRgb(r, g, b, 240, 1, 1);
    EXPECT_EQ(r, 0); EXPECT_EQ(g, 0); EXPECT_EQ(b, 1);
    qv::hsvToRgb(r, g, b, 300, 1, 0.5f);  // magenta at half value
    EXPECT_FLOAT_EQ(r, 0.5f); EXPECT_FLOAT_EQ(g, 0); EXPECT_FLOAT_EQ(b, 0.5f);
    qv::hsvToRgb(r, g, b, 77, 0, 0.25f);
    EXPECT_EQ(r, 0.25f); EXPECT_EQ(g, 0.25f); EXPECT_EQ(b, 0.25f);
}

}  // namespace
