#include "nal_units.h"

namespace orvcli {

bool IsIdrFrame(const uint8_t *data, size_t size) {
    bool idr = false;
    ForEachNal(data, size, [&idr](int type, const uint8_t *, size_t) {
        idr = type == kNalIdr;
        return !idr;
    });
    return idr;
}

std::string ParameterSets(const uint8_t *data, size_t size) {
    std::string sets;
    bool sps = false;
    ForEachNal(data, size, [&](int type, const uint8_t *unit, size_t length) {
        if (type == kNalSps || type == kNalPps) {
            sps = sps || type == kNalSps;
            sets.append("\0\0\0\1", 4);
            sets.append(reinterpret_cast<const char *>(unit), length);
        }
        return true;
    });
    return sps ? sets : std::string();
}

}  // namespace orvcli
