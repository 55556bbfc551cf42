#include "setting_change.h"

#include "cli_common.h"

namespace orvcli {

std::string ParseChange(const std::string &text, Change *c) {
    const size_t eq = text.find('=');
    const size_t at = text.rfind('@');
    int64_t frame = 0;
    if (eq == std::string::npos || at == std::string::npos || at < eq ||
        !ParseInt64(text.substr(at + 1), &frame) || frame < 1)
        return "--change takes KEY=VALUE@FRAME (FRAME at least 1), not '" + text + "'";
    const std::string key = text.substr(0, eq);
    const SettingRow *row = FindSetting(key);
    if (!row)
        return "--change: unknown setting '" + key + "' (" + SettingKeys() + ")";
    SettingValue value;
    const std::string why = ParseSettingText(*row, text.substr(eq + 1, at - eq - 1), &value);
    if (!why.empty())
        return "--change " + std::string(row->key) + " " + why;
    *c = {row, value, frame, text.substr(0, at)};
    return "";
}

}  // namespace orvcli
