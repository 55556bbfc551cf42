// Capture stream over an OpenSL ES recorder's Android simple buffer queue.
#include "audio_record_native.h"

#include "stream_core.h"

#include <algorithm>
#include <cstring>
#include <utility>

using sonora::kResultNoStream;

int AudioRecordNative::open(unsigned channelCount, unsigned sampleRate, bool useFloat,
                            unsigned buffers) {
    close();
    std::lock_guard<std::recursive_mutex> held(lock);
    const int result = sonora::openWithEngine(
        engineObject, engine,
        [&] { return openLocked(channelCount, sampleRate, useFloat, buffers); },
        [this] { close(); });
    if (result == 0) {
        // 20 ms of frames; the division drops the fraction (11025 Hz gives 220 frames).
        bufferSize = (sampleRate / 50) * channelCount * (useFloat ? 4 : 2);
        numBuffers = buffers;
    }
    return result;
}

SLresult AudioRecordNative::openLocked(unsigned channelCount, unsigned sampleRate, bool useFloat,
                                       unsigned buffers) {
    if (!android::fitsMilliHertz(sampleRate))
        return SL_RESULT_PARAMETER_INVALID;  // no OpenSL ES format can say it
    SONORA_LOGV("creating recorder");
    SLDataLocator_IODevice device{SL_DATALOCATOR_IODEVICE, SL_IODEVICE_AUDIOINPUT,
                                  SL_DEFAULTDEVICEID_AUDIOINPUT, nullptr};
    SLDataSource source{&device, nullptr};
    android::PcmFormat format = android::makePcmFormat(channelCount, sampleRate, useFloat);
    SLDataLocator_AndroidSimpleBufferQueue queueLocator{SL_DATALOCATOR_ANDROIDSIMPLEBUFFERQUEUE,
                                                        buffers};
    SLDataSink sink{&queueLocator, &format};
    const SLInterfaceID ids[] = {SL_IID_ANDROIDSIMPLEBUFFERQUEUE, SL_IID_ANDROIDCONFIGURATION};
    const SLboolean required[] = {SL_BOOLEAN_TRUE, SL_BOOLEAN_TRUE};
    SLresult r =
        (*engine)->CreateAudioRecorder(engine, &recorderObject, &source, &sink, 2, ids, required);
    if (r != SL_RESULT_SUCCESS)
        return r;

    SONORA_LOGV("realizing recorder");
    r = (*recorderObject)->Realize(recorderObject, SL_BOOLEAN_FALSE);
    if (r != SL_RESULT_SUCCESS)
        return r;
    SONORA_LOGV("geting record interface");
    r = (*recorderObject)->GetInterface(recorderObject, SL_IID_RECORD, &record);
    if (r != SL_RESULT_SUCCESS)
        return r;
    SONORA_LOGV("geting buffer queue interface");
    r = (*recorderObject)
            ->GetInterface(recorderObject, SL_IID_ANDROIDSIMPLEBUFFERQUEUE, &bufferQueue);
    if (r != SL_RESULT_SUCCESS)
        return r;
    SONORA_LOGV("registering buffer queue interface");
    return (*bufferQueue)->RegisterCallback(bufferQueue, BufferQueueCallback, this);
}

int AudioRecordNative::queueBuffers() {
    std::lock_guard<std::recursive_mutex> held(lock);
    if (bufferQueue == nullptr)
        return kResultNoStream;
    if (readyQueue.size() + inFlightQueue.size() >= numBuffers)
        return 0;
    void *memory = sonora::allocateBuffer(bufferSize);
    if (memory == nullptr)
        return kResultNoStream;
    auto buffer = sonora::ownBuffer<android::Blob>(memory, static_cast<uint8_t *>(memory),
                                                   bufferSize, memory);
    if (!buffer)
        return kResultNoStream;
    return sonora::enqueueRecord(bufferQueue, inFlightQueue, std::move(buffer), memory, bufferSize);
}

void AudioRecordNative::BufferQueueCallback(SLAndroidSimpleBufferQueueItf caller, void *context) {
    static_cast<AudioRecordNative *>(context)->bufferQueueCallback(caller);
}

void AudioRecordNative::bufferQueueCallback(SLAndroidSimpleBufferQueueItf caller) {
    std::lock_guard<std::recursive_mutex> held(lock);
    if (!sonora::isOwnQueue(caller, bufferQueue))
        return;
    if (!sonora::oldestCompleted(bufferQueue, inFlightQueue)) {
        SONORA_LOGW("no delivered data!");
        queueBuffers();
        return;
    }
    std::shared_ptr<android::Blob> filled = std::move(inFlightQueue.front());
    inFlightQueue.pop_front();

    if (readTarget) {
        android::Blob &target = *readTarget;
        const size_t n = std::min(target.remaining(), filled->remaining());
        memcpy(target.data + target.offset, filled->data + filled->offset, n);
        target.offset += n;
        filled->offset += n;
        if (target.remaining() == 0) {
            readTarget.reset();
            signal.raise();
        }
        if (filled->remaining() == 0) {
            queueBuffers();
            return;
        }
    }
    if (readyQueue.size() + inFlightQueue.size() < numBuffers) {
        readyQueue.push_back(std::move(filled));
    } else {
        SONORA_LOGW("dropping data");
    }
    queueBuffers();
}

size_t AudioRecordNative::copyFromReady(uint8_t *dest, size_t size) {
    size_t copied = 0;
    while (copied < size && !readyQueue.empty()) {
        android::Blob &ready = *readyQueue.front();
        const size_t n = std::min(size - copied, ready.remaining());
        memcpy(dest + copied, ready.data + ready.offset, n);
        ready.offset += n;
        copied += n;
        if (ready.remaining() == 0)
            readyQueue.pop_front();
    }
    return copied;
}

long AudioRecordNative::read(void *data, size_t size, bool blocking) {
    std::lock_guard<std::mutex> reading(readLock);
    SONORA_LOGV("reading:%p  %zu", data, size);
    std::unique_lock<std::recursive_mutex> held(lock);
    if (engine == nullptr)
        return kResultNoStream;
    auto *dest = static_cast<uint8_t *>(data);
    const size_t copied = copyFromReady(dest, size);
    // Capture stops when the reader fell behind (every buffer held ready) or after a flush:
    // nothing is in flight, so no callback would enqueue again. Resume while recording.
    if (state == SL_RECORDSTATE_RECORDING && inFlightQueue.empty())
        queueBuffers();
    if (copied == size || !blocking || readTarget)
        return static_cast<long>(copied);
    // The target borrows the caller's memory: nothing to free when it cannot be made.
    auto target = sonora::ownBuffer<android::Blob>(nullptr, dest + copied, size - copied, nullptr);
    if (!target)
        return static_cast<long>(copied);
    readTarget = target;
    // Only the callback that fills this target raises the signal, after its last byte and after
    // this reset: a served wait finds the target full without taking `lock` again (the callback
    // still holds it while it enqueues the next buffer).
    signal.reset();
    held.unlock();
    if (!signal.wait())
        return static_cast<long>(copied);  // released by flush or close
    return static_cast<long>(copied + target->offset);
}

int AudioRecordNative::flush() {
    std::lock_guard<std::recursive_mutex> held(lock);
    if (!sonora::clearQueue(bufferQueue))
        return kResultNoStream;
    readyQueue.clear();
    inFlightQueue.clear();
    readTarget.reset();
    signal.cancel();
    return 0;
}

void AudioRecordNative::close() {
    SLObjectItf oldEngine;
    SLObjectItf oldRecorder;
    // Buffers OpenSL ES refused to clear: it may fill them until the recorder is destroyed, and
    // they are freed right after.
    std::vector<std::shared_ptr<android::Blob>> uncleared;  // no allocation unless used
    {
        std::lock_guard<std::recursive_mutex> held(lock);
        if (record != nullptr)
            sonora::changeState(record, SL_RECORDSTATE_STOPPED, state);
        sonora::unregisterCallback(bufferQueue);
        if (flush() != 0) {
            // A blocked reader must still be released; nothing will fill its buffer now.
            sonora::keepRecords(inFlightQueue, uncleared);
            readyQueue.clear();
            readTarget.reset();
            signal.cancel();
        }
        oldEngine = std::exchange(engineObject, nullptr);
        oldRecorder = std::exchange(recorderObject, nullptr);
        engine = nullptr;
        record = nullptr;
        bufferQueue = nullptr;
        state = SL_RECORDSTATE_STOPPED;
        bufferSize = 0;
        numBuffers = 0;
    }
    sonora::destroyClosed(oldRecorder, uncleared, nullptr, oldEngine);
}

int AudioRecordNative::setRecordState(SLuint32 requested) {
    std::lock_guard<std::recursive_mutex> held(lock);
    if (record == nullptr)
        return kResultNoStream;
    if (requested == SL_RECORDSTATE_RECORDING)
        queueBuffers();
    const int result = sonora::changeState(record, requested, state);
    if (result == 0 && requested == SL_RECORDSTATE_STOPPED)
        dropInFlight();
    return result;
}

// OpenSL ES may report the buffers a stop drops by callbacks, which cannot be told from real
// completions: buffers still in flight are taken back here, so such a callback finds nothing to
// hand out and no unfilled buffer ever reaches a reader. Captured buffers stay ready.
void AudioRecordNative::dropInFlight() {
    if (sonora::clearQueue(bufferQueue))
        inFlightQueue.clear();
}

int AudioRecordNative::getPositionInMsec(SLmillisecond *position) {
    std::lock_guard<std::recursive_mutex> held(lock);
    return sonora::positionOf(record, position);
}

int AudioRecordNative::buffersPending() {
    std::lock_guard<std::recursive_mutex> held(lock);
    return static_cast<int>(readyQueue.size());
}

SLuint32 AudioRecordNative::recordState() {
    std::lock_guard<std::recursive_mutex> held(lock);
    return state;
}

bool AudioRecordNative::isOpen() {
    std::lock_guard<std::recursive_mutex> held(lock);
    return engine != nullptr;
}

size_t AudioRecordNative::captureBufferSize() {
    std::lock_guard<std::recursive_mutex> held(lock);
    return bufferSize;
}

void AudioRecordNative::logBufferState() {
    std::lock_guard<std::recursive_mutex> held(lock);
    sonora::logQueueState(bufferQueue);
}
