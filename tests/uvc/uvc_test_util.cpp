#include "uvc_test_util.h"

#include <android/log.h>

#include <cstdio>
#include <cstring>
#include <regex>

#include "orv_log.h"
#include "uvc/uvcx_video_config.h"

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

std::vector<uint8_t> Block(const ByteRuns &runs) {
    std::vector<uint8_t> block(UVCX_VIDEO_CONFIG_SIZE, 0);
    for (const auto &run : runs)
        for (size_t i = 0; i < run.second.size(); ++i)
            block.at(run.first + i) = run.second[i];
    return block;
}

}  // namespace uvctest
