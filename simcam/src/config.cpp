// The configuration's JSON form (documented in simcam/README.md), read with nlohmann::json.
#include "config.h"

#include <errno.h>
#include <linux/videodev2.h>

#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <limits>
#include <stdexcept>

namespace simcam {
namespace {

using nlohmann::json;

[[noreturn]] void Bad(const std::string &where, const std::string &what) {
    throw std::invalid_argument("simcam config: " + where + ": " + what);
}

// A number given as a JSON number or as text ("0x2e1a", "12").
int64_t Number(const json &j, const std::string &where) {
    if (j.is_number_integer())
        return j.get<int64_t>();
    if (j.is_boolean())
        return j.get<bool>() ? 1 : 0;
    if (j.is_string()) {
        const std::string s = j.get<std::string>();
        char *end = nullptr;
        errno = 0;
        const long long v = std::strtoll(s.c_str(), &end, 0);
        if (!s.empty() && end && *end == '\0' && errno == 0)
            return v;
    }
    Bad(where, "expected an integer, got " + j.dump());
}

template <typename T>
T Get(const json &obj, const char *key, T fallback, const std::string &where) {
    if (!obj.contains(key))
        return fallback;
    const int64_t v = Number(obj.at(key), where + "." + key);
    if (v < static_cast<int64_t>(std::numeric_limits<T>::min()) ||
        v > static_cast<int64_t>(std::numeric_limits<T>::max()))
        Bad(where + "." + key, "out of range");
    return static_cast<T>(v);
}

std::string Text(const json &obj, const char *key, const std::string &fallback,
                 const std::string &where) {
    if (!obj.contains(key))
        return fallback;
    if (!obj.at(key).is_string())
        Bad(where + "." + key, "expected a string");
    return obj.at(key).get<std::string>();
}

uint32_t Fourcc(const json &j, const std::string &where) {
    if (j.is_string()) {
        const std::string s = j.get<std::string>();
        if (s.size() == 4)
            return v4l2_fourcc(s[0], s[1], s[2], s[3]);
    }
    return static_cast<uint32_t>(Number(j, where));
}

// "1/30" or [1, 30].
Fraction ParseFraction(const json &j, const std::string &where) {
    Fraction f;
    if (j.is_array() && j.size() == 2) {
        f.numerator = static_cast<uint32_t>(Number(j[0], where));
        f.denominator = static_cast<uint32_t>(Number(j[1], where));
        return f;
    }
    unsigned n = 0, d = 0;
    char extra = 0;
    if (j.is_string() &&
        std::sscanf(j.get<std::string>().c_str(), "%u/%u%c", &n, &d, &extra) == 2) {
        f.numerator = n;
        f.denominator = d;
        return f;
    }
    Bad(where, "expected \"N/D\", got " + j.dump());
}

// "640x480".
void ParseSize(const json &j, uint32_t *w, uint32_t *h, const std::string &where) {
    unsigned a = 0, b = 0;
    char extra = 0;
    if (!j.is_string() || std::sscanf(j.get<std::string>().c_str(), "%ux%u%c", &a, &b, &extra) != 2)
        Bad(where, "expected \"WxH\", got " + j.dump());
    *w = a;
    *h = b;
}

uint32_t ParseKind(const json &obj, const std::string &where) {
    const std::string kind = Text(obj, "kind", "", where);
    if (kind == "continuous")
        return kContinuous;
    if (kind == "stepwise")
        return kStepwise;
    Bad(where + ".kind", "expected \"continuous\" or \"stepwise\"");
}

IntervalSet ParseIntervals(const json &j, const std::string &where) {
    IntervalSet set;
    if (j.is_array()) {
        for (size_t i = 0; i < j.size(); ++i)
            set.discrete.push_back(ParseFraction(j[i], where + "[" + std::to_string(i) + "]"));
        return set;
    }
    if (!j.is_object())
        Bad(where, "expected a list or an object");
    set.kind = ParseKind(j, where);
    set.min = ParseFraction(j.at("min"), where + ".min");
    set.max = ParseFraction(j.at("max"), where + ".max");
    set.step =
        set.kind == kStepwise ? ParseFraction(j.at("step"), where + ".step") : Fraction{1, 1};
    return set;
}

SizeSet ParseSizes(const json &j, const std::string &where) {
    SizeSet set;
    if (j.is_array()) {
        for (size_t i = 0; i < j.size(); ++i) {
            const std::string w = where + "[" + std::to_string(i) + "]";
            FrameSize fs;
            fs.width = Get<uint32_t>(j[i], "width", 0, w);
            fs.height = Get<uint32_t>(j[i], "height", 0, w);
            if (!j[i].contains("intervals"))
                Bad(w, "missing intervals");
            fs.intervals = ParseIntervals(j[i].at("intervals"), w + ".intervals");
            set.discrete.push_back(fs);
        }
        return set;
    }
    if (!j.is_object())
        Bad(where, "expected a list or an object");
    set.kind = ParseKind(j, where);
    ParseSize(j.at("min"), &set.min_width, &set.min_height, where + ".min");
    ParseSize(j.at("max"), &set.max_width, &set.max_height, where + ".max");
    if (set.kind == kStepwise)
        ParseSize(j.at("step"), &set.step_width, &set.step_height, where + ".step");
    set.intervals = ParseIntervals(j.at("intervals"), where + ".intervals");
    return set;
}

uint32_t ControlType(const json &j, const std::string &where) {
    static const std::map<std::string, uint32_t> kTypes = {
        {"integer", V4L2_CTRL_TYPE_INTEGER},
        {"boolean", V4L2_CTRL_TYPE_BOOLEAN},
        {"menu", V4L2_CTRL_TYPE_MENU},
        {"button", V4L2_CTRL_TYPE_BUTTON},
        {"integer64", V4L2_CTRL_TYPE_INTEGER64},
        {"bitmask", V4L2_CTRL_TYPE_BITMASK},
        {"integer_menu", V4L2_CTRL_TYPE_INTEGER_MENU},
    };
    if (j.is_string()) {
        auto it = kTypes.find(j.get<std::string>());
        if (it != kTypes.end())
            return it->second;
    }
    return static_cast<uint32_t>(Number(j, where));
}

uint32_t ControlFlags(const json &j, const std::string &where) {
    static const std::map<std::string, uint32_t> kFlags = {
        {"disabled", V4L2_CTRL_FLAG_DISABLED},     {"grabbed", V4L2_CTRL_FLAG_GRABBED},
        {"read_only", V4L2_CTRL_FLAG_READ_ONLY},   {"update", V4L2_CTRL_FLAG_UPDATE},
        {"inactive", V4L2_CTRL_FLAG_INACTIVE},     {"slider", V4L2_CTRL_FLAG_SLIDER},
        {"write_only", V4L2_CTRL_FLAG_WRITE_ONLY}, {"volatile", V4L2_CTRL_FLAG_VOLATILE},
    };
    if (!j.is_array())
        return static_cast<uint32_t>(Number(j, where));
    uint32_t flags = 0;
    for (const json &f : j) {
        auto it = f.is_string() ? kFlags.find(f.get<std::string>()) : kFlags.end();
        if (it == kFlags.end())
            Bad(where, "unknown flag " + f.dump());
        flags |= it->second;
    }
    return flags;
}

ControlConfig ParseControl(const json &j, const std::string &where) {
    ControlConfig c;
    if (!j.contains("id"))
        Bad(where, "missing id");
    c.id = Get<uint32_t>(j, "id", 0, where);
    c.name = Text(j, "name", "Control", where);
    if (j.contains("type"))
        c.type = ControlType(j.at("type"), where + ".type");
    c.minimum = Get<int32_t>(j, "min", 0, where);
    c.maximum = Get<int32_t>(j, "max", 0, where);
    c.step = Get<int32_t>(j, "step", c.type == V4L2_CTRL_TYPE_BITMASK ? 0 : 1, where);
    c.default_value = Get<int32_t>(j, "default", 0, where);
    if (j.contains("flags"))
        c.flags = ControlFlags(j.at("flags"), where + ".flags");
    if (c.maximum < c.minimum)
        Bad(where, "max below min");
    return c;
}

Call CallByName(const std::string &name, const std::string &where) {
    static const std::map<std::string, Call> kCalls = {
        {"querycap", Call::kQueryCap},
        {"enum_fmt", Call::kEnumFmt},
        {"g_fmt", Call::kGetFmt},
        {"s_fmt", Call::kSetFmt},
        {"g_parm", Call::kGetParm},
        {"s_parm", Call::kSetParm},
        {"reqbufs", Call::kReqBufs},
        {"querybuf", Call::kQueryBuf},
        {"mmap", Call::kMmap},
        {"qbuf", Call::kQBuf},
        {"dqbuf", Call::kDQBuf},
        {"streamon", Call::kStreamOn},
        {"streamoff", Call::kStreamOff},
        {"queryctrl", Call::kQueryCtrl},
        {"g_ctrl", Call::kGetCtrl},
        {"s_ctrl", Call::kSetCtrl},
        {"enum_framesizes", Call::kEnumFrameSizes},
        {"enum_frameintervals", Call::kEnumFrameIntervals},
    };
    auto it = kCalls.find(name);
    if (it == kCalls.end())
        Bad(where, "unknown call " + name);
    return it->second;
}

int Errno(const json &j, const std::string &where) {
    try {
        return j.is_string() ? ParseErrno(j.get<std::string>())
                             : static_cast<int>(Number(j, where));
    } catch (const std::invalid_argument &) {
        Bad(where, "unknown errno " + j.dump());
    }
}

Faults ParseFaults(const json &j, const std::string &where) {
    Faults f;
    if (j.contains("open"))
        f.open_error = Errno(j.at("open"), where + ".open");
    if (j.contains("calls")) {
        for (const auto &item : j.at("calls").items()) {
            const std::string w = where + ".calls." + item.key();
            CallFault cf;
            if (item.value().is_object()) {
                cf.error = Errno(item.value().at("errno"), w + ".errno");
                cf.times = Get<int>(item.value(), "times", -1, w);
                cf.after = Get<int>(item.value(), "after", 0, w);
            } else {
                cf.error = Errno(item.value(), w);
            }
            f.calls[CallByName(item.key(), w)] = cf;
        }
    }
    f.grant = Get<uint32_t>(j, "grant_buffers", 0, where);
    if (j.contains("xu")) {
        for (const json &x : j.at("xu")) {
            const std::string w = where + ".xu";
            f.xu[{Get<uint8_t>(x, "unit", 0, w), Get<uint8_t>(x, "selector", 0, w)}] =
                Errno(x.at("errno"), w + ".errno");
        }
    }
    if (j.contains("controls")) {
        for (const json &c : j.at("controls")) {
            const std::string w = where + ".controls";
            f.controls[Get<uint32_t>(c, "id", 0, w)] = Errno(c.at("errno"), w + ".errno");
        }
    }
    f.unplugged = Get<int>(j, "unplugged", 0, where) != 0;
    f.stalled = Get<int>(j, "stalled", 0, where) != 0;
    f.corrupt_frames = Get<int>(j, "corrupt_frames", 0, where);
    return f;
}

Clock ParseClock(const std::string &name, const std::string &where) {
    if (name == "realtime")
        return Clock::kRealTime;
    if (name == "fast")
        return Clock::kFast;
    if (name == "stepped")
        return Clock::kStepped;
    Bad(where, "expected realtime, fast or stepped");
}

NodeConfig ParseNode(const json &j, const std::string &where) {
    NodeConfig n;
    n.path = Text(j, "path", "", where);
    unsigned minor = 0;
    char extra = 0;
    if (std::sscanf(n.path.c_str(), "/dev/video%u%c", &minor, &extra) != 1 || minor > 63)
        Bad(where + ".path", "expected /dev/videoN, got \"" + n.path + "\"");
    n.minor = static_cast<int>(minor);
    n.driver = Text(j, "driver", n.driver, where);
    n.card = Text(j, "card", "ORV USB Camera", where);
    n.bus_info = Text(j, "bus_info", "usb-0000:00:14.0-" + std::to_string(minor + 1), where);
    n.version = Get<uint32_t>(j, "version", n.version, where);
    if (j.contains("identity")) {
        const json &id = j.at("identity");
        if (id.is_boolean() && !id.get<bool>()) {
            n.identity = false;
        } else if (id.is_object()) {
            n.vendor_id = Get<uint16_t>(id, "vendor_id", 0, where + ".identity");
            n.product_id = Get<uint16_t>(id, "product_id", 0, where + ".identity");
            n.bcd_device = Get<uint16_t>(id, "bcd_device", 0, where + ".identity");
        } else {
            Bad(where + ".identity", "expected an object or false");
        }
    }
    n.h264_unit = Get<uint8_t>(j, "h264_unit", n.h264_unit, where);
    n.osd_status = Get<uint8_t>(j, "osd_status", n.osd_status, where);
    n.hdmi_input = Get<uint8_t>(j, "hdmi_input", n.hdmi_input, where);
    if (j.contains("clock"))
        n.clock = ParseClock(Text(j, "clock", "", where), where + ".clock");
    n.prebuffered_frames = Get<int>(j, "prebuffered_frames", n.prebuffered_frames, where);
    n.drop_corrupted = Get<int>(j, "drop_corrupted", 0, where) != 0;
    if (n.prebuffered_frames < 1)
        Bad(where + ".prebuffered_frames", "must be at least 1");
    n.stamp_capture_time = Get<int>(j, "stamp_capture_time", 0, where) != 0;
    if (j.contains("encoder")) {
        const json &e = j.at("encoder");
        const std::string w = where + ".encoder";
        n.encoder.bitrate = Get<uint32_t>(e, "bitrate", n.encoder.bitrate, w);
        n.encoder.profile = Get<uint16_t>(e, "profile", n.encoder.profile, w);
        n.encoder.rate_control = Get<uint8_t>(e, "rate_control", n.encoder.rate_control, w);
        n.encoder.iframe_period = Get<uint16_t>(e, "iframe_period", n.encoder.iframe_period, w);
    }
    if (j.contains("formats")) {
        const json &fs = j.at("formats");
        for (size_t i = 0; i < fs.size(); ++i) {
            const std::string w = where + ".formats[" + std::to_string(i) + "]";
            FormatConfig f;
            if (!fs[i].contains("fourcc"))
                Bad(w, "missing fourcc");
            f.fourcc = Fourcc(fs[i].at("fourcc"), w + ".fourcc");
            f.description = Text(fs[i], "description", "", w);
            const bool compressed = f.fourcc != V4L2_PIX_FMT_YUYV;
            f.flags = Get<uint32_t>(fs[i], "flags", compressed ? V4L2_FMT_FLAG_COMPRESSED : 0, w);
            if (!fs[i].contains("frame_sizes"))
                Bad(w, "missing frame_sizes");
            f.sizes = ParseSizes(fs[i].at("frame_sizes"), w + ".frame_sizes");
            n.formats.push_back(f);
        }
    }
    if (n.formats.empty())
        Bad(where + ".formats", "a node needs at least one format");
    if (j.contains("controls")) {
        const json &cs = j.at("controls");
        for (size_t i = 0; i < cs.size(); ++i)
            n.controls.push_back(
                ParseControl(cs[i], where + ".controls[" + std::to_string(i) + "]"));
    }
    if (j.contains("faults"))
        n.faults = ParseFaults(j.at("faults"), where + ".faults");
    return n;
}

}  // namespace

int ParseErrno(const std::string &text) {
    static const std::map<std::string, int> kNames = {
        {"EPERM", EPERM},         {"ENOENT", ENOENT},
        {"EINTR", EINTR},         {"EIO", EIO},
        {"ENXIO", ENXIO},         {"EBADF", EBADF},
        {"EAGAIN", EAGAIN},       {"ENOMEM", ENOMEM},
        {"EACCES", EACCES},       {"EFAULT", EFAULT},
        {"EBUSY", EBUSY},         {"ENODEV", ENODEV},
        {"EINVAL", EINVAL},       {"ENOSPC", ENOSPC},
        {"EPIPE", EPIPE},         {"ERANGE", ERANGE},
        {"ENOTTY", ENOTTY},       {"ENOBUFS", ENOBUFS},
        {"ETIMEDOUT", ETIMEDOUT}, {"EPROTO", EPROTO},
        {"EOVERFLOW", EOVERFLOW}, {"EBADRQC", EBADRQC},
        {"ESHUTDOWN", ESHUTDOWN}, {"ENOSYS", ENOSYS},
    };
    auto it = kNames.find(text);
    if (it != kNames.end())
        return it->second;
    char *end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 0);
    if (!text.empty() && *end == '\0' && v >= 0)
        return static_cast<int>(v);
    throw std::invalid_argument("unknown errno " + text);
}

Config ParseConfig(const std::string &text) {
    json j;
    try {
        j = json::parse(text);
    } catch (const json::exception &e) {
        Bad("JSON", e.what());
    }
    if (!j.is_object() || !j.contains("nodes") || !j.at("nodes").is_array())
        Bad("top level", "expected an object with a \"nodes\" list");
    Config c;
    try {
        const std::string kernel = Text(j, "kernel", "maker", "top level");
        if (kernel != "maker" && kernel != "stock")
            Bad("kernel", "expected maker or stock, got \"" + kernel + "\"");
        for (size_t i = 0; i < j.at("nodes").size(); ++i) {
            NodeConfig n = ParseNode(j.at("nodes")[i], "nodes[" + std::to_string(i) + "]");
            n.stock_kernel = kernel == "stock";
            for (const NodeConfig &other : c.nodes)
                if (other.path == n.path)
                    Bad("nodes[" + std::to_string(i) + "]", "duplicate path " + n.path);
            c.nodes.push_back(std::move(n));
        }
    } catch (const json::exception &e) {
        Bad("structure", e.what());
    }
    return c;
}

}  // namespace simcam
