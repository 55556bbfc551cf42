// --progress and --no-progress: a live line on standard error, by default when it is a terminal.
#pragma once

#include <string>

#include "cli_app.h"

namespace orvtool {

struct ProgressFlags {
    bool progress = false;
    bool no_progress = false;
    // Asked for, or standard error is a terminal and not refused.
    bool Show() const;
};

// --progress (its help: "Show the live line of `what` (default: ...)"), --no-progress.
void AddProgressFlags(Command &cmd, ProgressFlags *flags, const std::string &what);

}  // namespace orvtool
