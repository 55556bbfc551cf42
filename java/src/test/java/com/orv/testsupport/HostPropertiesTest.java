package com.orv.testsupport;

import static org.junit.Assert.assertEquals;

import org.junit.Test;

public class HostPropertiesTest {
    @Test
    public void propertiesSetFromJavaAreReadThroughJni() {
        assertEquals("", HostProperties.get("ro.product.model"));
        HostProperties.set("ro.product.model", "R5Q");
        assertEquals("R5Q", HostProperties.get("ro.product.model"));
        HostProperties.set("ro.product.model", "R4Q");
        assertEquals("R4Q", HostProperties.get("ro.product.model"));
        HostProperties.set("ro.product.model", "");
        assertEquals("", HostProperties.get("ro.product.model"));
    }

    @Test
    public void longValuesComeBackCutToNinetyOneCharacters() {
        StringBuilder sb = new StringBuilder();
        for (int i = 0; i < 120; i++) sb.append((char) ('a' + i % 26));
        HostProperties.set("orv.test.long", sb.toString());
        assertEquals(sb.substring(0, 91), HostProperties.get("orv.test.long"));
    }

    @Test
    public void productLibrariesLoadIntoTheVm() {
        System.loadLibrary("vistara");
        System.loadLibrary("sonora");
    }
}
