package com.orv.camera;

import java.lang.ref.PhantomReference;
import java.lang.ref.ReferenceQueue;
import java.util.Collections;
import java.util.Set;
import java.util.concurrent.ConcurrentHashMap;

/**
 * Closes the node of a camera object that became unreachable while open, so its descriptor, its
 * mapped buffers and its place among the opened devices are not held for the life of the
 * process (an activity destroyed without closing its camera). A daemon thread watches a
 * reference queue; phantom references exist on every Android version the jar supports.
 */
final class ForgottenCameras {
    private static final ReferenceQueue<ORVVideoDevice> FORGOTTEN = new ReferenceQueue<>();
    /** Keeps each watch reachable until its camera is closed or collected. */
    private static final Set<Watch> WATCHES =
            Collections.newSetFromMap(new ConcurrentHashMap<Watch, Boolean>());

    static {
        Thread reaper = new Thread(ForgottenCameras::closeForgotten, "orv-camera-reaper");
        reaper.setDaemon(true);
        reaper.start();
    }

    private ForgottenCameras() {}

    /** Watches one open camera; refers to its node and descriptor, never to the object. */
    static final class Watch extends PhantomReference<ORVVideoDevice> {
        final String path;
        final int deviceId;

        Watch(ORVVideoDevice camera, String path, int deviceId) {
            super(camera, FORGOTTEN);
            this.path = path;
            this.deviceId = deviceId;
        }
    }

    /** Starts watching a camera that was just opened. */
    static Watch watch(ORVVideoDevice camera, String path, int deviceId) {
        Watch w = new Watch(camera, path, deviceId);
        WATCHES.add(w);
        return w;
    }

    /** Stops watching a camera that its owner closed; null is ignored. */
    static void forget(Watch w) {
        if (w == null) return;
        WATCHES.remove(w);
        w.clear();
    }

    private static void closeForgotten() {
        for (;;) {
            try {
                Watch w = (Watch) FORGOTTEN.remove();
                if (WATCHES.remove(w)) ORVVideoDevice.closeForgotten(w.path, w.deviceId);
            } catch (InterruptedException e) {
                // A daemon thread nobody interrupts on purpose: keep watching.
            } catch (RuntimeException e) {
                // One failing close must not stop the cleanup of the others.
            }
        }
    }
}
