package com.orv.testsupport;

/**
 * The simulated camera seen from Java tests. The JVM runs with libsimcam preloaded, so the
 * camera library and these calls reach the same nodes (see simcam/README.md).
 */
public final class SimCam {
    static {
        System.loadLibrary("orvcamtestjni");
    }

    private SimCam() {}

    /** Replaces every node with the configuration's (JSON); a fresh camera. */
    public static native void loadConfig(String json);

    /** The default configuration's JSON: one camera at /dev/video0. */
    public static native String defaultConfig();

    /** Frames then come only from {@link #releaseFrames}. */
    public static native void setSteppedClock(String path);

    /** The camera produces n frames now; returns how many reached a buffer. */
    public static native int releaseFrames(String path, int n);

    /** Exactly the bytes of each frame the camera put into a buffer, oldest first. */
    public static native byte[][] deliveredFrames(String path);

    /** One line per request of a kind ("XU", "S_CTRL", "OPEN", ...), in order. */
    public static native String[] trace(String callName);

    public static native void clearTrace();

    /** {width, height, frame interval (100 ns), bitrate, profile, rate control, I-frame period}. */
    public static native int[] encoder(String path);

    public static native void setOsdStatus(String path, int status);

    public static native void setHdmiInput(String path, int state);

    public static native int lastOsdCommand(String path);

    public static native int controlValue(String path, int id);

    /** open() of the node fails with this errno (0 clears it). */
    public static native void failOpen(String path, int errno);

    /** The camera disappears as an unplugged one does; loadConfig brings it back. */
    public static native void unplug(String path);
}
