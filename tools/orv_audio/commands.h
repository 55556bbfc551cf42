// The subcommands of orv-audio. Each Add* registers its subcommand on `app`; when the command
// line names one, parsing stores in *action the run of that command, which returns its exit
// code (cli.h).
#pragma once

#include <functional>

namespace CLI {
class App;
}

namespace orvaudio {

using Action = std::function<int()>;

// play, tone
void AddPlayCommands(CLI::App &app, Action *action);
// record
void AddRecordCommand(CLI::App &app, Action *action);
// selftest
void AddSelfTestCommand(CLI::App &app, Action *action);

}  // namespace orvaudio
