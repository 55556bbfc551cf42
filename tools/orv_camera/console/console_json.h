// The server's JSON of what the capture loop says: its status, a request's reply, and the
// table of encoder settings the page builds its fields from.
#pragma once

#include <nlohmann/json.hpp>

#include "capture_loop.h"
#include "control_request.h"

namespace orvcli {

// {"state", "message", "reopened", "settings": {KEY: value in force}, "recording": {"on",
// "path", "frames", "dropped", "message"}}.
nlohmann::json StatusJson(const LoopStatus &status);
// {"ok", "answer" or "error", "value" (read back, when there is one), "op", "key" (set)}.
nlohmann::json ReplyJson(const Reply &reply, const ControlRequest &request);
// [{"key", "label", "kind" (number, size, choice), "bounds", "min", "max", "choices", "value"
// (in force)}], one per encoder setting.
nlohmann::json SettingsJson(const HeldSettings &held);

}  // namespace orvcli
