// What the commands of orv-audio share: exit codes, messages, Ctrl-C, the back end the streams
// use, and the format of a stream as the tool describes it.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace orvaudio {

// Exit codes of every command (those of orv-camera).
enum Exit : int {
    kOk = 0,
    kFailed = 1,    // the stream, the sound device or the system refused
    kUsage = 2,     // the command line is wrong
    kNotFound = 3,  // no such file
};

// "orv-audio: <message>" on standard error; returns `code`.
int Fail(int code, const std::string &message);

// Ctrl-C (or SIGTERM) sets a flag the commands look at between buffers, so they end cleanly.
void CatchInterrupts();
bool Interrupted();

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
void AddFormatOptions(CLI::App *cmd, StreamFormat *format);

struct ProgressFlags {
    bool progress = false;
    bool no_progress = false;
    // Asked for, or standard error is a terminal and not refused.
    bool Show() const;
};

// --progress, --no-progress.
void AddProgressFlags(CLI::App *cmd, ProgressFlags *flags);

}  // namespace orvaudio
