package com.orv.testsupport;

/** The host's system properties, as the native libraries read them, seen from Java tests. */
public final class HostProperties {
    static {
        System.loadLibrary("orvtestjni");
    }

    private HostProperties() {}

    /** The value of a property; an empty string when it is unset. */
    public static String get(String name) {
        if (name == null) throw new IllegalArgumentException("name");
        return nativeGet(name);
    }

    /** Sets a property for this process and the libraries it loads; "" unsets it. */
    public static void set(String name, String value) {
        if (name == null || value == null) throw new IllegalArgumentException("name and value");
        if (!nativeSet(name, value)) {
            throw new IllegalStateException("cannot set property " + name);
        }
    }

    private static native String nativeGet(String name);

    private static native boolean nativeSet(String name, String value);
}
