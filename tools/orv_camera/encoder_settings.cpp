#include "encoder_settings.h"

#include <linux/videodev2.h>

#include "cli_common.h"
#include "named_rows.h"
#include "uvc/uvc_h264.h"
#include "uvc/uvcx_video_config.h"
#include "v4l2/v4l2_device.h"

namespace orvcli {
namespace {

using Kind = SettingRow::Kind;

// The encoder's own size and frame rate where it answers (an update while streaming sets them,
// and the V4L2 format does not show it), else the V4L2 format's.
bool ReadSize(const SettingRow &, int unit, int fd, SettingValue *v) {
    int pixfmt = 0;
    return uvc_get_h264_resolution(unit, fd, &v->a, &v->b) == 0 ||
           v4l2_get_video_fmt(fd, &pixfmt, &v->a, &v->b) == 0;
}
bool ReadFramerate(const SettingRow &, int unit, int fd, SettingValue *v) {
    unsigned fps = 0;
    if (uvc_get_h264_framerate(unit, fd, &fps) == 0) {
        v->a = static_cast<int>(fps);
        return true;
    }
    return v4l2_get_fps(fd, &v->a) == 0;
}
template <int (*get)(int, int, int *)>
bool ReadNumber(const SettingRow &, int unit, int fd, SettingValue *v) {
    return get(unit, fd, &v->a) == 0;
}
// A choice's code from the value the unit reads back (a value no choice has stays as it is).
template <int (*get)(int, int, int *)>
bool ReadChoice(const SettingRow &row, int unit, int fd, SettingValue *v) {
    if (get(unit, fd, &v->a) != 0)
        return false;
    for (const SettingChoice &c : row.choices)
        if (c.unit_value == v->a) {
            v->a = c.code;
            break;
        }
    return true;
}

int UpdateSize(int unit, int fd, const SettingValue &v) {
    return update_resolution(unit, fd, v.a, v.b);
}
template <int (*update)(int, int, int)>
int Update(int unit, int fd, const SettingValue &v) {
    return update(unit, fd, v.a);
}

using P = CameraParams;

// The names the profile and rate-control options take, their codes (open_device's and the
// updates'), and what the extension unit reads back for each.
const std::vector<SettingChoice> kProfiles = {
    {"baseline", 1, UVCX_H264_wProfile_BASELINEPROFILE},
    {"main", 2, UVCX_H264_wProfile_MAINPROFILE},
    {"high", 8, UVCX_H264_wProfile_HIGHPROFILE},
};
const std::vector<SettingChoice> kRateControls = {
    {"cqp", 0, UVCX_RATE_CONTROL_CONST_QP},
    {"vbr", 1, UVCX_RATE_CONTROL_VBR},
    {"cbr", 2, UVCX_RATE_CONTROL_CBR},
};

// The bounds of the encoder's fields: sizes the V4L2 format takes, the frame rates cameras
// offer, what a bit-rate field of the maker's cameras holds, and the 16-bit I-frame period.
// clang-format off
const std::vector<SettingRow> kRows = {
    // key, option, label, help, report; kind, bounds, choices, initial; open parameters;
    // update while streaming; read-back.
    {"size", "--size", "size", "Frame size WxH", "H.264 %s",
     Kind::kSize, 1, 8192, {}, {1920, 1080}, &P::width, &P::height,
     UpdateSize, ReadSize},
    {"framerate", "--fps", "frame rate", "Frames per second", " at %s fps",
     Kind::kNumber, 1, 240, {}, {30}, &P::framerate, nullptr,
     Update<update_framerate>, ReadFramerate},
    {"profile", "--profile", "profile", "H.264 profile", ", profile %s",
     Kind::kChoice, 0, 0, kProfiles, {1}, &P::profile, nullptr,
     Update<update_profile>, ReadChoice<uvc_get_h264_profile>},
    {"rate-control", "--rate-control", "rate control", "Rate control", ", rate control %s",
     Kind::kChoice, 0, 0, kRateControls, {2}, &P::rate_control_mode, nullptr,
     Update<update_rate_control_mode>, ReadChoice<uvc_get_h264_rate_control_mode>},
    {"bitrate", "--bitrate", "bit rate", "Bit rate, bit/s", ", bit rate %s",
     Kind::kNumber, 1000, 500000000, {}, {1920000}, &P::bitrate, nullptr,
     Update<update_bitrate>, ReadNumber<uvc_get_h264_bitrate>},
    {"iframe-period", "--iframe-period", "I-frame period", "Seconds between I-frames",
     ", I-frame every %s s",
     Kind::kNumber, 0, 65535, {}, {5}, &P::iframe_period, nullptr,
     Update<update_iframe_period>, ReadNumber<uvc_get_h264_iframe_peroid>},
};
// clang-format on

std::string Names(const SettingRow &row) {
    return NameList(row.choices, &SettingChoice::name, "|");
}

std::string Replace(const char *format, const std::string &value) {
    std::string text = format;
    const size_t at = text.find("%s");
    return text.replace(at, 2, value);
}

}  // namespace

const std::vector<SettingRow> &SettingRows() {
    return kRows;
}

size_t SettingIndex(const SettingRow &row) {
    return static_cast<size_t>(&row - kRows.data());
}

const SettingRow *FindSetting(const std::string &key) {
    std::string wanted = key;
    for (char &c : wanted)
        if (c == '_')
            c = '-';
    return FindNamed(kRows, &SettingRow::key, wanted);
}

std::string SettingKeys() {
    return NameList(kRows, &SettingRow::key, ", ");
}

std::string CheckSettingNumber(const SettingRow &row, long long number, SettingValue *value) {
    if (number < row.min || number > row.max)
        return "must be from " + SettingBounds(row);
    value->a = static_cast<int>(number);
    return "";
}

std::string ParseSettingText(const SettingRow &row, const std::string &text, SettingValue *value) {
    SettingValue v;
    switch (row.kind) {
        case Kind::kNumber: {
            int64_t n = 0;
            if (!ParseInt64(text, &n))
                return "takes a whole number, not '" + text + "'";
            const std::string why = CheckSettingNumber(row, n, &v);
            if (!why.empty())
                return why;
            break;
        }
        case Kind::kSize:
            if (!ParseSize(text, &v.a, &v.b))
                return "takes a frame size WxH (e.g. 1280x720), not '" + text + "'";
            if (v.a > row.max || v.b > row.max)
                return "must have " + SettingBounds(row);
            break;
        case Kind::kChoice: {
            const SettingChoice *found = FindNamed(row.choices, &SettingChoice::name, text);
            if (!found)
                return "must be one of " + Names(row) + ", not '" + text + "'";
            v.a = found->code;
            break;
        }
    }
    *value = v;
    return "";
}

std::string FormatSetting(const SettingRow &row, const SettingValue &value) {
    switch (row.kind) {
        case Kind::kSize:
            return std::to_string(value.a) + "x" + std::to_string(value.b);
        case Kind::kChoice:
            for (const SettingChoice &c : row.choices)
                if (c.code == value.a)
                    return c.name;
            break;
        case Kind::kNumber:
            return std::to_string(value.a);
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value.a));
    return text;
}

std::string SettingBounds(const SettingRow &row) {
    switch (row.kind) {
        case Kind::kSize:
            return "each side from " + std::to_string(row.min) + " to " + std::to_string(row.max);
        case Kind::kChoice:
            return Names(row);
        case Kind::kNumber:
            break;
    }
    return std::to_string(row.min) + " to " + std::to_string(row.max);
}

EncoderSettings::EncoderSettings() {
    for (const SettingRow &row : kRows)
        values.push_back(row.initial);
}

SettingValue &EncoderSettings::operator[](const SettingRow &row) {
    return values[SettingIndex(row)];
}

const SettingValue &EncoderSettings::operator[](const SettingRow &row) const {
    return values[SettingIndex(row)];
}

CameraParams EncoderSettings::Params() const {
    CameraParams params{};
    params.pixfmt = V4L2_PIX_FMT_H264;
    params.reserved = 31;
    for (const SettingRow &row : kRows) {
        params.*row.param_a = (*this)[row].a;
        if (row.param_b)
            params.*row.param_b = (*this)[row].b;
    }
    return params;
}

HeldSettings ReadSettings(int fd, int unit) {
    HeldSettings held;
    for (const SettingRow &row : kRows) {
        SettingValue v;
        held.push_back(row.read(row, unit, fd, &v) ? FormatSetting(row, v) : "");
    }
    return held;
}

void ReportSettings(FILE *out, const std::string &prefix, const HeldSettings &held,
                    const EncoderSettings &asked) {
    std::string line = prefix;
    for (size_t i = 0; i < kRows.size(); ++i)
        line += Replace(kRows[i].report, held[i].empty() ? "?" : held[i]);
    std::fprintf(out, "%s\n", line.c_str());
    for (size_t i = 0; i < kRows.size(); ++i) {
        const std::string wanted = FormatSetting(kRows[i], asked.values[i]);
        if (held[i].empty())
            std::fprintf(stderr, "orv-camera: warning: cannot read the %s in force\n",
                         kRows[i].label);
        else if (held[i] != wanted)
            std::fprintf(stderr, "orv-camera: warning: %s %s asked, the camera took %s\n",
                         kRows[i].label, wanted.c_str(), held[i].c_str());
    }
}

}  // namespace orvcli
