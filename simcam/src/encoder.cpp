// libx264 at the ultrafast preset with zero latency: every picture in gives its access unit out,
// with SPS and PPS repeated before each IDR, and no thread of its own.
#include "encoder.h"

#include <x264.h>

#include <cstring>
#include <string>

namespace simcam {
namespace {

// A moving test pattern: diagonal luma bands drifting right, a bright square moving down, and
// chroma that changes slowly over time.
void DrawI420(const x264_image_t &img, int width, int height, uint64_t frame) {
    const int shift = static_cast<int>(frame * 4);
    for (int y = 0; y < height; ++y) {
        uint8_t *row = img.plane[0] + y * img.i_stride[0];
        for (int x = 0; x < width; ++x)
            row[x] = static_cast<uint8_t>(((x + y + shift) & 0xFF) / 2 + 32);
    }
    const int box = height / 6 > 8 ? height / 6 : 8;
    const int top =
        static_cast<int>((frame * 8) % static_cast<uint64_t>(height > box ? height - box : 1));
    for (int y = top; y < top + box && y < height; ++y)
        std::memset(img.plane[0] + y * img.i_stride[0] + width / 3, 235,
                    static_cast<size_t>(box < width / 3 ? box : width / 3));
    const uint8_t u = static_cast<uint8_t>(128 + (frame % 64));
    const uint8_t v = static_cast<uint8_t>(128 - (frame % 64));
    for (int y = 0; y < height / 2; ++y) {
        std::memset(img.plane[1] + y * img.i_stride[1], u, static_cast<size_t>(width / 2));
        std::memset(img.plane[2] + y * img.i_stride[2], v, static_cast<size_t>(width / 2));
    }
}

const char *ProfileName(uint16_t profile) {
    switch (profile >> 8) {
        case 0x42:
            return "baseline";
        case 0x4D:
            return "main";
        default:
            return "high";
    }
}

}  // namespace

bool EncodeSettings::operator==(const EncodeSettings &o) const {
    return width == o.width && height == o.height && frame_interval == o.frame_interval &&
           bitrate == o.bitrate && profile == o.profile && rate_control == o.rate_control &&
           iframe_period == o.iframe_period;
}

int EncodeSettings::KeyframeInterval() const {
    if (iframe_period == 0 || frame_interval == 0)
        return 0;
    const uint64_t frames = 10000000ull * iframe_period / frame_interval;
    return frames < 1 ? 1 : static_cast<int>(frames > 100000 ? 100000 : frames);
}

struct Encoder::Impl {
    x264_t *enc = nullptr;
    x264_picture_t pic;
    bool pic_allocated = false;
    EncodeSettings current;
    int64_t pts = 0;

    ~Impl() { Close(); }

    void Close() {
        if (enc)
            x264_encoder_close(enc);
        enc = nullptr;
        if (pic_allocated)
            x264_picture_clean(&pic);
        pic_allocated = false;
    }

    bool Open(const EncodeSettings &s) {
        Close();
        if (s.width < 16 || s.height < 16 || (s.width & 1) || (s.height & 1) ||
            s.frame_interval == 0)
            return false;
        x264_param_t p;
        if (x264_param_default_preset(&p, "ultrafast", "zerolatency") < 0)
            return false;
        p.i_threads = 1;
        p.b_sliced_threads = 0;
        p.i_lookahead_threads = 1;
        p.b_deterministic = 1;
        p.i_log_level = X264_LOG_NONE;
        p.i_width = s.width;
        p.i_height = s.height;
        p.i_csp = X264_CSP_I420;
        p.i_fps_num = 10000000;
        p.i_fps_den = s.frame_interval;
        p.i_timebase_num = s.frame_interval;
        p.i_timebase_den = 10000000;
        p.b_annexb = 1;
        p.b_repeat_headers = 1;
        p.b_aud = 0;
        p.i_scenecut_threshold = 0;
        const int keyint = s.KeyframeInterval();
        p.i_keyint_max = keyint > 0 ? keyint : X264_KEYINT_MAX_INFINITE;
        p.i_keyint_min = keyint > 0 ? keyint : X264_KEYINT_MAX_INFINITE;
        // ultrafast leaves out what main and high need; the profile asked for brings them back.
        if (s.profile >> 8 != 0x42)
            p.b_cabac = 1;
        if (s.profile >> 8 == 0x64)
            p.analyse.b_transform_8x8 = 1;
        const int kbps = static_cast<int>(s.bitrate / 1000 > 0 ? s.bitrate / 1000 : 1);
        switch (s.rate_control) {
            case 3:
                p.rc.i_rc_method = X264_RC_CQP;
                p.rc.i_qp_constant = 26;
                break;
            case 2:
                p.rc.i_rc_method = X264_RC_ABR;
                p.rc.i_bitrate = kbps;
                break;
            default:
                p.rc.i_rc_method = X264_RC_ABR;
                p.rc.i_bitrate = kbps;
                p.rc.i_vbv_max_bitrate = kbps;
                p.rc.i_vbv_buffer_size = kbps;
                break;
        }
        if (x264_param_apply_profile(&p, ProfileName(s.profile)) < 0)
            return false;
        enc = x264_encoder_open(&p);
        if (!enc)
            return false;
        if (x264_picture_alloc(&pic, X264_CSP_I420, s.width, s.height) < 0) {
            Close();
            return false;
        }
        pic_allocated = true;
        current = s;
        return true;
    }
};

Encoder::Encoder() : impl_(new Impl) {}
Encoder::~Encoder() = default;

bool Encoder::Encode(const EncodeSettings &settings, bool force_idr, std::vector<uint8_t> *out,
                     bool *idr) {
    out->clear();
    *idr = false;
    if (!impl_->enc || impl_->current != settings) {
        if (!impl_->Open(settings))
            return false;
    }
    DrawI420(impl_->pic.img, settings.width, settings.height, static_cast<uint64_t>(impl_->pts));
    impl_->pic.i_pts = impl_->pts++;
    impl_->pic.i_type = force_idr ? X264_TYPE_IDR : X264_TYPE_AUTO;
    x264_nal_t *nals = nullptr;
    int count = 0;
    x264_picture_t pic_out;
    const int size = x264_encoder_encode(impl_->enc, &nals, &count, &impl_->pic, &pic_out);
    if (size <= 0)
        return false;
    // The access unit without the encoder's own SEI (its name and options), as a camera
    // would send it.
    for (int i = 0; i < count; ++i)
        if (nals[i].i_type != NAL_SEI)
            out->insert(out->end(), nals[i].p_payload, nals[i].p_payload + nals[i].i_payload);
    *idr = pic_out.b_keyframe != 0;
    return true;
}

void Encoder::DrawYuyv(uint32_t width, uint32_t height, uint64_t frame, uint8_t *out, size_t size) {
    const uint32_t shift = static_cast<uint32_t>(frame * 4);
    size_t at = 0;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x + 1 < width + 1 && at + 4 <= size; x += 2) {
            out[at++] = static_cast<uint8_t>(((x + y + shift) & 0xFF) / 2 + 32);
            out[at++] = 128;
            out[at++] = static_cast<uint8_t>(((x + 1 + y + shift) & 0xFF) / 2 + 32);
            out[at++] = 128;
        }
    }
}

}  // namespace simcam
