// JNI bridge for the Java tests: what the native libraries write to the Android log, captured
// for exact assertions ("P/tag: text", P being V, D, I, W, E or F).
#include <android/log.h>
#include <jni.h>

#include <mutex>
#include <string>
#include <vector>

#include "java_strings.h"

namespace {

std::mutex g_mutex;
std::vector<std::string> g_lines;

char letter(int priority) {
    static const char kLetters[] = "??VDIWEF";
    return priority >= 0 && priority < 8 ? kLetters[priority] : '?';
}

void capture(const struct __android_logger_data *data, const char *message) {
    std::string line;
    line += letter(data->priority);
    line += '/';
    line += data->tag != nullptr ? data->tag : "";
    line += ": ";
    line += message != nullptr ? message : "";
    std::lock_guard<std::mutex> lock(g_mutex);
    g_lines.push_back(line);
}

}  // namespace

extern "C" {

JNIEXPORT void JNICALL Java_com_orv_testsupport_AndroidLog_nativeStart(JNIEnv *, jclass) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_lines.clear();
    }
    __android_log_set_minimum_priority(ANDROID_LOG_VERBOSE);
    __android_log_set_logger(capture);
}

JNIEXPORT void JNICALL Java_com_orv_testsupport_AndroidLog_nativeStop(JNIEnv *, jclass) {
    __android_log_set_logger(__android_log_stderr_logger);
}

JNIEXPORT jobjectArray JNICALL Java_com_orv_testsupport_AndroidLog_nativeTake(JNIEnv *env, jclass) {
    std::vector<std::string> lines;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        lines.swap(g_lines);
    }
    return to_java_strings(env, lines);
}

}  // extern "C"
