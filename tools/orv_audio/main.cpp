// orv-audio: the audio library's playback and capture streams from a shell, through the sound
// device (ALSA) when there is one.
#include <android/log.h>

#include "cli_app.h"
#include "commands.h"

int main(int argc, char **argv) {
    orvtool::Cli cli(
        "orv-audio", "orv-audio: play, record, tones and self tests through the audio library",
        "Exit status: 0 done, 1 the stream, the sound device or the system refused, 2 wrong "
        "command line, 3 no such file, 130 interrupted (Ctrl-C, SIGTERM, or the terminal closed). "
        "Streams use ALSA (ORV_OPENSLES_ALSA_DEVICE, default "
        "\"default\") when it opens, unless ORV_OPENSLES_BACKEND names a back end.");
    // A mistyped command is refused in the parser's words, as orv-audio always has.
    cli.SuggestCommands(false);
    bool verbose = false;
    cli.Global().Flag("-v,--verbose", &verbose, "Show the library's log lines");
    orvaudio::AddPlayCommands(cli);
    orvaudio::AddRecordCommand(cli);
    orvaudio::AddSelfTestCommand(cli);
    return cli.Run(argc, argv, [&verbose] {
        // The tool says what went wrong itself; -v shows the library's lines as well.
        if (!verbose)
            __android_log_set_minimum_priority(ANDROID_LOG_SILENT);
    });
}
