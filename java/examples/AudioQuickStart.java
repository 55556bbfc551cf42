import com.orv.media.audio.AudioRecordNative;
import com.orv.media.audio.AudioStreamException;
import com.orv.media.audio.AudioTrackNative;

/**
 * A first audio program: plays one second of a 440 Hz sine at half of full scale, then records
 * one second and prints its level. On this host the sound goes to the host OpenSL ES layer's
 * WAV back end: run it with ORV_OPENSLES_BACKEND=wav, ORV_OPENSLES_WAV_OUT=DIR/play-%u.wav and
 * ORV_OPENSLES_WAV_IN=DIR/play-1.wav, and the recording reads back what was played (see
 * java/README.md).
 */
public final class AudioQuickStart {
    private static final int RATE = 48000;

    public static void main(String[] args) throws AudioStreamException, InterruptedException {
        short[] sine = new short[RATE];
        for (int i = 0; i < sine.length; i++) {
            sine[i] = (short) Math.round(16384 * Math.sin(2 * Math.PI * 440 * i / RATE));
        }
        try (AudioTrackNative track = new AudioTrackNative()) {
            track.open(1, RATE, false, 4);
            track.start();
            for (int at = 0; at < sine.length; at += RATE / 10) {
                track.write(sine, at, RATE / 10, true);
            }
            // The last chunks are still queued: let them play before the track closes.
            for (int i = 0; i < 50 && track.getBuffersPending() > 0; i++) {
                Thread.sleep(20);
            }
        }
        System.out.println("played 1 s of 440 Hz");

        short[] recorded = new short[RATE];
        try (AudioRecordNative record = new AudioRecordNative()) {
            record.open(1, RATE, false, 4);
            record.start();
            for (int at = 0; at < recorded.length; ) {
                int n = record.read(recorded, at, Math.min(RATE / 10, recorded.length - at), true);
                if (n <= 0) {
                    break;
                }
                at += n;
            }
        }
        double sum = 0;
        for (short s : recorded) {
            sum += (double) s * s;
        }
        double rms = Math.sqrt(sum / recorded.length) / 32768;
        System.out.printf("recorded level %.1f dBFS%n", 20 * Math.log10(Math.max(rms, 1e-9)));
    }
}
