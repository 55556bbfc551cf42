#include "usb_descriptors.h"

#include <cstring>

namespace orvcli {
namespace {

// Descriptor types and the video class codes the walk looks at.
constexpr uint8_t kConfiguration = 0x02;
constexpr uint8_t kInterface = 0x04;
constexpr uint8_t kClassInterface = 0x24;  // CS_INTERFACE
constexpr uint8_t kVideoClass = 0x0e;
constexpr uint8_t kVideoControl = 0x01;
constexpr uint8_t kExtensionUnit = 0x06;  // VC_EXTENSION_UNIT

// The H.264 unit's GUID as it is sent: the first three fields little-endian.
constexpr uint8_t kH264UnitGuid[16] = {0x41, 0x76, 0x9e, 0xa2, 0x04, 0xde, 0xe3, 0x47,
                                       0x8b, 0x2b, 0xf4, 0x34, 0x1a, 0xff, 0x00, 0x3b};
// The same GUID as some firmware writes it: the first three fields big-endian.
constexpr uint8_t kH264UnitGuidBigEndian[16] = {0xa2, 0x9e, 0x76, 0x41, 0xde, 0x04, 0x47, 0xe3,
                                                0x8b, 0x2b, 0xf4, 0x34, 0x1a, 0xff, 0x00, 0x3b};

// Interface descriptor: bInterfaceNumber, bInterfaceClass, bInterfaceSubClass; its length.
constexpr size_t kInterfaceNumber = 2, kInterfaceClass = 5, kInterfaceSubClass = 6;
constexpr size_t kInterfaceLength = 9;
// Extension unit descriptor: bDescriptorSubtype, bUnitID, then the 16-byte GUID.
constexpr size_t kSubtype = 2, kUnitId = 3, kGuid = 4;
constexpr size_t kGuidEnd = kGuid + sizeof kH264UnitGuid;

bool IsWantedVideoControl(const uint8_t *d, size_t length, int interface_number) {
    return length >= kInterfaceLength && d[kInterfaceClass] == kVideoClass &&
           d[kInterfaceSubClass] == kVideoControl &&
           (interface_number < 0 || d[kInterfaceNumber] == interface_number);
}

bool IsUnitWithGuid(const uint8_t *d, size_t length, const uint8_t (&guid)[16]) {
    // Unit id 0 is no unit: UVC numbers its entities from 1.
    return length >= kGuidEnd && d[kSubtype] == kExtensionUnit && d[kUnitId] != 0 &&
           std::memcmp(d + kGuid, guid, sizeof guid) == 0;
}

}  // namespace

int FindH264UnitId(const uint8_t *data, size_t size, int interface_number, GuidOrder *order) {
    if (!data)
        return -1;
    int big_endian = -1;  // the first unit with the big-endian GUID, kept until the walk ends
    // Walked by each descriptor's bLength alone: a configuration's wTotalLength and a unit's
    // counts may lie as well, and the walk needs neither.
    bool in_video_control = false;
    size_t pos = 0;
    while (size - pos >= 2) {
        const uint8_t *d = data + pos;
        const size_t length = d[0];
        if (length < 2 || length > size - pos)
            break;  // a zero length would never advance; one past the end is cut off
        switch (d[1]) {
            case kConfiguration:
                in_video_control = false;
                break;
            case kInterface:
                in_video_control = IsWantedVideoControl(d, length, interface_number);
                break;
            case kClassInterface:
                if (in_video_control && IsUnitWithGuid(d, length, kH264UnitGuid)) {
                    if (order)
                        *order = GuidOrder::kWire;
                    return d[kUnitId];
                }
                if (in_video_control && big_endian < 0 &&
                    IsUnitWithGuid(d, length, kH264UnitGuidBigEndian))
                    big_endian = d[kUnitId];
                break;
            default:
                break;
        }
        pos += length;
    }
    if (big_endian > 0 && order)
        *order = GuidOrder::kBigEndian;
    return big_endian;
}

}  // namespace orvcli
