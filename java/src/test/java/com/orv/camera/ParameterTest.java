package com.orv.camera;

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertNull;

import java.util.Arrays;
import java.util.Collections;
import org.junit.Test;

/** What the Java side hands the natives, and how it reads the lists they hand back. */
public class ParameterTest {
    @Test
    public void aNewParameterAnswersTheLibraryDefaultsUnderTheNativeKeys() {
        ORVVideoDevice device = new ORVVideoDevice("/dev/video0");
        String[] keys = {"pixfmt", "width", "height", "framerate", "profile", "rate control mode",
            "bitrate", "i-frame peroid"};
        String[] values = new String[keys.length];
        for (int i = 0; i < keys.length; i++) values[i] = device.getParameter(keys[i]);
        assertEquals(Arrays.asList(Integer.toString(0x34363248), "1920", "1080", "30", "1", "2",
                "1920000", "5"), Arrays.asList(values));
        assertNull(device.getParameter("size"));
    }

    @Test
    public void listsKeepTheCamerasOrderAndSkipMalformedEntries() {
        Parameter p = new Parameter();
        p.setSupportPixelSize(Parameter.PIXEL_FORMAT_H264, "1920x1080,x,640x480,12,axb,");
        p.setSupportFrameRate(Parameter.PIXEL_FORMAT_H264, "30, 15,fast");
        assertEquals(Arrays.asList(new Parameter.PixelSize(1920, 1080), new Parameter.PixelSize(640, 480)),
                p.getSupportedSizes(Parameter.PIXEL_FORMAT_H264));
        assertEquals(Arrays.asList(30, 15), p.getSupportedFrameRates(Parameter.PIXEL_FORMAT_H264));

        // A later call for the same format replaces its lists; empty or null text clears them.
        p.setSupportPixelSize(Parameter.PIXEL_FORMAT_H264, "");
        p.setSupportFrameRate(Parameter.PIXEL_FORMAT_H264, null);
        assertEquals(Collections.emptyList(), p.getSupportedSizes(Parameter.PIXEL_FORMAT_H264));
        assertEquals(Collections.emptyList(), p.getSupportedFrameRates(Parameter.PIXEL_FORMAT_H264));
        assertEquals(Collections.singleton(Parameter.PIXEL_FORMAT_H264), p.getSupportedPixelFormats());
    }

    @Test
    public void numericReadsFallBackForUnsetAndNonNumericValues() {
        Parameter p = new Parameter().set(Parameter.KEY_BITRATE, "lots").set(Parameter.KEY_WIDTH, null);
        assertEquals(-7, p.getInt(Parameter.KEY_BITRATE, -7));
        assertEquals(-7, p.getInt(Parameter.KEY_WIDTH, -7));
        assertEquals(1080, p.getInt(Parameter.KEY_HEIGHT, -7));
    }
}
