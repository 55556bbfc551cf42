// What the commands of orv-camera share: the tools' command line, exit codes, failure line,
// Ctrl-C flag and numbers (tools/common), and the parsing of ids and sizes.
#pragma once

#include <string>

#include "cli_app.h"
#include "exit_status.h"
#include "interrupts.h"
#include "numbers.h"

namespace orvcli {

using orvtool::Action;
using orvtool::Check;
using orvtool::ChoiceList;
using orvtool::Choices;
using orvtool::Cli;
using orvtool::Command;
using orvtool::FindChoice;

using orvtool::Exit;
using orvtool::Fail;
using orvtool::kFailed;
using orvtool::kInterrupted;
using orvtool::kNotFound;
using orvtool::kOk;
using orvtool::kUsage;

using orvtool::CatchInterrupts;
using orvtool::Interrupted;

using orvtool::ParseInt;
using orvtool::ParseInt64;
using orvtool::ParseNumber;

// "vvvv:pppp" (hexadecimal, as lsusb prints it).
std::string UsbIdText(int vendor, int product);

// Parses "vvvv:pppp" (hexadecimal, optional 0x); false when it is not two 16-bit numbers.
bool ParseUsbId(const std::string &text, int *vendor, int *product);

// Parses "WxH"; false unless both are positive integers.
bool ParseSize(const std::string &text, int *width, int *height);

// -d,--device: a video node, /dev/video0 unless given; a number N stands for /dev/videoN.
void AddNodeOption(Command &cmd, std::string *node);

}  // namespace orvcli
