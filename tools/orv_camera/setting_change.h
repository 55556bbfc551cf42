// capture's --change KEY=VALUE@FRAME: an encoder setting changed after a given frame.
#pragma once

#include <stdint.h>

#include <string>

#include "encoder_settings.h"

namespace orvcli {

struct Change {
    const SettingRow *row = nullptr;
    SettingValue value;
    int64_t at_frame = 0;
    std::string text;  // KEY=VALUE, as given
};

// "" when `text` is a good change (then *c holds it), else the whole message.
std::string ParseChange(const std::string &text, Change *c);

}  // namespace orvcli
