#include "pcm_format.h"

#include <SLES/OpenSLES_Android.h>

#include "log.h"

namespace slhost {
namespace {

constexpr SLuint32 kMaxChannels = 8;
constexpr SLuint32 kPositionalSpeakers = 0x3FFFF;

unsigned bit_count(SLuint32 v) {
    unsigned n = 0;
    for (; v != 0; v &= v - 1) {
        ++n;
    }
    return n;
}

bool mask_fits(SLuint32 mask, SLuint32 channels) {
    if (mask == 0) {
        return true;
    }
    if (mask & SL_ANDROID_SPEAKER_NON_POSITIONAL) {
        return bit_count(mask & ~SL_ANDROID_SPEAKER_NON_POSITIONAL) == channels;
    }
    return (mask & ~kPositionalSpeakers) == 0 && bit_count(mask) == channels;
}

SLuint32 default_representation(SLuint32 bits) {
    return bits == 8 ? SL_ANDROID_PCM_REPRESENTATION_UNSIGNED_INT
                     : SL_ANDROID_PCM_REPRESENTATION_SIGNED_INT;
}

bool representation_fits(SLuint32 representation, SLuint32 bits) {
    switch (representation) {
        case SL_ANDROID_PCM_REPRESENTATION_UNSIGNED_INT:
            return bits == 8;
        case SL_ANDROID_PCM_REPRESENTATION_SIGNED_INT:
            return bits == 16 || bits == 24 || bits == 32;
        case SL_ANDROID_PCM_REPRESENTATION_FLOAT:
            return bits == 32;
        default:
            return false;
    }
}

SLresult check_fields(const SLAndroidDataFormat_PCM_EX &f, Direction direction) {
    if (f.numChannels == 0) {
        SLHOST_LOGE("PCM format: 0 channels");
        return SL_RESULT_PARAMETER_INVALID;
    }
    if (f.numChannels > kMaxChannels) {
        SLHOST_LOGE("PCM format: %u channels unsupported", f.numChannels);
        return SL_RESULT_CONTENT_UNSUPPORTED;
    }
    if (f.sampleRate == 0) {
        SLHOST_LOGE("PCM format: sample rate 0");
        return SL_RESULT_PARAMETER_INVALID;
    }
    if (f.sampleRate < SL_SAMPLINGRATE_8 || f.sampleRate > SL_SAMPLINGRATE_192) {
        SLHOST_LOGE("PCM format: sample rate %u mHz unsupported", f.sampleRate);
        return SL_RESULT_CONTENT_UNSUPPORTED;
    }
    if ((f.bitsPerSample != 8 && f.bitsPerSample != 16 && f.bitsPerSample != 24 &&
         f.bitsPerSample != 32) ||
        f.containerSize != f.bitsPerSample) {
        SLHOST_LOGE("PCM format: %u-bit samples in %u-bit containers unsupported", f.bitsPerSample,
                    f.containerSize);
        return SL_RESULT_CONTENT_UNSUPPORTED;
    }
    if (!mask_fits(f.channelMask, f.numChannels)) {
        SLHOST_LOGE("PCM format: channel mask 0x%x does not fit %u channels", f.channelMask,
                    f.numChannels);
        return SL_RESULT_PARAMETER_INVALID;
    }
    if (f.endianness == SL_BYTEORDER_BIGENDIAN) {
        SLHOST_LOGE("PCM format: big-endian samples unsupported");
        return SL_RESULT_CONTENT_UNSUPPORTED;
    }
    if (f.endianness != SL_BYTEORDER_LITTLEENDIAN) {
        SLHOST_LOGE("PCM format: byte order %u invalid", f.endianness);
        return SL_RESULT_PARAMETER_INVALID;
    }
    if (!representation_fits(f.representation, f.bitsPerSample)) {
        SLHOST_LOGE("PCM format: representation %u does not fit %u-bit samples", f.representation,
                    f.bitsPerSample);
        return SL_RESULT_PARAMETER_INVALID;
    }
    if (direction == Direction::Capture) {
        bool int16 = f.bitsPerSample == 16;
        bool float32 = f.representation == SL_ANDROID_PCM_REPRESENTATION_FLOAT;
        if (!int16 && !float32) {
            SLHOST_LOGE("PCM format: capture in %u-bit samples unsupported", f.bitsPerSample);
            return SL_RESULT_CONTENT_UNSUPPORTED;
        }
    }
    return SL_RESULT_SUCCESS;
}

}  // namespace

bool PcmFormat::is_float() const {
    return representation == SL_ANDROID_PCM_REPRESENTATION_FLOAT;
}

uint64_t PcmFormat::bytes_to_ms(uint64_t bytes) const {
    if (frame_bytes() == 0 || rate_mhz == 0) {
        return 0;
    }
    uint64_t frames = bytes / frame_bytes();
    return frames * 1000000u / rate_mhz;
}

SLresult check_pcm_format(const void *format, Direction direction, PcmFormat &out) {
    if (format == nullptr) {
        SLHOST_LOGE("PCM format missing");
        return SL_RESULT_PARAMETER_INVALID;
    }
    SLAndroidDataFormat_PCM_EX f{};
    SLuint32 type = *static_cast<const SLuint32 *>(format);
    if (type == SL_DATAFORMAT_PCM) {
        const auto *pcm = static_cast<const SLDataFormat_PCM *>(format);
        f = SLAndroidDataFormat_PCM_EX{
            pcm->formatType,    pcm->numChannels,
            pcm->samplesPerSec, pcm->bitsPerSample,
            pcm->containerSize, pcm->channelMask,
            pcm->endianness,    default_representation(pcm->bitsPerSample)};
    } else if (type == SL_ANDROID_DATAFORMAT_PCM_EX) {
        f = *static_cast<const SLAndroidDataFormat_PCM_EX *>(format);
    } else if (type == SL_DATAFORMAT_MIME) {
        SLHOST_LOGE("buffer queues carry PCM only");
        return SL_RESULT_CONTENT_UNSUPPORTED;
    } else {
        SLHOST_LOGE("data format type %u invalid", type);
        return SL_RESULT_PARAMETER_INVALID;
    }
    SLresult r = check_fields(f, direction);
    if (r != SL_RESULT_SUCCESS) {
        return r;
    }
    out.channels = f.numChannels;
    out.rate_mhz = f.sampleRate;
    out.bits = f.bitsPerSample;
    out.representation = f.representation;
    out.channel_mask = f.channelMask;
    return SL_RESULT_SUCCESS;
}

}  // namespace slhost
