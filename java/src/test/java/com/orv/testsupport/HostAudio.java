package com.orv.testsupport;

import java.util.Arrays;
import java.util.List;

/**
 * The host OpenSL ES layer's test control seen from Java: back ends, the manual clock, fault
 * rules and the live players and recorders; plus the lines libsonora writes to the log and the
 * use count of a stream handle.
 */
public final class HostAudio {
    static {
        System.loadLibrary("orvtestjni");
    }

    /** Object kinds, to aim faults and queries. */
    public static final int ANY = 0;
    public static final int ENGINE = 1;
    public static final int OUTPUT_MIX = 2;
    public static final int PLAYER = 3;
    public static final int RECORDER = 4;

    /** Operations that fault rules refuse. */
    public static final int OP_CREATE_AUDIO_PLAYER = 5;
    public static final int OP_CREATE_AUDIO_RECORDER = 6;
    public static final int OP_CLEAR = 9;
    public static final int OP_SET_STATE = 11;
    public static final int OP_GET_POSITION = 12;

    /** Results a fault rule may give. */
    public static final int SL_RESULT_PRECONDITIONS_VIOLATED = 1;
    public static final int SL_RESULT_CONTENT_UNSUPPORTED = 9;
    public static final int SL_RESULT_INTERNAL_ERROR = 13;

    private HostAudio() {}

    /** Back end of the objects created from now on: "null", "wav" or "manual". */
    public static void setBackend(String name) {
        if (nativeSetBackend(name) != 0) throw new IllegalArgumentException(name);
    }

    /** What new recorders capture: "silence", "sine:<hz>" or "counter". */
    public static void setCaptureSource(String source) {
        if (nativeSetCaptureSource(source) != 0) throw new IllegalArgumentException(source);
    }

    /** Refuses every matching call after {@code skip} successes, {@code count} times (-1: all). */
    public static void fail(int op, int kind, int result, int state, int skip, int count) {
        if (addFault(op, kind, result, state, skip, count) != 0) {
            throw new IllegalArgumentException("fault rule");
        }
    }

    /** Lines libsonora logged since {@link #startLogCapture()}, as "W text". */
    public static List<String> log() {
        return Arrays.asList(logLines());
    }

    /** Back to the environment's back end and capture source, without fault rules. */
    public static native void reset();

    /** Lets {@code ms} pass for every manual object; the number of callbacks that ran. */
    public static native int advance(int ms);

    /** Completes the oldest buffer of the newest object of {@code kind}: 1, 0 or -1. */
    public static native int completeNext(int kind);

    public static native void clearFaults();

    public static native int liveObjects(int kind);

    /** {state, queued, completed, bytes} of the newest live object of {@code kind}, or null. */
    public static native long[] lastObjectInfo(int kind);

    /** Captures libsonora's log lines from now on, forgetting earlier ones. */
    public static native void startLogCapture();

    /** How many references hold the stream of a playback / capture handle. */
    public static native long trackUseCount(long handle);

    public static native long recordUseCount(long handle);

    /** Waits begun on the stream's signal by callers blocked in write / read. */
    public static native long trackWaitsBegun(long handle);

    public static native long recordWaitsBegun(long handle);

    /**
     * Nanoseconds that {@code count} non-blocking writes (reads) of {@code bytes} bytes take when
     * made straight on the handle's stream from C++; -1 when one moved fewer bytes.
     */
    public static native long timeTrackWrites(long handle, int count, int bytes);

    public static native long timeRecordReads(long handle, int count, int bytes);

    private static native int nativeSetBackend(String name);

    private static native int nativeSetCaptureSource(String source);

    private static native int addFault(int op, int kind, int result, int state, int skip, int count);

    private static native String[] logLines();
}
