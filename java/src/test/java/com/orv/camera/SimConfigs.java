package com.orv.camera;

/** Simulated-camera configurations (simcam/README.md) for the binding's tests. */
final class SimConfigs {
    static final int VENDOR = 0x2e1a;

    private SimConfigs() {}

    static final String H264 = "{\"fourcc\": \"H264\", \"description\": \"H.264\", \"frame_sizes\": ["
            + "{\"width\": 1280, \"height\": 720, \"intervals\": [\"1/30\"]},"
            + "{\"width\": 640, \"height\": 480, \"intervals\": [\"1/30\", \"1/15\"]}]}";
    /** The code-0 format, with a stepwise size range (no discrete sizes). */
    static final String CODE0_STEPWISE = "{\"fourcc\": 0, \"description\": \"HEVC\", \"frame_sizes\": "
            + "{\"kind\": \"stepwise\", \"min\": \"160x120\", \"max\": \"1920x1080\","
            + " \"step\": \"16x8\", \"intervals\": [\"1/30\"]}}";
    static final String YUYV = "{\"fourcc\": \"YUYV\", \"description\": \"YUYV\", \"frame_sizes\": ["
            + "{\"width\": 640, \"height\": 480, \"intervals\": [\"1/30\"]}]}";

    /** One node; `formats` is the JSON list's contents. */
    static String node(String path, int vendor, int product, int unit, String formats) {
        return String.format("{\"path\": \"%s\", \"identity\": {\"vendor_id\": %d, \"product_id\": %d,"
                + " \"bcd_device\": 4660}, \"h264_unit\": %d, \"clock\": \"stepped\","
                + " \"formats\": [%s]}", path, vendor, product, unit, formats);
    }

    static String config(String... nodes) {
        return "{\"nodes\": [" + String.join(", ", nodes) + "]}";
    }
}
