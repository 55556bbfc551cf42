// Java primitive arrays at the audio natives' boundary: range checks, element access for the
// length of a call, and the conversion of byte counts to elements.
#pragma once

#include "results.h"
#include "sonora_log.h"

#include <jni.h>

#include <cstddef>
#include <cstdint>

namespace sonora {

// Bytes of `count` elements of `elementSize` bytes from element `offset` of an array of `length`
// elements; kResultBadValue when `offset` or `count` is negative, the range passes the end of the
// array, or the bytes do not fit a positive jint (the streams report byte counts as int).
int64_t arrayRangeBytes(jsize length, jint offset, jint count, size_t elementSize);

// A positive byte count as whole elements (the fraction dropped); 0 and negative results pass
// unchanged.
jint bytesToElements(long bytes, size_t elementSize);

// How the elements of one kind of Java array are had, stored and given back: one row per array
// type.
template <class Array, class E, E *(JNIEnv::*Get)(Array, jboolean *),
          void (JNIEnv::*Release)(Array, E *, jint),
          void (JNIEnv::*SetRegion)(Array, jsize, jsize, const E *)>
struct ArrayAccessRow {
    using Element = E;
    static Element *get(JNIEnv *env, Array a, jboolean *isCopy) { return (env->*Get)(a, isCopy); }
    static void release(JNIEnv *env, Array a, Element *e, jint mode) {
        (env->*Release)(a, e, mode);
    }
    static void store(JNIEnv *env, Array a, jsize start, jsize count, const Element *from) {
        (env->*SetRegion)(a, start, count, from);
    }
};

template <class Array>
struct ArrayAccess;
template <>
struct ArrayAccess<jbyteArray>
    : ArrayAccessRow<jbyteArray, jbyte, &JNIEnv::GetByteArrayElements,
                     &JNIEnv::ReleaseByteArrayElements, &JNIEnv::SetByteArrayRegion> {};
template <>
struct ArrayAccess<jshortArray>
    : ArrayAccessRow<jshortArray, jshort, &JNIEnv::GetShortArrayElements,
                     &JNIEnv::ReleaseShortArrayElements, &JNIEnv::SetShortArrayRegion> {};
template <>
struct ArrayAccess<jfloatArray>
    : ArrayAccessRow<jfloatArray, jfloat, &JNIEnv::GetFloatArrayElements,
                     &JNIEnv::ReleaseFloatArrayElements, &JNIEnv::SetFloatArrayRegion> {};

// What becomes of the elements when they are released. They are never copied back whole: the VM
// may have handed out a copy of the whole array, and copying it all back would overwrite what
// another thread wrote elsewhere in the array meanwhile (another reader's range included).
enum class ArrayUse {
    ReadOnly,  // dropped
    Written,   // the range the transfer delivered is stored back, the rest dropped
};

// The elements of a Java array while the object lives; released at the end of the scope,
// whatever happened meanwhile, with only the range given to `delivered` stored back.
template <class Array>
class ArrayElements {
  public:
    using Access = ArrayAccess<Array>;
    using Element = typename Access::Element;
    ArrayElements(JNIEnv *env, Array array)
        : env_(env), array_(array), elements_(Access::get(env, array, &isCopy_)) {}
    ~ArrayElements() {
        if (elements_ == nullptr)
            return;
        if (isCopy_ && count_ > 0)
            Access::store(env_, array_, start_, count_, elements_ + start_);
        Access::release(env_, array_, elements_, JNI_ABORT);
    }
    ArrayElements(const ArrayElements &) = delete;
    ArrayElements &operator=(const ArrayElements &) = delete;
    Element *get() const { return elements_; }
    // The elements written through get(), stored back at release.
    void delivered(jsize start, jsize count) {
        start_ = start;
        count_ = count;
    }

  private:
    JNIEnv *env_;
    Array array_;
    jboolean isCopy_ = JNI_FALSE;
    Element *elements_;
    jsize start_ = 0;
    jsize count_ = 0;
};

// Moves `count` elements from element `offset` of `array` through `transfer(address, bytes)`
// (a stream's read or write, giving bytes or a negative result) and returns the elements moved or
// the negative result. A null array or a bad range gives kResultBadValue and touches nothing;
// elements that cannot be had log `accessError` (ERROR) and give kResultBadValue. `use` says
// whether the transfer writes the elements.
template <class Array, class Transfer>
jint transferElements(JNIEnv *env, Array array, jint offset, jint count, ArrayUse use,
                      const char *accessError, Transfer transfer) {
    if (array == nullptr)
        return kResultBadValue;
    using Element = typename ArrayAccess<Array>::Element;
    const int64_t bytes =
        arrayRangeBytes(env->GetArrayLength(array), offset, count, sizeof(Element));
    if (bytes < 0)
        return kResultBadValue;
    ArrayElements<Array> elements(env, array);
    if (elements.get() == nullptr) {
        env->ExceptionClear();  // the VM's OutOfMemoryError: the caller gets the result instead
        SONORA_LOGE("%s", accessError);
        return kResultBadValue;
    }
    const long result = transfer(elements.get() + offset, static_cast<size_t>(bytes));
    if (use == ArrayUse::Written && result > 0)  // every element reached, a partial one too
        elements.delivered(offset,
                           static_cast<jsize>((static_cast<size_t>(result) + sizeof(Element) - 1) /
                                              sizeof(Element)));
    return bytesToElements(result, sizeof(Element));
}

}  // namespace sonora
