// Just enough of an H.264 Annex B reader to check what an encoder was told: the NAL units of
// an access unit and the fields of a sequence parameter set that a configuration commit
// changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace h264test {

enum NalType : int {
    kNalSlice = 1,
    kNalIdrSlice = 5,
    kNalSei = 6,
    kNalSps = 7,
    kNalPps = 8,
    kNalAccessUnitDelimiter = 9,
};

struct Nal {
    int type;
    std::vector<uint8_t> payload;  // after the header byte, emulation prevention removed
};

// The NAL units between the start codes (00 00 01 or 00 00 00 01) of `data`.
std::vector<Nal> SplitAnnexB(const uint8_t *data, size_t size);

struct Sps {
    int profile_idc = 0;
    int level_idc = 0;
    int width = 0;   // after cropping
    int height = 0;  // after cropping
    // VUI timing: a frame lasts 2 * num_units_in_tick / time_scale seconds (0 when absent).
    uint32_t num_units_in_tick = 0;
    uint32_t time_scale = 0;
};

// Parses an SPS payload (as in Nal::payload); false when it is cut short.
bool ParseSps(const std::vector<uint8_t> &payload, Sps *sps);

}  // namespace h264test
