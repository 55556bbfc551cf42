// Built without ALSA (no ALSA headers for the target): the back end can be chosen, but its
// players and recorders fail to realize.
#include "device_path.h"
#include "log.h"

#include <opensles_host/alsa.h>

namespace slhost {

SLresult make_alsa_sink(const PcmFormat &, std::unique_ptr<PlaybackSink> &) {
    SLHOST_LOGE("this library was built without ALSA");
    return SL_RESULT_RESOURCE_ERROR;
}

SLresult make_alsa_source(const PcmFormat &, std::unique_ptr<CaptureSource> &) {
    SLHOST_LOGE("this library was built without ALSA");
    return SL_RESULT_RESOURCE_ERROR;
}

}  // namespace slhost

extern "C" {

SL_API int slhost_alsa_available(void) {
    return 0;
}

SL_API SLuint32 slhost_alsa_xruns(void) {
    return 0;
}

}  // extern "C"
