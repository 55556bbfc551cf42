package com.orv.camera;

import static org.junit.Assert.assertArrayEquals;
import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertFalse;
import static org.junit.Assert.assertNull;
import static org.junit.Assert.assertTrue;
import static org.junit.Assert.fail;

import com.orv.testsupport.AndroidLog;
import com.orv.testsupport.HostProperties;
import com.orv.testsupport.SimCam;
import java.io.IOException;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collections;
import java.util.HashSet;
import java.util.List;
import java.util.Set;
import org.junit.After;
import org.junit.Before;
import org.junit.Test;

/** The device natives and the Java API over them, against the simulated camera. */
public class CameraDeviceTest {
    static final String NODE = "/dev/video0";
    static final String JNI = "ORVCam/jni";
    static final int PAN_SPEED = 0x009a0920;
    static final int TILT_SPEED = 0x009a0921;
    static final int ZOOM_CONTINUOUS = 0x009a090f;

    private final List<ORVVideoDevice> opened = new ArrayList<>();

    @Before
    public void freshCamera() {
        HostProperties.set("orv.log.level", "3");
        SimCam.loadConfig(SimCam.defaultConfig());
        SimCam.setSteppedClock(NODE);
        AndroidLog.start();
    }

    @After
    public void closeEverything() {
        for (ORVVideoDevice d : opened) {
            d.native_stopCapture();
            d.native_close();
        }
        AndroidLog.stop();
        HostProperties.set("orv.log.level", "");
    }

    private ScriptedDevice openScripted(ScriptedDevice d) {
        opened.add(d);
        assertEquals(0, d.native_open(NODE));
        return d;
    }

    private static int[] encoder() {
        return SimCam.encoder(NODE);
    }

    @Test
    public void openAsksTheEightKeysAndStoresTheDescriptor() throws Exception {
        ScriptedDevice d = new ScriptedDevice(NODE);
        d.getParameters().setSize(1280, 720).setFrameRate(15).setProfile(Parameter.PROFILE_MAIN)
                .setRateControlMode(Parameter.RATE_CONTROL_VARIABLE_BITRATE)
                .setBitrate(3000000).setIFramePeriod(2);
        AndroidLog.take();
        openScripted(d);

        assertEquals(Arrays.asList("pixfmt", "width", "height", "framerate", "profile",
                "rate control mode", "bitrate", "i-frame peroid"), d.asked);
        int fd = d.deviceId();
        assertTrue(fd > 0);
        assertEquals(Arrays.asList("I/ORVCam/jni: get devName:/dev/video0",
                "D/ORVCam/jni: [camera_device_jni:#] [getUnitId] unitId = 12",
                "I/ORVCam/jni: open_device ok:" + fd), AndroidLog.take(JNI));
        // Size and frame interval reach the encoder when the stream starts, as with uvcvideo.
        assertArrayEquals(new int[] {1920, 1080, 333333, 3000000, 0x4D00, 2, 2}, encoder());
        assertEquals(0, d.native_startCapture());
        assertArrayEquals(new int[] {1280, 720, 666666, 3000000, 0x4D00, 2, 2}, encoder());
    }

    @Test
    public void nullAndNonNumericAnswersReachTheCameraAsMinusOneAndZero() throws Exception {
        ScriptedDevice d = new ScriptedDevice(NODE);
        d.answers.put("bitrate", null);
        d.answers.put("i-frame peroid", "abc");
        openScripted(d);
        // dwBitRate (bytes 4..7) all ones: -1; wIFramePeriod (bytes 22..23) zero.
        assertEquals("ff ff ff ff", commitBytes(lastCommit(BIT_RATE_HINTS), 4, 4));
        assertEquals("00 00", commitBytes(lastCommit(IFRAME_PERIOD_HINTS), 22, 2));
    }

    @Test
    public void aThrowingGetParameterCountsAsNullAndLeavesNothingPending() throws Exception {
        ScriptedDevice d = new ScriptedDevice(NODE);
        d.throwing.add("bitrate");
        AndroidLog.take();
        openScripted(d);
        assertEquals("ff ff ff ff", commitBytes(lastCommit(BIT_RATE_HINTS), 4, 4));
        List<String> errors = errorLines(AndroidLog.take(JNI));
        assertEquals(Arrays.asList("E/ORVCam/jni: [camera_device_jni:#] [open] getParameter threw,"
                + " taken as null: java.lang.IllegalStateException: no value for bitrate"), errors);
        // The open went on with the keys after the one that threw.
        assertEquals("i-frame peroid", d.asked.get(7));
    }

    @Test
    public void aSecondOpenOfTheSameNodeFailsAndKeepsItsDescriptor() throws Exception {
        ScriptedDevice first = openScripted(new ScriptedDevice(NODE));
        ScriptedDevice second = new ScriptedDevice(NODE);
        AndroidLog.take();
        assertEquals(-1, second.native_open(NODE));
        assertEquals(0, second.deviceId());
        assertTrue(first.deviceId() > 0);
        assertEquals(Arrays.asList("E/ORVCam/jni: open_device error, fd:-1 dev:/dev/video0"),
                errorLines(AndroidLog.take(JNI)));
    }

    @Test
    public void javaNullsGiveTheFailureResults() {
        ScriptedDevice d = openScripted(new ScriptedDevice(NODE));
        ScriptedDevice closed = new ScriptedDevice(NODE);
        SimCam.clearTrace();
        AndroidLog.take();
        assertEquals(-1, closed.native_open(null));
        assertEquals(-1, ORVVideoDevice.native_sendOsdCommand(null, 1));
        assertEquals(-1, ORVVideoDevice.native_getOsdStatus(null));
        assertEquals(0, ORVVideoDevice.native_getHDMIINState(null));
        assertNull(ORVVideoDevice.native_createORVCamera(null));
        assertEquals(-1, ORVVideoDevice.native_hasValidCamera(null));
        assertEquals(-1, ORVVideoDevice.native_hasValidDualStreamCamera(null));
        assertEquals(-1, d.native_updateParameter(null, "5"));
        assertEquals(-1, d.native_updateParameter("bitrate", (String) null));
        assertEquals(-1, d.native_updateParameter(null, new Parameter.PixelSize(640, 480)));
        assertEquals(-1, d.native_updateParameter("size", (Object) null));
        assertEquals(-1, d.native_updateParameter("size", (Object) "640x480"));
        String devName = "E/ORVCam/jni: get devName error";
        assertEquals(Arrays.asList(devName, devName, devName, devName, devName),
                errorLines(AndroidLog.take(JNI)));
        assertEquals(0, SimCam.trace("XU").length);
        assertEquals(0, SimCam.trace("OPEN").length);
    }

    @Test
    public void framesArriveByteForByte() throws Exception {
        ScriptedDevice d = new ScriptedDevice(NODE);
        AndroidLog.take();
        assertNull(d.native_readByteData());
        assertEquals(-1, d.native_startCapture());
        assertEquals(Arrays.asList("I/ORVCam/jni: [camera_device_jni:#] [startCapture]"),
                AndroidLog.take(JNI));
        openScripted(d);
        AndroidLog.take();
        assertEquals(0, d.native_startCapture());
        assertEquals(Arrays.asList("I/ORVCam/jni: [camera_device_jni:#] [startCapture]",
                "I/ORVCam/jni: [camera_device_jni:#] [startCapture] start_capture ok"),
                AndroidLog.take(JNI));
        List<byte[]> read = new ArrayList<>();
        for (int i = 0; i < 5; i++) {
            assertEquals(1, SimCam.releaseFrames(NODE, 1));
            read.add(d.native_readByteData());
        }
        byte[][] sent = SimCam.deliveredFrames(NODE);
        assertEquals(5, sent.length);
        for (int i = 0; i < 5; i++) assertArrayEquals("frame " + i, sent[i], read.get(i));
        assertTrue(AndroidLog.take(JNI).isEmpty());
    }

    /** A read before the start or after the stop finds the node polling POLLERR: not gone. */
    @Test
    public void readsWhileNotCapturingLeaveTheCameraUsable() throws Exception {
        ScriptedDevice d = openScripted(new ScriptedDevice(NODE));
        for (String when : new String[] {"before the start", "after the stop"}) {
            assertNull(when, d.native_readByteData());
            assertFalse(when, d.cameraGone());
            assertEquals(when, 0, d.native_startCapture());
            assertEquals(1, SimCam.releaseFrames(NODE, 1));
            assertTrue(when, d.native_readByteData().length > 0);
            d.native_stopCapture();
        }
    }

    @Test
    public void stringUpdatesReachTheEncoderAndOtherKeysChangeNothing() throws Exception {
        ScriptedDevice d = openScripted(new ScriptedDevice(NODE));
        AndroidLog.take();
        assertEquals(0, d.native_updateParameter("bitrate", "2500000"));
        assertEquals(0, d.native_updateParameter("framerate", "15"));
        assertEquals(0, d.native_updateParameter("profile", "8"));
        assertEquals(0, d.native_updateParameter("rate control mode", "1"));
        assertEquals(0, d.native_updateParameter("i-frame peroid", "3"));
        assertArrayEquals(new int[] {1920, 1080, 666666, 2500000, 0x6400, 2, 3}, encoder());
        List<String> jni = AndroidLog.take(JNI);
        assertEquals("I/ORVCam/jni: [camera_device_jni:#] [updateParameter] bitrate:2500000",
                jni.get(2));

        SimCam.clearTrace();
        assertEquals(0, d.native_updateParameter("width", "640"));
        assertEquals(0, d.native_updateParameter("height", "480"));
        assertEquals(0, d.native_updateParameter("size", "640"));
        assertEquals(0, d.native_updateParameter("colour", "1"));
        assertEquals(0, d.native_updateParameter("not size", new Parameter.PixelSize(640, 480)));
        assertEquals(0, SimCam.trace("XU").length);
        assertArrayEquals(new int[] {1920, 1080, 666666, 2500000, 0x6400, 2, 3},
                Arrays.copyOf(encoder(), 7));
    }

    @Test
    public void theObjectOverloadChangesTheResolution() throws Exception {
        ScriptedDevice d = openScripted(new ScriptedDevice(NODE));
        assertEquals(0, d.native_updateParameter("size", new Parameter.PixelSize(640, 480)));
        assertEquals(640, encoder()[0]);
        assertEquals(480, encoder()[1]);
        SimCam.clearTrace();
        assertEquals(0, d.native_updateParameter("resolution", new Parameter.PixelSize(1280, 720)));
        // The key comes first: for any other key the value is not looked at.
        assertEquals(0, d.native_updateParameter("resolution", (Object) null));
        assertEquals(0, d.native_updateParameter("resolution", (Object) "1280x720"));
        assertEquals(0, SimCam.trace("XU").length);
    }

    @Test
    public void threeReadersOfOneObjectGetOnlyWholeFrames() throws Exception {
        final ORVVideoDevice camera = new ORVVideoDevice(NODE);
        camera.open();
        camera.startCapture();
        final List<String> read = Collections.synchronizedList(new ArrayList<String>());
        Runnable reader = () -> {
            for (int i = 0; i < 10; i++) {
                try {
                    read.add(Arrays.toString(camera.readFrame()));
                } catch (IOException e) {
                    read.add(e.toString());
                }
            }
        };
        Thread[] threads = {new Thread(reader), new Thread(reader), new Thread(reader)};
        for (Thread t : threads) t.start();
        for (int n = 0; read.size() < 30 && n < 100000; n++) SimCam.releaseFrames(NODE, 1);
        for (Thread t : threads) t.join(10000);
        camera.close();
        Set<String> sent = new HashSet<>();
        for (byte[] f : SimCam.deliveredFrames(NODE)) sent.add(Arrays.toString(f));
        assertTrue("a torn or repeated frame", sent.containsAll(read));
        assertEquals(30, new HashSet<>(read).size());
    }

    @Test
    public void updatesBeforeOpenReturnZeroAndSendNothing() {
        ScriptedDevice d = new ScriptedDevice(NODE);
        assertEquals(0, d.native_updateParameter("bitrate", "100"));
        assertEquals(0, d.native_updateParameter("size", new Parameter.PixelSize(640, 480)));
        assertEquals(0, SimCam.trace("XU").length);
    }

    @Test
    public void commandZeroRequestsAnIFrameAndOtherCommandsFail() throws Exception {
        ScriptedDevice d = new ScriptedDevice(NODE);
        assertEquals(-1, d.native_sendCommand(0));
        openScripted(d);
        SimCam.clearTrace();
        assertEquals(-1, d.native_sendCommand(1));
        assertEquals(0, SimCam.trace("XU").length);
        assertEquals(0, d.native_sendCommand(0));
        String[] xu = SimCam.trace("XU");
        assertEquals(1, xu.length);
        assertTrue(xu[0], xu[0].startsWith("XU /dev/video0 unit=12 selector=9 query=0x01"));
    }

    @Test
    public void panTiltAndZoomDriveTheSpeedControls() throws Exception {
        ScriptedDevice d = new ScriptedDevice(NODE);
        assertEquals(-1, d.native_startPTZ(0, 5));
        assertEquals(-1, d.native_stopPTZ(0));
        openScripted(d);
        assertEquals(0, d.native_startPTZ(1, -5));
        assertEquals(0, d.native_startPTZ(2, 7));
        assertEquals(0, d.native_startPTZ(4, 3));
        assertEquals(-5, SimCam.controlValue(NODE, PAN_SPEED));
        assertEquals(7, SimCam.controlValue(NODE, TILT_SPEED));
        assertEquals(3, SimCam.controlValue(NODE, ZOOM_CONTINUOUS));
        assertEquals(0, d.native_stopPTZ(3));
        assertEquals(0, SimCam.controlValue(NODE, TILT_SPEED));
        assertEquals(-1, d.native_startPTZ(6, 1));
        assertEquals(-1, d.native_startPTZ(-1, 1));
        assertEquals(-5, SimCam.controlValue(NODE, PAN_SPEED));
    }

    @Test
    public void osdAndHdmiQueriesByPathNeedNoOpenDevice() {
        SimCam.setOsdStatus(NODE, 7);
        SimCam.setHdmiInput(NODE, 1);
        assertEquals(7, ORVVideoDevice.native_getOsdStatus(NODE));
        assertEquals(1, ORVVideoDevice.native_getHDMIINState(NODE));
        assertEquals(0, ORVVideoDevice.native_sendOsdCommand(NODE, 3));
        assertEquals(3, SimCam.lastOsdCommand(NODE));
        // A node that can't be opened.
        assertEquals(-1, ORVVideoDevice.native_getOsdStatus("/dev/video5"));
        assertEquals(-1, ORVVideoDevice.native_sendOsdCommand("/dev/video5", 3));
        assertEquals(-1, ORVVideoDevice.native_getHDMIINState("/dev/video5"));
    }

    @Test
    public void closeFreesTheNodeButLeavesTheDescriptorInTheObject() throws Exception {
        ScriptedDevice d = openScripted(new ScriptedDevice(NODE));
        int fd = d.deviceId();
        d.native_close();
        assertEquals(fd, d.deviceId());
        ScriptedDevice again = openScripted(new ScriptedDevice(NODE));
        assertTrue(again.deviceId() > 0);
    }

    @Test
    public void theJavaApiOpensStreamsUpdatesAndCloses() throws Exception {
        byte[] frame;
        ORVVideoDevice camera = new ORVVideoDevice(NODE);
        try {
            camera.getParameters().setSize(640, 480).setBitrate(800000);
            assertNull(camera.readFrame());
            camera.open();
            assertTrue(camera.isOpen());
            camera.startCapture();
            assertEquals(1, SimCam.releaseFrames(NODE, 1));
            frame = camera.readFrame();
            camera.setBitrate(900000);
            assertEquals(900000, encoder()[3]);
            assertEquals("900000", camera.getParameters().get(Parameter.KEY_BITRATE));
            camera.setSize(1280, 720);
            assertEquals(1280, encoder()[0]);
            assertTrue(camera.requestKeyFrame());
            assertTrue(camera.startMove(ORVVideoDevice.Axis.ZOOM, -2));
            assertEquals(-2, SimCam.controlValue(NODE, ZOOM_CONTINUOUS));
            assertTrue(camera.stopMove(ORVVideoDevice.Axis.ZOOM));
            camera.close();
            assertFalse(camera.isOpen());
            assertFalse(camera.requestKeyFrame());
            camera.open();  // the slot and the node were given back, the new size kept
            assertEquals(1280, encoder()[0]);
            assertEquals(900000, encoder()[3]);
            assertArrayEquals(SimCam.deliveredFrames(NODE)[0], frame);
            camera.startCapture();
            SimCam.unplug(NODE);
            try {
                camera.readFrame();
                fail("an unplugged camera read without an exception");
            } catch (CameraGoneException expected) {
                camera.stopCapture();
                camera.close();
            }
            SimCam.loadConfig(SimCam.defaultConfig());  // plugged in again
            camera.open();
            // A start refused for want of USB bandwidth leaves nothing behind.
            camera.close();
            String refusedOnce = "{\"streamon\": {\"errno\": \"ENOSPC\", \"times\": 1}}";
            SimCam.loadConfig(SimCam.defaultConfig().replaceFirst("\"path\"",
                    "\"faults\": {\"calls\": " + refusedOnce + "}, \"path\""));
            camera.open();
            try {
                camera.startCapture();
                fail("a refused start went unreported");
            } catch (IOException expected) {
                camera.close();
            }
            camera.open();
            camera.startCapture();
        } finally {
            camera.close();
        }
    }

    /** A camera dropped while open and streaming gives its node back once collected. */
    @Test
    public void aForgottenCameraIsClosed() throws Exception {
        openAndDrop();
        ORVVideoDevice again = new ORVVideoDevice(NODE);
        for (int i = 0; i < 100 && !again.isOpen(); i++) {
            System.gc();
            try {
                again.open();
            } catch (IOException stillHeld) {
                Thread.sleep(10);  // the reaper thread closes it
            }
        }
        assertTrue(again.isOpen());
        again.close();
    }

    private static void openAndDrop() throws IOException {
        ORVVideoDevice camera = new ORVVideoDevice(NODE);
        camera.open();
        camera.startCapture();
    }

    static List<String> errorLines(List<String> lines) {
        List<String> out = new ArrayList<>();
        for (String l : lines) {
            if (l.startsWith("E/")) out.add(l);
        }
        return out;
    }

    /** bmHints (bytes 8..9) of a commit that changes the bit rate, the I-frame period. */
    static final String BIT_RATE_HINTS = "ff df";
    static final String IFRAME_PERIOD_HINTS = "ff 7f";

    /** The last commit (selector 2 SET_CUR) to the H.264 unit with these bmHints bytes. */
    static String lastCommit(String hints) {
        String last = null;
        for (String line : SimCam.trace("XU")) {
            if (line.contains(" selector=2 query=0x01 ") && commitBytes(line, 8, 2).equals(hints)) {
                last = line;
            }
        }
        assertTrue("no commit with bmHints " + hints, last != null);
        return last;
    }

    /** `count` bytes from `offset` of a traced payload, "ff ff". */
    static String commitBytes(String line, int offset, int count) {
        String data = line.substring(line.indexOf("data=") + 5, line.indexOf(" ->"));
        String[] bytes = data.split(" ");
        return String.join(" ", Arrays.copyOfRange(bytes, offset, offset + count));
    }
}
