#include "sl_test_support.h"

#include <gtest/gtest.h>

#include <chrono>

namespace sltest {

Engine::Engine() {
    SLEngineOption opt{SL_ENGINEOPTION_THREADSAFE, SL_BOOLEAN_TRUE};
    EXPECT_EQ(SL_RESULT_SUCCESS, slCreateEngine(&object, 1, &opt, 0, nullptr, nullptr));
    EXPECT_EQ(SL_RESULT_SUCCESS, (*object)->Realize(object, SL_BOOLEAN_FALSE));
    EXPECT_EQ(SL_RESULT_SUCCESS, (*object)->GetInterface(object, SL_IID_ENGINE, &itf));
}

Engine::~Engine() {
    if (object != nullptr) {
        (*object)->Destroy(object);
    }
}

SLAndroidDataFormat_PCM_EX pcm16(SLuint32 channels, SLuint32 hz) {
    return SLAndroidDataFormat_PCM_EX{SL_DATAFORMAT_PCM,
                                      channels,
                                      hz * 1000,
                                      SL_PCMSAMPLEFORMAT_FIXED_16,
                                      SL_PCMSAMPLEFORMAT_FIXED_16,
                                      channels == 2 ? SL_ANDROID_SPEAKER_STEREO : 0,
                                      SL_BYTEORDER_LITTLEENDIAN,
                                      SL_ANDROID_PCM_REPRESENTATION_SIGNED_INT};
}

SLAndroidDataFormat_PCM_EX pcm_float(SLuint32 channels, SLuint32 hz) {
    SLAndroidDataFormat_PCM_EX f = pcm16(channels, hz);
    f.formatType = SL_ANDROID_DATAFORMAT_PCM_EX;
    f.bitsPerSample = 32;
    f.containerSize = 32;
    f.representation = SL_ANDROID_PCM_REPRESENTATION_FLOAT;
    return f;
}

Player::Player(const Engine &engine, const void *format, SLuint32 num_buffers) {
    EXPECT_EQ(SL_RESULT_SUCCESS,
              (*engine.itf)->CreateOutputMix(engine.itf, &mix, 0, nullptr, nullptr));
    EXPECT_EQ(SL_RESULT_SUCCESS, (*mix)->Realize(mix, SL_BOOLEAN_FALSE));
    SLDataLocator_BufferQueue bq{SL_DATALOCATOR_BUFFERQUEUE, num_buffers};
    SLDataSource src{&bq, const_cast<void *>(format)};
    SLDataLocator_OutputMix out{SL_DATALOCATOR_OUTPUTMIX, mix};
    SLDataSink sink{&out, nullptr};
    const SLInterfaceID ids[] = {SL_IID_BUFFERQUEUE};
    const SLboolean req[] = {SL_BOOLEAN_TRUE};
    create_result = (*engine.itf)->CreateAudioPlayer(engine.itf, &object, &src, &sink, 1, ids, req);
    if (create_result != SL_RESULT_SUCCESS) {
        return;
    }
    EXPECT_EQ(SL_RESULT_SUCCESS, (*object)->Realize(object, SL_BOOLEAN_FALSE));
    EXPECT_EQ(SL_RESULT_SUCCESS, (*object)->GetInterface(object, SL_IID_PLAY, &play));
    EXPECT_EQ(SL_RESULT_SUCCESS, (*object)->GetInterface(object, SL_IID_BUFFERQUEUE, &queue));
}

void Player::destroy() {
    if (object != nullptr) {
        (*object)->Destroy(object);
        object = nullptr;
    }
    if (mix != nullptr) {
        (*mix)->Destroy(mix);
        mix = nullptr;
    }
}

Player::~Player() {
    destroy();
}

Recorder::Recorder(const Engine &engine, const void *format, SLuint32 num_buffers) {
    SLDataLocator_IODevice dev{SL_DATALOCATOR_IODEVICE, SL_IODEVICE_AUDIOINPUT,
                               SL_DEFAULTDEVICEID_AUDIOINPUT, nullptr};
    SLDataSource src{&dev, nullptr};
    SLDataLocator_AndroidSimpleBufferQueue bq{SL_DATALOCATOR_ANDROIDSIMPLEBUFFERQUEUE, num_buffers};
    SLDataSink sink{&bq, const_cast<void *>(format)};
    const SLInterfaceID ids[] = {SL_IID_ANDROIDSIMPLEBUFFERQUEUE, SL_IID_ANDROIDCONFIGURATION};
    const SLboolean req[] = {SL_BOOLEAN_TRUE, SL_BOOLEAN_TRUE};
    create_result =
        (*engine.itf)->CreateAudioRecorder(engine.itf, &object, &src, &sink, 2, ids, req);
    if (create_result != SL_RESULT_SUCCESS) {
        return;
    }
    EXPECT_EQ(SL_RESULT_SUCCESS, (*object)->Realize(object, SL_BOOLEAN_FALSE));
    EXPECT_EQ(SL_RESULT_SUCCESS, (*object)->GetInterface(object, SL_IID_RECORD, &record));
    EXPECT_EQ(SL_RESULT_SUCCESS,
              (*object)->GetInterface(object, SL_IID_ANDROIDSIMPLEBUFFERQUEUE, &queue));
}

void Recorder::destroy() {
    if (object != nullptr) {
        (*object)->Destroy(object);
        object = nullptr;
    }
}

Recorder::~Recorder() {
    destroy();
}

void Callbacks::on_plain(SLBufferQueueItf queue, void *self) {
    static_cast<Callbacks *>(self)->add(queue);
}

void Callbacks::on_android(SLAndroidSimpleBufferQueueItf queue, void *self) {
    static_cast<Callbacks *>(self)->add(queue);
}

void Callbacks::add(const void *queue) {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        ++running_;
        cv_.notify_all();
        if (held_ && !cv_.wait_for(lock, std::chrono::seconds(10), [&] { return !held_; })) {
            timed_out_ = true;
        }
    }
    if (action) {
        action(queue);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    --running_;
    calls_.push_back(Call{queue, std::this_thread::get_id()});
    cv_.notify_all();
}

std::vector<Callbacks::Call> Callbacks::calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

size_t Callbacks::count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_.size();
}

void Callbacks::wait_for(size_t n) const {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [&] { return calls_.size() >= n; });
}

void Callbacks::hold() {
    std::lock_guard<std::mutex> lock(mutex_);
    held_ = true;
}

void Callbacks::wait_running() const {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [&] { return running_ > 0; });
}

void Callbacks::release() {
    std::lock_guard<std::mutex> lock(mutex_);
    held_ = false;
    cv_.notify_all();
}

bool Callbacks::timed_out() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return timed_out_;
}

int Callbacks::running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_;
}

}  // namespace sltest
