// The engine object and its interface, the output mix, and slCreateEngine.
#include <SLES/OpenSLES.h>
#include <SLES/OpenSLES_Android.h>

#include "faults.h"
#include "interface_ids.h"
#include "log.h"
#include "media_object.h"
#include "object.h"
#include "pcm_format.h"
#include "registry.h"

#include <memory>
#include <mutex>
#include <new>

namespace slhost {
namespace {

class OutputMix : public Object {
  public:
    explicit OutputMix(std::vector<SLInterfaceID> granted)
        : Object(SLHOST_KIND_OUTPUT_MIX, offers(), std::move(granted)) {
        registry_add(this);
    }
    static const std::vector<InterfaceOffer> &offers() {
        static const std::vector<InterfaceOffer> none;
        return none;
    }

  protected:
    ItfSlot *slot_for(SLInterfaceID) override { return nullptr; }
};

// As on Android: one engine per process, and at most 32 objects created by an engine at a time.
constexpr unsigned kObjectsPerEngine = 32;

std::mutex &engine_mutex() {
    static std::mutex m;
    return m;
}
bool engine_lives = false;  // guarded by engine_mutex()

// The places an engine has for the objects it creates.
struct EngineSlots {
    std::mutex mutex;
    unsigned used = 0;
};

class Engine : public Object {
  public:
    explicit Engine(std::vector<SLInterfaceID> granted);
    ~Engine() override {
        std::lock_guard<std::mutex> lock(engine_mutex());
        engine_lives = false;
    }
    // A place for one more object, given back when the token goes; empty when all are taken.
    std::shared_ptr<void> take_slot() {
        std::lock_guard<std::mutex> lock(slots_->mutex);
        if (slots_->used >= kObjectsPerEngine) {
            return nullptr;
        }
        ++slots_->used;
        auto slots = slots_;
        return std::shared_ptr<void>(slots.get(), [slots](void *) {
            std::lock_guard<std::mutex> held(slots->mutex);
            --slots->used;
        });
    }
    static const std::vector<InterfaceOffer> &offers() {
        static const std::vector<InterfaceOffer> list = {{SL_IID_ENGINE, true}};
        return list;
    }

  protected:
    ItfSlot *slot_for(SLInterfaceID iid) override {
        return iid_equal(iid, SL_IID_ENGINE) ? &engine_slot_ : nullptr;
    }

  private:
    ItfSlot engine_slot_;
    std::shared_ptr<EngineSlots> slots_ = std::make_shared<EngineSlots>();
};

// Publishes a new object in a place of the engine `self`; SL_RESULT_MEMORY_FAILURE (nothing
// created) when the engine has no place left.
template <typename Make>
SLresult publish_in_slot(SLEngineItf self, SLObjectItf *out, Make make) {
    auto *engine = static_cast<Engine *>(owner_of(self));
    std::shared_ptr<void> slot = engine->take_slot();
    if (!slot) {
        SLHOST_LOGE("an engine holds at most %u objects", kObjectsPerEngine);
        return SL_RESULT_MEMORY_FAILURE;
    }
    Object *object = make();
    object->hold_engine_slot(std::move(slot));
    *out = object->handle();
    return SL_RESULT_SUCCESS;
}

bool is_buffer_queue(SLuint32 locator) {
    return locator == SL_DATALOCATOR_BUFFERQUEUE ||
           locator == SL_DATALOCATOR_ANDROIDSIMPLEBUFFERQUEUE;
}

// Locators that OpenSL ES knows but this library does not play from.
bool is_unsupported_source(SLuint32 locator) {
    return locator == SL_DATALOCATOR_URI || locator == SL_DATALOCATOR_ADDRESS ||
           locator == SL_DATALOCATOR_MIDIBUFFERQUEUE || locator == 0x800007BC /* Android fd */ ||
           locator == 0x800007BE /* Android buffer queue */;
}

// Android takes queues of 1 to 255 buffers and refuses any other length.
bool valid_queue_length(SLuint32 num_buffers) {
    return num_buffers >= 1 && num_buffers <= 255;
}

SLresult check_player_source(const SLDataSource *src, SLuint32 &num_buffers) {
    if (src == nullptr || src->pLocator == nullptr) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    SLuint32 type = *static_cast<const SLuint32 *>(src->pLocator);
    if (is_unsupported_source(type)) {
        SLHOST_LOGE("CreateAudioPlayer: only buffer-queue sources are supported");
        return SL_RESULT_FEATURE_UNSUPPORTED;
    }
    if (!is_buffer_queue(type)) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    num_buffers = static_cast<const SLDataLocator_BufferQueue *>(src->pLocator)->numBuffers;
    return valid_queue_length(num_buffers) ? SL_RESULT_SUCCESS : SL_RESULT_PARAMETER_INVALID;
}

SLresult check_player_sink(const SLDataSink *snk) {
    if (snk == nullptr || snk->pLocator == nullptr) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    const auto *loc = static_cast<const SLDataLocator_OutputMix *>(snk->pLocator);
    if (loc->locatorType != SL_DATALOCATOR_OUTPUTMIX || loc->outputMix == nullptr) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    Object *mix = owner_of(loc->outputMix);
    if (mix->kind() != SLHOST_KIND_OUTPUT_MIX) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    return mix->realized() ? SL_RESULT_SUCCESS : SL_RESULT_PRECONDITIONS_VIOLATED;
}

SLresult check_recorder_source(const SLDataSource *src) {
    if (src == nullptr || src->pLocator == nullptr) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    const auto *loc = static_cast<const SLDataLocator_IODevice *>(src->pLocator);
    if (loc->locatorType != SL_DATALOCATOR_IODEVICE || loc->deviceType != SL_IODEVICE_AUDIOINPUT ||
        (loc->deviceID != SL_DEFAULTDEVICEID_AUDIOINPUT && loc->device == nullptr)) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    return SL_RESULT_SUCCESS;
}

SLresult check_recorder_sink(const SLDataSink *snk, SLuint32 &num_buffers) {
    if (snk == nullptr || snk->pLocator == nullptr) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    const auto *loc = static_cast<const SLDataLocator_AndroidSimpleBufferQueue *>(snk->pLocator);
    if (loc->locatorType != SL_DATALOCATOR_ANDROIDSIMPLEBUFFERQUEUE ||
        !valid_queue_length(loc->numBuffers)) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    num_buffers = loc->numBuffers;
    return SL_RESULT_SUCCESS;
}

SLresult create_player(SLEngineItf self, SLObjectItf *out, SLDataSource *src, SLDataSink *snk,
                       SLuint32 n, const SLInterfaceID *ids, const SLboolean *required) {
    if (out == nullptr) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    *out = nullptr;
    SLresult r = fault_check(SLHOST_OP_CREATE_AUDIO_PLAYER, SLHOST_KIND_PLAYER);
    SLuint32 num_buffers = 0;
    PcmFormat format;
    std::vector<SLInterfaceID> granted;
    if (r == SL_RESULT_SUCCESS) {
        r = check_player_source(src, num_buffers);
    }
    if (r == SL_RESULT_SUCCESS) {
        r = check_pcm_format(src->pFormat, Direction::Playback, format);
    }
    if (r == SL_RESULT_SUCCESS) {
        r = check_player_sink(snk);
    }
    if (r == SL_RESULT_SUCCESS) {
        r = resolve_interfaces(MediaObject::player_offers(), n, ids, required, granted);
    }
    if (r != SL_RESULT_SUCCESS) {
        return r;
    }
    return publish_in_slot(self, out, [&] {
        return new MediaObject(Direction::Playback, format, num_buffers, granted);
    });
}

SLresult create_recorder(SLEngineItf self, SLObjectItf *out, SLDataSource *src, SLDataSink *snk,
                         SLuint32 n, const SLInterfaceID *ids, const SLboolean *required) {
    if (out == nullptr) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    *out = nullptr;
    SLresult r = fault_check(SLHOST_OP_CREATE_AUDIO_RECORDER, SLHOST_KIND_RECORDER);
    SLuint32 num_buffers = 0;
    PcmFormat format;
    std::vector<SLInterfaceID> granted;
    if (r == SL_RESULT_SUCCESS) {
        r = check_recorder_source(src);
    }
    if (r == SL_RESULT_SUCCESS) {
        r = check_recorder_sink(snk, num_buffers);
    }
    if (r == SL_RESULT_SUCCESS) {
        r = check_pcm_format(snk->pFormat, Direction::Capture, format);
    }
    if (r == SL_RESULT_SUCCESS) {
        r = resolve_interfaces(MediaObject::recorder_offers(), n, ids, required, granted);
    }
    if (r != SL_RESULT_SUCCESS) {
        return r;
    }
    return publish_in_slot(self, out, [&] {
        return new MediaObject(Direction::Capture, format, num_buffers, granted);
    });
}

SLresult create_output_mix(SLEngineItf self, SLObjectItf *out, SLuint32 n, const SLInterfaceID *ids,
                           const SLboolean *required) {
    if (out == nullptr) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    *out = nullptr;
    SLresult r = fault_check(SLHOST_OP_CREATE_OUTPUT_MIX, SLHOST_KIND_OUTPUT_MIX);
    std::vector<SLInterfaceID> granted;
    if (r == SL_RESULT_SUCCESS) {
        r = resolve_interfaces(OutputMix::offers(), n, ids, required, granted);
    }
    if (r != SL_RESULT_SUCCESS) {
        return r;
    }
    return publish_in_slot(self, out, [&] { return new OutputMix(granted); });
}

const std::vector<InterfaceOffer> *offers_of(SLuint32 object_id) {
    switch (object_id) {
        case SL_OBJECTID_ENGINE:
            return &Engine::offers();
        case SL_OBJECTID_AUDIOPLAYER:
            return &MediaObject::player_offers();
        case SL_OBJECTID_AUDIORECORDER:
            return &MediaObject::recorder_offers();
        case SL_OBJECTID_OUTPUTMIX:
            return &OutputMix::offers();
        default:
            return nullptr;
    }
}

// Supported interfaces of an object kind: the object interface, then its own.
SLresult supported_interface(SLuint32 object_id, SLuint32 index, SLInterfaceID *out) {
    const auto *offers = offers_of(object_id);
    if (offers == nullptr || out == nullptr) {
        return offers == nullptr ? SL_RESULT_FEATURE_UNSUPPORTED : SL_RESULT_PARAMETER_INVALID;
    }
    if (index > offers->size()) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    *out = index == 0 ? SL_IID_OBJECT : (*offers)[index - 1].iid;
    return SL_RESULT_SUCCESS;
}

SLresult not_supported_device(SLEngineItf, SLObjectItf *, SLuint32, SLuint32, const SLInterfaceID *,
                              const SLboolean *) {
    return SL_RESULT_FEATURE_UNSUPPORTED;
}

SLresult not_supported_group(SLEngineItf, SLObjectItf *, SLuint32, const SLInterfaceID *,
                             const SLboolean *) {
    return SL_RESULT_FEATURE_UNSUPPORTED;
}

const struct SLEngineItf_ kEngineVtable = {
    not_supported_device,
    not_supported_device,
    [](SLEngineItf self, SLObjectItf *out, SLDataSource *src, SLDataSink *snk, SLuint32 n,
       const SLInterfaceID *ids,
       const SLboolean *req) { return create_player(self, out, src, snk, n, ids, req); },
    [](SLEngineItf self, SLObjectItf *out, SLDataSource *src, SLDataSink *snk, SLuint32 n,
       const SLInterfaceID *ids,
       const SLboolean *req) { return create_recorder(self, out, src, snk, n, ids, req); },
    [](SLEngineItf, SLObjectItf *, SLDataSource *, SLDataSource *, SLDataSink *, SLDataSink *,
       SLDataSink *, SLuint32, const SLInterfaceID *,
       const SLboolean *) { return SL_RESULT_FEATURE_UNSUPPORTED; },
    not_supported_group,
    not_supported_group,
    [](SLEngineItf self, SLObjectItf *out, SLuint32 n, const SLInterfaceID *ids,
       const SLboolean *req) { return create_output_mix(self, out, n, ids, req); },
    [](SLEngineItf, SLObjectItf *, SLDataSource *, SLuint32, const SLInterfaceID *,
       const SLboolean *) { return SL_RESULT_FEATURE_UNSUPPORTED; },
    [](SLEngineItf, SLObjectItf *, void *, SLuint32, SLuint32, const SLInterfaceID *,
       const SLboolean *) { return SL_RESULT_FEATURE_UNSUPPORTED; },
    [](SLEngineItf, SLuint32 object_id, SLuint32 *count) {
        const auto *offers = offers_of(object_id);
        if (offers == nullptr || count == nullptr) {
            return offers == nullptr ? SL_RESULT_FEATURE_UNSUPPORTED : SL_RESULT_PARAMETER_INVALID;
        }
        *count = static_cast<SLuint32>(offers->size() + 1);
        return SL_RESULT_SUCCESS;
    },
    [](SLEngineItf, SLuint32 object_id, SLuint32 index, SLInterfaceID *out) {
        return supported_interface(object_id, index, out);
    },
    [](SLEngineItf, SLuint32 *count) {
        if (count == nullptr) {
            return SL_RESULT_PARAMETER_INVALID;
        }
        *count = 0;
        return SL_RESULT_SUCCESS;
    },
    [](SLEngineItf, SLuint32, SLchar *, SLint16 *) { return SL_RESULT_PARAMETER_INVALID; },
    [](SLEngineItf, const SLchar *name, SLboolean *supported) {
        if (name == nullptr || supported == nullptr) {
            return SL_RESULT_PARAMETER_INVALID;
        }
        *supported = SL_BOOLEAN_FALSE;
        return SL_RESULT_SUCCESS;
    },
};

Engine::Engine(std::vector<SLInterfaceID> granted)
    : Object(SLHOST_KIND_ENGINE, offers(), std::move(granted)), engine_slot_{&kEngineVtable, this} {
    registry_add(this);
}

SLresult check_engine_options(SLuint32 count, const SLEngineOption *options) {
    if (count > 0 && options == nullptr) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    for (SLuint32 i = 0; i < count; ++i) {
        if (options[i].feature != SL_ENGINEOPTION_THREADSAFE &&
            options[i].feature != SL_ENGINEOPTION_LOSSOFCONTROL) {
            return SL_RESULT_PARAMETER_INVALID;
        }
    }
    return SL_RESULT_SUCCESS;
}

}  // namespace
}  // namespace slhost

using namespace slhost;

extern "C" {

// Every engine is thread-safe, whatever SL_ENGINEOPTION_THREADSAFE says. As on Android, a
// second engine cannot be created while one lives: SL_RESULT_RESOURCE_ERROR.
SL_API SLresult SLAPIENTRY slCreateEngine(SLObjectItf *pEngine, SLuint32 numOptions,
                                          const SLEngineOption *pEngineOptions,
                                          SLuint32 numInterfaces,
                                          const SLInterfaceID *pInterfaceIds,
                                          const SLboolean *pInterfaceRequired) {
    if (pEngine == nullptr) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    *pEngine = nullptr;
    SLresult r = fault_check(SLHOST_OP_CREATE_ENGINE, SLHOST_KIND_ENGINE);
    std::vector<SLInterfaceID> granted;
    if (r == SL_RESULT_SUCCESS) {
        r = check_engine_options(numOptions, pEngineOptions);
    }
    if (r == SL_RESULT_SUCCESS) {
        r = resolve_interfaces(Engine::offers(), numInterfaces, pInterfaceIds, pInterfaceRequired,
                               granted);
    }
    if (r != SL_RESULT_SUCCESS) {
        return r;
    }
    std::lock_guard<std::mutex> lock(engine_mutex());
    if (engine_lives) {
        SLHOST_LOGE("slCreateEngine: an engine already exists in this process");
        return SL_RESULT_RESOURCE_ERROR;
    }
    engine_lives = true;
    *pEngine = (new Engine(granted))->handle();
    return SL_RESULT_SUCCESS;
}

SL_API SLresult SLAPIENTRY slQueryNumSupportedEngineInterfaces(SLuint32 *pNumSupportedInterfaces) {
    if (pNumSupportedInterfaces == nullptr) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    *pNumSupportedInterfaces = static_cast<SLuint32>(Engine::offers().size() + 1);
    return SL_RESULT_SUCCESS;
}

SL_API SLresult SLAPIENTRY slQuerySupportedEngineInterfaces(SLuint32 index,
                                                            SLInterfaceID *pInterfaceId) {
    return supported_interface(SL_OBJECTID_ENGINE, index, pInterfaceId);
}

}  // extern "C"
