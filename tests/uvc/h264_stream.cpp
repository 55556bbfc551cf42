#include "h264_stream.h"

namespace h264test {
namespace {

// Removes the 03 of every 00 00 03 sequence.
std::vector<uint8_t> Unescape(const uint8_t *p, size_t n) {
    std::vector<uint8_t> out;
    out.reserve(n);
    int zeros = 0;
    for (size_t i = 0; i < n; ++i) {
        if (zeros >= 2 && p[i] == 3) {
            zeros = 0;
            continue;
        }
        zeros = p[i] == 0 ? zeros + 1 : 0;
        out.push_back(p[i]);
    }
    return out;
}

class BitReader {
  public:
    explicit BitReader(const std::vector<uint8_t> &bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }

    uint32_t Bits(int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            if (pos_ >= bytes_.size() * 8) {
                ok_ = false;
                return 0;
            }
            v = (v << 1) | ((bytes_[pos_ / 8] >> (7 - pos_ % 8)) & 1u);
            ++pos_;
        }
        return v;
    }

    uint32_t Ue() {
        int zeros = 0;
        while (ok_ && Bits(1) == 0) {
            if (++zeros > 31)
                ok_ = false;
        }
        if (!ok_)
            return 0;
        return ((1u << zeros) - 1) + Bits(zeros);
    }

    int32_t Se() {
        const uint32_t k = Ue();
        return k & 1 ? static_cast<int32_t>((k + 1) / 2) : -static_cast<int32_t>(k / 2);
    }

  private:
    const std::vector<uint8_t> &bytes_;
    size_t pos_ = 0;
    bool ok_ = true;
};

void SkipScalingList(BitReader &r, int size) {
    int last = 8, next = 8;
    for (int j = 0; j < size; ++j) {
        if (next != 0)
            next = (last + r.Se() + 256) % 256;
        last = next == 0 ? last : next;
    }
}

bool HasChromaFields(int profile_idc) {
    switch (profile_idc) {
        case 100:
        case 110:
        case 122:
        case 244:
        case 44:
        case 83:
        case 86:
        case 118:
        case 128:
        case 138:
        case 139:
        case 134:
        case 135:
            return true;
        default:
            return false;
    }
}

// The VUI up to its timing information.
void ReadVuiTiming(BitReader &r, Sps *sps) {
    constexpr uint32_t kExtendedSar = 255;
    if (r.Bits(1) && r.Bits(8) == kExtendedSar)
        r.Bits(32);  // aspect ratio, sar
    if (r.Bits(1))
        r.Bits(1);    // overscan
    if (r.Bits(1)) {  // video signal type
        r.Bits(4);
        if (r.Bits(1))
            r.Bits(24);  // colour description
    }
    if (r.Bits(1)) {  // chroma sample locations
        r.Ue();
        r.Ue();
    }
    if (r.Bits(1)) {
        sps->num_units_in_tick = r.Bits(32);
        sps->time_scale = r.Bits(32);
    }
}

}  // namespace

std::vector<Nal> SplitAnnexB(const uint8_t *data, size_t size) {
    std::vector<size_t> starts;  // first byte after each start code
    for (size_t i = 0; i + 2 < size; ++i) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
            starts.push_back(i + 3);
            i += 2;
        }
    }
    std::vector<Nal> nals;
    for (size_t k = 0; k < starts.size(); ++k) {
        size_t end = k + 1 < starts.size() ? starts[k + 1] - 3 : size;
        while (end > starts[k] && data[end - 1] == 0)
            --end;  // trailing zeros, 4-byte codes
        if (end <= starts[k])
            continue;
        nals.push_back(
            {data[starts[k]] & 0x1F, Unescape(data + starts[k] + 1, end - starts[k] - 1)});
    }
    return nals;
}

bool ParseSps(const std::vector<uint8_t> &payload, Sps *sps) {
    BitReader r(payload);
    sps->profile_idc = static_cast<int>(r.Bits(8));
    r.Bits(8);  // constraint flags
    sps->level_idc = static_cast<int>(r.Bits(8));
    r.Ue();  // seq_parameter_set_id
    uint32_t chroma_format_idc = 1;
    if (HasChromaFields(sps->profile_idc)) {
        chroma_format_idc = r.Ue();
        if (chroma_format_idc == 3)
            r.Bits(1);    // separate_colour_plane_flag
        r.Ue();           // bit_depth_luma_minus8
        r.Ue();           // bit_depth_chroma_minus8
        r.Bits(1);        // qpprime_y_zero_transform_bypass_flag
        if (r.Bits(1)) {  // seq_scaling_matrix_present_flag
            const int lists = chroma_format_idc != 3 ? 8 : 12;
            for (int i = 0; i < lists && r.ok(); ++i)
                if (r.Bits(1))
                    SkipScalingList(r, i < 6 ? 16 : 64);
        }
    }
    r.Ue();  // log2_max_frame_num_minus4
    const uint32_t poc_type = r.Ue();
    if (poc_type == 0) {
        r.Ue();  // log2_max_pic_order_cnt_lsb_minus4
    } else if (poc_type == 1) {
        r.Bits(1);  // delta_pic_order_always_zero_flag
        r.Se();     // offset_for_non_ref_pic
        r.Se();     // offset_for_top_to_bottom_field
        const uint32_t cycle = r.Ue();
        for (uint32_t i = 0; i < cycle && r.ok(); ++i)
            r.Se();
    }
    r.Ue();     // max_num_ref_frames
    r.Bits(1);  // gaps_in_frame_num_value_allowed_flag
    const uint32_t width_mbs = r.Ue() + 1;
    const uint32_t height_map_units = r.Ue() + 1;
    const uint32_t frame_mbs_only = r.Bits(1);
    if (!frame_mbs_only)
        r.Bits(1);                    // mb_adaptive_frame_field_flag
    r.Bits(1);                        // direct_8x8_inference_flag
    uint32_t crop[4] = {0, 0, 0, 0};  // left, right, top, bottom
    if (r.Bits(1))
        for (uint32_t &c : crop)
            c = r.Ue();
    if (r.Bits(1))  // vui_parameters_present_flag
        ReadVuiTiming(r, sps);
    if (!r.ok())
        return false;
    // Crop units for 4:2:0 (and, with one plane, 4:0:0 counts in luma samples).
    const uint32_t crop_x = chroma_format_idc == 0 || chroma_format_idc == 3 ? 1 : 2;
    const uint32_t crop_y = (chroma_format_idc == 1 ? 2 : 1) * (2 - frame_mbs_only);
    sps->width = static_cast<int>(width_mbs * 16 - crop_x * (crop[0] + crop[1]));
    sps->height = static_cast<int>((2 - frame_mbs_only) * height_map_units * 16 -
                                   crop_y * (crop[2] + crop[3]));
    return true;
}

}  // namespace h264test
