#include "media_object.h"

#include "device_path.h"
#include "faults.h"
#include "interface_ids.h"
#include "registry.h"

#include <atomic>
#include <cstring>
#include <new>
#include <type_traits>

namespace slhost {
namespace {

MediaObject *media(const void *self) {
    return static_cast<MediaObject *>(owner_of(static_cast<SLObjectItf>(self)));
}

slhost_kind kind_of(const MediaObject *m) {
    return m->kind();
}

// Play and record interfaces: the same operations on the same state.
struct StateItf {
    static SLresult set_state(const void *self, SLuint32 state) {
        MediaObject *m = media(self);
        if (m == nullptr) {
            return SL_RESULT_PARAMETER_INVALID;
        }
        SLresult r = fault_check(SLHOST_OP_SET_STATE, kind_of(m), state);
        return r != SL_RESULT_SUCCESS ? r : m->core().set_state(state);
    }
    static SLresult get_state(const void *self, SLuint32 *state) {
        MediaObject *m = media(self);
        if (m == nullptr || state == nullptr) {
            return SL_RESULT_PARAMETER_INVALID;
        }
        *state = m->core().state();
        return SL_RESULT_SUCCESS;
    }
    static SLresult get_position(const void *self, SLmillisecond *ms) {
        MediaObject *m = media(self);
        if (m == nullptr || ms == nullptr) {
            return SL_RESULT_PARAMETER_INVALID;
        }
        SLresult r = fault_check(SLHOST_OP_GET_POSITION, kind_of(m));
        if (r != SL_RESULT_SUCCESS) {
            return r;
        }
        *ms = m->core().position_ms();
        return SL_RESULT_SUCCESS;
    }
};

template <typename Itf>
struct Unsupported {
    static SLresult duration(Itf, SLmillisecond *ms) {
        if (ms == nullptr) {
            return SL_RESULT_PARAMETER_INVALID;
        }
        *ms = SL_TIME_UNKNOWN;
        return SL_RESULT_SUCCESS;
    }
    static SLresult ms_set(Itf, SLmillisecond) { return SL_RESULT_FEATURE_UNSUPPORTED; }
    static SLresult ms_get(Itf, SLmillisecond *) { return SL_RESULT_FEATURE_UNSUPPORTED; }
    static SLresult mask_set(Itf, SLuint32) { return SL_RESULT_FEATURE_UNSUPPORTED; }
    static SLresult mask_get(Itf, SLuint32 *) { return SL_RESULT_FEATURE_UNSUPPORTED; }
    static SLresult none(Itf) { return SL_RESULT_FEATURE_UNSUPPORTED; }
};

SLresult play_register(SLPlayItf, slPlayCallback, void *) {
    return SL_RESULT_FEATURE_UNSUPPORTED;
}
SLresult record_register(SLRecordItf, slRecordCallback, void *) {
    return SL_RESULT_FEATURE_UNSUPPORTED;
}

const struct SLPlayItf_ kPlayVtable = {
    [](SLPlayItf s, SLuint32 st) { return StateItf::set_state(s, st); },
    [](SLPlayItf s, SLuint32 *st) { return StateItf::get_state(s, st); },
    Unsupported<SLPlayItf>::duration,
    [](SLPlayItf s, SLmillisecond *ms) { return StateItf::get_position(s, ms); },
    play_register,
    Unsupported<SLPlayItf>::mask_set,
    Unsupported<SLPlayItf>::mask_get,
    Unsupported<SLPlayItf>::ms_set,
    Unsupported<SLPlayItf>::none,
    Unsupported<SLPlayItf>::ms_get,
    Unsupported<SLPlayItf>::ms_set,
    Unsupported<SLPlayItf>::ms_get,
};

const struct SLRecordItf_ kRecordVtable = {
    [](SLRecordItf s, SLuint32 st) { return StateItf::set_state(s, st); },
    [](SLRecordItf s, SLuint32 *st) { return StateItf::get_state(s, st); },
    Unsupported<SLRecordItf>::ms_set,
    [](SLRecordItf s, SLmillisecond *ms) { return StateItf::get_position(s, ms); },
    record_register,
    Unsupported<SLRecordItf>::mask_set,
    Unsupported<SLRecordItf>::mask_get,
    Unsupported<SLRecordItf>::ms_set,
    Unsupported<SLRecordItf>::none,
    Unsupported<SLRecordItf>::ms_get,
    Unsupported<SLRecordItf>::ms_set,
    Unsupported<SLRecordItf>::ms_get,
};

// Buffer-queue operations, for both the standard and the Android signature.
template <typename Itf, typename State, typename Callback>
struct QueueItf {
    static SLresult enqueue(Itf self, const void *data, SLuint32 size) {
        MediaObject *m = media(self);
        if (m == nullptr) {
            return SL_RESULT_PARAMETER_INVALID;
        }
        SLresult r = fault_check(SLHOST_OP_ENQUEUE, kind_of(m));
        if (r != SL_RESULT_SUCCESS) {
            return r;
        }
        // A C interface: running out of memory is a result, as on a device, never an exception.
        try {
            return m->core().enqueue(data, size);
        } catch (const std::bad_alloc &) {
            return SL_RESULT_MEMORY_FAILURE;
        }
    }
    static SLresult clear(Itf self) {
        MediaObject *m = media(self);
        if (m == nullptr) {
            return SL_RESULT_PARAMETER_INVALID;
        }
        SLresult r = fault_check(SLHOST_OP_CLEAR, kind_of(m));
        if (r == SL_RESULT_SUCCESS) {
            m->core().clear();
        }
        return r;
    }
    static SLresult get_state(Itf self, State *state) {
        MediaObject *m = media(self);
        if (m == nullptr || state == nullptr) {
            return SL_RESULT_PARAMETER_INVALID;
        }
        SLresult r = fault_check(SLHOST_OP_GET_STATE, kind_of(m));
        if (r != SL_RESULT_SUCCESS) {
            return r;
        }
        SLuint32 count, index;
        m->core().queue_state(count, index);
        // Both state records are {count, index}.
        state->count = count;
        reinterpret_cast<SLuint32 *>(state)[1] = index;
        return SL_RESULT_SUCCESS;
    }
    static SLresult register_callback(Itf self, Callback callback, void *context) {
        MediaObject *m = media(self);
        if (m == nullptr) {
            return SL_RESULT_PARAMETER_INVALID;
        }
        SLresult r = fault_check(SLHOST_OP_REGISTER_CALLBACK, kind_of(m));
        if (r != SL_RESULT_SUCCESS) {
            return r;
        }
        QueueCallback cb;
        if constexpr (std::is_same<Callback, slBufferQueueCallback>::value) {
            cb.plain = callback;
        } else {
            cb.android = callback;
        }
        cb.context = callback == nullptr ? nullptr : context;
        return m->core().register_callback(cb);
    }
};

using PlainQueue = QueueItf<SLBufferQueueItf, SLBufferQueueState, slBufferQueueCallback>;
using AndroidQueue = QueueItf<SLAndroidSimpleBufferQueueItf, SLAndroidSimpleBufferQueueState,
                              slAndroidSimpleBufferQueueCallback>;

const struct SLBufferQueueItf_ kPlainQueueVtable = {
    PlainQueue::enqueue, PlainQueue::clear, PlainQueue::get_state, PlainQueue::register_callback};
const struct SLAndroidSimpleBufferQueueItf_ kAndroidQueueVtable = {
    AndroidQueue::enqueue, AndroidQueue::clear, AndroidQueue::get_state,
    AndroidQueue::register_callback};

const struct SLAndroidConfigurationItf_ kConfigVtable = {
    [](SLAndroidConfigurationItf self, const SLchar *key, const void *value, SLuint32 size) {
        MediaObject *m = media(self);
        return m == nullptr ? SL_RESULT_PARAMETER_INVALID : m->set_configuration(key, value, size);
    },
    [](SLAndroidConfigurationItf self, const SLchar *key, SLuint32 *size, void *value) {
        MediaObject *m = media(self);
        return m == nullptr ? SL_RESULT_PARAMETER_INVALID : m->get_configuration(key, size, value);
    },
};

bool key_is(const SLchar *key, const SLchar *name) {
    return std::strcmp(reinterpret_cast<const char *>(key), reinterpret_cast<const char *>(name)) ==
           0;
}

std::atomic<unsigned> next_player_serial{1};

}  // namespace

const std::vector<InterfaceOffer> &MediaObject::player_offers() {
    static const std::vector<InterfaceOffer> offers = {
        {SL_IID_PLAY, true},
        {SL_IID_BUFFERQUEUE, false},
        {SL_IID_ANDROIDSIMPLEBUFFERQUEUE, false},
        {SL_IID_ANDROIDCONFIGURATION, false},
    };
    return offers;
}

const std::vector<InterfaceOffer> &MediaObject::recorder_offers() {
    static const std::vector<InterfaceOffer> offers = {
        {SL_IID_RECORD, true},
        {SL_IID_ANDROIDSIMPLEBUFFERQUEUE, false},
        {SL_IID_ANDROIDCONFIGURATION, false},
    };
    return offers;
}

MediaObject::MediaObject(Direction direction, const PcmFormat &format, SLuint32 num_buffers,
                         std::vector<SLInterfaceID> granted)
    : Object(direction == Direction::Playback ? SLHOST_KIND_PLAYER : SLHOST_KIND_RECORDER,
             direction == Direction::Playback ? player_offers() : recorder_offers(),
             std::move(granted)),
      direction_(direction),
      format_(format),
      backend_(current_backend()),
      serial_(direction == Direction::Playback ? next_player_serial++ : 0),
      core_(std::make_shared<MediaCore>(
          direction, format, num_buffers,
          backend_ == Backend::Manual ? Pacing::Manual : Pacing::RealTime)),
      state_slot_{direction == Direction::Playback ? static_cast<const void *>(&kPlayVtable)
                                                   : static_cast<const void *>(&kRecordVtable),
                  this},
      queue_slot_{direction == Direction::Playback
                      ? static_cast<const void *>(&kPlainQueueVtable)
                      : static_cast<const void *>(&kAndroidQueueVtable),
                  this},
      config_slot_{&kConfigVtable, this} {
    registry_add(this, backend_ == Backend::Manual ? core_ : nullptr);
}

SLresult MediaObject::on_realize() {
    std::unique_ptr<PlaybackSink> sink;
    std::unique_ptr<CaptureSource> source;
    SLresult r = SL_RESULT_SUCCESS;
    if (direction_ == Direction::Playback) {
        if (backend_ == Backend::Wav) {
            r = make_wav_sink(format_, serial_, sink);
        } else if (backend_ == Backend::Alsa) {
            r = make_alsa_sink(format_, sink);
        } else {
            sink = make_discard_sink();
        }
    } else {
        if (backend_ == Backend::Wav) {
            r = make_wav_source(format_, source);
        } else if (backend_ == Backend::Alsa) {
            r = make_alsa_source(format_, source);
        } else {
            source = make_generated_source(format_, current_capture());
        }
    }
    if (r == SL_RESULT_SUCCESS) {
        core_->start(std::move(sink), std::move(source), &queue_slot_);
    }
    return r;
}

ItfSlot *MediaObject::slot_for(SLInterfaceID iid) {
    if (iid_equal(iid, SL_IID_PLAY) || iid_equal(iid, SL_IID_RECORD)) {
        return &state_slot_;
    }
    if (iid_equal(iid, SL_IID_BUFFERQUEUE) || iid_equal(iid, SL_IID_ANDROIDSIMPLEBUFFERQUEUE)) {
        // One queue whichever identifier names it, so callbacks carry the handle the caller has.
        return &queue_slot_;
    }
    if (iid_equal(iid, SL_IID_ANDROIDCONFIGURATION)) {
        return &config_slot_;
    }
    return nullptr;
}

bool MediaObject::usable_unrealized(SLInterfaceID iid) const {
    // Configuration is set before Realize, so its interface is there before Realize.
    return iid_equal(iid, SL_IID_ANDROIDCONFIGURATION);
}

void MediaObject::on_destroy() {
    core_->shutdown();
}

void MediaObject::fill_info(slhost_object_info &info) const {
    core_->fill_info(info);
}

SLresult MediaObject::set_configuration(const SLchar *key, const void *value, SLuint32 size) {
    if (key == nullptr || value == nullptr || size < sizeof(SLuint32)) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    if (realized()) {
        return SL_RESULT_PRECONDITIONS_VIOLATED;
    }
    SLuint32 v;
    std::memcpy(&v, value, sizeof v);
    std::lock_guard<std::mutex> lock(config_mutex_);
    if (key_is(key, SL_ANDROID_KEY_RECORDING_PRESET) && direction_ == Direction::Capture &&
        v <= SL_ANDROID_RECORDING_PRESET_UNPROCESSED) {
        recording_preset_ = v;
    } else if (key_is(key, SL_ANDROID_KEY_STREAM_TYPE) && direction_ == Direction::Playback &&
               v <= static_cast<SLuint32>(SL_ANDROID_STREAM_NOTIFICATION)) {
        stream_type_ = static_cast<SLint32>(v);
    } else if (key_is(key, SL_ANDROID_KEY_PERFORMANCE_MODE) &&
               v <= SL_ANDROID_PERFORMANCE_POWER_SAVING) {
        performance_mode_ = v;
    } else {
        return SL_RESULT_PARAMETER_INVALID;
    }
    return SL_RESULT_SUCCESS;
}

SLresult MediaObject::get_configuration(const SLchar *key, SLuint32 *size, void *value) {
    if (key == nullptr || size == nullptr) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    SLuint32 v;
    {
        std::lock_guard<std::mutex> lock(config_mutex_);
        if (key_is(key, SL_ANDROID_KEY_RECORDING_PRESET) && direction_ == Direction::Capture) {
            v = recording_preset_;
        } else if (key_is(key, SL_ANDROID_KEY_STREAM_TYPE) && direction_ == Direction::Playback) {
            v = static_cast<SLuint32>(stream_type_);
        } else if (key_is(key, SL_ANDROID_KEY_PERFORMANCE_MODE)) {
            v = performance_mode_;
        } else {
            return SL_RESULT_PARAMETER_INVALID;
        }
    }
    if (value == nullptr) {
        *size = sizeof v;
        return SL_RESULT_SUCCESS;
    }
    if (*size < sizeof v) {
        return SL_RESULT_BUFFER_INSUFFICIENT;
    }
    std::memcpy(value, &v, sizeof v);
    *size = sizeof v;
    return SL_RESULT_SUCCESS;
}

}  // namespace slhost
