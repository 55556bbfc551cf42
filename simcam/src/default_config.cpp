// The default configuration: one maker's camera at /dev/video0.
#include <cstdio>
#include <string>

#include "config.h"
#include "orv_usb_ids.h"

namespace simcam {
namespace {

std::string Hex(unsigned v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "\"0x%04x\"", v);
    return buf;
}

}  // namespace

std::string DefaultConfigJson() {
    return R"({
  "nodes": [
    {
      "path": "/dev/video0",
      "card": "ORV USB Camera",
      "bus_info": "usb-0000:00:14.0-1",
      "identity": {"vendor_id": )" +
           Hex(ORV_USB_VENDOR_ID) + R"(, "product_id": )" + Hex(ORV_DEFAULT_SIM_PRODUCT_ID) +
           R"(, "bcd_device": )" + Hex(ORV_DEFAULT_SIM_BCD_DEVICE) + R"(},
      "h264_unit": 12,
      "osd_status": 0,
      "hdmi_input": 1,
      "clock": "realtime",
      "encoder": {"bitrate": 1920000, "profile": "0x6400", "rate_control": 1, "iframe_period": 1},
      "formats": [
        {
          "fourcc": "H264",
          "description": "H.264",
          "frame_sizes": [
            {"width": 1920, "height": 1080, "intervals": ["1/30", "1/15"]},
            {"width": 1280, "height": 720, "intervals": ["1/30", "1/15"]},
            {"width": 640, "height": 480, "intervals": ["1/30", "1/15"]}
          ]
        }
      ],
      "controls": [
        {"id": "0x00980900", "name": "Brightness", "type": "integer", "min": -64, "max": 64, "step": 1, "default": 0},
        {"id": "0x009a0908", "name": "Pan, Absolute", "type": "integer", "min": -36000, "max": 36000, "step": 3600, "default": 0},
        {"id": "0x009a0909", "name": "Tilt, Absolute", "type": "integer", "min": -36000, "max": 36000, "step": 3600, "default": 0},
        {"id": "0x009a090a", "name": "Focus, Absolute", "type": "integer", "min": 0, "max": 1023, "step": 1, "default": 0},
        {"id": "0x009a090c", "name": "Focus, Automatic Continuous", "type": "boolean", "min": 0, "max": 1, "step": 1, "default": 1},
        {"id": "0x009a090d", "name": "Zoom, Absolute", "type": "integer", "min": 100, "max": 500, "step": 1, "default": 100},
        {"id": "0x009a090f", "name": "Zoom, Continuous", "type": "integer", "min": -7, "max": 7, "step": 1, "default": 0},
        {"id": "0x009a0920", "name": "Pan, Speed", "type": "integer", "min": -24, "max": 24, "step": 1, "default": 0},
        {"id": "0x009a0921", "name": "Tilt, Speed", "type": "integer", "min": -24, "max": 24, "step": 1, "default": 0},
        {"id": "0x009a0922", "name": "Pan/Tilt, Relative", "type": "integer", "min": -2147483648, "max": 2147483647, "step": 1, "default": 0},
        {"id": "0x009a0923", "name": "Focus, Far/Near", "type": "integer", "min": -127, "max": 127, "step": 1, "default": 0}
      ]
    }
  ]
})";
}

}  // namespace simcam
