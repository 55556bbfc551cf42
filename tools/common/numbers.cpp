#include "numbers.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace orvtool {

bool ParseInt(const std::string &text, int *value) {
    int64_t v = 0;
    if (!ParseInt64(text, &v) || v < INT_MIN || v > INT_MAX)
        return false;
    *value = static_cast<int>(v);
    return true;
}

bool ParseInt64(const std::string &text, int64_t *value) {
    if (text.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    // Decimal unless 0x: a leading zero is no octal prefix ("08" is 8).
    const size_t digits = text[0] == '-' || text[0] == '+' ? 1 : 0;
    const bool hex = text.compare(digits, 2, "0x") == 0 || text.compare(digits, 2, "0X") == 0;
    const long long v = std::strtoll(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0')
        return false;
    *value = v;
    return true;
}

bool ParseNumber(const std::string &text, double *value) {
    if (text.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

}  // namespace orvtool
