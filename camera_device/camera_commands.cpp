// Commands addressed by the descriptor of an open device. The descriptor is not looked up in
// the device table; it only has to be above 0.
#include "camera_discovery.h"
#include "camera_internal.h"
#include "uvc/uvc_maker_commands.h"
#include "v4l2/v4l2_controls.h"

namespace {

// Movements 0/1 pan, 2/3 tilt, 4/5 zoom: the two codes of a pair do the same, the sign of
// `value` gives the direction.
int MoveAtSpeed(int fd, unsigned int movement, int value) {
    static int (*const kMoves[])(int, int) = {v4l2PanLeftRight, v4l2TiltUpDown, v4l2ZoomInOut};
    return movement <= 5 ? kMoves[movement / 2](fd, value) : -1;
}

}  // namespace

extern "C" {

int send_uvc_command(int unit, int fd, int cmd) {
    CAM_LOG(ANDROID_LOG_INFO, "send_uvc_command", "");
    if (fd <= 0 || cmd != 0)
        return -1;
    return uvc_send_iframe_request(unit, fd);
}

int start_ptz(int fd, unsigned int movement, int value) {
    CAM_LOG(ANDROID_LOG_INFO, "start_ptz", "");
    if (fd <= 0 || movement > 5)
        return -1;
    return MoveAtSpeed(fd, movement, value);
}

int stop_ptz(int fd, unsigned int movement) {
    CAM_LOG(ANDROID_LOG_INFO, "stop_ptz", "");
    if (fd <= 0 || movement > 5)
        return -1;
    return MoveAtSpeed(fd, movement, 0);
}

int send_menu_command(int fd, int cmd) {
    CAM_LOG(ANDROID_LOG_INFO, "send_menu_command", " cmd=0x%x", cmd);
    if (fd <= 0)
        return -1;
    return uvc_send_osd_cmd(fd, cmd);
}

int send_osd_command(int fd, int cmd) {
    if (fd < 1)
        return -1;
    return uvc_send_osd_cmd(fd, cmd);
}

}  // extern "C"
