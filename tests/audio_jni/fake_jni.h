// A JNIEnv without a VM: primitive arrays live in the test, element access hands out copies the
// way a VM may (written back on release mode 0), and access can be refused. Enough for the audio
// natives, which use nothing else.
#pragma once

#include <jni.h>

#include <cstddef>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace audiojnitest {

struct FakeArray {
    FakeArray(jsize elements, size_t bytesEach)
        : bytes(static_cast<size_t>(elements) * bytesEach),
          length(elements),
          elementSize(bytesEach) {}
    std::vector<uint8_t> bytes;
    jsize length;
    size_t elementSize;
    bool refuse = false;  // element access yields nothing
    int javaWrites = -1;  // when >= 0: Java stores 0x5A in this byte once the elements are out
    std::atomic<int> gets{0};
    std::atomic<int> releases{0};
    std::atomic<int> lastReleaseMode{-1};
    std::atomic<int> exceptionsCleared{0};

    template <class T>
    T *as() {
        return reinterpret_cast<T *>(bytes.data());
    }
    template <class JArray>
    JArray ref() {
        return reinterpret_cast<JArray>(this);
    }
};

// The process's fake environment; thread-safe.
JNIEnv *fakeEnv();

}  // namespace audiojnitest
