// What the commands of orv-camera share: exit codes, messages, and the parsing of ids and
// numbers given on the command line.
#pragma once

#include <stdint.h>

#include <string>

namespace orvcli {

// Exit codes of every command.
enum Exit : int {
    kOk = 0,
    kFailed = 1,         // the camera or the system refused the operation
    kUsage = 2,          // the command line is wrong
    kNotFound = 3,       // no such camera, node or USB device
    kInterrupted = 130,  // capture ended by SIGINT or SIGTERM, its file complete
};

// "orv-camera: <message>" on standard error; returns `code`.
int Fail(int code, const std::string &message);

// "vvvv:pppp" (hexadecimal, as lsusb prints it).
std::string UsbIdText(int vendor, int product);

// Parses "vvvv:pppp" (hexadecimal, optional 0x); false when it is not two 16-bit numbers.
bool ParseUsbId(const std::string &text, int *vendor, int *product);

// Parses a whole integer, decimal or 0x hexadecimal (a leading zero is no octal prefix);
// false on trailing text or overflow of int.
bool ParseInt(const std::string &text, int *value);

// The same for a 64-bit integer.
bool ParseInt64(const std::string &text, int64_t *value);

// Parses a decimal number; false on trailing text, infinity or NaN.
bool ParseNumber(const std::string &text, double *value);

// Parses "WxH"; false unless both are positive integers.
bool ParseSize(const std::string &text, int *width, int *height);

}  // namespace orvcli
