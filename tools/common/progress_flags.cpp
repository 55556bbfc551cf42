#include "progress_flags.h"

#include <unistd.h>

namespace orvtool {

bool ProgressFlags::Show() const {
    return !no_progress && (progress || isatty(STDERR_FILENO));
}

void AddProgressFlags(Command &cmd, ProgressFlags *flags, const std::string &what) {
    cmd.Flag("--progress", &flags->progress,
             "Show the live line of " + what + " (default: when stderr is a terminal)")
        .Flag("--no-progress", &flags->no_progress, "Never show it")
        .Excludes("--progress");
}

}  // namespace orvtool
