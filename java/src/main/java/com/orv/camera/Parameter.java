package com.orv.camera;

import java.util.ArrayList;
import java.util.Collections;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.Objects;
import java.util.Set;
import java.util.TreeSet;

/**
 * The encoder settings a camera is opened with, and what the camera says it supports.
 *
 * <p>Every setting travels to the native layer as a decimal string under one of the {@code KEY_}
 * names (the pixel format too, as the decimal value of its fourcc). A new {@code Parameter}
 * holds the library's defaults: H.264 at 1920x1080, 30 fps, baseline profile, constant bit rate
 * at 1920000, an I-frame every 5 seconds. A key set to {@code null} is opened as -1.
 *
 * <p>The supported sizes and frame rates are filled by {@link ORVVideoDevice#create(String)}.
 * All methods are thread-safe.
 */
public class Parameter {
    public static final String KEY_PIXEL_FORMAT = "pixfmt";
    public static final String KEY_WIDTH = "width";
    public static final String KEY_HEIGHT = "height";
    public static final String KEY_FRAME_RATE = "framerate";
    public static final String KEY_PROFILE = "profile";
    public static final String KEY_RATE_CONTROL_MODE = "rate control mode";
    public static final String KEY_BITRATE = "bitrate";
    /** The key's spelling is the one the native layer reads. */
    public static final String KEY_IFRAME_PERIOD = "i-frame peroid";
    /** The resolution of a running encoder, as a {@link PixelSize}. */
    public static final String KEY_SIZE = "size";

    /** The fourcc "H264". */
    public static final int PIXEL_FORMAT_H264 = 0x34363248;
    /** The format code the cameras use for H.265. */
    public static final int PIXEL_FORMAT_H265 = 0;

    public static final int PROFILE_BASELINE = 1;
    public static final int PROFILE_MAIN = 2;
    public static final int PROFILE_HIGH = 8;

    public static final int RATE_CONTROL_CONSTANT_QP = 0;
    public static final int RATE_CONTROL_VARIABLE_BITRATE = 1;
    public static final int RATE_CONTROL_CONSTANT_BITRATE = 2;

    private final Map<String, String> mValues = new HashMap<>();
    private final Map<Integer, List<PixelSize>> mSupportedSizes = new HashMap<>();
    private final Map<Integer, List<Integer>> mSupportedFrameRates = new HashMap<>();

    /** The library's defaults. */
    public Parameter() {
        setPixelFormat(PIXEL_FORMAT_H264);
        setSize(1920, 1080);
        setFrameRate(30);
        setProfile(PROFILE_BASELINE);
        setRateControlMode(RATE_CONTROL_CONSTANT_BITRATE);
        setBitrate(1920000);
        setIFramePeriod(5);
    }

    /** The value of a key as the native layer reads it, or null. */
    public synchronized String get(String key) {
        return mValues.get(key);
    }

    /** Sets a key's raw value; null makes the camera open with -1 for it. */
    public synchronized Parameter set(String key, String value) {
        mValues.put(Objects.requireNonNull(key, "key"), value);
        return this;
    }

    /** The value of a key as a number, or {@code fallback} when it is unset or not a number. */
    public int getInt(String key, int fallback) {
        String value = get(key);
        if (value == null) return fallback;
        try {
            return Integer.parseInt(value.trim());
        } catch (NumberFormatException e) {
            return fallback;
        }
    }

    public Parameter setPixelFormat(int fourcc) {
        return set(KEY_PIXEL_FORMAT, Integer.toString(fourcc));
    }

    public synchronized Parameter setSize(int width, int height) {
        set(KEY_WIDTH, Integer.toString(width));
        return set(KEY_HEIGHT, Integer.toString(height));
    }

    public Parameter setFrameRate(int framesPerSecond) {
        return set(KEY_FRAME_RATE, Integer.toString(framesPerSecond));
    }

    /** One of the {@code PROFILE_} codes. */
    public Parameter setProfile(int profile) {
        return set(KEY_PROFILE, Integer.toString(profile));
    }

    /** One of the {@code RATE_CONTROL_} codes. */
    public Parameter setRateControlMode(int mode) {
        return set(KEY_RATE_CONTROL_MODE, Integer.toString(mode));
    }

    public Parameter setBitrate(int bitsPerSecond) {
        return set(KEY_BITRATE, Integer.toString(bitsPerSecond));
    }

    public Parameter setIFramePeriod(int seconds) {
        return set(KEY_IFRAME_PERIOD, Integer.toString(seconds));
    }

    /**
     * Records the frame sizes a pixel format offers, as the camera lists them:
     * "1920x1080,1280x720". Entries that are not WIDTHxHEIGHT are left out.
     */
    public void setSupportPixelSize(int pixelFormat, String sizes) {
        List<PixelSize> parsed = new ArrayList<>();
        for (String entry : splitList(sizes)) {
            int x = entry.indexOf('x');
            Integer width = x > 0 ? parseOrNull(entry.substring(0, x)) : null;
            Integer height = x > 0 ? parseOrNull(entry.substring(x + 1)) : null;
            if (width != null && height != null) parsed.add(new PixelSize(width, height));
        }
        synchronized (this) {
            mSupportedSizes.put(pixelFormat, Collections.unmodifiableList(parsed));
        }
    }

    /** Records the frame rates a pixel format offers: "30,15". Non-numbers are left out. */
    public void setSupportFrameRate(int pixelFormat, String rates) {
        List<Integer> parsed = new ArrayList<>();
        for (String entry : splitList(rates)) {
            Integer rate = parseOrNull(entry);
            if (rate != null) parsed.add(rate);
        }
        synchronized (this) {
            mSupportedFrameRates.put(pixelFormat, Collections.unmodifiableList(parsed));
        }
    }

    /** The pixel formats whose sizes or rates were recorded, in ascending code order. */
    public synchronized Set<Integer> getSupportedPixelFormats() {
        Set<Integer> formats = new TreeSet<>(mSupportedSizes.keySet());
        formats.addAll(mSupportedFrameRates.keySet());
        return Collections.unmodifiableSet(formats);
    }

    /** The sizes recorded for a pixel format, in the camera's order; empty when none. */
    public synchronized List<PixelSize> getSupportedSizes(int pixelFormat) {
        return mSupportedSizes.getOrDefault(pixelFormat, Collections.emptyList());
    }

    /** The frame rates recorded for a pixel format, in the camera's order; empty when none. */
    public synchronized List<Integer> getSupportedFrameRates(int pixelFormat) {
        return mSupportedFrameRates.getOrDefault(pixelFormat, Collections.emptyList());
    }

    private static List<String> splitList(String text) {
        List<String> entries = new ArrayList<>();
        if (text == null) return entries;
        for (String entry : text.split(",")) {
            String trimmed = entry.trim();
            if (!trimmed.isEmpty()) entries.add(trimmed);
        }
        return entries;
    }

    private static Integer parseOrNull(String text) {
        try {
            return Integer.valueOf(text.trim());
        } catch (NumberFormatException e) {
            return null;
        }
    }

    /** A frame size in pixels. The native layer reads {@code width} and {@code height}. */
    public static final class PixelSize {
        public final int width;
        public final int height;

        public PixelSize(int width, int height) {
            this.width = width;
            this.height = height;
        }

        @Override
        public boolean equals(Object o) {
            if (!(o instanceof PixelSize)) return false;
            PixelSize other = (PixelSize) o;
            return width == other.width && height == other.height;
        }

        @Override
        public int hashCode() {
            return 31 * width + height;
        }

        @Override
        public String toString() {
            return width + "x" + height;
        }
    }
}
