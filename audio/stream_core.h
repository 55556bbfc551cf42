// What the playback and capture streams share: each stream keeps its own fields and hands these
// helpers the ones they work on, play and record interfaces and both kinds of buffer queue alike.
//
// Lock order of both streams: the caller lock (writeLock or readLock), then `lock` (recursive;
// streamLock()), then the signal's mutex; the engine lock only after `lock`. The buffer-queue
// callback runs on OpenSL ES's thread and takes `lock`. Any thread may call any public member;
// the state and queue operations take `lock` themselves and may be called with it held, while
// open, close, read and write must not be (they wait, or destroy OpenSL ES objects, after
// releasing it). The helpers run with `lock` held unless they say otherwise.
#pragma once

#include "results.h"
#include "sl_engine.h"
#include "sonora_log.h"

#include <SLES/OpenSLES.h>
#include <SLES/OpenSLES_Android.h>

#include <cstddef>
#include <cstdlib>
#include <deque>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace sonora {

inline SLresult setControlState(SLPlayItf play, SLuint32 state) {
    return (*play)->SetPlayState(play, state);
}
inline SLresult setControlState(SLRecordItf record, SLuint32 state) {
    return (*record)->SetRecordState(record, state);
}
inline const char *setControlStateName(SLPlayItf) {
    return "setPlayState";
}
inline const char *setControlStateName(SLRecordItf) {
    return "setRecordState";
}

// The queue's count of buffers and the index of the one in use.
struct QueueState {
    SLresult result;
    SLuint32 count;
    SLuint32 index;
};
inline QueueState queueState(SLBufferQueueItf queue) {
    SLBufferQueueState s{};
    const SLresult r = (*queue)->GetState(queue, &s);
    return {r, s.count, s.playIndex};
}
inline QueueState queueState(SLAndroidSimpleBufferQueueItf queue) {
    SLAndroidSimpleBufferQueueState s{};
    const SLresult r = (*queue)->GetState(queue, &s);
    return {r, s.count, s.index};
}

// The frame of open, run with the stream closed and `lock` held: borrows the shared engine into
// `engineObject` and its interface into `engine`, then runs `setUp` (the stream's own OpenSL ES
// steps, giving the first result that is not a success). A stream without an engine logs WARN
// "cannot create OpenSL ES engine"; a failed step runs `close`, then logs WARN "open error %s".
// 0, or kResultNoStream.
template <class SetUp, class Close>
int openWithEngine(SLObjectItf &engineObject, SLEngineItf &engine, SetUp setUp, Close close) {
    engineObject = android::OpenSLEngine(true);
    if (engineObject == nullptr) {
        SONORA_LOGW("cannot create OpenSL ES engine");
        return kResultNoStream;
    }
    SLresult result = (*engineObject)->GetInterface(engineObject, SL_IID_ENGINE, &engine);
    if (result == SL_RESULT_SUCCESS)
        result = setUp();
    if (result != SL_RESULT_SUCCESS) {
        close();
        SONORA_LOGW("open error %s", android::getSLErrStr(static_cast<int>(result)));
        return kResultNoStream;
    }
    return 0;
}

// SetPlayState / SetRecordState(requested) on a present play or record interface: `state`
// follows and the result is 0; a refusal logs WARN "setPlayState %d error %s" (setRecordState)
// and gives kResultNoStream with `state` unchanged.
template <class Control>
int changeState(Control control, SLuint32 requested, SLuint32 &state) {
    const SLresult r = setControlState(control, requested);
    if (r != SL_RESULT_SUCCESS) {
        SONORA_LOGW("%s %d error %s", setControlStateName(control), static_cast<int>(requested),
                    android::getSLErrStr(static_cast<int>(r)));
        return kResultNoStream;
    }
    state = requested;
    return 0;
}

// Milliseconds played or recorded. 0; kResultNoStream when `control` is absent or GetPosition
// fails (WARN "getPosition error %s").
template <class Control>
int positionOf(Control control, SLmillisecond *position) {
    if (control == nullptr)
        return kResultNoStream;
    const SLresult r = (*control)->GetPosition(control, position);
    if (r != SL_RESULT_SUCCESS) {
        SONORA_LOGW("getPosition error %s", android::getSLErrStr(static_cast<int>(r)));
        return kResultNoStream;
    }
    return 0;
}

// DEBUG "logBufferState state.count:%d  state.playIndex:%d" (two spaces) with the queue's
// state; nothing for an absent queue.
template <class Queue>
void logQueueState(Queue queue) {
    if (queue == nullptr)
        return;
    const QueueState s = queueState(queue);
    SONORA_LOGD("logBufferState state.count:%d  state.playIndex:%d", static_cast<int>(s.count),
                static_cast<int>(s.index));
}

// Whether OpenSL ES has finished with the oldest of `records` (those queued on `queue`). A
// completion whose buffer a flush cleared while its callback waited for `lock` finds every
// remaining record still queued (the completed buffer no longer counts there): none of them is.
// This relies on the platform lowering the queue's count before it calls back (Android's
// implementation does, and so does the host OpenSL ES layer, whose queue test pins it).
template <class Queue, class Record>
bool oldestCompleted(Queue queue, const std::deque<std::shared_ptr<Record>> &records) {
    if (records.empty())
        return false;
    const QueueState queued = queueState(queue);
    return queued.result != SL_RESULT_SUCCESS || queued.count < records.size();
}

// True for an absent queue or one that Clear emptied (no callback comes for what it held).
template <class Queue>
bool clearQueue(Queue queue) {
    return queue == nullptr || (*queue)->Clear(queue) == SL_RESULT_SUCCESS;
}

template <class Queue>
void unregisterCallback(Queue queue) {
    if (queue != nullptr)
        (*queue)->RegisterCallback(queue, nullptr, nullptr);
}

// Whether a callback comes from the stream's own queue; WARN "invalid buffer queue interface,
// ignoring" when not.
template <class Queue>
bool isOwnQueue(Queue caller, Queue own) {
    if (caller == own)
        return true;
    SONORA_LOGW("invalid buffer queue interface, ignoring");
    return false;
}

// `size` bytes from malloc, or null after ERROR "unable to allocate %zu bytes".
inline void *allocateBuffer(size_t size) {
    void *memory = std::malloc(size);
    if (memory == nullptr)
        SONORA_LOGE("unable to allocate %zu bytes", size);
    return memory;
}

// A record owning `memory` (from allocateBuffer), built from `args`. When the record itself
// cannot be allocated, `memory` is freed here and the result is null after ERROR "unable to
// allocate a buffer record": nothing leaks and no exception reaches a JNI caller or the
// callback thread.
template <class Record, class... Args>
std::shared_ptr<Record> ownBuffer(void *memory, Args &&...args) noexcept {
    try {
        return std::make_shared<Record>(std::forward<Args>(args)...);
    } catch (const std::bad_alloc &) {
        std::free(memory);
        SONORA_LOGE("unable to allocate a buffer record");
        return nullptr;
    }
}

// Appends `record` to `records` and enqueues `size` bytes at `data` on `queue`. A refused Enqueue
// takes the record back (it will never complete) and logs WARN "Enqueue error %s". 0, or
// kResultNoStream (also when the list cannot grow: the record, and its memory, then go).
template <class Queue, class Record>
int enqueueRecord(Queue queue, std::deque<std::shared_ptr<Record>> &records,
                  std::shared_ptr<Record> record, const void *data, size_t size) {
    try {
        records.push_back(std::move(record));
    } catch (const std::bad_alloc &) {
        SONORA_LOGE("unable to allocate a buffer record");
        return kResultNoStream;
    }
    const SLresult r = (*queue)->Enqueue(queue, data, static_cast<SLuint32>(size));
    if (r != SL_RESULT_SUCCESS) {
        records.pop_back();
        SONORA_LOGW("Enqueue error %s", android::getSLErrStr(static_cast<int>(r)));
        return kResultNoStream;
    }
    return 0;
}

// Moves the buffer records of `queue` into `kept`, so that a close can hold them until OpenSL ES
// has let go of them. Makes no allocation while there is nothing to move, so destructors may use
// it; when memory runs out the records stay in `queue` (freed by the next close of the stream).
template <class Record>
void keepRecords(std::deque<std::shared_ptr<Record>> &queue,
                 std::vector<std::shared_ptr<Record>> &kept) noexcept {
    if (queue.empty())
        return;
    try {
        kept.reserve(kept.size() + queue.size());
    } catch (...) {
        return;
    }
    for (auto &record : queue)
        kept.push_back(std::move(record));
    queue.clear();
}

// The end of close, after `lock` was released: destroys `user` (the player or the recorder),
// lets go of the buffers OpenSL ES refused to clear (nothing reads or fills them once `user` is
// gone), destroys `mix` and gives `engine` back, each only when present.
template <class Record>
void destroyClosed(SLObjectItf user, std::vector<std::shared_ptr<Record>> &uncleared,
                   SLObjectItf mix, SLObjectItf engine) {
    if (user != nullptr)
        (*user)->Destroy(user);
    uncleared.clear();
    if (mix != nullptr)
        (*mix)->Destroy(mix);
    if (engine != nullptr)
        android::CloseSLEngine(engine);
}

}  // namespace sonora
