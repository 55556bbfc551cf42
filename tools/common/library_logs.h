// The libraries log through liblog, which writes to standard error on Linux: a tool says what
// went wrong itself, and -v,--verbose (before or after the command) shows the libraries' lines
// as well.
#pragma once

#include <string>

#include "cli_app.h"

namespace orvtool {

// Declares -v,--verbose on `cli` (its help: `help`), parses and runs the command line, with the
// libraries' log lines silenced unless -v was given.
int RunWithLibraryLogs(Cli &cli, int argc, char **argv, const std::string &help);

}  // namespace orvtool
