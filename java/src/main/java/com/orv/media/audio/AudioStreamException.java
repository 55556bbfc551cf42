package com.orv.media.audio;

import java.io.IOException;

/**
 * A native audio stream refused an operation. {@link #getCode()} is the native result:
 * {@link #ERROR_UNAVAILABLE} when the stream is not open or the platform's audio layer failed,
 * {@link #ERROR_BAD_VALUE} for arguments the native side cannot use.
 */
public class AudioStreamException extends IOException {
    private static final long serialVersionUID = 1L;

    /** The stream is missing or not open, or the platform's audio layer refused the call. */
    public static final int ERROR_UNAVAILABLE = -38;
    /** An array or argument that the native side cannot use. */
    public static final int ERROR_BAD_VALUE = -22;

    private final int code;

    public AudioStreamException(String operation, int code) {
        super(operation + " failed: " + describe(code));
        this.code = code;
    }

    /** The negative native result that caused this exception. */
    public int getCode() {
        return code;
    }

    /** A short text for a native result code. */
    public static String describe(int code) {
        switch (code) {
            case 0:
                return "success";
            case ERROR_UNAVAILABLE:
                return "stream unavailable (" + code + ")";
            case ERROR_BAD_VALUE:
                return "bad value (" + code + ")";
            default:
                return "error " + code;
        }
    }

    /** Returns {@code result} when it is not negative, throws for a negative one. */
    static int check(String operation, int result) throws AudioStreamException {
        if (result < 0) throw new AudioStreamException(operation, result);
        return result;
    }
}
