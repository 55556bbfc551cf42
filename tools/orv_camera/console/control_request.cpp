#include "control_request.h"

#include <nlohmann/json.hpp>

#include <initializer_list>

#include "cli_app.h"
#include "cli_common.h"
#include "open_camera.h"

namespace orvcli {
namespace {

using Json = nlohmann::json;

constexpr size_t kMaxBody = 4096;
const Choices kAxes = {{"pan", 0}, {"tilt", 2}, {"zoom", 4}};
const Choices kFormats = {{"mp4", 0}, {"mkv", 1}};

// "" when `msg` holds "op" and no field beyond `fields`.
std::string OnlyFields(const Json &msg, std::initializer_list<const char *> fields) {
    for (auto it = msg.begin(); it != msg.end(); ++it) {
        bool known = it.key() == "op";
        for (const char *f : fields)
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

std::string Name(const Json &msg, const char *field, const Choices &choices, int *out) {
    const Json &v = msg.at(field);
    if (!v.is_string() || !FindChoice(choices, v.get<std::string>(), out))
        return std::string(field) + " must be one of " + ChoiceList(choices);
    return "";
}

std::string ParseSet(const Json &msg, ControlRequest *r) {
    std::string why = OnlyFields(msg, {"key", "value"});
    if (!why.empty())
        return why;
    if (!msg["key"].is_string())
        return "key must be a text";
    r->key = msg["key"].get<std::string>();
    if (r->key == "size") {
        const Json &v = msg["value"];
        if (!v.is_string() || !ParseSize(v.get<std::string>(), &r->a, &r->b) || r->a > 8192 ||
            r->b > 8192)
            return "size must be a text WxH, each from 1 to 8192";
        return "";
    }
    if (r->key == "framerate")
        return Whole(msg, "value", 1, 240, &r->a);
    if (r->key == "bitrate")
        return Whole(msg, "value", 1000, 500000000, &r->a);
    if (r->key == "iframe_period")
        return Whole(msg, "value", 0, 3600, &r->a);
    if (r->key == "profile")
        return Name(msg, "value", ProfileNames(), &r->a);
    if (r->key == "rate_control")
        return Name(msg, "value", RateControlNames(), &r->a);
    return "unknown setting '" + r->key +
           "' (size, framerate, bitrate, profile, rate_control, iframe_period)";
}

std::string Parse(const Json &msg, ControlRequest *r) {
    using Op = ControlRequest::Op;
    if (r->op_name == "set") {
        r->op = Op::kSet;
        return ParseSet(msg, r);
    }
    if (r->op_name == "iframe" || r->op_name == "osd_status" || r->op_name == "hdmi") {
        r->op = r->op_name == "iframe" ? Op::kIFrame
                : r->op_name == "hdmi" ? Op::kHdmi
                                       : Op::kOsdStatus;
        return OnlyFields(msg, {});
    }
    if (r->op_name == "ptz") {
        r->op = Op::kPtz;
        std::string why = OnlyFields(msg, {"axis", "speed"});
        if (why.empty())
            why = Name(msg, "axis", kAxes, &r->movement);
        return why.empty() ? Whole(msg, "speed", -255, 255, &r->speed) : why;
    }
    if (r->op_name == "osd" || r->op_name == "menu") {
        r->op = r->op_name == "osd" ? Op::kOsd : Op::kMenu;
        const std::string why = OnlyFields(msg, {"command"});
        return why.empty() ? Whole(msg, "command", 0, 255, &r->command) : why;
    }
    if (r->op_name == "record") {
        r->op = Op::kRecord;
        const bool has_format = msg.contains("format");
        std::string why = has_format ? OnlyFields(msg, {"on", "format"}) : OnlyFields(msg, {"on"});
        if (!why.empty())
            return why;
        if (!msg["on"].is_boolean())
            return "on must be true or false";
        r->on = msg["on"].get<bool>();
        int code = 0;
        if (has_format && (why = Name(msg, "format", kFormats, &code)).empty())
            r->format = msg["format"].get<std::string>();
        return why;
    }
    return "unknown op '" + r->op_name + "' (set, iframe, ptz, osd, menu, osd_status, hdmi, record)";
}

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
    ControlRequest r;
    r.op_name = msg["op"].get<std::string>();
    const std::string why = Parse(msg, &r);
    if (why.empty())
        *out = r;
    return why;
}

}  // namespace orvcli
