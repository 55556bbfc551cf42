// The base of every object: its object interface, its realization state, the interfaces it
// offers, and its place among the live objects.
#pragma once

#include <SLES/OpenSLES.h>
#include <opensles_host/test_control.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace slhost {

class Object;

// What an interface handle points to: the function table, then the owning object.
struct ItfSlot {
    const void *vtable;
    Object *owner;
};

template <typename Itf>
Object *owner_of(Itf self) {
    return self == nullptr ? nullptr : reinterpret_cast<const ItfSlot *>(self)->owner;
}

// One interface an object kind offers: implicit ones are always there, explicit ones only when
// asked for at creation.
struct InterfaceOffer {
    SLInterfaceID iid;
    bool implicit;
};

// Checks the interfaces asked for at creation against what the kind offers. A required one that
// is not offered gives SL_RESULT_FEATURE_UNSUPPORTED; one not required is quietly left out.
// On success `granted` holds the explicit interfaces granted.
SLresult resolve_interfaces(const std::vector<InterfaceOffer> &offers, SLuint32 count,
                            const SLInterfaceID *ids, const SLboolean *required,
                            std::vector<SLInterfaceID> &granted);

class Object {
  public:
    Object(slhost_kind kind, std::vector<InterfaceOffer> offers,
           std::vector<SLInterfaceID> granted);
    virtual ~Object();
    Object(const Object &) = delete;
    Object &operator=(const Object &) = delete;

    SLObjectItf handle() { return reinterpret_cast<SLObjectItf>(&object_slot_); }
    slhost_kind kind() const { return kind_; }
    SLuint32 object_state() const { return state_.load(); }
    bool realized() const { return state_.load() == SL_OBJECT_STATE_REALIZED; }

    SLresult realize();
    SLresult get_interface(SLInterfaceID iid, void *out);
    // Takes the object off the live list, releases everything, and deletes it.
    void destroy();

    // The parts of the test view that this kind knows about (kind and object state are filled).
    virtual void fill_info(slhost_object_info &) const {}

    // Keeps `slot` (the object's place among its engine's objects) until the object is deleted.
    void hold_engine_slot(std::shared_ptr<void> slot) { engine_slot_ = std::move(slot); }

  protected:
    // Acquires what the object needs to run; the object stays unrealized on failure.
    virtual SLresult on_realize() { return SL_RESULT_SUCCESS; }
    // The slot of an interface this kind implements besides the object interface, or nullptr.
    virtual ItfSlot *slot_for(SLInterfaceID iid) = 0;
    // Interfaces that may be fetched before Realize (Android's configuration interface).
    virtual bool usable_unrealized(SLInterfaceID) const { return false; }
    // Stops everything the object runs; called once, before deletion.
    virtual void on_destroy() {}

  private:
    bool offered(SLInterfaceID iid) const;

    ItfSlot object_slot_;
    const slhost_kind kind_;
    const std::vector<InterfaceOffer> offers_;
    const std::vector<SLInterfaceID> granted_;
    std::atomic<SLuint32> state_{SL_OBJECT_STATE_UNREALIZED};
    std::mutex realize_mutex_;
    std::mutex callback_mutex_;
    slObjectCallback callback_ = nullptr;
    void *callback_context_ = nullptr;
    std::atomic<SLint32> priority_{SL_PRIORITY_NORMAL};
    std::atomic<SLboolean> preemptable_{SL_BOOLEAN_FALSE};
    std::shared_ptr<void> engine_slot_;

    friend struct ObjectItfImpl;
};

}  // namespace slhost
