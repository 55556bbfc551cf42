#include "log_lines.h"

#include <android/log.h>

#include <cstdio>
#include <cstring>
#include <regex>

namespace orvtest {
namespace {

const char kV4l2[] = "ORVCam/v4l2";
const char kUvc[] = "ORVCam/uvc";
const char kDevice[] = "ORVCam/device";

// The lines under `tag`, the first match of `number` in each replaced by `with`.
std::vector<LogEntry> TagLines(const LogCapture &capture, const char *tag,
                               const std::regex *number = nullptr, const char *with = "") {
    std::vector<LogEntry> lines;
    for (LogEntry e : capture.entries()) {
        if (e.tag != tag)
            continue;
        if (number)
            e.text =
                std::regex_replace(e.text, *number, with, std::regex_constants::format_first_only);
        lines.push_back(e);
    }
    return lines;
}

LogEntry DeviceLine(int priority, const std::string &op, const std::string &rest) {
    return {priority, kDevice, "[camera_device:L] [" + op + "]" + rest};
}

}  // namespace

std::string ErrnoText(int e) {
    return "errno:" + std::to_string(e) + "(" + strerror(e) + ")";
}

std::string Hex(const uint8_t *bytes, size_t n) {
    std::string s;
    char b[4];
    for (size_t i = 0; i < n; ++i) {
        snprintf(b, sizeof b, "%02X ", bytes[i]);
        s += b;
    }
    return s;
}

std::string Hex(const std::vector<uint8_t> &bytes) {
    return Hex(bytes.data(), bytes.size());
}

std::vector<LogEntry> V4l2Lines(const LogCapture &capture) {
    return TagLines(capture, kV4l2);
}

std::vector<LogEntry> UvcLines(const LogCapture &capture) {
    static const std::regex number(R"(^\[[1-9][0-9]*\])");
    return TagLines(capture, kUvc, &number, "[L]");
}

std::vector<LogEntry> DeviceLines(const LogCapture &capture) {
    static const std::regex number(R"(^\[camera_device:\d+\])");
    return TagLines(capture, kDevice, &number, "[camera_device:L]");
}

namespace v4l2 {
LogEntry Debug(const std::string &text) {
    return {ANDROID_LOG_DEBUG, kV4l2, text};
}
LogEntry Info(const std::string &text) {
    return {ANDROID_LOG_INFO, kV4l2, text};
}
LogEntry Warn(const std::string &text) {
    return {ANDROID_LOG_WARN, kV4l2, text};
}
LogEntry Error(const std::string &text) {
    return {ANDROID_LOG_ERROR, kV4l2, text};
}
}  // namespace v4l2

namespace uvc {
LogEntry Info(const std::string &text) {
    return {ANDROID_LOG_INFO, kUvc, text};
}
LogEntry Error(const std::string &text) {
    return {ANDROID_LOG_ERROR, kUvc, text};
}
}  // namespace uvc

namespace device {
LogEntry Debug(const std::string &op, const std::string &rest) {
    return DeviceLine(ANDROID_LOG_DEBUG, op, rest);
}
LogEntry Info(const std::string &op, const std::string &rest) {
    return DeviceLine(ANDROID_LOG_INFO, op, rest);
}
LogEntry Warn(const std::string &op, const std::string &rest) {
    return DeviceLine(ANDROID_LOG_WARN, op, rest);
}
LogEntry Error(const std::string &op, const std::string &rest) {
    return DeviceLine(ANDROID_LOG_ERROR, op, rest);
}
}  // namespace device

}  // namespace orvtest
