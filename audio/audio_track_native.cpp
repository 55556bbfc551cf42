// Playback stream over an OpenSL ES player's buffer queue.
#include "audio_track_native.h"

#include "stream_core.h"

#include <cstring>
#include <utility>

using sonora::kResultNoStream;

int AudioTrackNative::open(unsigned channelCount, unsigned sampleRate, bool useFloat,
                           unsigned buffers) {
    close();
    std::lock_guard<std::recursive_mutex> held(lock);
    return sonora::openWithEngine(
        engineObject, engine,
        [&] { return openLocked(channelCount, sampleRate, useFloat, buffers); },
        [this] { close(); });
}

SLresult AudioTrackNative::openLocked(unsigned channelCount, unsigned sampleRate, bool useFloat,
                                      unsigned buffers) {
    if (!android::fitsMilliHertz(sampleRate))
        return SL_RESULT_PARAMETER_INVALID;  // no OpenSL ES format can say it
    SLresult r = (*engine)->CreateOutputMix(engine, &outputMixObject, 0, nullptr, nullptr);
    if (r != SL_RESULT_SUCCESS)
        return r;
    r = (*outputMixObject)->Realize(outputMixObject, SL_BOOLEAN_FALSE);
    if (r != SL_RESULT_SUCCESS)
        return r;
    numBuffers = buffers;

    android::PcmFormat format = android::makePcmFormat(channelCount, sampleRate, useFloat);
    SLDataLocator_BufferQueue queueLocator{SL_DATALOCATOR_BUFFERQUEUE, numBuffers};
    SLDataSource source{&queueLocator, &format};
    SLDataLocator_OutputMix mixLocator{SL_DATALOCATOR_OUTPUTMIX, outputMixObject};
    SLDataSink sink{&mixLocator, nullptr};
    const SLInterfaceID ids[] = {SL_IID_BUFFERQUEUE};
    const SLboolean required[] = {SL_BOOLEAN_TRUE};
    r = (*engine)->CreateAudioPlayer(engine, &playerObject, &source, &sink, 1, ids, required);
    if (r != SL_RESULT_SUCCESS)
        return r;
    r = (*playerObject)->Realize(playerObject, SL_BOOLEAN_FALSE);
    if (r != SL_RESULT_SUCCESS)
        return r;
    r = (*playerObject)->GetInterface(playerObject, SL_IID_PLAY, &play);
    if (r != SL_RESULT_SUCCESS)
        return r;
    r = (*playerObject)->GetInterface(playerObject, SL_IID_BUFFERQUEUE, &bufferQueue);
    if (r != SL_RESULT_SUCCESS)
        return r;
    return (*bufferQueue)->RegisterCallback(bufferQueue, BufferQueueCallback, this);
}

int AudioTrackNative::write(const void *data, size_t size, bool blocking) {
    std::lock_guard<std::mutex> writing(writeLock);
    std::unique_lock<std::recursive_mutex> held(lock);
    if (bufferQueue == nullptr)
        return kResultNoStream;
    if (size == 0)
        return 0;  // OpenSL ES refuses empty buffers: nothing enqueued, no wait for room
    if (queuedBuffers.size() >= numBuffers && !blocking)
        return 0;
    // A late or duplicate completion may wake this writer with the queue still full: only room,
    // close or a flush end the wait.
    while (queuedBuffers.size() >= numBuffers) {
        if (!signal.waitReleasing(held)) {  // cancelled by flush or close
            SONORA_LOGW("unable to deliver write");
            return 0;
        }
        if (bufferQueue == nullptr)
            return kResultNoStream;  // closed while this writer waited
    }

    void *copy = sonora::allocateBuffer(size);
    if (copy == nullptr)
        return kResultNoStream;
    memcpy(copy, data, size);
    auto record =
        sonora::ownBuffer<android::BlobReadOnly>(copy, copy, static_cast<uint8_t *>(copy), size);
    if (!record)
        return kResultNoStream;
    const int result =
        sonora::enqueueRecord(bufferQueue, queuedBuffers, std::move(record), copy, size);
    return result == 0 ? static_cast<int>(size) : result;
}

void AudioTrackNative::BufferQueueCallback(SLBufferQueueItf caller, void *context) {
    static_cast<AudioTrackNative *>(context)->bufferQueueCallback(caller);
}

void AudioTrackNative::bufferQueueCallback(SLBufferQueueItf caller) {
    std::lock_guard<std::recursive_mutex> held(lock);
    if (!sonora::isOwnQueue(caller, bufferQueue))
        return;
    if (!completedOne())
        SONORA_LOGW("no delivered data!");
    if (!signal.isSignaled())
        signal.raise();
}

// Drops the oldest copy if OpenSL ES has finished with it.
bool AudioTrackNative::completedOne() {
    if (!sonora::oldestCompleted(bufferQueue, queuedBuffers))
        return false;
    queuedBuffers.pop_front();
    return true;
}

void AudioTrackNative::close() {
    SLObjectItf oldEngine;
    SLObjectItf oldMix;
    SLObjectItf oldPlayer;
    // Copies OpenSL ES refused to clear: they may still be read until the player is destroyed,
    // and are freed right after.
    std::vector<std::shared_ptr<android::BlobReadOnly>> uncleared;  // no allocation unless used
    {
        std::lock_guard<std::recursive_mutex> held(lock);
        if (play != nullptr && state != SL_PLAYSTATE_STOPPED)
            sonora::changeState(play, SL_PLAYSTATE_STOPPED, state);
        sonora::unregisterCallback(bufferQueue);
        if (flush() != 0) {
            sonora::keepRecords(queuedBuffers, uncleared);
            signal.cancel();  // a writer waiting for room will get none
        }
        oldEngine = std::exchange(engineObject, nullptr);
        oldMix = std::exchange(outputMixObject, nullptr);
        oldPlayer = std::exchange(playerObject, nullptr);
        engine = nullptr;
        play = nullptr;
        bufferQueue = nullptr;
        state = SL_PLAYSTATE_STOPPED;
    }
    sonora::destroyClosed(oldPlayer, uncleared, oldMix, oldEngine);
}

int AudioTrackNative::setPlayState(SLuint32 requested) {
    std::lock_guard<std::recursive_mutex> held(lock);
    return play == nullptr ? kResultNoStream : sonora::changeState(play, requested, state);
}

int AudioTrackNative::flush() {
    std::lock_guard<std::recursive_mutex> held(lock);
    if (!sonora::clearQueue(bufferQueue))
        return kResultNoStream;
    queuedBuffers.clear();
    signal.cancel();  // nothing will complete for a writer waiting for room
    return 0;
}

int AudioTrackNative::getPositionInMsec(SLmillisecond *position) {
    std::lock_guard<std::recursive_mutex> held(lock);
    return sonora::positionOf(play, position);
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
    sonora::logQueueState(bufferQueue);
}
