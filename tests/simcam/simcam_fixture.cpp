#include "simcam_fixture.h"

namespace simtest {
namespace {

// Offsets of the first byte after each start code (00 00 01, or 00 00 00 01).
std::vector<size_t> NalStarts(const std::vector<uint8_t> &au) {
    std::vector<size_t> starts;
    for (size_t i = 0; i + 3 <= au.size(); ++i) {
        if (au[i] == 0 && au[i + 1] == 0 && au[i + 2] == 1) {
            starts.push_back(i + 3);
            i += 2;
        }
    }
    return starts;
}

}  // namespace

std::vector<int> NalTypes(const std::vector<uint8_t> &au) {
    std::vector<int> types;
    for (size_t s : NalStarts(au))
        if (s < au.size())
            types.push_back(au[s] & 0x1F);
    return types;
}

int SpsProfile(const std::vector<uint8_t> &au) {
    for (size_t s : NalStarts(au))
        if (s + 1 < au.size() && (au[s] & 0x1F) == 7)
            return au[s + 1];
    return -1;
}

}  // namespace simtest
