// Numbers given on a command line.
#pragma once

#include <stdint.h>

#include <string>

namespace orvtool {

// Parses a whole integer, decimal or 0x hexadecimal (a leading zero is no octal prefix);
// false on trailing text or overflow of int.
bool ParseInt(const std::string &text, int *value);

// The same for a 64-bit integer.
bool ParseInt64(const std::string &text, int64_t *value);

// Parses a decimal number; false on trailing text, infinity or NaN.
bool ParseNumber(const std::string &text, double *value);

}  // namespace orvtool
