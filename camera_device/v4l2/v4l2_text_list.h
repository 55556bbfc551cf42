// A comma-separated list written into a caller's fixed buffer ("1920x1080,1280x720").
#pragma once

#include <cstddef>

namespace orv {
namespace v4l2 {

class TextList {
  public:
    // `text` holds `capacity` bytes (a null text holds none). Nothing is written until the
    // first entry that fits; the list then starts at the beginning of `text`.
    TextList(char *text, size_t capacity)
        : text_(capacity > 0 ? text : nullptr), capacity_(text != nullptr ? capacity : 0) {}

    // Appends `entry` (after a "," unless it is the first) and the terminating NUL. Returns
    // false, writing nothing, when they do not fit in the capacity.
    bool append(const char *entry);

  private:
    char *text_;
    size_t capacity_;
    size_t length_ = 0;
};

}  // namespace v4l2
}  // namespace orv
