package com.orv.camera;

import java.io.IOException;

/**
 * Thrown by {@link ORVVideoDevice#readFrame()} when the camera stopped answering: it was
 * unplugged, or its stream broke. The object still stops and closes normally; opening it again
 * works once the camera is back.
 */
public class CameraGoneException extends IOException {
    private static final long serialVersionUID = 1L;

    public CameraGoneException(String path) {
        super("camera at " + path + " is gone");
    }
}
