#include "uvc_log_lines.h"

#include <android/log.h>

#include <regex>

#include "orv_log.h"

namespace uvctest {

std::vector<orvtest::LogEntry> UvcLines(const orvtest::LogCapture &capture) {
    static const std::regex line_number(R"(^\[[1-9][0-9]*\])");
    std::vector<orvtest::LogEntry> out;
    for (orvtest::LogEntry e : capture.entries()) {
        if (e.tag != ORV_TAG_UVC)
            continue;
        e.text =
            std::regex_replace(e.text, line_number, "[L]", std::regex_constants::format_first_only);
        out.push_back(e);
    }
    return out;
}

orvtest::LogEntry Info(const std::string &text) {
    return {ANDROID_LOG_INFO, ORV_TAG_UVC, text};
}

orvtest::LogEntry Error(const std::string &text) {
    return {ANDROID_LOG_ERROR, ORV_TAG_UVC, text};
}

}  // namespace uvctest
