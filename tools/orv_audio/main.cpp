// orv-audio: the audio library's playback and capture streams from a shell, through the sound
// device (ALSA) when there is one.
#include <android/log.h>

#include <CLI/CLI.hpp>

#include "cli.h"
#include "commands.h"

int main(int argc, char **argv) {
    CLI::App app{"orv-audio: play, record, tones and self tests through the audio library",
                 "orv-audio"};
    app.require_subcommand(1);
    app.footer(
        "Exit status: 0 done, 1 the stream, the sound device or the system refused, 2 wrong "
        "command line, 3 no such file. Streams use ALSA (ORV_OPENSLES_ALSA_DEVICE, default "
        "\"default\") when it opens, unless ORV_OPENSLES_BACKEND names a back end.");
    bool verbose = false;
    app.add_flag("-v,--verbose", verbose, "Show the library's log lines");
    orvaudio::Action action;
    orvaudio::AddPlayCommands(app, &action);
    orvaudio::AddRecordCommand(app, &action);
    orvaudio::AddSelfTestCommand(app, &action);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        return app.exit(e) == 0 ? orvaudio::kOk : orvaudio::kUsage;
    }
    // The tool says what went wrong itself; -v shows the library's lines as well.
    if (!verbose)
        __android_log_set_minimum_priority(ANDROID_LOG_SILENT);
    return action ? action() : orvaudio::kUsage;
}
