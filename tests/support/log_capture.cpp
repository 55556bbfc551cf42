#include "log_capture.h"

#include <android/log.h>

#include <ostream>

namespace orvtest {
namespace {

std::mutex g_mutex;
std::vector<LogEntry> g_entries;

void capture_logger(const struct __android_logger_data *data, const char *message) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_entries.push_back({data->priority, data->tag ? data->tag : "", message ? message : ""});
}

}  // namespace

LogCapture::LogCapture() {
    clear();
    __android_log_set_minimum_priority(ANDROID_LOG_VERBOSE);
    __android_log_set_logger(capture_logger);
}

LogCapture::~LogCapture() {
    __android_log_set_logger(__android_log_stderr_logger);
}

std::vector<LogEntry> LogCapture::entries() const {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_entries;
}

std::vector<std::string> LogCapture::texts(const std::string &tag) const {
    std::vector<std::string> out;
    for (const LogEntry &e : entries())
        if (e.tag == tag)
            out.push_back(e.text);
    return out;
}

void LogCapture::clear() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_entries.clear();
}

std::ostream &operator<<(std::ostream &os, const LogEntry &e) {
    return os << "{" << e.priority << ", \"" << e.tag << "\", \"" << e.text << "\"}";
}

}  // namespace orvtest
