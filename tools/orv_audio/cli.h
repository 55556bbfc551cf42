// What the commands of orv-audio share: the tools' command line, exit codes, failure line and
// Ctrl-C flag (tools/common), the back end the streams use, and the format of a stream as the
// tool describes it.
#pragma once

#include <string>

#include "cli_app.h"
#include "exit_status.h"
#include "interrupts.h"
#include "progress_flags.h"

namespace orvaudio {

using orvtool::Command;
using orvtool::Fail;
using orvtool::kFailed;
using orvtool::kNotFound;
using orvtool::kOk;
using orvtool::kUsage;

using orvtool::CatchInterrupts;
using orvtool::Interrupted;

// Unless ORV_OPENSLES_BACKEND says otherwise, streams go to ALSA when its device (default, or
// ORV_OPENSLES_ALSA_DEVICE) opens for this direction; else they use the null back end, which
// is said on standard error. Call before the first stream is opened.
void ChooseBackend(bool capture);

struct StreamFormat {
    int rate = 48000;
    int channels = 2;
    bool use_float = false;

    int FrameBytes() const { return channels * (use_float ? 4 : 2); }
    // "48000 Hz, 2 channels, 16-bit"
    std::string Text() const;
};

// --rate, --channels, --float.
void AddFormatOptions(Command &cmd, StreamFormat *format);

using orvtool::ProgressFlags;

// --progress, --no-progress (progress_flags.h) for a stream's line.
void AddProgressFlags(Command &cmd, ProgressFlags *flags);

}  // namespace orvaudio
