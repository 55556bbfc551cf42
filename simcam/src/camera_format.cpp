// Formats, frame sizes and frame intervals, as uvcvideo negotiates them.
#include <errno.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "camera.h"

namespace simcam {
namespace {

constexpr uint32_t kCapture = V4L2_BUF_TYPE_VIDEO_CAPTURE;

// 100 ns units, as UVC counts frame intervals; a zero denominator is the longest interval.
uint64_t ToInterval(Fraction f) {
    if (f.denominator == 0)
        return UINT32_MAX;
    return 10000000ull * f.numerator / f.denominator;
}

uint32_t RoundToStep(uint32_t v, uint32_t min, uint32_t max, uint32_t step) {
    if (v < min)
        v = min;
    if (v > max)
        v = max;
    if (step > 1)
        v = min + (v - min + step / 2) / step * step;
    return v > max ? max : v;
}

// The offered interval closest to the one asked for.
Fraction NearestInterval(const IntervalSet &set, Fraction asked) {
    const uint64_t want = ToInterval(asked);
    if (set.kind == kDiscrete) {
        Fraction best = set.discrete.empty() ? Fraction{1, 30} : set.discrete.front();
        uint64_t best_d = UINT64_MAX;
        for (const Fraction &f : set.discrete) {
            const uint64_t have = ToInterval(f);
            const uint64_t d = have > want ? have - want : want - have;
            if (d < best_d) {
                best_d = d;
                best = f;
            }
        }
        return best;
    }
    // A range: in 100 ns units over 10000000, clamped and rounded to the step.
    const uint32_t lo = static_cast<uint32_t>(ToInterval(set.min));
    const uint32_t hi = static_cast<uint32_t>(ToInterval(set.max));
    const uint32_t step = set.kind == kStepwise ? static_cast<uint32_t>(ToInterval(set.step)) : 1;
    const uint32_t v =
        RoundToStep(static_cast<uint32_t>(want > UINT32_MAX ? UINT32_MAX : want), lo, hi, step);
    return Fraction{v, 10000000};
}

}  // namespace

const FormatConfig *Camera::FindFormat(uint32_t fourcc) const {
    for (const FormatConfig &f : config_.formats)
        if (f.fourcc == fourcc)
            return &f;
    return nullptr;
}

const IntervalSet *Camera::IntervalsFor(const FormatConfig &f, uint32_t width,
                                        uint32_t height) const {
    if (f.sizes.kind != kDiscrete) {
        const SizeSet &s = f.sizes;
        if (width < s.min_width || width > s.max_width || height < s.min_height ||
            height > s.max_height)
            return nullptr;
        return &s.intervals;
    }
    for (const FrameSize &fs : f.sizes.discrete)
        if (fs.width == width && fs.height == height)
            return &fs.intervals;
    return nullptr;
}

uint32_t Camera::SizeImage() const {
    if (pixelformat_ == V4L2_PIX_FMT_YUYV)
        return width_ * height_ * 2;
    return width_ * height_ * 3 / 2;
}

void Camera::FillFormat(struct v4l2_format *f) const {
    std::memset(&f->fmt, 0, sizeof f->fmt);
    f->type = kCapture;
    f->fmt.pix.pixelformat = pixelformat_;
    f->fmt.pix.width = width_;
    f->fmt.pix.height = height_;
    f->fmt.pix.field = V4L2_FIELD_NONE;
    // uvcvideo's bytes per line: the format's bits per pixel times the width, 16 for YUYV and
    // for the frame-based formats (bBitsPerPixel), none for MJPEG.
    f->fmt.pix.bytesperline = pixelformat_ == V4L2_PIX_FMT_MJPEG ? 0 : width_ * 2;
    f->fmt.pix.sizeimage = SizeImage();
    // The colour matching descriptor: BT.709 primaries and transfer, BT.601 matrix.
    f->fmt.pix.colorspace = V4L2_COLORSPACE_SRGB;
    f->fmt.pix.xfer_func = V4L2_XFER_FUNC_709;
    f->fmt.pix.ycbcr_enc = V4L2_YCBCR_ENC_601;
}

int Camera::EnumFmt(struct v4l2_fmtdesc *f, TraceEntry *t) {
    t->type = f->type;
    t->index = f->index;
    if (int e = TakeFault(Call::kEnumFmt))
        return -e;
    if (f->type != kCapture || f->index >= config_.formats.size())
        return -EINVAL;
    const FormatConfig &c = config_.formats[f->index];
    const uint32_t index = f->index;
    std::memset(f, 0, sizeof *f);
    f->index = index;
    f->type = kCapture;
    f->flags = c.flags;
    std::strncpy(reinterpret_cast<char *>(f->description), c.description.c_str(),
                 sizeof f->description - 1);
    f->pixelformat = c.fourcc;
    t->pixelformat = c.fourcc;
    return 0;
}

int Camera::GetFmt(struct v4l2_format *f, TraceEntry *t) {
    t->type = f->type;
    if (int e = TakeFault(Call::kGetFmt))
        return -e;
    if (f->type != kCapture)
        return -EINVAL;
    FillFormat(f);
    t->pixelformat = pixelformat_;
    t->width = width_;
    t->height = height_;
    t->field = f->fmt.pix.field;
    return 0;
}

int Camera::SetFmt(const OpenFile &file, struct v4l2_format *f, bool apply, TraceEntry *t) {
    t->type = f->type;
    t->pixelformat = f->fmt.pix.pixelformat;
    t->width = f->fmt.pix.width;
    t->height = f->fmt.pix.height;
    t->field = f->fmt.pix.field;
    if (int e = TakeFault(apply ? Call::kSetFmt : Call::kTryFmt))
        return -e;
    if (f->type != kCapture)
        return -EINVAL;
    if (apply && (OwnedByOther(file) || !buffers_.empty()))
        return -EBUSY;
    // An unknown format falls back to the first one; the size to the closest offered.
    const FormatConfig *fmt = FindFormat(f->fmt.pix.pixelformat);
    if (!fmt)
        fmt = &config_.formats.front();
    const uint32_t rw = f->fmt.pix.width, rh = f->fmt.pix.height;
    uint32_t w = 0, h = 0;
    if (fmt->sizes.kind == kDiscrete) {
        uint64_t best = UINT64_MAX;
        for (const FrameSize &fs : fmt->sizes.discrete) {
            const uint64_t common =
                static_cast<uint64_t>(std::min(fs.width, rw)) * std::min(fs.height, rh);
            const uint64_t d = static_cast<uint64_t>(fs.width) * fs.height +
                               static_cast<uint64_t>(rw) * rh - 2 * common;
            if (d < best) {
                best = d;
                w = fs.width;
                h = fs.height;
            }
        }
    } else {
        const SizeSet &s = fmt->sizes;
        w = RoundToStep(rw, s.min_width, s.max_width, s.kind == kStepwise ? s.step_width : 1);
        h = RoundToStep(rh, s.min_height, s.max_height, s.kind == kStepwise ? s.step_height : 1);
    }
    const uint32_t old_format = pixelformat_, old_w = width_, old_h = height_;
    pixelformat_ = fmt->fourcc;
    width_ = w;
    height_ = h;
    FillFormat(f);
    if (!apply) {
        pixelformat_ = old_format;
        width_ = old_w;
        height_ = old_h;
        return 0;
    }
    const IntervalSet *iv = IntervalsFor(*fmt, w, h);
    if (iv)
        interval_ = NearestInterval(*iv, interval_);
    return 0;
}

void Camera::CommitStream() {
    // uvcvideo only probes at S_FMT and S_PARM; the commit at STREAMON sets the encoder's
    // resolution and frame interval.
    block_[12] = static_cast<uint8_t>(width_);
    block_[13] = static_cast<uint8_t>(width_ >> 8);
    block_[14] = static_cast<uint8_t>(height_);
    block_[15] = static_cast<uint8_t>(height_ >> 8);
    const uint32_t interval = static_cast<uint32_t>(ToInterval(interval_));
    for (int i = 0; i < 4; ++i)
        block_[i] = static_cast<uint8_t>(interval >> (8 * i));
}

int Camera::GetParm(struct v4l2_streamparm *p, TraceEntry *t) {
    t->type = p->type;
    if (int e = TakeFault(Call::kGetParm))
        return -e;
    if (p->type != kCapture)
        return -EINVAL;
    std::memset(&p->parm, 0, sizeof p->parm);
    p->parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
    p->parm.capture.timeperframe.numerator = interval_.numerator;
    p->parm.capture.timeperframe.denominator = interval_.denominator;
    t->numerator = interval_.numerator;
    t->denominator = interval_.denominator;
    return 0;
}

int Camera::SetParm(const OpenFile &file, struct v4l2_streamparm *p, TraceEntry *t) {
    t->type = p->type;
    t->numerator = p->parm.capture.timeperframe.numerator;
    t->denominator = p->parm.capture.timeperframe.denominator;
    if (int e = TakeFault(Call::kSetParm))
        return -e;
    if (p->type != kCapture)
        return -EINVAL;
    if (OwnedByOther(file) || streaming_)
        return -EBUSY;
    const FormatConfig *fmt = FindFormat(pixelformat_);
    const IntervalSet *iv = fmt ? IntervalsFor(*fmt, width_, height_) : nullptr;
    if (iv)
        interval_ = NearestInterval(*iv, Fraction{t->numerator, t->denominator});
    std::memset(&p->parm, 0, sizeof p->parm);
    p->parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
    p->parm.capture.timeperframe.numerator = interval_.numerator;
    p->parm.capture.timeperframe.denominator = interval_.denominator;
    return 0;
}

int Camera::EnumFrameSizes(struct v4l2_frmsizeenum *f, TraceEntry *t) {
    t->index = f->index;
    t->pixelformat = f->pixel_format;
    if (int e = TakeFault(Call::kEnumFrameSizes))
        return -e;
    const FormatConfig *fmt = FindFormat(f->pixel_format);
    if (!fmt)
        return -EINVAL;
    const SizeSet &s = fmt->sizes;
    std::memset(f->reserved, 0, sizeof f->reserved);
    if (s.kind == kDiscrete) {
        if (f->index >= s.discrete.size())
            return -EINVAL;
        f->type = V4L2_FRMSIZE_TYPE_DISCRETE;
        f->discrete.width = s.discrete[f->index].width;
        f->discrete.height = s.discrete[f->index].height;
        return 0;
    }
    if (f->index != 0)
        return -EINVAL;
    f->type = s.kind == kStepwise ? V4L2_FRMSIZE_TYPE_STEPWISE : V4L2_FRMSIZE_TYPE_CONTINUOUS;
    f->stepwise.min_width = s.min_width;
    f->stepwise.max_width = s.max_width;
    f->stepwise.step_width = s.kind == kStepwise ? s.step_width : 1;
    f->stepwise.min_height = s.min_height;
    f->stepwise.max_height = s.max_height;
    f->stepwise.step_height = s.kind == kStepwise ? s.step_height : 1;
    return 0;
}

int Camera::EnumFrameIntervals(struct v4l2_frmivalenum *f, TraceEntry *t) {
    t->index = f->index;
    t->pixelformat = f->pixel_format;
    t->width = f->width;
    t->height = f->height;
    if (int e = TakeFault(Call::kEnumFrameIntervals))
        return -e;
    const FormatConfig *fmt = FindFormat(f->pixel_format);
    const IntervalSet *iv = fmt ? IntervalsFor(*fmt, f->width, f->height) : nullptr;
    if (!iv)
        return -EINVAL;
    std::memset(f->reserved, 0, sizeof f->reserved);
    if (iv->kind == kDiscrete) {
        if (f->index >= iv->discrete.size())
            return -EINVAL;
        f->type = V4L2_FRMIVAL_TYPE_DISCRETE;
        f->discrete.numerator = iv->discrete[f->index].numerator;
        f->discrete.denominator = iv->discrete[f->index].denominator;
        return 0;
    }
    if (f->index != 0)
        return -EINVAL;
    f->type = iv->kind == kStepwise ? V4L2_FRMIVAL_TYPE_STEPWISE : V4L2_FRMIVAL_TYPE_CONTINUOUS;
    f->stepwise.min = {iv->min.numerator, iv->min.denominator};
    f->stepwise.max = {iv->max.numerator, iv->max.denominator};
    f->stepwise.step = {iv->step.numerator, iv->step.denominator};
    return 0;
}

}  // namespace simcam
