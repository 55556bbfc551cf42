// SL_RESULT_* names, for the fault rules of the environment and for log lines.
#pragma once

#include <SLES/OpenSLES.h>

#include <string>

namespace slhost {

// "SL_RESULT_SUCCESS" ... "SL_RESULT_CONTROL_LOST"; "SL_RESULT_UNKNOWN" for other codes.
const char *result_name(SLresult result);
// The code of a name result_name() gives (not "SL_RESULT_UNKNOWN"). False for other text.
bool result_from_name(const std::string &name, SLresult &result);

}  // namespace slhost
