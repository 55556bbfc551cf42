// Comparing interface identifiers.
#pragma once

#include <SLES/OpenSLES.h>

namespace slhost {

// True when both identify the same interface (the same value, wherever it is stored).
bool iid_equal(SLInterfaceID a, SLInterfaceID b);

}  // namespace slhost
