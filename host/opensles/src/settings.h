// Process-wide choices: the back end of new players and recorders, what capture delivers, and
// the WAV file names. Each reads its environment variable unless a test overrides it.
#pragma once

#include <SLES/OpenSLES.h>

#include <string>

namespace slhost {

enum class Backend { Null, Wav, Manual, Alsa };

// ORV_OPENSLES_BACKEND: "null" (default), "wav", "manual", "alsa".
Backend current_backend();
// nullptr: back to the environment. False for an unknown name.
bool override_backend(const char *name);
bool parse_backend(const std::string &name, Backend &out);

struct CaptureSpec {
    enum Kind { Silence, Sine, Counter } kind = Silence;
    double hertz = 0;
};

// ORV_OPENSLES_CAPTURE: "silence" (default), "sine:<hertz>", "counter".
CaptureSpec current_capture();
bool override_capture(const char *spec);
bool parse_capture(const std::string &text, CaptureSpec &out);

// Where the WAV back end writes player number `serial` (1, 2, ... in creation order):
// ORV_OPENSLES_WAV_OUT with "%u" replaced by the serial, default
// "/tmp/orv-opensles-player-%u.wav".
std::string wav_output_path(unsigned serial);
// What the WAV back end's recorders read: ORV_OPENSLES_WAV_IN (empty when unset).
std::string wav_input_path();

void reset_overrides();

}  // namespace slhost
