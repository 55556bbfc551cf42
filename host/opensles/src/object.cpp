#include "object.h"

#include "faults.h"
#include "interface_ids.h"
#include "registry.h"

namespace slhost {

SLresult resolve_interfaces(const std::vector<InterfaceOffer> &offers, SLuint32 count,
                            const SLInterfaceID *ids, const SLboolean *required,
                            std::vector<SLInterfaceID> &granted) {
    granted.clear();
    if (count > 0 && (ids == nullptr || required == nullptr)) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    for (SLuint32 i = 0; i < count; ++i) {
        if (ids[i] == nullptr) {
            return SL_RESULT_PARAMETER_INVALID;
        }
        const InterfaceOffer *found = nullptr;
        for (const auto &offer : offers) {
            if (iid_equal(offer.iid, ids[i])) {
                found = &offer;
                break;
            }
        }
        if (found == nullptr) {
            if (required[i]) {
                return SL_RESULT_FEATURE_UNSUPPORTED;
            }
            continue;
        }
        if (!found->implicit) {
            granted.push_back(found->iid);
        }
    }
    return SL_RESULT_SUCCESS;
}

struct ObjectItfImpl {
    static Object *self(SLObjectItf itf) { return owner_of(itf); }

    static SLresult Realize(SLObjectItf itf, SLboolean async) {
        Object *o = self(itf);
        if (o == nullptr) {
            return SL_RESULT_PARAMETER_INVALID;
        }
        SLresult r = o->realize();
        if (async) {
            // Realization is always synchronous here; an asynchronous request is reported
            // through the object callback as well, as a caller of the async form expects.
            slObjectCallback cb;
            void *ctx;
            {
                std::lock_guard<std::mutex> lock(o->callback_mutex_);
                cb = o->callback_;
                ctx = o->callback_context_;
            }
            if (cb != nullptr) {
                cb(itf, ctx, SL_OBJECT_EVENT_ASYNC_TERMINATION, r, o->object_state(), nullptr);
            }
        }
        return r;
    }
    static SLresult Resume(SLObjectItf itf, SLboolean) {
        return self(itf) == nullptr ? SL_RESULT_PARAMETER_INVALID
                                    : SL_RESULT_PRECONDITIONS_VIOLATED;
    }
    static SLresult GetState(SLObjectItf itf, SLuint32 *state) {
        Object *o = self(itf);
        if (o == nullptr || state == nullptr) {
            return SL_RESULT_PARAMETER_INVALID;
        }
        *state = o->object_state();
        return SL_RESULT_SUCCESS;
    }
    static SLresult GetInterface(SLObjectItf itf, const SLInterfaceID iid, void *out) {
        Object *o = self(itf);
        if (o == nullptr) {
            return SL_RESULT_PARAMETER_INVALID;
        }
        return o->get_interface(iid, out);
    }
    static SLresult RegisterCallback(SLObjectItf itf, slObjectCallback cb, void *ctx) {
        Object *o = self(itf);
        if (o == nullptr) {
            return SL_RESULT_PARAMETER_INVALID;
        }
        std::lock_guard<std::mutex> lock(o->callback_mutex_);
        o->callback_ = cb;
        o->callback_context_ = ctx;
        return SL_RESULT_SUCCESS;
    }
    static void AbortAsyncOperation(SLObjectItf) {}
    static void Destroy(SLObjectItf itf) {
        if (Object *o = self(itf)) {
            o->destroy();
        }
    }
    static SLresult SetPriority(SLObjectItf itf, SLint32 priority, SLboolean preemptable) {
        Object *o = self(itf);
        if (o == nullptr) {
            return SL_RESULT_PARAMETER_INVALID;
        }
        o->priority_ = priority;
        o->preemptable_ = preemptable ? SL_BOOLEAN_TRUE : SL_BOOLEAN_FALSE;
        return SL_RESULT_SUCCESS;
    }
    static SLresult GetPriority(SLObjectItf itf, SLint32 *priority, SLboolean *preemptable) {
        Object *o = self(itf);
        if (o == nullptr || priority == nullptr || preemptable == nullptr) {
            return SL_RESULT_PARAMETER_INVALID;
        }
        *priority = o->priority_;
        *preemptable = o->preemptable_;
        return SL_RESULT_SUCCESS;
    }
    static SLresult SetLossOfControlInterfaces(SLObjectItf itf, SLint16, SLInterfaceID *,
                                               SLboolean) {
        return self(itf) == nullptr ? SL_RESULT_PARAMETER_INVALID : SL_RESULT_FEATURE_UNSUPPORTED;
    }
};

namespace {
const struct SLObjectItf_ kObjectVtable = {
    ObjectItfImpl::Realize,          ObjectItfImpl::Resume,
    ObjectItfImpl::GetState,         ObjectItfImpl::GetInterface,
    ObjectItfImpl::RegisterCallback, ObjectItfImpl::AbortAsyncOperation,
    ObjectItfImpl::Destroy,          ObjectItfImpl::SetPriority,
    ObjectItfImpl::GetPriority,      ObjectItfImpl::SetLossOfControlInterfaces,
};
}  // namespace

Object::Object(slhost_kind kind, std::vector<InterfaceOffer> offers,
               std::vector<SLInterfaceID> granted)
    : object_slot_{&kObjectVtable, this},
      kind_(kind),
      offers_(std::move(offers)),
      granted_(std::move(granted)) {}

Object::~Object() = default;

SLresult Object::realize() {
    std::lock_guard<std::mutex> lock(realize_mutex_);
    if (state_.load() != SL_OBJECT_STATE_UNREALIZED) {
        return SL_RESULT_PRECONDITIONS_VIOLATED;
    }
    SLresult r = fault_check(SLHOST_OP_REALIZE, kind_);
    if (r != SL_RESULT_SUCCESS) {
        return r;
    }
    r = on_realize();
    if (r == SL_RESULT_SUCCESS) {
        state_ = SL_OBJECT_STATE_REALIZED;
    }
    return r;
}

bool Object::offered(SLInterfaceID iid) const {
    for (const auto &offer : offers_) {
        if (iid_equal(offer.iid, iid)) {
            if (offer.implicit) {
                return true;
            }
            for (SLInterfaceID g : granted_) {
                if (iid_equal(g, iid)) {
                    return true;
                }
            }
            return false;
        }
    }
    return false;
}

SLresult Object::get_interface(SLInterfaceID iid, void *out) {
    if (iid == nullptr || out == nullptr) {
        return SL_RESULT_PARAMETER_INVALID;
    }
    SLresult r = fault_check(SLHOST_OP_GET_INTERFACE, kind_);
    if (r != SL_RESULT_SUCCESS) {
        return r;
    }
    if (!realized() && !usable_unrealized(iid)) {
        return SL_RESULT_PRECONDITIONS_VIOLATED;
    }
    ItfSlot *slot = nullptr;
    if (iid_equal(iid, SL_IID_OBJECT)) {
        slot = &object_slot_;
    } else if (offered(iid)) {
        slot = slot_for(iid);
    }
    if (slot == nullptr) {
        return SL_RESULT_FEATURE_UNSUPPORTED;
    }
    *static_cast<const void **>(out) = slot;
    return SL_RESULT_SUCCESS;
}

void Object::destroy() {
    registry_remove(this);
    on_destroy();
    delete this;
}

}  // namespace slhost
