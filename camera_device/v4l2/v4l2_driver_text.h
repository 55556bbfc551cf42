// Texts the driver hands back in fixed arrays (driver, card, format description, control
// name), as NUL-terminated strings even when a driver fills the whole array.
#pragma once

#include <linux/types.h>

#include <cstddef>
#include <cstring>

namespace orv {
namespace v4l2 {

template <size_t N>
struct DriverText {
    explicit DriverText(const __u8 (&text)[N]) {
        std::memcpy(chars, text, N);
        chars[N] = '\0';
    }
    const char *c_str() const { return chars; }

    char chars[N + 1];
};

}  // namespace v4l2
}  // namespace orv
