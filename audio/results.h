// The results that libsonora's streams and natives give besides 0 and positive counts.
#pragma once

namespace sonora {

constexpr int kResultBadValue = -22;  // -EINVAL: an array, range or value that cannot be used
constexpr int kResultNoStream = -38;  // -ENOSYS: no stream, not open, or OpenSL ES failed

}  // namespace sonora
