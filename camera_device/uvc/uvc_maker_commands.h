// The maker's single-request extension-unit commands: an immediate I-frame, the HDMI-input
// state, and the on-screen-display menu. Each is one UVCIOC_CTRL_QUERY on the open video node
// `fd`; failures are logged at ERROR with errno and give -1. No lock: any thread (the I-frame
// request may be sent while the device streams).
#pragma once

// The maker's extension units and the menu's status selector.
#define UVC_ENTITY_ID_XU_HDMIIN 0x15
#define UVC_ENTITY_ID_XU_MENU 0x13
#define UVC_HDMIIN_STATE_SELECTOR 0x01
#define UVCX_MENU_CTRL_STATUS 0x0A

#ifdef __cplusplus
extern "C" {
#endif
// Exported from libvistara (the rest of the library is hidden).
#pragma GCC visibility push(default)

// Asks the H.264 unit `unit` (low 8 bits sent) for an I-frame: UVCX_PICTURE_TYPE_CONTROL,
// SET_CUR, four zero bytes (layer 0, picture type 0). 0, or -1.
int uvc_send_iframe_request(int unit, int fd);

// Reads the HDMI-input state byte into buf[0]; 0, or -1 with buf untouched. A null buf is not
// written.
int uvc_get_hdmiin_state(int fd, void *buf);

// Sends the OSD menu command `cmd`: its low byte is both the selector and the one-byte
// payload. The ioctl's result (0), or -1.
int uvc_send_osd_cmd(int fd, int cmd);

// The OSD menu status byte (0 to 255), or -1.
int uvc_get_osd_status(int fd);

#pragma GCC visibility pop

#ifdef __cplusplus
}
#endif
