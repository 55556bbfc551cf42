package com.orv.camera;

/** Stands in for the product class in one JVM run: native_stopPTZ is missing. */
public class ORVVideoDevice {
    int mDeviceId;

    static native String native_getSdkVersion();

    static native int native_hasValidCamera(int[] ids);

    static native int native_hasValidDualStreamCamera(int[] ids);

    static native String native_getCameraVersion(int vendorId, int productId);

    static native int native_resetCamera(int vendorId, int productId);

    native int native_open(String path);

    native void native_close();

    native int native_updateParameter(String key, String value);

    native int native_updateParameter(String key, Object value);

    native int native_startCapture();

    native void native_stopCapture();

    native byte[] native_readByteData();

    static native ORVVideoDevice native_createORVCamera(String path);

    native int native_sendCommand(int command);

    native int native_startPTZ(int movement, int value);

    static native int native_sendOsdCommand(String path, int command);

    static native int native_getOsdStatus(String path);

    static native int native_getHDMIINState(String path);

    static native ORVDeviceInfo[] native_getDeviceInfoList();
}
