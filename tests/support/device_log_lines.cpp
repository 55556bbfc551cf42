#include "device_log_lines.h"

#include <regex>

namespace orvtest {

namespace {
const char kTag[] = "ORVCam/device";
}  // namespace

std::vector<LogEntry> DeviceLines(const LogCapture &capture) {
    static const std::regex line_number(R"(^\[camera_device:\d+\])");
    std::vector<LogEntry> lines;
    for (LogEntry e : capture.entries()) {
        if (e.tag != kTag)
            continue;
        e.text = std::regex_replace(e.text, line_number, "[camera_device:L]",
                                    std::regex_constants::format_first_only);
        lines.push_back(e);
    }
    return lines;
}

LogEntry DeviceLine(int priority, const std::string &op, const std::string &rest) {
    return {priority, kTag, "[camera_device:L] [" + op + "]" + rest};
}

}  // namespace orvtest
