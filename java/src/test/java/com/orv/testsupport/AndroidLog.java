package com.orv.testsupport;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;

/**
 * Captures what the native libraries write to the Android log, as lines "P/tag: text" (P one of
 * V D I W E F). While capturing, nothing reaches stderr.
 */
public final class AndroidLog {
    static {
        System.loadLibrary("orvcamtestjni");
    }

    private AndroidLog() {}

    /** Starts capturing afresh. */
    public static void start() {
        nativeStart();
    }

    public static void stop() {
        nativeStop();
    }

    /** The lines captured since the last call, and forgets them. */
    public static List<String> take() {
        return new ArrayList<>(Arrays.asList(nativeTake()));
    }

    /** The lines under one tag, with the source line numbers of "[file:N]" shown as "[file:#]". */
    public static List<String> take(String tag) {
        List<String> out = new ArrayList<>();
        for (String line : take()) {
            if (line.startsWith(line.charAt(0) + "/" + tag + ": ")) {
                out.add(line.replaceAll("^(\\S+: \\[[a-z_0-9]+):\\d+\\]", "$1:#]"));
            }
        }
        return out;
    }

    private static native void nativeStart();

    private static native void nativeStop();

    private static native String[] nativeTake();
}
