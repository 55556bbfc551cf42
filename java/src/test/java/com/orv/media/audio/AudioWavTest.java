package com.orv.media.audio;

import static org.junit.Assert.assertArrayEquals;
import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertTrue;

import com.orv.testsupport.HostAudio;
import java.io.IOException;
import java.nio.file.DirectoryStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import org.junit.After;
import org.junit.Before;
import org.junit.Test;

/**
 * End to end through the WAV back end, in real time: what Java writes arrives in the player's
 * file sample for sample, and what the recorder's file holds arrives in Java sample for sample.
 */
public class AudioWavTest {
    private static final int RATE = 48000;
    private Path dir;

    @Before
    public void setUp() throws IOException {
        HostAudio.reset();
        HostAudio.setBackend("wav");
        dir = Paths.get(System.getenv("ORV_OPENSLES_WAV_IN")).getParent();
        Files.createDirectories(dir);
        for (Path p : outputs()) Files.delete(p);
    }

    @After
    public void tearDown() {
        HostAudio.reset();
    }

    private List<Path> outputs() throws IOException {
        List<Path> out = new ArrayList<>();
        try (DirectoryStream<Path> s = Files.newDirectoryStream(dir, "out-*.wav")) {
            for (Path p : s) out.add(p);
        }
        return out;
    }

    private WavFile onlyOutput() throws IOException {
        List<Path> files = outputs();
        assertEquals(files.toString(), 1, files.size());
        return WavFile.read(files.get(0));
    }

    /**
     * Queues every chunk of the signal while stopped, then keeps the queue full with silence
     * (each blocking write returns once one chunk completed), so the player never runs dry
     * before the signal has been played out.
     */
    @Test
    public void shortsWrittenFromJavaArriveInTheFileSampleForSample() throws Exception {
        final int chunk = 960 * 2; // 20 ms of stereo frames
        final int chunks = 8;
        short[] signal = new short[chunk * chunks];
        for (int i = 0; i < signal.length; i++) signal[i] = (short) (i * 7 + 3);
        try (AudioTrackNative track = new AudioTrackNative()) {
            track.open(2, RATE, false, chunks);
            for (int k = 0; k < chunks; k++) {
                assertEquals(chunk, track.write(signal, k * chunk, chunk, false));
            }
            assertEquals(chunks, track.getBuffersPending());
            track.start();
            short[] silence = new short[chunk];
            for (int k = 0; k < chunks; k++) assertEquals(chunk, track.write(silence, 0, chunk, true));
        }
        WavFile wav = onlyOutput();
        assertEquals(2, wav.channels);
        assertEquals(RATE, wav.sampleRate);
        assertEquals(16, wav.bitsPerSample);
        short[] got = wav.shorts();
        assertTrue("file holds " + got.length + " samples", got.length >= signal.length);
        assertArrayEquals(signal, Arrays.copyOf(got, signal.length));
        for (int i = signal.length; i < got.length; i++) assertEquals("sample " + i, 0, got[i]);
    }

    @Test
    public void floatsWrittenFromJavaArriveInTheFileSampleForSample() throws Exception {
        final int chunk = 960; // 20 ms of mono frames
        final int chunks = 5;
        float[] signal = new float[chunk * chunks];
        for (int i = 0; i < signal.length; i++) signal[i] = (i % 401 - 200) / 256.0f;
        try (AudioTrackNative track = new AudioTrackNative()) {
            track.open(1, RATE, true, chunks);
            for (int k = 0; k < chunks; k++) {
                assertEquals(chunk, track.write(signal, k * chunk, chunk, false));
            }
            track.start();
            float[] silence = new float[chunk];
            for (int k = 0; k < chunks; k++) assertEquals(chunk, track.write(silence, 0, chunk, true));
        }
        WavFile wav = onlyOutput();
        assertEquals(1, wav.channels);
        assertTrue(wav.isFloat);
        float[] got = wav.floats();
        assertTrue(got.length >= signal.length);
        assertArrayEquals(signal, Arrays.copyOf(got, signal.length), 0.0f);
    }

    /**
     * Eight 20 ms buffers of a ramp, read in pieces of 333 samples that straddle every buffer
     * boundary. The queue holds ten buffers, so a slow reader cannot lose any.
     */
    @Test
    public void aCapturedFileArrivesInJavaSampleForSample() throws Exception {
        short[] signal = new short[960 * 8];
        for (int i = 0; i < signal.length; i++) signal[i] = (short) (i * 13 - 30000);
        WavFile.write16(Paths.get(System.getenv("ORV_OPENSLES_WAV_IN")), 1, RATE, signal);
        short[] got = new short[signal.length];
        try (AudioRecordNative record = new AudioRecordNative()) {
            record.open(1, RATE, false, 10);
            record.start();
            int have = 0;
            while (have < got.length) {
                int want = Math.min(333, got.length - have);
                assertEquals(want, record.read(got, have, want, true));
                have += want;
            }
            record.stop();
        }
        assertArrayEquals(signal, got);
    }
}
