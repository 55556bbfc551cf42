// The library's own log lines, under the tag "OpenSLES".
#pragma once

#include <android/log.h>

#define SLHOST_LOG(prio, ...) __android_log_print(prio, "OpenSLES", __VA_ARGS__)
#define SLHOST_LOGW(...) SLHOST_LOG(ANDROID_LOG_WARN, __VA_ARGS__)
#define SLHOST_LOGE(...) SLHOST_LOG(ANDROID_LOG_ERROR, __VA_ARGS__)
