#include "orv_log.h"

#include <sys/system_properties.h>

#include <cerrno>
#include <cstdlib>

extern "C" int orv_log_enabled(int priority) {
    const int saved_errno = errno;
    char value[PROP_VALUE_MAX] = {0};
    const int len = __system_property_get("orv.log.level", value);
    errno = saved_errno;
    if (len <= 0)
        return priority >= ANDROID_LOG_ERROR;
    const int level = atoi(value);
    if (priority >= ANDROID_LOG_ERROR)
        return level <= ANDROID_LOG_ERROR;
    return level <= priority;
}
