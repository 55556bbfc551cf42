// JNI bridge for the Java tests: the simulated USB bus (a umockdev testbed; the JVM runs with
// umockdev's preload library), so that libusb in libvistara sees the chosen devices.
#include <jni.h>

#include <memory>
#include <stdexcept>

#include "sim_usb_bus.h"

namespace {

std::unique_ptr<orvtest::SimUsbBus> g_bus;

}  // namespace

extern "C" {

// A fresh, empty bus (the previous one and its devices are gone).
JNIEXPORT void JNICALL Java_com_orv_testsupport_UsbBus_reset(JNIEnv *env, jclass) {
    g_bus.reset();
    try {
        g_bus = std::make_unique<orvtest::SimUsbBus>();
    } catch (const std::exception &e) {
        jclass cls = env->FindClass("java/lang/IllegalStateException");
        if (cls != nullptr)
            env->ThrowNew(cls, e.what());
    }
}

JNIEXPORT void JNICALL Java_com_orv_testsupport_UsbBus_add(JNIEnv *env, jclass, jint bus,
                                                           jint address, jint vendor, jint product,
                                                           jint bcd_device) {
    if (!g_bus) {
        jclass cls = env->FindClass("java/lang/IllegalStateException");
        if (cls != nullptr)
            env->ThrowNew(cls, "no bus: call reset() first");
        return;
    }
    g_bus->Add({static_cast<unsigned>(bus), static_cast<unsigned>(address),
                static_cast<uint16_t>(vendor), static_cast<uint16_t>(product),
                static_cast<uint16_t>(bcd_device)});
}

}  // extern "C"
