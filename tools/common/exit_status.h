// How the command-line tools end: one exit-code scheme, and failures said in one line.
#pragma once

#include <string>

namespace orvtool {

// Exit codes of every command of every tool.
enum Exit : int {
    kOk = 0,
    kFailed = 1,         // the device, the stream or the system refused the operation
    kUsage = 2,          // the command line is wrong
    kNotFound = 3,       // no such device, node or file
    kInterrupted = 130,  // a command that reports it was ended by SIGINT, SIGTERM or SIGHUP
};

// "<program>: <message>" on standard error, the program being the one a Cli (cli_app.h) was
// made for; returns `code`.
int Fail(int code, const std::string &message);

// The name Fail puts first; Cli's constructor sets it.
void SetProgramName(const std::string &name);

}  // namespace orvtool
