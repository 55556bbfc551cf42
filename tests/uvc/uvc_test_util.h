// Helpers of the extension-unit suites: configuration blocks as bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "log_lines.h"

namespace uvctest {

// 46 zero bytes with `runs` of bytes written at their offsets.
using ByteRuns = std::vector<std::pair<size_t, std::vector<uint8_t>>>;
std::vector<uint8_t> Block(const ByteRuns &runs);

}  // namespace uvctest
