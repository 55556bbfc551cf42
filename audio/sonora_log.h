// libsonora logs every message, ungated, under one tag.
#pragma once

#include <android/log.h>

#define SONORA_TAG "sonora"
#define SONORA_LOG(priority, ...) __android_log_print((priority), SONORA_TAG, __VA_ARGS__)
#define SONORA_LOGV(...) SONORA_LOG(ANDROID_LOG_VERBOSE, __VA_ARGS__)
#define SONORA_LOGD(...) SONORA_LOG(ANDROID_LOG_DEBUG, __VA_ARGS__)
#define SONORA_LOGI(...) SONORA_LOG(ANDROID_LOG_INFO, __VA_ARGS__)
#define SONORA_LOGW(...) SONORA_LOG(ANDROID_LOG_WARN, __VA_ARGS__)
#define SONORA_LOGE(...) SONORA_LOG(ANDROID_LOG_ERROR, __VA_ARGS__)
