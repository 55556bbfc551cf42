package com.orv.camera;

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.fail;

import com.orv.testsupport.AndroidLog;
import java.util.Arrays;
import org.junit.Test;

/** A device class that lacks one of the twenty natives: the library refuses to load. */
public class MissingNativeTest {
    @Test
    public void theLoadFailsWithTheTwoErrorLines() {
        AndroidLog.start();
        try {
            System.loadLibrary("vistara");
            fail("the library loaded");
        } catch (UnsatisfiedLinkError expected) {
            assertEquals(Arrays.asList("E/ORVCam/jni: RegisterNatives ORVVideoDevice failed\n",
                    "E/ORVCam/jni: registerNatives failed"), AndroidLog.take("ORVCam/jni"));
        } finally {
            AndroidLog.stop();
        }
        new ORVVideoDevice();  // the class itself is usable; only its natives are unbound
    }
}
