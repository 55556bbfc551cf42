// The test-control functions of <opensles_host/test_control.h>.
#include <opensles_host/test_control.h>

#include "faults.h"
#include "media_core.h"
#include "registry.h"
#include "settings.h"

using namespace slhost;

namespace {

uint64_t total_callbacks(const std::vector<std::shared_ptr<MediaCore>> &cores) {
    uint64_t n = 0;
    for (const auto &c : cores) {
        n += c->callbacks();
    }
    return n;
}

}  // namespace

extern "C" {

SL_API int slhost_set_backend(const char *name) {
    return override_backend(name) ? 0 : -1;
}

SL_API int slhost_set_capture_source(const char *spec) {
    return override_capture(spec) ? 0 : -1;
}

SL_API unsigned slhost_manual_advance(SLuint32 ms) {
    auto cores = registry_manual_cores();
    const uint64_t before = total_callbacks(cores);
    for (const auto &c : cores) {
        c->add_time(ms);
    }
    for (const auto &c : cores) {
        c->wait_settled();
    }
    return static_cast<unsigned>(total_callbacks(cores) - before);
}

SL_API void slhost_manual_advance_async(SLuint32 ms) {
    for (const auto &c : registry_manual_cores()) {
        c->add_time(ms);
    }
}

SL_API int slhost_manual_complete_next(SLObjectItf object) {
    auto core = registry_manual_core(object);
    return core ? core->complete_next(true) : -1;
}

SL_API int slhost_manual_complete_next_async(SLObjectItf object) {
    auto core = registry_manual_core(object);
    return core ? core->complete_next(false) : -1;
}

SL_API void slhost_manual_wait_idle(void) {
    for (const auto &c : registry_manual_cores()) {
        c->wait_settled();
    }
}

SL_API int slhost_fault_add(const slhost_fault *fault) {
    return fault != nullptr && fault_add(*fault) ? 0 : -1;
}

SL_API void slhost_fault_clear(void) {
    fault_clear();
}

SL_API unsigned slhost_fault_hits(void) {
    return fault_hits();
}

SL_API SLObjectItf slhost_last_object(slhost_kind kind) {
    return registry_last(kind);
}

SL_API unsigned slhost_live_objects(slhost_kind kind) {
    return registry_count(kind);
}

SL_API int slhost_object_info_get(SLObjectItf object, slhost_object_info *info) {
    if (info == nullptr) {
        return -1;
    }
    return registry_info(object, *info) ? 0 : -1;
}

SL_API void slhost_report_dropped_buffers(int on) {
    MediaCore::report_dropped(on != 0);
}

SL_API void slhost_reset(void) {
    reset_overrides();
    fault_clear();
    MediaCore::report_dropped(false);
}

}  // extern "C"
