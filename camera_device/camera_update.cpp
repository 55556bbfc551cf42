// Encoder updates on an open camera: read the value, skip an unchanged one, else write it and
// read it back. Extension-unit requests only; the stream and the table are left alone.
#include "camera_internal.h"

namespace {

using orv::device::SettingSync;

// clang-format off
// The updates' settings: a refused write fails the update; the done line closes every one.
const SettingSync kFramerate = {
    orv::device::kFramerateCalls, {0, 0}, orv::device::kSyncPlain, nullptr,
    " get old framerate fail", " get old framerate : %d ",
    " skip update framerate", " update new framerate:%d", " error",
    " get new framerate fail", " get new framerate : %d ",
    " update new framerate ok : %d "};
const SettingSync kBitrate = {
    orv::device::kBitrateCalls, {0, 0}, orv::device::kSyncPlain, nullptr,
    " get old bitrate fail", " get old bitrate: %d",
    " skip update bitrate", " update new bitrate:%d", " error",
    " get new bitrate fail", " get new bitrate: %d",
    " update bitrate ok :%d"};
const SettingSync kIFramePeriod = {
    orv::device::kIFramePeriodCalls, {-1, 0}, orv::device::kSyncPlain, nullptr,
    " get old period fail", " get old period: %d",
    " skip update period", " update new period:%d", " update iframe peroid error",
    " get new period fail", " get new period: %d",
    " update peroid ok:%d"};
const SettingSync kProfile = {
    orv::device::kProfileCalls, {0, 0}, orv::device::kDoneShowsRead, nullptr,
    " get old profile fail", " get old profile: %d",
    " skip update profile", " update new profile:%d", " update profile error",
    " get new profile fail", " get new profile: %d",
    " update profile ok :0x%x"};
// The read-back uses the first read's two texts.
const SettingSync kRateControlMode = {
    orv::device::kRateControlModeCalls, {0, 0}, orv::device::kSyncPlain, nullptr,
    " get old rate_control_mode fail", " get old rate_control_mode: %d",
    " skip update rate_control_mode", " update new rate_control_mode:%d",
    " update new rate_control_mode error",
    " get old rate_control_mode fail", " get old rate_control_mode: %d",
    " update rate_control_mode ok :%d"};
// The resolution is written once before anything is read.
const SettingSync kResolution = {
    orv::device::kResolutionCalls, {0, 0}, orv::device::kSyncPlain, " error",
    " get old resolution fail", " get old resolution: %dx%d",
    " skip update resolution: %dx%d", " update new resolution: %dx%dd",
    " update new resolution fail: %dx%d",
    " get new resolution fail", " get new resolution: %dx%d",
    " update new resolution ok : %dx%d "};
// clang-format on

// Logs the request (`requested` given the request's numbers) and refuses a descriptor no open
// slot holds.
bool begin(const char *op, const char *requested, int fd, int first, int second = 0) {
    orv::device::log_setting(ANDROID_LOG_INFO, op, requested, {first, second});
    return orv::device::open_slot(fd) != nullptr;
}

}  // namespace

using orv::device::sync_setting;

extern "C" int update_framerate(int unit, int fd, int framerate) {
    constexpr char kOp[] = "update_framerate";
    if (!begin(kOp, " update_framerate: %d", fd, framerate))
        return -1;
    return sync_setting(kFramerate, kOp, unit, fd, {framerate, 0});
}

extern "C" int update_bitrate(int unit, int fd, int bitrate) {
    constexpr char kOp[] = "update_bitrate";
    if (!begin(kOp, " update_bitrate:%d", fd, bitrate))
        return -1;
    return sync_setting(kBitrate, kOp, unit, fd, {bitrate, 0});
}

extern "C" int update_iframe_period(int unit, int fd, int period) {
    constexpr char kOp[] = "update_iframe_period";
    if (!begin(kOp, "", fd, period))
        return -1;
    return sync_setting(kIFramePeriod, kOp, unit, fd, {period, 0});
}

extern "C" int update_profile(int unit, int fd, int profile) {
    constexpr char kOp[] = "update_profile";
    if (!begin(kOp, " update_profile:%d", fd, profile))
        return -1;
    return sync_setting(kProfile, kOp, unit, fd, {orv::device::convert_profile(profile), 0});
}

extern "C" int update_rate_control_mode(int unit, int fd, int rate_control_mode) {
    constexpr char kOp[] = "update_rate_control_mode";
    if (!begin(kOp, " update_rate_control_mode : %d ", fd, rate_control_mode))
        return -1;
    const unsigned int code = static_cast<unsigned int>(rate_control_mode);
    return sync_setting(kRateControlMode, kOp, unit, fd,
                        {orv::device::convert_rate_control_mode(code), 0});
}

extern "C" int update_resolution(int unit, int fd, int width, int height) {
    constexpr char kOp[] = "update_resolution";
    if (!begin(kOp, " update_resolution: %dx%d", fd, width, height))
        return -1;
    return sync_setting(kResolution, kOp, unit, fd, {width, height});
}
