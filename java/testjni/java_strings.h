// A Java String[] from C++ strings, for the test bridges.
#pragma once

#include <jni.h>

#include <string>
#include <vector>

inline jobjectArray to_java_strings(JNIEnv *env, const std::vector<std::string> &lines) {
    jclass string_class = env->FindClass("java/lang/String");
    if (string_class == nullptr)
        return nullptr;
    jobjectArray out = env->NewObjectArray(static_cast<jsize>(lines.size()), string_class, nullptr);
    for (size_t i = 0; out != nullptr && i < lines.size(); ++i) {
        jstring s = env->NewStringUTF(lines[i].c_str());
        env->SetObjectArrayElement(out, static_cast<jsize>(i), s);
        env->DeleteLocalRef(s);
    }
    env->DeleteLocalRef(string_class);
    return out;
}
