// Which extension unit the commands address: the --unit option, "auto" (the default) or an id.
#pragma once

#include <string>

namespace orvcli {

// The unit the maker's cameras have; "auto" falls back to it.
constexpr int kDefaultH264Unit = 12;

// Checks a --unit value: "auto" or a unit id from 1 to 255. "" when good, else the message.
std::string CheckUnitText(const std::string &text);

// The unit to use on `node`: the id given, or for "auto" the bUnitID of the H.264 unit in the
// USB descriptors of the node's device (sysfs, no privileges needed). Says on standard error
// which unit "auto" chose, or, when the descriptors can't be read or describe no H.264 unit,
// warns there and gives kDefaultH264Unit (silently for a node that does not exist, which the
// command then reports). `text` must have passed CheckUnitText.
int ChooseUnit(const std::string &text, const std::string &node);

}  // namespace orvcli
