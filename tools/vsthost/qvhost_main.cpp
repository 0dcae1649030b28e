// qvhost: loads a VST 2.4 plug-in, prints its identity and runs audio through it.
#include <iostream>
#include <string>
#include <vector>

#include "vsthost/host_command.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const auto options = qv::vsthost::parseHostOptions(args, &error);
    if (!options) {
        std::cerr << "qvhost: " << error << '\n' << qv::vsthost::hostUsage();
        return 2;
    }
    if (options->help) {
        std::cout << qv::vsthost::hostUsage();
        return 0;
    }
    return qv::vsthost::runHostCommand(*options, std::cout, std::cerr);
}
