import com.orv.camera.ORVDeviceInfo;
import com.orv.camera.ORVVideoDevice;
import java.io.IOException;
import java.util.List;

/**
 * A first camera program: lists the maker's cameras, opens the first, reads frames, changes the
 * bit rate while streaming, and closes. Run it on the simulated camera with
 * {@code scripts/simcam -- java ... CameraQuickStart} (see java/README.md).
 */
public final class CameraQuickStart {
    public static void main(String[] args) throws IOException {
        System.out.println("libvistara " + ORVVideoDevice.getSdkVersion());
        List<ORVDeviceInfo> cameras = ORVVideoDevice.listDevices();
        for (ORVDeviceInfo info : cameras) {
            System.out.printf("%s: USB %04x:%04x, H.264 %s%n", info.getPath(),
                    info.getVendorId(), info.getProductId(), info.supportsH264() ? "yes" : "no");
        }
        if (cameras.isEmpty()) {
            System.err.println("no camera of the maker attached");
            System.exit(1);
        }
        try (ORVVideoDevice camera = ORVVideoDevice.create(cameras.get(0).getPath())) {
            camera.open();
            camera.startCapture();
            int frames = 0;
            long bytes = 0;
            for (int i = 0; i < 60; i++) {
                byte[] frame = camera.readFrame();
                if (frame == null) {
                    System.err.println("no frame within a second");
                    System.exit(1);
                }
                frames++;
                bytes += frame.length;
                if (frames == 30) {
                    camera.setBitrate(500000);
                    System.out.println("bit rate set to 500000 after frame 30");
                }
            }
            camera.stopCapture();
            System.out.printf("read %d frames, %d bytes from %s%n", frames, bytes,
                    camera.getPath());
        }
    }
}
