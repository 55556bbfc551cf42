package com.orv.camera;

import java.lang.management.ManagementFactory;
import java.lang.management.ThreadMXBean;
import java.lang.reflect.Field;

/**
 * Frames per second and CPU time per frame of three loops on the same open camera, in rounds:
 * read_h264_data in a C loop (no copy), native_readByteData in a Java loop (one new array and
 * one copy per frame) and the public readFrame around it, these two in alternating blocks;
 * beside them, the binding's per-call lookup of mDeviceId alone. Run it under the simulated camera's fast clock (README.md here).
 *
 * <p>Usage: ReadByteDataBench [NODE [FRAMES [ROUNDS]]]. Each loop prints one line
 * "RESULT round loop fps cpu_us_per_frame frames" (the lookup's line: ns per lookup).
 */
public final class ReadByteDataBench {
    static {
        System.loadLibrary("orvbenchjni");
    }

    private static final ThreadMXBean THREADS = ManagementFactory.getThreadMXBean();
    /** Frames per block of the interleaved measurement: about a millisecond and a half. */
    private static final int BLOCK = 500;

    private ReadByteDataBench() {}

    /** read_h264_data `frames` times on `fd`; the number of frames of length above 0. */
    private static native int readLoop(int fd, int frames);

    /** The binding's lookup of mDeviceId on `device`, `times` times; the sum of the ids. */
    private static native long lookupLoop(ORVVideoDevice device, int times);

    private interface Loop {
        long run(int frames) throws Exception;
    }

    public static void main(String[] args) throws Exception {
        String node = args.length > 0 ? args[0] : "/dev/video0";
        int frames = args.length > 1 ? Integer.parseInt(args[1]) : 3000;
        int rounds = args.length > 2 ? Integer.parseInt(args[2]) : 5;
        ORVVideoDevice camera = new ORVVideoDevice(node);
        camera.getParameters().setSize(1920, 1080);
        camera.open();
        try {
            camera.startCapture();
            Field id = ORVVideoDevice.class.getDeclaredField("mDeviceId");
            id.setAccessible(true);
            int fd = id.getInt(camera);
            Loop c = n -> readLoop(fd, n);
            Loop nat = n -> nativeLoop(camera, n);
            Loop pub = n -> readFrameLoop(camera, n);
            Loop lookup = n -> lookupLoop(camera, n) != 0 ? n : 0;
            // Warm-up: the JIT compiles the Java loops before any round is timed.
            for (int i = 0; i < 3; i++) {
                c.run(frames);
                nat.run(frames);
                pub.run(frames);
                lookup.run(frames);
            }
            for (int round = 0; round < rounds; round++) {
                time(round, "c_loop", c, frames);
                timeInterleaved(round, nat, pub, frames);
                time(round, "lookup", lookup, frames);
            }
        } finally {
            camera.close();
        }
    }

    private static void time(int round, String name, Loop loop, int frames) throws Exception {
        long cpu0 = THREADS.getCurrentThreadCpuTime();
        long t0 = System.nanoTime();
        long got = loop.run(frames);
        long t1 = System.nanoTime();
        long cpu1 = THREADS.getCurrentThreadCpuTime();
        double n = Math.max(1, got);
        System.out.printf("RESULT %d %s %.0f %.3f %d%n", round, name, got * 1e9 / (t1 - t0),
                (cpu1 - cpu0) / 1e3 / n, got);
    }

    /**
     * native_readByteData and readFrame in alternating blocks of {@link #BLOCK} frames, so that
     * both meet the same load (a machine whose load changes during a loop favoured whichever
     * loop ran in the quieter moment); which of the two opens a pair alternates too, so neither
     * always pays for the garbage the other left. One RESULT line each, summed over the blocks.
     */
    private static void timeInterleaved(int round, Loop nat, Loop pub, int frames)
            throws Exception {
        Loop[] loops = {nat, pub};
        String[] names = {"native_readByteData", "readFrame"};
        long[] cpu = new long[2];
        long[] wall = new long[2];
        long[] got = new long[2];
        int blocks = Math.max(1, frames / BLOCK);
        for (int b = 0; b < blocks; b++) {
            for (int k = 0; k < 2; k++) {
                int which = (b + k) % 2;
                long cpu0 = THREADS.getCurrentThreadCpuTime();
                long t0 = System.nanoTime();
                got[which] += loops[which].run(BLOCK);
                wall[which] += System.nanoTime() - t0;
                cpu[which] += THREADS.getCurrentThreadCpuTime() - cpu0;
            }
        }
        for (int which = 0; which < 2; which++) {
            double n = Math.max(1, got[which]);
            System.out.printf("RESULT %d %s %.0f %.3f %d%n", round, names[which],
                    got[which] * 1e9 / Math.max(1, wall[which]), cpu[which] / 1e3 / n, got[which]);
        }
    }

    /** Frames read by `frames` calls of native_readByteData. */
    private static long nativeLoop(ORVVideoDevice camera, int frames) {
        long got = 0;
        for (int i = 0; i < frames; i++) {
            byte[] frame = camera.native_readByteData();
            if (frame != null && frame.length > 0) got++;
        }
        return got;
    }

    /** Frames read by `frames` calls of readFrame. */
    private static long readFrameLoop(ORVVideoDevice camera, int frames) throws Exception {
        long got = 0;
        for (int i = 0; i < frames; i++) {
            byte[] frame = camera.readFrame();
            if (frame != null && frame.length > 0) got++;
        }
        return got;
    }
}
