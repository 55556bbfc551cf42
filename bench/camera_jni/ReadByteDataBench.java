package com.orv.camera;

import java.lang.reflect.Field;

/**
 * Frames per second of native_readByteData in a Java loop (one new array and one copy per
 * frame) against read_h264_data in a C loop (no copy), on the same open camera. Run it under
 * the simulated camera's fast clock (see README.md in this folder).
 *
 * Usage: ReadByteDataBench [NODE [FRAMES]]
 */
public final class ReadByteDataBench {
    static {
        System.loadLibrary("orvbenchjni");
    }

    private ReadByteDataBench() {}

    /** read_h264_data `frames` times on `fd`; the number of frames of length above 0. */
    private static native int readLoop(int fd, int frames);

    public static void main(String[] args) throws Exception {
        String node = args.length > 0 ? args[0] : "/dev/video0";
        int frames = args.length > 1 ? Integer.parseInt(args[1]) : 3000;
        ORVVideoDevice camera = new ORVVideoDevice(node);
        camera.getParameters().setSize(1920, 1080);
        camera.open();
        try {
            camera.startCapture();
            Field id = ORVVideoDevice.class.getDeclaredField("mDeviceId");
            id.setAccessible(true);
            int fd = id.getInt(camera);

            readLoop(fd, frames);  // warm-up of both paths (the JIT compiles the Java loop)
            javaLoop(camera, frames);
            for (int round = 0; round < 5; round++) {
                long t0 = System.nanoTime();
                int c = readLoop(fd, frames);
                long t1 = System.nanoTime();
                long[] java = javaLoop(camera, frames);
                long t2 = System.nanoTime();
                double cFps = c * 1e9 / (t1 - t0);
                double javaFps = java[0] * 1e9 / (t2 - t1);
                System.out.printf("round %d: C %d frames %.0f fps | Java %d frames %.0f fps,"
                        + " %.0f bytes/frame | ratio %.3f%n", round, c, cFps, java[0], javaFps,
                        (double) java[1] / Math.max(1, java[0]), javaFps / cFps);
            }
        } finally {
            camera.close();
        }
    }

    /** {frames read, bytes read} over `frames` calls of native_readByteData. */
    private static long[] javaLoop(ORVVideoDevice camera, int frames) {
        long got = 0;
        long bytes = 0;
        for (int i = 0; i < frames; i++) {
            byte[] frame = camera.native_readByteData();
            if (frame != null) {
                got++;
                bytes += frame.length;
            }
        }
        return new long[] {got, bytes};
    }
}
