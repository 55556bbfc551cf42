// The WAV files orv-audio records. A RIFF header counts the file in 32 bits, which 16-bit stereo
// at 48 kHz passes after 6.2 hours: a recording planned past that is an RF64 file, whose header
// holds 64-bit lengths; a shorter one is the plain WAV every reader takes.
#pragma once

#include <stdint.h>

#include <memory>
#include <string>

#include <sndfile.h>

namespace orvaudio {

struct SndfileCloser {
    void operator()(SNDFILE *f) const { sf_close(f); }
};
using Sndfile = std::unique_ptr<SNDFILE, SndfileCloser>;

// The most sample bytes a RIFF WAV holds here: 4 GiB less 4 KiB for the header's chunks.
constexpr uint64_t kWavDataLimit = 0xFFFFFFFFull - 4096;

// SF_FORMAT_WAV up to kWavDataLimit bytes of samples, else SF_FORMAT_RF64.
int RecordingContainer(uint64_t data_bytes);

struct RecordingFormat {
    int rate;
    int channels;
    bool use_float;       // 32-bit float samples, else 16-bit integers
    uint64_t data_bytes;  // the sample bytes the recording is planned to hold
};

// Creates `path` for a recording; null when it cannot (sf_strerror(nullptr) says why). Closing
// the file writes its header. An RF64 file that ends under the limit is closed as a WAV.
Sndfile CreateRecording(const std::string &path, const RecordingFormat &format);

// The same over the caller's I/O.
Sndfile CreateRecording(SF_VIRTUAL_IO *io, void *user, const RecordingFormat &format);

}  // namespace orvaudio
