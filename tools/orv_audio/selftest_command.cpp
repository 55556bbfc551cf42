// selftest: the library's two self tests (a playback and a capture stream of their own, opened,
// started, run for a few buffers, stopped), with what each result means.
#include <cstdio>
#include <memory>
#include <string>

#include "cli.h"
#include "commands.h"
#include "self_test.h"

namespace orvaudio {
namespace {

struct SelfTestOptions {
    StreamFormat format;
    int buffer_ms = 20;
    int buffers = 4;
};

std::string Meaning(int result, bool capture) {
    if (result == 0)
        return capture ? "passed: opened, started, recorded every byte, stopped"
                       : "passed: opened, played every buffer of silence, stopped";
    if (result == -22)
        return "not run: the buffer sizes do not fit 32 bits";
    return "failed (" + std::to_string(result) +
           "): the stream did not open, start, stop, or finish its audio in time (-v shows why)";
}

int SelfTest(const SelfTestOptions &o) {
    ChooseBackend(false);
    const sonora::SelfTestParams params{o.format.channels, o.format.rate, o.format.use_float,
                                        o.buffer_ms, o.buffers};
    std::printf("self tests: %s, %d buffers of %d ms\n", o.format.Text().c_str(), o.buffers,
                o.buffer_ms);
    std::fflush(stdout);
    const int playback = sonora::playbackSelfTest(params);
    std::printf("playback: %s\n", Meaning(playback, false).c_str());
    std::fflush(stdout);
    const int capture = sonora::captureSelfTest(params);
    std::printf("capture: %s\n", Meaning(capture, true).c_str());
    return playback == 0 && capture == 0 ? kOk : kFailed;
}

}  // namespace

void AddSelfTestCommand(orvtool::Cli &cli) {
    auto o = std::make_shared<SelfTestOptions>();
    Command cmd = cli.Add(
        "selftest", "Run the library's playback and capture self tests and explain the results");
    AddFormatOptions(cmd, &o->format);
    cmd.Number("--buffer-ms", &o->buffer_ms, "Milliseconds of audio in one buffer",
               orvtool::Bound::kNonNegative)
        .ShowDefault()
        .Number("--buffers", &o->buffers, "Buffers queued", orvtool::Bound::kPositive)
        .ShowDefault();
    cmd.Runs([o] { return SelfTest(*o); });
}

}  // namespace orvaudio
