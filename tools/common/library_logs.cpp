#include "library_logs.h"

#include <android/log.h>

#include <memory>

namespace orvtool {

int RunWithLibraryLogs(Cli &cli, int argc, char **argv, const std::string &help) {
    auto verbose = std::make_shared<bool>(false);
    cli.Global().Flag("-v,--verbose", verbose.get(), help);
    return cli.Run(argc, argv, [verbose] {
        if (!*verbose)
            __android_log_set_minimum_priority(ANDROID_LOG_SILENT);
    });
}

}  // namespace orvtool
