#include "control_request.h"

#include <nlohmann/json.hpp>

#include <vector>

#include "cli_app.h"
#include "cli_common.h"
#include "media/stream_push.h"

namespace orvcli {
namespace {

using Json = nlohmann::json;
using Op = ControlRequest::Op;

constexpr size_t kMaxBody = 4096;
// The speed the library sends at most (its magnitude); the camera's own range is checked on
// the capture thread.
constexpr int kMaxPtzSpeed = 255;
const Choices kFormats = {{"mp4", 0}, {"mkv", 1}};

// "" when `msg` holds "op", the fields `fields` and at most the `optional` ones besides.
std::string OnlyFields(const Json &msg, const std::vector<const char *> &fields,
                       const std::vector<const char *> &optional) {
    for (auto it = msg.begin(); it != msg.end(); ++it) {
        bool known = it.key() == "op";
        for (const auto *list : {&fields, &optional})
            for (const char *f : *list)
                known = known || it.key() == f;
        if (!known)
            return "unknown field '" + it.key() + "'";
    }
    for (const char *f : fields)
        if (!msg.contains(f))
            return "missing field '" + std::string(f) + "'";
    return "";
}

std::string Whole(const Json &msg, const char *field, int min, int max, int *out) {
    const Json &v = msg.at(field);
    if (!v.is_number_integer())
        return std::string(field) + " must be a whole number";
    const int64_t n = v.get<int64_t>();
    if (n < min || n > max)
        return std::string(field) + " must be from " + std::to_string(min) + " to " +
               std::to_string(max);
    *out = static_cast<int>(n);
    return "";
}

// A number setting takes a JSON number, the others the text their option takes.
std::string ParseSet(const Json &msg, ControlRequest *r) {
    if (!msg["key"].is_string())
        return "key must be a text";
    const std::string key = msg["key"].get<std::string>();
    r->setting = FindSetting(key);
    if (!r->setting)
        return "unknown setting '" + key + "' (" + SettingKeys() + ")";
    const Json &v = msg["value"];
    const SettingRow &row = *r->setting;
    std::string why;
    if (row.kind == SettingRow::Kind::kNumber)
        why = v.is_number_integer() ? CheckSettingNumber(row, v.get<int64_t>(), &r->value)
                                    : "must be a whole number";
    else
        why = v.is_string() ? ParseSettingText(row, v.get<std::string>(), &r->value)
                            : "must be a text";
    return why.empty() ? "" : std::string(row.key) + " " + why;
}

std::string ParsePtz(const Json &msg, ControlRequest *r) {
    const Json &axis = msg["axis"];
    r->axis = axis.is_string() ? FindPtzAxis(axis.get<std::string>()) : nullptr;
    if (!r->axis)
        return "axis must be one of " + PtzAxisNames();
    return Whole(msg, "speed", -kMaxPtzSpeed, kMaxPtzSpeed, &r->speed);
}

std::string ParseCommand(const Json &msg, ControlRequest *r) {
    return Whole(msg, "command", 0, 255, &r->command);
}

std::string ParseRecord(const Json &msg, ControlRequest *r) {
    if (!msg["on"].is_boolean())
        return "on must be true or false";
    r->on = msg["on"].get<bool>();
    int code = 0;
    if (!msg.contains("format"))
        return "";
    const Json &f = msg["format"];
    if (!f.is_string() || !FindChoice(kFormats, f.get<std::string>(), &code))
        return "format must be one of " + ChoiceList(kFormats);
    r->format = f.get<std::string>();
    return "";
}

// A start names the server's URL, a stop nothing more.
std::string ParsePush(const Json &msg, ControlRequest *r) {
    if (!msg["on"].is_boolean())
        return "on must be true or false";
    r->on = msg["on"].get<bool>();
    if (!r->on)
        return msg.contains("url") ? "url is for a start (on: true)" : "";
    if (!msg.contains("url"))
        return "missing field 'url'";
    const Json &url = msg.at("url");
    if (!url.is_string() || !IsPushUrl(url.get<std::string>()))
        return "url must be an rtsp://, srt:// or rtmp:// URL";
    r->url = url.get<std::string>();
    return "";
}

std::string NoMore(const Json &, ControlRequest *) {
    return "";
}

// One row per op: its name, its fields, and the parse of their values.
struct OpRow {
    const char *name;
    Op op;
    std::vector<const char *> fields, optional;
    std::string (*parse)(const Json &, ControlRequest *);
};
const OpRow kOps[] = {
    {"set", Op::kSet, {"key", "value"}, {}, ParseSet},
    {"iframe", Op::kIFrame, {}, {}, NoMore},
    {"ptz", Op::kPtz, {"axis", "speed"}, {}, ParsePtz},
    {"osd", Op::kOsd, {"command"}, {}, ParseCommand},
    {"menu", Op::kMenu, {"command"}, {}, ParseCommand},
    {"osd_status", Op::kOsdStatus, {}, {}, NoMore},
    {"hdmi", Op::kHdmi, {}, {}, NoMore},
    {"record", Op::kRecord, {"on"}, {"format"}, ParseRecord},
    {"push", Op::kPush, {"on"}, {"url"}, ParsePush},
};

}  // namespace

std::string ParseControlRequest(const std::string &body, ControlRequest *out) {
    if (body.size() > kMaxBody)
        return "message longer than " + std::to_string(kMaxBody) + " bytes";
    const Json msg = Json::parse(body, nullptr, false);
    if (msg.is_discarded())
        return "not JSON";
    if (!msg.is_object())
        return "not a JSON object";
    if (!msg.contains("op") || !msg["op"].is_string())
        return "op must be a text";
    const std::string name = msg["op"].get<std::string>();
    std::string names;
    for (const OpRow &row : kOps) {
        names += (names.empty() ? "" : ", ") + std::string(row.name);
        if (name != row.name)
            continue;
        ControlRequest r;
        r.op = row.op;
        r.op_name = row.name;
        std::string why = OnlyFields(msg, row.fields, row.optional);
        if (why.empty())
            why = row.parse(msg, &r);
        if (why.empty())
            *out = r;
        return why;
    }
    return "unknown op '" + name + "' (" + names + ")";
}

}  // namespace orvcli
