// Helpers of the extension-unit suites: the layer's log lines in comparable form, and
// configuration blocks as bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "log_capture.h"

namespace uvctest {

// Lines under "ORVCam/uvc" in order, with the source line number that each format starts with
// ("[%d]") replaced by "[L]"; a text not starting with "[<digits>]" is kept as it is (and so
// fails any comparison with an expected "[L]" line).
std::vector<orvtest::LogEntry> UvcLines(const orvtest::LogCapture &capture);

orvtest::LogEntry Info(const std::string &text);
orvtest::LogEntry Error(const std::string &text);

// "errno:<e>(<strerror text>)", as the layer prints it.
std::string ErrnoText(int e);

// Bytes as "FE FF 00 ...", for readable comparisons.
std::string Hex(const uint8_t *bytes, size_t n);
std::string Hex(const std::vector<uint8_t> &bytes);

// 46 zero bytes with `runs` of bytes written at their offsets.
using ByteRuns = std::vector<std::pair<size_t, std::vector<uint8_t>>>;
std::vector<uint8_t> Block(const ByteRuns &runs);

}  // namespace uvctest
