#include "result_names.h"

namespace slhost {
namespace {

const char *const kNames[] = {
    "SL_RESULT_SUCCESS",
    "SL_RESULT_PRECONDITIONS_VIOLATED",
    "SL_RESULT_PARAMETER_INVALID",
    "SL_RESULT_MEMORY_FAILURE",
    "SL_RESULT_RESOURCE_ERROR",
    "SL_RESULT_RESOURCE_LOST",
    "SL_RESULT_IO_ERROR",
    "SL_RESULT_BUFFER_INSUFFICIENT",
    "SL_RESULT_CONTENT_CORRUPTED",
    "SL_RESULT_CONTENT_UNSUPPORTED",
    "SL_RESULT_CONTENT_NOT_FOUND",
    "SL_RESULT_PERMISSION_DENIED",
    "SL_RESULT_FEATURE_UNSUPPORTED",
    "SL_RESULT_INTERNAL_ERROR",
    "SL_RESULT_UNKNOWN_ERROR",
    "SL_RESULT_OPERATION_ABORTED",
    "SL_RESULT_CONTROL_LOST",
};
constexpr SLresult kCount = sizeof kNames / sizeof kNames[0];

}  // namespace

const char *result_name(SLresult result) {
    return result < kCount ? kNames[result] : "SL_RESULT_UNKNOWN";
}

bool result_from_name(const std::string &name, SLresult &result) {
    for (SLresult r = 0; r < kCount; ++r) {
        if (name == kNames[r]) {
            result = r;
            return true;
        }
    }
    return false;
}

}  // namespace slhost
