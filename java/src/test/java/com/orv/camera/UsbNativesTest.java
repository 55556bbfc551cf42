package com.orv.camera;

import static org.junit.Assert.assertArrayEquals;
import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertFalse;
import static org.junit.Assert.assertNull;

import com.orv.testsupport.UsbBus;
import java.util.Optional;
import org.junit.Before;
import org.junit.Test;

/** The USB natives against libusb on a simulated bus. */
public class UsbNativesTest {
    static final int VENDOR = 0x2e1a;

    @Before
    public void emptyBus() {
        UsbBus.reset();
    }

    @Test
    public void anAttachedCameraIsReportedByItsIds() {
        UsbBus.add(1, 2, 0x1d6b, 0x0002, 0x0100);
        UsbBus.add(1, 3, VENDOR, 0x4c01, 0x1234);
        int[] ids = {7, 7, 7};
        assertEquals(0, ORVVideoDevice.native_hasValidCamera(ids));
        assertArrayEquals(new int[] {VENDOR, 0x4c01, 7}, ids);
        assertEquals(Optional.of(new UsbCamera(VENDOR, 0x4c01)), UsbCamera.find());
        assertEquals("1.2.34", ORVVideoDevice.native_getCameraVersion(VENDOR, 0x4c01));
        assertEquals(Optional.of("1.2.34"), new UsbCamera(VENDOR, 0x4c01).getFirmwareVersion());
    }

    @Test
    public void anArrayOfOneElementGetsNothing() {
        UsbBus.add(1, 3, VENDOR, 0x4c01, 0x1234);
        int[] one = {7};
        assertEquals(-1, ORVVideoDevice.native_hasValidCamera(one));
        assertArrayEquals(new int[] {7}, one);
        assertEquals(-1, ORVVideoDevice.native_hasValidDualStreamCamera(new int[1]));
    }

    @Test
    public void withoutACameraTheArrayStaysAsItWas() {
        UsbBus.add(1, 2, 0x1d6b, 0x0002, 0x0100);
        int[] ids = {7, 7};
        assertEquals(-1, ORVVideoDevice.native_hasValidCamera(ids));
        assertEquals(-1, ORVVideoDevice.native_hasValidDualStreamCamera(ids));
        assertArrayEquals(new int[] {7, 7}, ids);
        assertEquals(Optional.empty(), UsbCamera.find());
        assertNull(ORVVideoDevice.native_getCameraVersion(VENDOR, 0x4c01));
        assertEquals(Optional.empty(), new UsbCamera(VENDOR, 0x4c01).getFirmwareVersion());
        assertEquals(-1, ORVVideoDevice.native_resetCamera(VENDOR, 0x4c01));
        assertFalse(new UsbCamera(VENDOR, 0x4c01).reset());
    }

    @Test
    public void aDualStreamCameraIsFoundAmongOthers() {
        UsbBus.add(1, 3, VENDOR, 0x4c01, 0x1234);
        UsbBus.add(1, 4, VENDOR, 0x4d02, 0x0201);
        int[] ids = new int[2];
        assertEquals(0, ORVVideoDevice.native_hasValidDualStreamCamera(ids));
        assertArrayEquals(new int[] {VENDOR, 0x4d02}, ids);
        assertEquals(Optional.of(new UsbCamera(VENDOR, 0x4d02)), UsbCamera.findDualStream());
        assertEquals("0.2.01", ORVVideoDevice.native_getCameraVersion(VENDOR, 0x4d02));
    }
}
