#include "faults.h"

#include "log.h"
#include "result_names.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace slhost {
namespace {

struct Rule {
    slhost_fault fault;
    SLuint32 seen = 0;    // matching calls so far
    SLuint32 failed = 0;  // calls refused so far
};

struct Faults {
    std::mutex m;
    bool env_read = false;
    std::vector<Rule> rules;
    unsigned hits = 0;
};

Faults &faults() {
    static Faults f;
    return f;
}

const struct {
    const char *name;
    slhost_op op;
} kOps[] = {
    {"slCreateEngine", SLHOST_OP_CREATE_ENGINE},
    {"Realize", SLHOST_OP_REALIZE},
    {"GetInterface", SLHOST_OP_GET_INTERFACE},
    {"CreateOutputMix", SLHOST_OP_CREATE_OUTPUT_MIX},
    {"CreateAudioPlayer", SLHOST_OP_CREATE_AUDIO_PLAYER},
    {"CreateAudioRecorder", SLHOST_OP_CREATE_AUDIO_RECORDER},
    {"RegisterCallback", SLHOST_OP_REGISTER_CALLBACK},
    {"Enqueue", SLHOST_OP_ENQUEUE},
    {"Clear", SLHOST_OP_CLEAR},
    {"GetState", SLHOST_OP_GET_STATE},
    {"SetState", SLHOST_OP_SET_STATE},
    {"SetPlayState", SLHOST_OP_SET_STATE},
    {"SetRecordState", SLHOST_OP_SET_STATE},
    {"GetPosition", SLHOST_OP_GET_POSITION},
};

const struct {
    const char *name;
    slhost_kind kind;
} kKinds[] = {
    {"any", SLHOST_KIND_ANY},
    {"engine", SLHOST_KIND_ENGINE},
    {"outputmix", SLHOST_KIND_OUTPUT_MIX},
    {"player", SLHOST_KIND_PLAYER},
    {"recorder", SLHOST_KIND_RECORDER},
};

bool valid(const slhost_fault &f) {
    return f.op >= SLHOST_OP_CREATE_ENGINE && f.op <= SLHOST_OP_GET_POSITION &&
           f.kind >= SLHOST_KIND_ANY && f.kind <= SLHOST_KIND_RECORDER &&
           f.result != SL_RESULT_SUCCESS && f.state <= SL_PLAYSTATE_PLAYING;
}

bool parse_number(const std::string &s, unsigned long &out) {
    if (s.empty()) {
        return false;
    }
    char *end = nullptr;
    out = std::strtoul(s.c_str(), &end, 0);
    return end != nullptr && *end == '\0';
}

bool parse_rule(const std::string &text, slhost_fault &f) {
    f = slhost_fault{};
    f.count = -1;
    size_t colon = text.find(':');
    size_t eq = text.find('=');
    if (colon == std::string::npos || eq == std::string::npos || eq < colon) {
        return false;
    }
    std::string kind = text.substr(0, colon);
    std::string op = text.substr(colon + 1, eq - colon - 1);
    std::string rest = text.substr(eq + 1);
    bool kind_ok = false;
    for (const auto &k : kKinds) {
        if (kind == k.name) {
            f.kind = k.kind;
            kind_ok = true;
        }
    }
    size_t slash = op.find('/');
    if (slash != std::string::npos) {
        unsigned long state;
        if (!parse_number(op.substr(slash + 1), state)) {
            return false;
        }
        f.state = static_cast<SLuint32>(state);
        op.resize(slash);
    }
    bool op_ok = false;
    for (const auto &o : kOps) {
        if (op == o.name) {
            f.op = o.op;
            op_ok = true;
        }
    }
    size_t x = rest.rfind('x');
    if (x != std::string::npos && !(x == 1 && rest[0] == '0')) {
        unsigned long count;
        if (!parse_number(rest.substr(x + 1), count)) {
            return false;
        }
        f.count = static_cast<SLint32>(count);
        rest.resize(x);
    }
    size_t at = rest.find('@');
    if (at != std::string::npos) {
        unsigned long skip;
        if (!parse_number(rest.substr(at + 1), skip)) {
            return false;
        }
        f.skip = static_cast<SLuint32>(skip);
        rest.resize(at);
    }
    unsigned long number;
    if (result_from_name(rest, f.result)) {
    } else if (parse_number(rest, number)) {
        f.result = static_cast<SLresult>(number);
    } else {
        return false;
    }
    return kind_ok && op_ok && valid(f);
}

void read_env_locked(Faults &f) {
    if (f.env_read) {
        return;
    }
    f.env_read = true;
    const char *env = std::getenv("ORV_OPENSLES_FAULTS");
    if (env == nullptr || *env == '\0') {
        return;
    }
    std::vector<slhost_fault> rules;
    std::string error;
    if (!parse_fault_rules(env, rules, error)) {
        SLHOST_LOGE("ORV_OPENSLES_FAULTS: cannot read rule \"%s\"; no fault rule applies",
                    error.c_str());
        return;
    }
    for (const auto &r : rules) {
        f.rules.push_back(Rule{r});
    }
}

}  // namespace

bool parse_fault_rules(const std::string &text, std::vector<slhost_fault> &rules,
                       std::string &error) {
    std::vector<slhost_fault> parsed;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string item = text.substr(start, end - start);
        if (!item.empty()) {
            slhost_fault f;
            if (!parse_rule(item, f)) {
                error = item;
                return false;
            }
            parsed.push_back(f);
        }
        start = end + 1;
    }
    rules = std::move(parsed);
    return true;
}

SLresult fault_check(slhost_op op, slhost_kind kind, SLuint32 state) {
    Faults &f = faults();
    std::lock_guard<std::mutex> lock(f.m);
    read_env_locked(f);
    for (auto &rule : f.rules) {
        const slhost_fault &r = rule.fault;
        if (r.op != op || (r.kind != SLHOST_KIND_ANY && r.kind != kind) ||
            (r.state != 0 && r.state != state)) {
            continue;
        }
        if (r.count >= 0 && rule.failed >= static_cast<SLuint32>(r.count)) {
            continue;
        }
        ++rule.seen;
        if (rule.seen <= r.skip) {
            continue;
        }
        ++rule.failed;
        ++f.hits;
        return r.result;
    }
    return SL_RESULT_SUCCESS;
}

bool fault_add(const slhost_fault &rule) {
    if (!valid(rule)) {
        return false;
    }
    Faults &f = faults();
    std::lock_guard<std::mutex> lock(f.m);
    read_env_locked(f);
    f.rules.push_back(Rule{rule});
    return true;
}

void fault_clear() {
    Faults &f = faults();
    std::lock_guard<std::mutex> lock(f.m);
    f.env_read = true;
    f.rules.clear();
    f.hits = 0;
}

unsigned fault_hits() {
    Faults &f = faults();
    std::lock_guard<std::mutex> lock(f.m);
    return f.hits;
}

}  // namespace slhost
