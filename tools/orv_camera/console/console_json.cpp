#include "console_json.h"

namespace orvcli {
namespace {

using Json = nlohmann::json;

const char *const kKinds[] = {"number", "size", "choice"};

Json SettingMap(const HeldSettings &held) {
    Json map = Json::object();
    for (const SettingRow &row : SettingRows())
        map[row.key] = held.empty() ? "" : held[SettingIndex(row)];
    return map;
}

}  // namespace

Json StatusJson(const LoopStatus &s) {
    return {{"state", StateName(s.state)},
            {"message", s.message},
            {"reopened", s.reopened},
            {"settings", SettingMap(s.settings)},
            {"recording",
             {{"on", s.recording.on},
              {"path", s.recording.path},
              {"frames", s.recording.frames},
              {"dropped", s.recording.dropped},
              {"message", s.recording.message}}},
            {"push", {{"on", s.push.on}, {"url", s.push.url}, {"frames", s.push.frames}}}};
}

Json ReplyJson(const Reply &reply, const ControlRequest &request) {
    Json j = {
        {"ok", reply.ok}, {reply.ok ? "answer" : "error", reply.text}, {"op", request.op_name}};
    if (!reply.value.empty())
        j["value"] = reply.value;
    if (request.setting)
        j["key"] = request.setting->key;
    return j;
}

Json SettingsJson(const HeldSettings &held) {
    const Json values = SettingMap(held);
    Json table = Json::array();
    for (const SettingRow &row : SettingRows()) {
        Json choices = Json::array();
        for (const SettingChoice &c : row.choices)
            choices.push_back(c.name);
        table.push_back({{"key", row.key},
                         {"label", row.label},
                         {"kind", kKinds[static_cast<int>(row.kind)]},
                         {"bounds", SettingBounds(row)},
                         {"min", row.min},
                         {"max", row.max},
                         {"choices", choices},
                         {"value", values[row.key]}});
    }
    return table;
}

}  // namespace orvcli
