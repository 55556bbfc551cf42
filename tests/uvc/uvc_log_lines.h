// The extension-unit layer's log lines, with the source line number that each format starts
// with ("[%d]") replaced by "[L]", so tests can compare whole texts.
#pragma once

#include <string>
#include <vector>

#include "log_capture.h"

namespace uvctest {

// Lines under "ORVCam/uvc" in order; a text not starting with "[<digits>]" is kept as it is
// (and so fails any comparison with an expected "[L]" line).
std::vector<orvtest::LogEntry> UvcLines(const orvtest::LogCapture &capture);

orvtest::LogEntry Info(const std::string &text);
orvtest::LogEntry Error(const std::string &text);

}  // namespace uvctest
