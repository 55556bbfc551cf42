// The encoder settings, one row each: every place that names a setting (open options,
// --change, the settings report, the console's requests, its status and the page's fields)
// reads this table, so a new setting is one new row.
#pragma once

#include <stdio.h>

#include <array>
#include <string>
#include <vector>

#include "camera_device.h"

namespace orvcli {

// A setting's value: one number, a choice's code, or a size (a: width, b: height).
struct SettingValue {
    int a = 0, b = 0;
    bool operator==(const SettingValue &o) const { return a == o.a && b == o.b; }
    bool operator!=(const SettingValue &o) const { return !(*this == o); }
};

// A named value of a choice setting: the name the options take, the code open_device and the
// update take, and the value the extension unit reads back.
struct SettingChoice {
    const char *name;
    int code;
    int unit_value;
};

struct SettingRow {
    enum class Kind { kNumber, kSize, kChoice };
    const char *key;     // --change KEY=, the console's "key"
    const char *option;  // the open option
    const char *label;   // in messages and on the page
    const char *help;
    const char *report;  // its part of the settings line, %s for the value
    Kind kind;
    int min, max;  // a number's bounds, or each side of a size
    std::vector<SettingChoice> choices;
    SettingValue initial;
    // Where open_device's parameters take the value (a size's height: `param_b`).
    int CameraParams::*param_a;
    int CameraParams::*param_b;
    // The update_* call while streaming; 0 when the camera took it.
    int (*apply)(int unit, int fd, const SettingValue &value);
    // What the camera holds, in the value's own terms; false when it cannot be read.
    bool (*read)(const SettingRow &row, int unit, int fd, SettingValue *value);
};

// Every setting, in the order they are shown.
const std::vector<SettingRow> &SettingRows();
// The row's place in SettingRows() (and in EncoderSettings and HeldSettings).
size_t SettingIndex(const SettingRow &row);
// The row of `key` (an underscore stands for a hyphen: "rate_control"), or null.
const SettingRow *FindSetting(const std::string &key);
// "size, framerate, ...".
std::string SettingKeys();

// "" with *value set when `text` is a good value of the row, else why not ("must be from 1 to
// 240", "must be one of baseline|main|high, not 'best'"), without the setting's name.
std::string ParseSettingText(const SettingRow &row, const std::string &text, SettingValue *value);
// The same for a number given as such (the console's JSON): only its bounds are checked.
std::string CheckSettingNumber(const SettingRow &row, long long number, SettingValue *value);
// "1280x720", "30", "main".
std::string FormatSetting(const SettingRow &row, const SettingValue &value);
// The bounds as the page and --help show them ("1 to 240", "each side 1 to 8192").
std::string SettingBounds(const SettingRow &row);

// One value per row, in SettingRows() order.
struct EncoderSettings {
    std::vector<SettingValue> values;
    EncoderSettings();
    SettingValue &operator[](const SettingRow &row);
    const SettingValue &operator[](const SettingRow &row) const;
    // open_device's parameters for these settings (H.264).
    CameraParams Params() const;
};

// What a camera holds, formatted, per row ("" where it cannot be read).
using HeldSettings = std::vector<std::string>;
HeldSettings ReadSettings(int fd, int unit);

// The settings line ("H.264 1280x720 at 30 fps, profile main, ...", "?" for what cannot be
// read) on `out` after `prefix`, and a warning on standard error for each setting the camera
// holds otherwise than `asked`.
void ReportSettings(FILE *out, const std::string &prefix, const HeldSettings &held,
                    const EncoderSettings &asked);

}  // namespace orvcli
