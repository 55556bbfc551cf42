// The camera library's log lines in a form tests compare exactly, and the texts they embed.
//
// One scheme for every tag: orvtest::<Tag>Lines(capture) reads the lines written under the tag
// in order, with the source line number each starts with read as "L"; orvtest::<tag>::Info(...)
// and its siblings build an expected line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "log_capture.h"

namespace orvtest {

// "errno:<e>(<strerror text>)", as the libraries print it.
std::string ErrnoText(int e);

// Bytes as "FE FF 00 ...", for readable comparisons.
std::string Hex(const uint8_t *bytes, size_t n);
std::string Hex(const std::vector<uint8_t> &bytes);

// "ORVCam/v4l2": lines as written (they carry no line number).
std::vector<LogEntry> V4l2Lines(const LogCapture &capture);
namespace v4l2 {
LogEntry Debug(const std::string &text);
LogEntry Info(const std::string &text);
LogEntry Warn(const std::string &text);
LogEntry Error(const std::string &text);
}  // namespace v4l2

// "ORVCam/uvc": the leading "[<n>]" read as "[L]"; a text without it is kept as it is (and so
// fails any comparison with an expected line).
std::vector<LogEntry> UvcLines(const LogCapture &capture);
namespace uvc {
LogEntry Info(const std::string &text);
LogEntry Error(const std::string &text);
}  // namespace uvc

// "ORVCam/device": "[camera_device:<n>]" read as "[camera_device:L]"; an expected line is
// "[camera_device:L] [<op>]<rest>".
std::vector<LogEntry> DeviceLines(const LogCapture &capture);
namespace device {
LogEntry Debug(const std::string &op, const std::string &rest);
LogEntry Info(const std::string &op, const std::string &rest);
LogEntry Warn(const std::string &op, const std::string &rest);
LogEntry Error(const std::string &op, const std::string &rest);
}  // namespace device

}  // namespace orvtest
