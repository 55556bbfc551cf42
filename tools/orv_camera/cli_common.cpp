#include "cli_common.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace orvcli {

std::string UsbIdText(int vendor, int product) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", vendor & 0xffff, product & 0xffff);
    return text;
}

namespace {

bool ParseLong(const std::string &text, int base, long *value) {
    if (text.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    *value = std::strtol(text.c_str(), &end, base);
    return errno == 0 && *end == '\0';
}

bool ParseHex16(const std::string &text, int *value) {
    long v = 0;
    if (text.empty() || text[0] == '-' || text[0] == '+' || !ParseLong(text, 16, &v) || v > 0xffff)
        return false;
    *value = static_cast<int>(v);
    return true;
}

}  // namespace

bool ParseUsbId(const std::string &text, int *vendor, int *product) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos)
        return false;
    int v = 0, p = 0;
    if (!ParseHex16(text.substr(0, colon), &v) || !ParseHex16(text.substr(colon + 1), &p))
        return false;
    *vendor = v;
    *product = p;
    return true;
}

void AddNodeOption(Command &cmd, std::string *node) {
    *node = "/dev/video0";
    cmd.Value("-d,--device", "Video node (N for /dev/videoN)",
              [node](const std::string &text) {
                  const bool number =
                      !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
                  *node = number ? "/dev/video" + text : text;
                  return std::string();
              })
        .ShowDefault(*node);
}

bool ParseSize(const std::string &text, int *width, int *height) {
    const size_t x = text.find('x');
    int w = 0, h = 0;
    if (x == std::string::npos || !ParseInt(text.substr(0, x), &w) ||
        !ParseInt(text.substr(x + 1), &h) || w <= 0 || h <= 0)
        return false;
    *width = w;
    *height = h;
    return true;
}

}  // namespace orvcli
