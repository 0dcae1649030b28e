#include <gtest/gtest.h>

#include "host/channel_config.h"

using qv::parseChannelConfig;

namespace {

TEST(ChannelConfig, FileNameSetsChannels) {
    const struct {
        const char* path;
        int inputs, outputs;
    } cases[] = {
        {"C:\\Plugins\\Quorvane.dll", -1, -1},
        {"C:\\Plugins\\Quorvane_2in_2out.dll", 2, 2},
        {"C:\\Plugins\\Quorvane_1in_1out.dll", 1, 1},
        {"C:\\Plugins\\Quorvane_1in_2out.dll", 1, 2},
        {"C:\\Plugins\\Quorvane_6in_6out.dll", 6, 6},
        {"C:\\Plugins\\Quorvane_8in_8out_x64.dll", 8, 8},
        {"C:\\Plugins\\Quorvane_2in_1out.dll", -1, -1},   // input neither 1 nor the output count
        {"C:\\Plugins\\Quorvane_40in_40out.dll", -1, -1}, // above 32
        {"C:\\Plugins\\Quorvane_0in_0out.dll", -1, -1},   // below 1
        {"C:\\Plugins\\Quorvane_32in_32out.dll", 32, 32},
        {"C:\\Plugins\\Quorvane_ 4in_ +4out.dll", 4, 4},  // sscanf skips blanks and takes a sign
        {"C:\\Plugins\\Quorvane_xin_2out.dll", -1, -1},
        {"C:\\Plugins\\Quorvane_2in_2.dll", -1, -1},      // no "out"
        {"C:\\Plugins\\Quorvane_2in_2out", -1, -1},       // no extension after the prefix
        {"C:\\Plugins\\quorvane_1in_1out.dll", -1, -1},   // case-sensitive
        {"C:\\Quorvane_1in_1out.dll\\Quorvane.dll", 1, 1},  // the folder holds the only prefix
        {"C:\\Quorvane_1in_1out\\Quorvane_4in_4out.dll", 4, 4},
    };
    for (const auto& c : cases) {
        const auto config = parseChannelConfig(c.path, ".dll");
        EXPECT_EQ(std::pair(config.inputs, config.outputs), std::pair(c.inputs, c.outputs)) << c.path;
    }
    EXPECT_EQ(parseChannelConfig("/usr/lib/vst/Quorvane_1in_1out.so", ".so").inputs, 1);
    // A path of 1023 characters or more is treated as empty.
    std::string longPath(1023 - std::string("Quorvane_1in_1out.dll").size(), 'a');
    longPath += "Quorvane_1in_1out.dll";
    EXPECT_EQ(parseChannelConfig(longPath, ".dll").inputs, -1);
    EXPECT_EQ(parseChannelConfig(longPath.substr(1), ".dll").inputs, 1);
}

}  // namespace
