// Playback stream over an OpenSL ES player's buffer queue.
#include "audio_track_native.h"

#include "sonora_log.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace {
constexpr int kNotOpen = -38;  // -ENOSYS
}

AudioTrackNative::AudioTrackNative() = default;

AudioTrackNative::~AudioTrackNative() { close(); }

int AudioTrackNative::open(unsigned channelCount, unsigned sampleRate, bool useFloat,
                           unsigned buffers) {
    close();
    std::lock_guard<std::recursive_mutex> held(lock);
    engineObject = android::OpenSLEngine(true);
    if (engineObject == nullptr) {
        SONORA_LOGW("cannot create OpenSL ES engine");
        return kNotOpen;
    }
    const SLresult result = openLocked(channelCount, sampleRate, useFloat, buffers);
    if (result != SL_RESULT_SUCCESS) {
        close();
        SONORA_LOGW("open error %s", android::getSLErrStr(static_cast<int>(result)));
        return kNotOpen;
    }
    return 0;
}

SLresult AudioTrackNative::openLocked(unsigned channelCount, unsigned sampleRate, bool useFloat,
                                      unsigned buffers) {
    SLresult r = (*engineObject)->GetInterface(engineObject, SL_IID_ENGINE, &engine);
    if (r != SL_RESULT_SUCCESS) return r;
    r = (*engine)->CreateOutputMix(engine, &outputMixObject, 0, nullptr, nullptr);
    if (r != SL_RESULT_SUCCESS) return r;
    r = (*outputMixObject)->Realize(outputMixObject, SL_BOOLEAN_FALSE);
    if (r != SL_RESULT_SUCCESS) return r;
    numBuffers = buffers;

    android::PcmFormat format = android::makePcmFormat(channelCount, sampleRate, useFloat);
    SLDataLocator_BufferQueue queueLocator{SL_DATALOCATOR_BUFFERQUEUE, numBuffers};
    SLDataSource source{&queueLocator, &format};
    SLDataLocator_OutputMix mixLocator{SL_DATALOCATOR_OUTPUTMIX, outputMixObject};
    SLDataSink sink{&mixLocator, nullptr};
    const SLInterfaceID ids[] = {SL_IID_BUFFERQUEUE};
    const SLboolean required[] = {SL_BOOLEAN_TRUE};
    r = (*engine)->CreateAudioPlayer(engine, &playerObject, &source, &sink, 1, ids, required);
    if (r != SL_RESULT_SUCCESS) return r;
    r = (*playerObject)->Realize(playerObject, SL_BOOLEAN_FALSE);
    if (r != SL_RESULT_SUCCESS) return r;
    r = (*playerObject)->GetInterface(playerObject, SL_IID_PLAY, &play);
    if (r != SL_RESULT_SUCCESS) return r;
    r = (*playerObject)->GetInterface(playerObject, SL_IID_BUFFERQUEUE, &bufferQueue);
    if (r != SL_RESULT_SUCCESS) return r;
    return (*bufferQueue)->RegisterCallback(bufferQueue, BufferQueueCallback, this);
}

int AudioTrackNative::write(const void *data, size_t size, bool blocking) {
    std::lock_guard<std::mutex> writing(writeLock);
    std::unique_lock<std::recursive_mutex> held(lock);
    if (bufferQueue == nullptr) {
        return kNotOpen;
    }
    if (size == 0) {
        return 0;  // OpenSL ES refuses empty buffers; nothing to play
    }
    if (queuedBuffers.size() >= numBuffers && !blocking) {
        return 0;
    }
    // A late or duplicate completion may wake this writer with the queue still full: only room,
    // close or a flush end the wait.
    while (queuedBuffers.size() >= numBuffers) {
        signal.reset();
        held.unlock();
        if (!signal.wait()) {  // cancelled by flush or close
            SONORA_LOGW("unable to deliver write");
            return 0;
        }
        held.lock();
        if (bufferQueue == nullptr) {
            return kNotOpen;  // closed while this writer waited
        }
    }

    void *copy = malloc(size);
    if (copy == nullptr) {
        SONORA_LOGE("unable to allocate %zu bytes", size);
        return kNotOpen;
    }
    memcpy(copy, data, size);
    auto *bytes = static_cast<const uint8_t *>(copy);
    queuedBuffers.push_back(std::make_shared<android::BlobReadOnly>(copy, bytes, size));
    const SLresult r = (*bufferQueue)->Enqueue(bufferQueue, copy, static_cast<SLuint32>(size));
    if (r != SL_RESULT_SUCCESS) {
        // Never played, so never completed: it must not count as pending.
        queuedBuffers.pop_back();
        SONORA_LOGW("Enqueue error %s", android::getSLErrStr(static_cast<int>(r)));
        return kNotOpen;
    }
    return static_cast<int>(size);
}

void AudioTrackNative::BufferQueueCallback(SLBufferQueueItf caller, void *context) {
    static_cast<AudioTrackNative *>(context)->bufferQueueCallback(caller);
}

void AudioTrackNative::bufferQueueCallback(SLBufferQueueItf caller) {
    std::lock_guard<std::recursive_mutex> held(lock);
    if (caller != bufferQueue) {
        SONORA_LOGW("invalid buffer queue interface, ignoring");
        return;
    }
    if (!completedOne()) {
        SONORA_LOGW("no delivered data!");
    }
    if (!signal.isSignaled()) {
        signal.raise();
    }
}

// Drops the oldest copy if OpenSL ES has finished with it. A completion whose buffer a flush
// cleared while its callback waited for `lock` finds every remaining copy still queued in OpenSL
// ES (the completed buffer no longer counts there): it must not free one of those.
bool AudioTrackNative::completedOne() {
    if (queuedBuffers.empty()) {
        return false;
    }
    SLBufferQueueState queued{};
    if ((*bufferQueue)->GetState(bufferQueue, &queued) == SL_RESULT_SUCCESS &&
        queued.count >= queuedBuffers.size()) {
        return false;
    }
    queuedBuffers.pop_front();
    return true;
}

void AudioTrackNative::close() {
    SLObjectItf oldEngine;
    SLObjectItf oldMix;
    SLObjectItf oldPlayer;
    // Copies OpenSL ES refused to clear: they may still be read until the player is destroyed.
    std::vector<std::shared_ptr<android::BlobReadOnly>> uncleared;  // no allocation unless used
    {
        std::lock_guard<std::recursive_mutex> held(lock);
        if (play != nullptr && state != SL_PLAYSTATE_STOPPED) {
            const SLresult r = (*play)->SetPlayState(play, SL_PLAYSTATE_STOPPED);
            if (r != SL_RESULT_SUCCESS) {
                SONORA_LOGW("setPlayState %d error %s", SL_PLAYSTATE_STOPPED,
                            android::getSLErrStr(static_cast<int>(r)));
            } else {
                state = SL_PLAYSTATE_STOPPED;
            }
        }
        if (bufferQueue != nullptr) {
            (*bufferQueue)->RegisterCallback(bufferQueue, nullptr, nullptr);
        }
        if (bufferQueue == nullptr || (*bufferQueue)->Clear(bufferQueue) == SL_RESULT_SUCCESS) {
            queuedBuffers.clear();
        } else {
            android::keepRecords(queuedBuffers, uncleared);
        }
        signal.cancel();  // a writer waiting for room will get none
        oldEngine = std::exchange(engineObject, nullptr);
        oldMix = std::exchange(outputMixObject, nullptr);
        oldPlayer = std::exchange(playerObject, nullptr);
        engine = nullptr;
        play = nullptr;
        bufferQueue = nullptr;
        state = SL_PLAYSTATE_STOPPED;
    }
    if (oldPlayer != nullptr) {
        (*oldPlayer)->Destroy(oldPlayer);
    }
    uncleared.clear();
    if (oldMix != nullptr) {
        (*oldMix)->Destroy(oldMix);
    }
    if (oldEngine != nullptr) {
        android::CloseSLEngine(oldEngine);
    }
}

int AudioTrackNative::setPlayState(SLuint32 requested) {
    std::lock_guard<std::recursive_mutex> held(lock);
    if (play == nullptr) {
        return kNotOpen;
    }
    const SLresult r = (*play)->SetPlayState(play, requested);
    if (r != SL_RESULT_SUCCESS) {
        SONORA_LOGW("setPlayState %d error %s", static_cast<int>(requested),
                    android::getSLErrStr(static_cast<int>(r)));
        return kNotOpen;
    }
    state = requested;
    return 0;
}

int AudioTrackNative::flush() {
    std::lock_guard<std::recursive_mutex> held(lock);
    if (bufferQueue != nullptr && (*bufferQueue)->Clear(bufferQueue) != SL_RESULT_SUCCESS) {
        return kNotOpen;
    }
    queuedBuffers.clear();
    signal.cancel();  // nothing will complete for a writer waiting for room
    return 0;
}

int AudioTrackNative::getPositionInMsec(SLmillisecond *position) {
    std::lock_guard<std::recursive_mutex> held(lock);
    if (play == nullptr) {
        return kNotOpen;
    }
    const SLresult r = (*play)->GetPosition(play, position);
    if (r != SL_RESULT_SUCCESS) {
        SONORA_LOGW("getPosition error %s", android::getSLErrStr(static_cast<int>(r)));
        return kNotOpen;
    }
    return 0;
}

int AudioTrackNative::buffersPending() {
    std::lock_guard<std::recursive_mutex> held(lock);
    return static_cast<int>(queuedBuffers.size());
}

SLuint32 AudioTrackNative::playState() {
    std::lock_guard<std::recursive_mutex> held(lock);
    return state;
}

bool AudioTrackNative::isOpen() {
    std::lock_guard<std::recursive_mutex> held(lock);
    return bufferQueue != nullptr;
}

void AudioTrackNative::logBufferState() {
    std::lock_guard<std::recursive_mutex> held(lock);
    if (bufferQueue == nullptr) {
        return;
    }
    SLBufferQueueState queued{};
    (*bufferQueue)->GetState(bufferQueue, &queued);
    SONORA_LOGD("logBufferState state.count:%d  state.playIndex:%d", static_cast<int>(queued.count),
                static_cast<int>(queued.playIndex));
}

uint64_t AudioTrackNative::waitsBegun() {
    std::lock_guard<std::mutex> held(signal.mutex);
    return signal.tickets;
}
