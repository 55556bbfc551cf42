// The subcommands of orv-audio. Each Add* declares its subcommands on `cli` with what each
// runs, which returns its exit code (cli.h).
#pragma once

#include "cli_app.h"

namespace orvaudio {

// play, tone
void AddPlayCommands(orvtool::Cli &cli);
// record
void AddRecordCommand(orvtool::Cli &cli);
// selftest
void AddSelfTestCommand(orvtool::Cli &cli);

}  // namespace orvaudio
