#include "settings.h"

#include "log.h"

#include <cstdlib>
#include <mutex>

namespace slhost {
namespace {

struct Overrides {
    std::mutex m;
    bool has_backend = false;
    Backend backend = Backend::Null;
    bool has_capture = false;
    CaptureSpec capture;
};

Overrides &overrides() {
    static Overrides o;
    return o;
}

std::string env(const char *name) {
    const char *v = std::getenv(name);
    return v == nullptr ? std::string() : std::string(v);
}

}  // namespace

bool parse_backend(const std::string &name, Backend &out) {
    if (name == "null") {
        out = Backend::Null;
    } else if (name == "wav") {
        out = Backend::Wav;
    } else if (name == "manual") {
        out = Backend::Manual;
    } else if (name == "alsa") {
        out = Backend::Alsa;
    } else {
        return false;
    }
    return true;
}

Backend current_backend() {
    {
        Overrides &o = overrides();
        std::lock_guard<std::mutex> lock(o.m);
        if (o.has_backend) {
            return o.backend;
        }
    }
    std::string name = env("ORV_OPENSLES_BACKEND");
    Backend b = Backend::Null;
    if (!name.empty() && !parse_backend(name, b)) {
        SLHOST_LOGE("ORV_OPENSLES_BACKEND: unknown back end \"%s\", using null", name.c_str());
    }
    return b;
}

bool override_backend(const char *name) {
    Overrides &o = overrides();
    Backend b = Backend::Null;
    if (name != nullptr && !parse_backend(name, b)) {
        return false;
    }
    std::lock_guard<std::mutex> lock(o.m);
    o.has_backend = name != nullptr;
    o.backend = b;
    return true;
}

bool parse_capture(const std::string &text, CaptureSpec &out) {
    CaptureSpec spec;
    if (text == "silence") {
        spec.kind = CaptureSpec::Silence;
    } else if (text == "counter") {
        spec.kind = CaptureSpec::Counter;
    } else if (text.compare(0, 5, "sine:") == 0 && text.size() > 5) {
        char *end = nullptr;
        spec.kind = CaptureSpec::Sine;
        spec.hertz = std::strtod(text.c_str() + 5, &end);
        if (end == nullptr || *end != '\0' || !(spec.hertz > 0)) {
            return false;
        }
    } else {
        return false;
    }
    out = spec;
    return true;
}

CaptureSpec current_capture() {
    {
        Overrides &o = overrides();
        std::lock_guard<std::mutex> lock(o.m);
        if (o.has_capture) {
            return o.capture;
        }
    }
    std::string text = env("ORV_OPENSLES_CAPTURE");
    CaptureSpec spec;
    if (!text.empty() && !parse_capture(text, spec)) {
        SLHOST_LOGE("ORV_OPENSLES_CAPTURE: cannot read \"%s\", capturing silence", text.c_str());
    }
    return spec;
}

bool override_capture(const char *text) {
    Overrides &o = overrides();
    CaptureSpec spec;
    if (text != nullptr && !parse_capture(text, spec)) {
        return false;
    }
    std::lock_guard<std::mutex> lock(o.m);
    o.has_capture = text != nullptr;
    o.capture = spec;
    return true;
}

std::string wav_output_path(unsigned serial) {
    std::string pattern = env("ORV_OPENSLES_WAV_OUT");
    if (pattern.empty()) {
        pattern = "/tmp/orv-opensles-player-%u.wav";
    }
    size_t at = pattern.find("%u");
    if (at != std::string::npos) {
        pattern.replace(at, 2, std::to_string(serial));
    }
    return pattern;
}

std::string wav_input_path() {
    return env("ORV_OPENSLES_WAV_IN");
}

void reset_overrides() {
    Overrides &o = overrides();
    std::lock_guard<std::mutex> lock(o.m);
    o.has_backend = false;
    o.has_capture = false;
}

}  // namespace slhost
