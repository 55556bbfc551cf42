#include "registry.h"

#include "object.h"

#include <algorithm>
#include <mutex>

namespace slhost {
namespace {

struct Entry {
    Object *object;
    std::shared_ptr<MediaCore> manual_core;
};

std::mutex &list_mutex() {
    static std::mutex m;
    return m;
}

std::vector<Entry> &entries() {
    static std::vector<Entry> list;
    return list;
}

bool matches(const Object *o, slhost_kind kind) {
    return kind == SLHOST_KIND_ANY || o->kind() == kind;
}

const Entry *find(SLObjectItf handle) {
    for (const auto &e : entries()) {
        if (e.object->handle() == handle) {
            return &e;
        }
    }
    return nullptr;
}

}  // namespace

void registry_add(Object *object, std::shared_ptr<MediaCore> manual_core) {
    std::lock_guard<std::mutex> lock(list_mutex());
    entries().push_back(Entry{object, std::move(manual_core)});
}

void registry_remove(Object *object) {
    std::lock_guard<std::mutex> lock(list_mutex());
    auto &list = entries();
    list.erase(std::remove_if(list.begin(), list.end(),
                              [object](const Entry &e) { return e.object == object; }),
               list.end());
}

std::vector<std::shared_ptr<MediaCore>> registry_manual_cores() {
    std::lock_guard<std::mutex> lock(list_mutex());
    std::vector<std::shared_ptr<MediaCore>> cores;
    for (const auto &e : entries()) {
        if (e.manual_core) {
            cores.push_back(e.manual_core);
        }
    }
    return cores;
}

std::shared_ptr<MediaCore> registry_manual_core(SLObjectItf object) {
    std::lock_guard<std::mutex> lock(list_mutex());
    const Entry *e = find(object);
    return e == nullptr ? nullptr : e->manual_core;
}

SLObjectItf registry_last(slhost_kind kind) {
    std::lock_guard<std::mutex> lock(list_mutex());
    const auto &list = entries();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (matches(it->object, kind)) {
            return it->object->handle();
        }
    }
    return nullptr;
}

unsigned registry_count(slhost_kind kind) {
    std::lock_guard<std::mutex> lock(list_mutex());
    unsigned n = 0;
    for (const auto &e : entries()) {
        n += matches(e.object, kind) ? 1 : 0;
    }
    return n;
}

bool registry_info(SLObjectItf object, slhost_object_info &info) {
    std::lock_guard<std::mutex> lock(list_mutex());
    const Entry *e = find(object);
    if (e == nullptr) {
        return false;
    }
    info = slhost_object_info{};
    info.kind = e->object->kind();
    info.objectState = e->object->object_state();
    e->object->fill_info(info);
    return true;
}

}  // namespace slhost
