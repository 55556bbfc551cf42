package com.orv.media.audio;

import java.io.IOException;
import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.nio.file.Files;
import java.nio.file.Path;

/** Minimal RIFF/WAVE reading and writing for the end-to-end tests: 16-bit PCM or 32-bit float. */
final class WavFile {
    final int channels;
    final int sampleRate;
    final int bitsPerSample;
    final boolean isFloat;
    /** The data chunk, little-endian samples. */
    final ByteBuffer data;

    private WavFile(int channels, int sampleRate, int bitsPerSample, boolean isFloat, ByteBuffer data) {
        this.channels = channels;
        this.sampleRate = sampleRate;
        this.bitsPerSample = bitsPerSample;
        this.isFloat = isFloat;
        this.data = data.order(ByteOrder.LITTLE_ENDIAN);
    }

    static WavFile read(Path path) throws IOException {
        ByteBuffer b = ByteBuffer.wrap(Files.readAllBytes(path)).order(ByteOrder.LITTLE_ENDIAN);
        if (b.getInt(0) != 0x46464952 || b.getInt(8) != 0x45564157) throw new IOException("not WAVE");
        int pos = 12;
        int format = 0;
        int channels = 0;
        int rate = 0;
        int bits = 0;
        while (pos + 8 <= b.limit()) {
            int id = b.getInt(pos);
            int size = b.getInt(pos + 4);
            int body = pos + 8;
            if (id == 0x20746d66) { // "fmt "
                format = b.getShort(body) & 0xffff;
                channels = b.getShort(body + 2);
                rate = b.getInt(body + 4);
                bits = b.getShort(body + 14);
                if (format == 0xfffe) format = b.getShort(body + 24) & 0xffff; // extensible
            } else if (id == 0x61746164) { // "data"
                ByteBuffer slice = b.duplicate();
                slice.position(body).limit(Math.min(b.limit(), body + size));
                return new WavFile(channels, rate, bits, format == 3, slice.slice());
            }
            pos = body + size + (size & 1);
        }
        throw new IOException("no data chunk");
    }

    /** Writes 16-bit PCM samples. */
    static void write16(Path path, int channels, int sampleRate, short[] samples) throws IOException {
        int dataBytes = samples.length * 2;
        ByteBuffer b = ByteBuffer.allocate(44 + dataBytes).order(ByteOrder.LITTLE_ENDIAN);
        b.putInt(0x46464952).putInt(36 + dataBytes).putInt(0x45564157);
        b.putInt(0x20746d66).putInt(16).putShort((short) 1).putShort((short) channels);
        b.putInt(sampleRate).putInt(sampleRate * channels * 2).putShort((short) (channels * 2));
        b.putShort((short) 16);
        b.putInt(0x61746164).putInt(dataBytes);
        for (short s : samples) b.putShort(s);
        Files.write(path, b.array());
    }

    short[] shorts() {
        short[] out = new short[data.remaining() / 2];
        data.duplicate().order(ByteOrder.LITTLE_ENDIAN).asShortBuffer().get(out);
        return out;
    }

    float[] floats() {
        float[] out = new float[data.remaining() / 4];
        data.duplicate().order(ByteOrder.LITTLE_ENDIAN).asFloatBuffer().get(out);
        return out;
    }
}
