// The NAL units of an H.264 frame in Annex B form (start codes 00 00 01 / 00 00 00 01), as the
// camera delivers it.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace orvcli {

// NAL unit types the tool looks for.
enum NalType : int { kNalIdr = 5, kNalSps = 7, kNalPps = 8 };

// Calls `visit(type, unit, size)` for each NAL unit of `data` (the unit without its start
// code); stops early when `visit` returns false.
template <typename Visit>
void ForEachNal(const uint8_t *data, size_t size, Visit visit);

// True when the frame carries an IDR slice (the frame a decoder can start from).
bool IsIdrFrame(const uint8_t *data, size_t size);

// The frame's SPS and PPS units with their start codes (what a container keeps as the
// stream's parameters); "" when it has no SPS.
std::string ParameterSets(const uint8_t *data, size_t size);

// The picture size the SPS of an IDR frame gives (libavcodec's parser, container_writer.cpp);
// false when the frame names none.
bool PictureSize(const uint8_t *data, size_t size, int *width, int *height);

template <typename Visit>
void ForEachNal(const uint8_t *data, size_t size, Visit visit) {
    size_t i = 0;
    // The first start code.
    while (i + 3 <= size && !(data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1))
        ++i;
    while (i + 3 <= size) {
        const size_t begin = i + 3;
        size_t end = begin;
        while (end + 3 <= size && !(data[end] == 0 && data[end + 1] == 0 && data[end + 2] <= 1))
            ++end;
        if (end + 3 > size)
            end = size;
        size_t next = end;
        // Trailing zero bytes belong to the next start code (00 00 00 01).
        while (end > begin && data[end - 1] == 0)
            --end;
        if (end > begin && !visit(data[begin] & 0x1f, data + begin, end - begin))
            return;
        // Past 00 00 00 (not a start code) to the next 00 00 01.
        i = next;
        while (i + 3 <= size && !(data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1))
            ++i;
    }
}

}  // namespace orvcli
