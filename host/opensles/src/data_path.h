// Where a player's audio goes and where a recorder's audio comes from. Called by the object's
// thread with the object's lock held, one stretch of bytes at a time (not always whole frames).
#pragma once

#include "pcm_format.h"
#include "settings.h"

#include <SLES/OpenSLES.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace slhost {

class PlaybackSink {
  public:
    virtual ~PlaybackSink() = default;
    virtual void write(const uint8_t *data, size_t size) = 0;
};

class CaptureSource {
  public:
    virtual ~CaptureSource() = default;
    virtual void read(uint8_t *data, size_t size) = 0;
};

// Playback that goes nowhere.
std::unique_ptr<PlaybackSink> make_discard_sink();
// Playback written to a WAV file of the player's format; SL_RESULT_RESOURCE_ERROR when the file
// cannot be created.
SLresult make_wav_sink(const PcmFormat &format, unsigned serial,
                       std::unique_ptr<PlaybackSink> &out);
// Capture of silence, a sine or a byte counter.
std::unique_ptr<CaptureSource> make_generated_source(const PcmFormat &format,
                                                     const CaptureSpec &spec);
// Capture read from ORV_OPENSLES_WAV_IN, converted to the recorder's format (channels beyond the
// file's repeat its last one; silence after its end); SL_RESULT_RESOURCE_ERROR when it cannot be
// opened.
SLresult make_wav_source(const PcmFormat &format, std::unique_ptr<CaptureSource> &out);

}  // namespace slhost
