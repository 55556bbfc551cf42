package com.orv.camera;

import static com.orv.camera.SimConfigs.CODE0_STEPWISE;
import static com.orv.camera.SimConfigs.H264;
import static com.orv.camera.SimConfigs.VENDOR;
import static com.orv.camera.SimConfigs.YUYV;
import static com.orv.camera.SimConfigs.config;
import static com.orv.camera.SimConfigs.node;
import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertNotNull;
import static org.junit.Assert.assertTrue;

import com.orv.testsupport.AndroidLog;
import com.orv.testsupport.HostProperties;
import com.orv.testsupport.SimCam;
import java.util.Arrays;
import java.util.Collections;
import java.util.List;
import org.junit.After;
import org.junit.Before;
import org.junit.Test;

/** The natives that need no open device, against simulated nodes. */
public class DiscoveryTest {
    @Before
    public void capture() {
        HostProperties.set("orv.log.level", "3");
        AndroidLog.start();
    }

    @After
    public void stopCapture() {
        AndroidLog.stop();
        HostProperties.set("orv.log.level", "");
    }

    @Test
    public void theLibraryVersion() {
        assertEquals("2.1.2", ORVVideoDevice.native_getSdkVersion());
        assertEquals("2.1.2", ORVVideoDevice.getSdkVersion());
    }

    @Test
    public void theListHoldsTheMakersH264NodesInOrderWithTheirTypes() {
        SimCam.loadConfig(config(
                node("/dev/video0", VENDOR, 0x4c01, 12, H264),
                node("/dev/video2", VENDOR, 0x4c02, 12, H264 + ", " + CODE0_STEPWISE),
                node("/dev/video3", VENDOR, 0x5a00, 12, H264),
                node("/dev/video4", VENDOR, 0x4f99, 12, CODE0_STEPWISE),
                node("/dev/video5", 0x046d, 0x4c01, 12, H264),
                node("/dev/video6", VENDOR, 0x4c03, 12, YUYV)));
        ORVDeviceInfo[] found = ORVVideoDevice.native_getDeviceInfoList();
        assertEquals(Arrays.asList(
                new ORVDeviceInfo("/dev/video0", ORVDeviceInfo.TYPE_CAMERA, VENDOR, 0x4c01, true, false),
                new ORVDeviceInfo("/dev/video2", ORVDeviceInfo.TYPE_CAMERA, VENDOR, 0x4c02, true, true),
                new ORVDeviceInfo("/dev/video3", ORVDeviceInfo.TYPE_SWITCHBOX, VENDOR, 0x5a00, true, false),
                new ORVDeviceInfo("/dev/video4", ORVDeviceInfo.TYPE_OTHER, VENDOR, 0x4f99, false, true)),
                Arrays.asList(found));
        assertEquals(Arrays.asList(found), ORVVideoDevice.listDevices());
    }

    @Test
    public void noMakersCameraGivesAnEmptyArray() {
        SimCam.loadConfig(config(node("/dev/video1", 0x046d, 0x0825, 12, H264)));
        ORVDeviceInfo[] found = ORVVideoDevice.native_getDeviceInfoList();
        assertNotNull(found);
        assertEquals(0, found.length);
        assertEquals(Collections.emptyList(), ORVVideoDevice.listDevices());
    }

    @Test
    public void aReadyMadeDeviceCarriesBothFormatsSizesAndRates() {
        SimCam.loadConfig(config(node("/dev/video2", VENDOR, 0x4c02, 12, H264 + ", " + CODE0_STEPWISE)));
        AndroidLog.take();
        ORVVideoDevice device = ORVVideoDevice.native_createORVCamera("/dev/video2");
        assertEquals("/dev/video2", device.getPath());
        Parameter p = device.getParameters();
        assertEquals(Arrays.asList(new Parameter.PixelSize(1280, 720), new Parameter.PixelSize(640, 480)),
                p.getSupportedSizes(Parameter.PIXEL_FORMAT_H264));
        assertEquals(Arrays.asList(30, 15), p.getSupportedFrameRates(Parameter.PIXEL_FORMAT_H264));
        // The code-0 format offers no discrete sizes: its lists arrive empty, not the H.264 ones.
        assertEquals(Arrays.asList(Parameter.PIXEL_FORMAT_H265, Parameter.PIXEL_FORMAT_H264),
                Arrays.asList(p.getSupportedPixelFormats().toArray()));
        assertEquals(Collections.emptyList(), p.getSupportedSizes(Parameter.PIXEL_FORMAT_H265));
        assertEquals(Collections.emptyList(), p.getSupportedFrameRates(Parameter.PIXEL_FORMAT_H265));
        assertEquals(Arrays.asList("D/ORVCam/jni: /dev/video2 h264 support 1,h265 support 1",
                "D/ORVCam/jni: h264 support --> \n", "D/ORVCam/jni: h265 support --> \n"),
                AndroidLog.take("ORVCam/jni"));
        assertEquals(0, SimCam.trace("OPEN").length - SimCam.trace("CLOSE").length);
    }

    @Test
    public void aMissingNodeGivesAnObjectWithoutLists() {
        SimCam.loadConfig(SimCam.defaultConfig());
        AndroidLog.take();
        ORVVideoDevice device = ORVVideoDevice.create("/dev/video7");
        assertEquals("/dev/video7", device.getPath());
        assertTrue(device.getParameters().getSupportedPixelFormats().isEmpty());
        assertEquals(Arrays.asList("W/ORVCam/jni:  /dev/video7 h264 h265 support check fail"),
                AndroidLog.take("ORVCam/jni"));
    }

    @Test
    public void listedDevicesOpenThroughTheJavaApi() throws Exception {
        SimCam.loadConfig(SimCam.defaultConfig());
        SimCam.setSteppedClock("/dev/video0");
        List<ORVDeviceInfo> devices = ORVVideoDevice.listDevices();
        assertEquals(1, devices.size());
        try (ORVVideoDevice camera = devices.get(0).createDevice()) {
            List<Parameter.PixelSize> sizes =
                    camera.getParameters().getSupportedSizes(Parameter.PIXEL_FORMAT_H264);
            assertEquals(3, sizes.size());
            Parameter.PixelSize smallest = sizes.get(2);
            camera.getParameters().setSize(smallest.width, smallest.height);
            camera.open();
            camera.startCapture();  // the size reaches the encoder when the stream starts
            assertEquals(640, SimCam.encoder("/dev/video0")[0]);
            camera.stopCapture();
        }
    }
}
