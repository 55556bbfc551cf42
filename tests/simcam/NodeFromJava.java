// Run by fidelity.sh in a JVM under scripts/simcam: the node, as Java's file API sees it.
import java.io.RandomAccessFile;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;

public class NodeFromJava {
    public static void main(String[] args) throws Exception {
        Path node = Paths.get("/dev/video0");
        int rdev = ((Number) Files.getAttribute(node, "unix:rdev")).intValue();
        System.out.println("rdev " + (rdev >> 8) + ":" + (rdev & 0xff) + " regular "
                + Files.isRegularFile(node) + " video1 " + Files.exists(Paths.get("/dev/video1")));
        String uevent = new String(Files.readAllBytes(Paths.get("/sys/dev/char/81:0/uevent")));
        System.out.println(uevent.trim().replace('\n', ' '));
        try (RandomAccessFile f = new RandomAccessFile("/dev/video0", "r")) {
            System.out.println("opened");
        }
    }
}
