package com.orv.camera;

import static org.junit.Assert.assertArrayEquals;
import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertNull;
import static org.junit.Assert.assertTrue;

import com.orv.testsupport.AndroidLog;
import com.orv.testsupport.SimCam;
import java.util.Arrays;
import org.junit.Test;

/** A device class without getParameter, and without a Parameter object. */
public class NoGetParameterTest {
    @Test
    public void openUsesTheNineDefaultsAfterTheErrorLine() {
        SimCam.loadConfig(SimCam.defaultConfig());
        ORVVideoDevice d = new ORVVideoDevice("/dev/video0");
        AndroidLog.start();
        try {
            assertEquals(0, d.native_open("/dev/video0"));
            assertEquals(Arrays.asList("E/ORVCam/jni: getParameter error"),
                    AndroidLog.take("ORVCam/jni"));
        } finally {
            AndroidLog.stop();
        }
        assertTrue(d.mDeviceId > 0);
        // 1920x1080 at 30 fps, baseline, constant bit rate at 1920000, an I-frame every 5 s.
        assertArrayEquals(new int[] {1920, 1080, 333333, 1920000, 0x4200, 1, 5},
                SimCam.encoder("/dev/video0"));
        d.native_close();
    }

    @Test
    public void aReadyMadeDeviceWithoutParameterComesBackUnfilled() {
        SimCam.loadConfig(SimCam.defaultConfig());
        ORVVideoDevice d = ORVVideoDevice.native_createORVCamera("/dev/video0");
        assertTrue(d != null);
        assertNull(d.mParameter);
    }
}
