// The Java `long` handle of an audio stream: the address of a heap cell holding one
// std::shared_ptr to the stream. The cell is the Java object's reference; every native call takes
// its own copy for the length of the call, so a stream dies (closing itself) only when the cell is
// freed and no call uses it any more.
#pragma once

#include <jni.h>

#include <cstdint>
#include <memory>
#include <utility>

template <class Stream>
struct StreamHandle {
    std::shared_ptr<Stream> stream;

    // A new closed stream in a new cell; 0 when memory runs out or the stream cannot be built.
    // Nothing escapes to the JNI caller.
    static jlong create() noexcept {
        try {
            // One allocation holds the stream and its count: no moment where both the smart
            // pointer and this function own a raw stream.
            auto stream = std::make_shared<Stream>();
            return toHandle(new StreamHandle{std::move(stream)});
        } catch (...) {
            return 0;
        }
    }

    // The cell's stream for one call; empty for handle 0. The handle must not have been destroyed.
    static std::shared_ptr<Stream> get(jlong handle) {
        if (handle == 0)
            return nullptr;
        return fromHandle(handle)->stream;
    }

    // Frees the cell; handle 0 does nothing. The stream goes when its last user returns.
    static void destroy(jlong handle) {
        if (handle != 0)
            delete fromHandle(handle);
    }

  private:
    static jlong toHandle(StreamHandle *cell) {
        return static_cast<jlong>(reinterpret_cast<std::uintptr_t>(cell));
    }
    static StreamHandle *fromHandle(jlong handle) {
        return reinterpret_cast<StreamHandle *>(static_cast<std::uintptr_t>(handle));
    }
};
