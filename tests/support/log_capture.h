// Captures what the libraries write to the Android log, for exact assertions.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace orvtest {

struct LogEntry {
    int priority;
    std::string tag;
    std::string text;
    bool operator==(const LogEntry &o) const {
        return priority == o.priority && tag == o.tag && text == o.text;
    }
};

// While alive, every log line is recorded here instead of going to stderr (liblog's own
// priority filter is opened fully, so the libraries' gates are what is tested).
// One capture at a time per process.
class LogCapture {
  public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    std::vector<LogEntry> entries() const;
    // Texts of the lines written under `tag`, in order.
    std::vector<std::string> texts(const std::string &tag) const;
    void clear();
};

std::ostream &operator<<(std::ostream &os, const LogEntry &e);

}  // namespace orvtest
