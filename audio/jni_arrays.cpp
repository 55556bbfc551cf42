#include "jni_arrays.h"

#include <limits>

namespace sonora {

int64_t arrayRangeBytes(jsize length, jint offset, jint count, size_t elementSize) {
    if (offset < 0 || count < 0)
        return kResultBadValue;
    if (static_cast<int64_t>(offset) + count > length)
        return kResultBadValue;
    const int64_t bytes = static_cast<int64_t>(count) * static_cast<int64_t>(elementSize);
    if (bytes > std::numeric_limits<jint>::max())
        return kResultBadValue;
    return bytes;
}

jint bytesToElements(long bytes, size_t elementSize) {
    if (bytes <= 0)
        return static_cast<jint>(bytes);
    return static_cast<jint>(static_cast<size_t>(bytes) / elementSize);
}

}  // namespace sonora
