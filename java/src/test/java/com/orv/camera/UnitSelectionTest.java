package com.orv.camera;

import static com.orv.camera.SimConfigs.H264;
import static com.orv.camera.SimConfigs.VENDOR;
import static com.orv.camera.SimConfigs.config;
import static com.orv.camera.SimConfigs.node;
import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertTrue;

import com.orv.testsupport.AndroidLog;
import com.orv.testsupport.HostProperties;
import com.orv.testsupport.SimCam;
import java.util.ArrayList;
import java.util.List;
import org.junit.After;
import org.junit.Before;
import org.junit.BeforeClass;
import org.junit.Test;

/**
 * The extension unit a node's requests go to. The library reads the host's model once, when it
 * loads: this class runs in a JVM of its own on an "R5Q" host, unless the JVM is started with
 * -Dorv.test.model=MODEL.
 */
public class UnitSelectionTest {
    static final String MODEL = System.getProperty("orv.test.model", "R5Q");
    static final boolean DUAL_UNIT_HOST = MODEL.equals("R5Q") || MODEL.equals("R4Q");

    private final List<ORVVideoDevice> opened = new ArrayList<>();

    private static List<String> loadLines;

    /** Loads the library on this host, capturing what the load hook logs. */
    @BeforeClass
    public static void loadOnHost() {
        HostProperties.set("ro.product.model", MODEL);
        // The R5Q run logs from DEBUG up; the other leaves the level unset (ERROR only).
        HostProperties.set("orv.log.level", DUAL_UNIT_HOST ? "3" : "");
        AndroidLog.start();
        try {
            ORVVideoDevice.getSdkVersion();
            loadLines = AndroidLog.take("ORVCam/jni");
        } finally {
            AndroidLog.stop();
            HostProperties.set("orv.log.level", "");
        }
    }

    @Test
    public void theLoadRecordsTheModelAtDebugLevel() {
        List<String> expected = new ArrayList<>();
        if (DUAL_UNIT_HOST) {
            expected.add("D/ORVCam/jni: libCamera loaded, device model is " + MODEL + "\n");
            expected.add("I/ORVCam/jni: [camera_device_jni:#] [getSdkVersion]");
        }
        assertEquals(expected, loadLines);
    }

    @Before
    public void twoCameras() {
        SimCam.loadConfig(config(node("/dev/video0", VENDOR, 0x4d01, 12, H264),
                node("/dev/video1", VENDOR, 0x4d01, DUAL_UNIT_HOST ? 13 : 12, H264)));
    }

    @After
    public void close() {
        for (ORVVideoDevice d : opened) d.close();
    }

    private ORVVideoDevice open(String path) throws Exception {
        ORVVideoDevice d = new ORVVideoDevice(path);
        opened.add(d);
        d.open();
        return d;
    }

    /** The unit of every extension-unit request since the trace was cleared. */
    private static List<String> units() {
        List<String> units = new ArrayList<>();
        for (String line : SimCam.trace("XU")) units.add(line.replaceAll(".* unit=(\\d+) .*", "$1"));
        return units;
    }

    private static void assertAllUnit(String unit) {
        List<String> units = units();
        assertTrue("no extension-unit request", !units.isEmpty());
        for (String u : units) assertEquals(unit, u);
        SimCam.clearTrace();
    }

    @Test
    public void video1UsesItsOwnUnitForOpenUpdatesAndIFrames() throws Exception {
        String unit = DUAL_UNIT_HOST ? "13" : "12";
        SimCam.clearTrace();
        ORVVideoDevice d = open("/dev/video1");
        assertAllUnit(unit);
        d.setBitrate(1000000);
        assertEquals(1000000, SimCam.encoder("/dev/video1")[3]);
        assertAllUnit(unit);
        d.setSize(640, 480);
        assertAllUnit(unit);
        assertTrue(d.requestKeyFrame());
        assertAllUnit(unit);
    }

    @Test
    public void video0KeepsUnit12() throws Exception {
        SimCam.clearTrace();
        ORVVideoDevice d = open("/dev/video0");
        d.setFrameRate(15);
        assertTrue(d.requestKeyFrame());
        assertAllUnit("12");
    }
}
