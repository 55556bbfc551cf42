// The interface identifiers this library exports. Values are this library's own; callers only
// pass them back, and objects compare them by value.
#include <SLES/OpenSLES.h>
#include <SLES/OpenSLES_Android.h>

#include "interface_ids.h"

#include <cstring>

namespace {

const struct SLInterfaceID_ kNull = {0x00000000, 0x0000, 0x0000, 0x0000, {0, 0, 0, 0, 0, 0}};
const struct SLInterfaceID_ kObject = {
    0xaddb6b80, 0xa659, 0x461a, 0x8d87, {0x16, 0x11, 0x78, 0x76, 0xaf, 0xd1}};
const struct SLInterfaceID_ kEngine = {
    0x4f6a00cf, 0xa674, 0x446b, 0xb638, {0x92, 0xfd, 0xb9, 0x47, 0x68, 0x9b}};
const struct SLInterfaceID_ kPlay = {
    0x68ecbe95, 0xd967, 0x4f43, 0xb2d5, {0xfa, 0xc0, 0x49, 0x54, 0x15, 0x0f}};
const struct SLInterfaceID_ kRecord = {
    0x6edf0d0e, 0x8087, 0x4082, 0x922e, {0xa9, 0xf4, 0x9e, 0xaf, 0x97, 0x4f}};
const struct SLInterfaceID_ kBufferQueue = {
    0x71fdb641, 0x775d, 0x4b75, 0x939b, {0x59, 0x3e, 0xfc, 0x23, 0x35, 0x71}};
const struct SLInterfaceID_ kAndroidSimpleBufferQueue = {
    0xb0e1914e, 0xa35a, 0x4eed, 0xb256, {0x5c, 0x82, 0x49, 0xa4, 0xde, 0xac}};
const struct SLInterfaceID_ kAndroidConfiguration = {
    0x791937c6, 0x9968, 0x4d7d, 0x9c52, {0x26, 0xd4, 0x16, 0x44, 0x50, 0x8f}};

}  // namespace

extern "C" {
const SLInterfaceID SL_IID_NULL = &kNull;
const SLInterfaceID SL_IID_OBJECT = &kObject;
const SLInterfaceID SL_IID_ENGINE = &kEngine;
const SLInterfaceID SL_IID_PLAY = &kPlay;
const SLInterfaceID SL_IID_RECORD = &kRecord;
const SLInterfaceID SL_IID_BUFFERQUEUE = &kBufferQueue;
const SLInterfaceID SL_IID_ANDROIDSIMPLEBUFFERQUEUE = &kAndroidSimpleBufferQueue;
const SLInterfaceID SL_IID_ANDROIDCONFIGURATION = &kAndroidConfiguration;
}

namespace slhost {

bool iid_equal(SLInterfaceID a, SLInterfaceID b) {
    if (a == b) {
        return true;
    }
    if (a == nullptr || b == nullptr) {
        return false;
    }
    return a->time_low == b->time_low && a->time_mid == b->time_mid &&
           a->time_hi_and_version == b->time_hi_and_version && a->clock_seq == b->clock_seq &&
           std::memcmp(a->node, b->node, sizeof a->node) == 0;
}

}  // namespace slhost
