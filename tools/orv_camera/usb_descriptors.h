// Where a camera's UVC H.264 extension unit is, read from the USB device's raw descriptors.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace orvcli {

// The bUnitID of the extension unit whose GUID is the UVC H.264 unit's
// {A29E7641-DE04-47E3-8B2B-F4341AFF003B}, among the units of a VideoControl interface in a USB
// device's raw descriptors (what sysfs "descriptors" holds: the device descriptor, then every
// configuration's descriptors). `interface_number` picks the VideoControl interface (a
// composite device may have several); -1 takes the first that describes such a unit.
// Returns -1 when none is described.
//
// Some cameras' firmware writes the GUID with its first three fields big-endian (a2 9e 76 41
// de 04 47 e3 ...); such a unit counts too, unless a unit with the GUID as it is sent is
// described as well. *order, when given, says which order the unit found carries.
//
// The blob may come from a broken or hostile device: no length in it is trusted. The walk
// reads only within [data, data + size), stops at a descriptor length below 2 or past the end,
// and reads a unit's GUID only when the unit's own length covers it.
enum class GuidOrder { kWire, kBigEndian };
int FindH264UnitId(const uint8_t *data, size_t size, int interface_number = -1,
                   GuidOrder *order = nullptr);

}  // namespace orvcli
