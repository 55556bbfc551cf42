// orv-audio: the audio library's playback and capture streams from a shell, through the sound
// device (ALSA) when there is one.
#include "cli_app.h"
#include "commands.h"
#include "library_logs.h"

int main(int argc, char **argv) {
    orvtool::Cli cli(
        "orv-audio", "orv-audio: play, record, tones and self tests through the audio library",
        "Exit status: 0 done, 1 the stream, the sound device or the system refused, 2 wrong "
        "command line, 3 no such file. Streams use ALSA (ORV_OPENSLES_ALSA_DEVICE, default "
        "\"default\") when it opens, unless ORV_OPENSLES_BACKEND names a back end.");
    // A mistyped command is refused in the parser's words, as orv-audio always has.
    cli.SuggestCommands(false);
    orvaudio::AddPlayCommands(cli);
    orvaudio::AddRecordCommand(cli);
    orvaudio::AddSelfTestCommand(cli);
    return orvtool::RunWithLibraryLogs(cli, argc, argv, "Show the library's log lines");
}
