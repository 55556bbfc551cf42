#include "v4l2/v4l2_text_list.h"

#include <cstring>

namespace orv {
namespace v4l2 {

bool TextList::append(const char *entry) {
    const size_t separator = length_ > 0 ? 1 : 0;
    const size_t size = std::strlen(entry);
    // separator + entry + NUL must fit in what is left.
    if (capacity_ - length_ < separator + size + 1)
        return false;
    if (separator)
        text_[length_] = ',';
    std::memcpy(text_ + length_ + separator, entry, size + 1);
    length_ += separator + size;
    return true;
}

}  // namespace v4l2
}  // namespace orv
