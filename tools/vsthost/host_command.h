// What the qvhost command does, as a function: load, report, process, save. main() only parses
// the command line; tests call this directly as well as through the program.
#pragma once

#include <ostream>

#include "vsthost/host_options.h"

namespace qv::vsthost {

// Returns the exit status: 0 done, 1 the plug-in or a file failed. The report goes to out (or to
// options.reportFile), failures to err.
int runHostCommand(const HostOptions& options, std::ostream& out, std::ostream& err);

}  // namespace qv::vsthost
