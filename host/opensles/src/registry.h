// The live objects of the process, in creation order, for the test view and the manual clock.
#pragma once

#include <SLES/OpenSLES.h>
#include <opensles_host/test_control.h>

#include <memory>
#include <vector>

namespace slhost {

class Object;
class MediaCore;

// Adds a new object; `core` is the player's or recorder's core when it runs on the manual clock.
void registry_add(Object *object, std::shared_ptr<MediaCore> manual_core = nullptr);
// Takes an object off the list; afterwards no test call reaches it.
void registry_remove(Object *object);

// The cores of the live manual players and recorders.
std::vector<std::shared_ptr<MediaCore>> registry_manual_cores();
// The manual core of `object`, or nullptr when it is not a live manual player or recorder.
std::shared_ptr<MediaCore> registry_manual_core(SLObjectItf object);

SLObjectItf registry_last(slhost_kind kind);
unsigned registry_count(slhost_kind kind);
// Fills `info` under the list's lock, so the object cannot go meanwhile. False: not live.
bool registry_info(SLObjectItf object, slhost_object_info &info);

}  // namespace slhost
