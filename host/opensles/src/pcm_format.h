// The PCM formats a buffer queue accepts, checked as Android checks them.
#pragma once

#include <SLES/OpenSLES.h>

#include <cstddef>
#include <cstdint>

namespace slhost {

struct PcmFormat {
    SLuint32 channels = 0;
    SLuint32 rate_mhz = 0;        // sample rate in milliHertz
    SLuint32 bits = 0;            // bits per sample, equal to the container size
    SLuint32 representation = 0;  // SL_ANDROID_PCM_REPRESENTATION_*
    SLuint32 channel_mask = 0;    // as given (0: the default mask of the channel count)

    size_t frame_bytes() const { return static_cast<size_t>(channels) * (bits / 8); }
    bool is_float() const;
    // Milliseconds of audio in `bytes` (whole frames; a trailing part of a frame is not counted).
    uint64_t bytes_to_ms(uint64_t bytes) const;
};

enum class Direction { Playback, Capture };

// Checks an SLDataFormat_PCM or SLAndroidDataFormat_PCM_EX that a buffer queue is to carry.
// SL_RESULT_SUCCESS fills `out`. Refusals:
// - no format, or an unknown format type: SL_RESULT_PARAMETER_INVALID;
// - SL_DATAFORMAT_MIME: SL_RESULT_CONTENT_UNSUPPORTED (buffer queues carry PCM only);
// - 0 channels or sample rate 0: SL_RESULT_PARAMETER_INVALID;
// - more than 8 channels, a rate outside 8000 to 192000 Hz: SL_RESULT_CONTENT_UNSUPPORTED;
// - sample size other than 8, 16, 24, 32 bits or a container of another size:
//   SL_RESULT_CONTENT_UNSUPPORTED;
// - a channel mask other than 0 whose channels do not match the count:
//   SL_RESULT_PARAMETER_INVALID;
// - big-endian: SL_RESULT_CONTENT_UNSUPPORTED; an unknown byte order: SL_RESULT_PARAMETER_INVALID;
// - a representation that does not fit the sample size: SL_RESULT_PARAMETER_INVALID;
// - capture in anything but 16-bit integers or 32-bit float: SL_RESULT_CONTENT_UNSUPPORTED.
SLresult check_pcm_format(const void *format, Direction direction, PcmFormat &out);

}  // namespace slhost
