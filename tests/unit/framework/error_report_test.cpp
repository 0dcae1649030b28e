#include "support/test_common.h"

namespace {

TEST(ErrorReport, ShowsCodeTextDetailAndSupportSentenceUnderTitle) {
    qvtest::MessageCapture capture;
    qv::reportError(0, "Nolvatek", "PluginVST::PluginVST");
    qv::reportError(4, "Nolvatek", "CPlugin::LoadDll");
    qv::reportError(7, "Nolvatek: Quorvane", "X::y");  // outside the table: no text, one blank
    qv::reportError(-1, "t", nullptr);
    const std::string support = " - Please contact Nolvatek technical support.";
    EXPECT_EQ(capture.messages, (std::vector<std::string>{
                                    "Nolvatek|Not enough memory. PluginVST::PluginVST" + support,
                                    "Nolvatek|The bundled dynamic library is missing. CPlugin::LoadDll" + support,
                                    "Nolvatek: Quorvane| X::y" + support, "t| " + support}));
}

TEST(Hsv, PrimaryHuesAndGreys) {
    const struct { float h, s, v, r, g, b; } cases[] = {
        {0, 1, 1, 1, 0, 0}, {120, 1, 1, 0, 1, 0}, {240, 1, 1, 0, 0, 1}, {300, 1, 0.5f, 0.5f, 0, 0.5f},
        {77, 0, 0.25f, 0.25f, 0.25f, 0.25f}};
    for (const auto& c : cases) {
        float r, g, b;
        qv::hsvToRgb(r, g, b, c.h, c.s, c.v);
        EXPECT_EQ(std::tuple(r, g, b), std::tuple(c.r, c.g, c.b)) << c.h;
    }
}

}  // namespace
