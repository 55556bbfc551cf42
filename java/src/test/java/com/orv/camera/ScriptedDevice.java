package com.orv.camera;

import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;

/**
 * A device whose getParameter answers from a script: a key mapped to null answers null, a key
 * in {@code throwing} throws, any other key gives the parameters' value. Records the keys asked.
 */
class ScriptedDevice extends ORVVideoDevice {
    final Map<String, String> answers = new HashMap<>();
    final List<String> throwing = new ArrayList<>();
    final List<String> asked = new ArrayList<>();

    ScriptedDevice(String path) {
        super(path);
    }

    @Override
    public String getParameter(String key) {
        asked.add(key);
        if (throwing.contains(key)) throw new IllegalStateException("no value for " + key);
        if (answers.containsKey(key)) return answers.get(key);
        return super.getParameter(key);
    }

    /** The descriptor the native layer stored, read the way the natives read it. */
    int deviceId() throws ReflectiveOperationException {
        java.lang.reflect.Field f = ORVVideoDevice.class.getDeclaredField("mDeviceId");
        f.setAccessible(true);
        return f.getInt(this);
    }

    /** Whether the native layer marked the camera gone. */
    boolean cameraGone() throws ReflectiveOperationException {
        java.lang.reflect.Field f = ORVVideoDevice.class.getDeclaredField("mCameraGone");
        f.setAccessible(true);
        return f.getBoolean(this);
    }
}
