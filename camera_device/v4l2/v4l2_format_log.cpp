#include "v4l2/v4l2_format_log.h"

#include "orv_log.h"
#include "v4l2/v4l2_device.h"
#include "v4l2/v4l2_driver_text.h"

namespace orv {
namespace v4l2 {

void log_supported_format(const char *fn, int fd, int position, const struct v4l2_fmtdesc &desc) {
    if (!orv_log_enabled(ANDROID_LOG_INFO))
        return;
    const int code = static_cast<int>(desc.pixelformat);
    __android_log_print(ANDROID_LOG_INFO, ORV_TAG_V4L2,
                        "%s: fd:%d support format:%d format:%d format name:%s "
                        "format desciption:%s",
                        fn, fd, position, code, v4l2_get_pixfmt_name(code),
                        DriverText<sizeof desc.description>(desc.description).c_str());
}

}  // namespace v4l2
}  // namespace orv
