package com.orv.testsupport;

/**
 * The simulated USB bus seen from Java tests: a umockdev testbed (the JVM runs with umockdev's
 * preload library), whose devices libusb in the camera library enumerates.
 */
public final class UsbBus {
    static {
        System.loadLibrary("orvusbtestjni");
    }

    private UsbBus() {}

    /** A fresh bus without devices. */
    public static native void reset();

    /** Attaches a device; its usbfs node is /dev/bus/usb/BBB/DDD. */
    public static native void add(int bus, int address, int vendor, int product, int bcdDevice);
}
