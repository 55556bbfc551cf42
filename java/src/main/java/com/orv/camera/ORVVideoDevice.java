package com.orv.camera;

import java.io.IOException;
import java.util.Arrays;
import java.util.Collections;
import java.util.List;
import java.util.Objects;
import java.util.concurrent.locks.ReentrantReadWriteLock;

/**
 * One of the maker's H.264 cameras at a video node.
 *
 * <pre>{@code
 * try (ORVVideoDevice camera = ORVVideoDevice.create("/dev/video0")) {
 *     camera.getParameters().setSize(1280, 720).setBitrate(2_000_000);
 *     camera.open();
 *     camera.startCapture();
 *     byte[] frame = camera.readFrame();   // one H.264 access unit, or null
 *     camera.setBitrate(1_000_000);        // while streaming
 * }
 * }</pre>
 *
 * <p>An object may be shared between threads: parameter updates and commands may run beside a
 * frame read, while {@link #stopCapture()} and {@link #close()} wait for any frame read in
 * progress, so the frame's memory and the node stay valid while the read uses them. Frame
 * reads on one object run one at a time: the native layer hands the previous frame's buffer
 * back to the camera at the next read, so each read copies its frame before another begins.
 */
public class ORVVideoDevice implements AutoCloseable {
    static {
        System.loadLibrary("vistara");
    }

    /** The axes the pan, tilt and zoom commands drive. */
    public enum Axis {
        PAN(0), TILT(2), ZOOM(4);

        final int code;

        Axis(int code) {
            this.code = code;
        }
    }

    /** Written by the native layer on open: the node's descriptor, 0 while not open. */
    private int mDeviceId;
    /** Read by the native layer: the settings of open, and where supported sizes go. */
    private final Parameter mParameter;
    private final String mPath;
    private final ReentrantReadWriteLock mLock = new ReentrantReadWriteLock();
    /**
     * Held for the whole of one frame read, copy included; the only lock a read takes. Stop and
     * close take it inside {@link #mLock}'s write lock, so they still wait for a read.
     */
    private final Object mReadLock = new Object();
    /** Written and read under {@link #mReadLock}. */
    private boolean mCapturing;
    /** A start was tried since the last stop: buffers may be mapped even if it failed. */
    private boolean mStartTried;
    /** Set by the native layer when a read failed because the camera is gone. */
    private boolean mCameraGone;
    /** While open: closes the node should the object be dropped without a close. */
    private ForgottenCameras.Watch mWatch;

    /** A camera object for a node ("/dev/video0") with the default parameters. */
    public ORVVideoDevice(String path) {
        mPath = Objects.requireNonNull(path, "path");
        mParameter = new Parameter();
    }

    /**
     * A camera object for a node with the sizes and frame rates it supports filled into its
     * parameters (left empty when the node cannot be queried).
     */
    public static ORVVideoDevice create(String path) {
        ORVVideoDevice device = native_createORVCamera(Objects.requireNonNull(path, "path"));
        if (device == null) throw new IllegalStateException("camera classes incomplete");
        return device;
    }

    /** The maker's H.264 cameras among the video nodes, in node order. */
    public static List<ORVDeviceInfo> listDevices() {
        ORVDeviceInfo[] found = native_getDeviceInfoList();
        return found == null ? Collections.emptyList()
                : Collections.unmodifiableList(Arrays.asList(found));
    }

    /** The native library's version, "2.1.2". */
    public static String getSdkVersion() {
        return native_getSdkVersion();
    }

    /** The node this object drives. */
    public String getPath() {
        return mPath;
    }

    /** The settings used by {@link #open()}, and the supported sizes and frame rates. */
    public Parameter getParameters() {
        return mParameter;
    }

    /**
     * The value the native layer reads for a key when it opens the camera. Returns the
     * parameters' value; subclasses may answer differently.
     */
    public String getParameter(String key) {
        return mParameter.get(key);
    }

    /** Opens the node with the current parameters. */
    public void open() throws IOException {
        mLock.writeLock().lock();
        try {
            if (mDeviceId > 0) throw new IllegalStateException(mPath + " is already open");
            if (native_open(mPath) != 0) throw new IOException("cannot open " + mPath);
            mWatch = ForgottenCameras.watch(this, mPath, mDeviceId);
        } finally {
            mLock.writeLock().unlock();
        }
    }

    public boolean isOpen() {
        mLock.readLock().lock();
        try {
            return mDeviceId > 0;
        } finally {
            mLock.readLock().unlock();
        }
    }

    /** Starts streaming; frames then come from {@link #readFrame()}. */
    public void startCapture() throws IOException {
        mLock.writeLock().lock();
        try {
            requireOpen();
            if (mCapturing) return;
            mStartTried = true;
            if (native_startCapture() != 0) throw new IOException("cannot stream from " + mPath);
            synchronized (mReadLock) {
                mCapturing = true;
            }
        } finally {
            mLock.writeLock().unlock();
        }
    }

    /** Stops streaming, after any frame read in progress. */
    public void stopCapture() {
        mLock.writeLock().lock();
        try {
            synchronized (mReadLock) {
                stopNative();
            }
        } finally {
            mLock.writeLock().unlock();
        }
    }

    /**
     * The next H.264 frame, or null when none came within about a second (or the object is not
     * capturing). Each call returns a new array of exactly the frame's length. Calls from
     * several threads are served one after the other, each with a whole frame.
     *
     * @throws CameraGoneException when the camera is gone (unplugged, or its stream broke);
     *     {@link #stopCapture()} and {@link #close()} still work afterwards
     */
    public byte[] readFrame() throws CameraGoneException {
        synchronized (mReadLock) {
            if (!mCapturing) return null;
            mCameraGone = false;
            byte[] frame = native_readByteData();
            if (frame == null && mCameraGone) throw new CameraGoneException(mPath);
            return frame;
        }
    }

    /** Changes the frame rate of the running encoder, and of later opens. */
    public void setFrameRate(int framesPerSecond) {
        mParameter.setFrameRate(framesPerSecond);
        update(Parameter.KEY_FRAME_RATE, framesPerSecond);
    }

    /** Changes the H.264 profile ({@code Parameter.PROFILE_}) now and for later opens. */
    public void setProfile(int profile) {
        mParameter.setProfile(profile);
        update(Parameter.KEY_PROFILE, profile);
    }

    /** Changes the rate-control mode ({@code Parameter.RATE_CONTROL_}) now and later. */
    public void setRateControlMode(int mode) {
        mParameter.setRateControlMode(mode);
        update(Parameter.KEY_RATE_CONTROL_MODE, mode);
    }

    public void setBitrate(int bitsPerSecond) {
        mParameter.setBitrate(bitsPerSecond);
        update(Parameter.KEY_BITRATE, bitsPerSecond);
    }

    public void setIFramePeriod(int seconds) {
        mParameter.setIFramePeriod(seconds);
        update(Parameter.KEY_IFRAME_PERIOD, seconds);
    }

    /** Changes the encoder's resolution now and for later opens. */
    public void setSize(int width, int height) {
        mParameter.setSize(width, height);
        mLock.readLock().lock();
        try {
            if (mDeviceId > 0) {
                native_updateParameter(Parameter.KEY_SIZE, new Parameter.PixelSize(width, height));
            }
        } finally {
            mLock.readLock().unlock();
        }
    }

    /** Asks the encoder for an I-frame; false when the request failed. */
    public boolean requestKeyFrame() {
        mLock.readLock().lock();
        try {
            return mDeviceId > 0 && native_sendCommand(0) == 0;
        } finally {
            mLock.readLock().unlock();
        }
    }

    /** Starts moving an axis; the sign of {@code speed} gives the direction. */
    public boolean startMove(Axis axis, int speed) {
        mLock.readLock().lock();
        try {
            return mDeviceId > 0 && native_startPTZ(axis.code, speed) == 0;
        } finally {
            mLock.readLock().unlock();
        }
    }

    public boolean stopMove(Axis axis) {
        mLock.readLock().lock();
        try {
            return mDeviceId > 0 && native_stopPTZ(axis.code) == 0;
        } finally {
            mLock.readLock().unlock();
        }
    }

    /** Sends an on-screen-display menu command to the node; it need not be open. */
    public boolean sendOsdCommand(int command) {
        return native_sendOsdCommand(mPath, command) >= 0;
    }

    /** The on-screen-display status the node reports, or -1. */
    public int getOsdStatus() {
        return native_getOsdStatus(mPath);
    }

    /** The HDMI-input state the node reports (0 also when it cannot be read). */
    public int getHdmiInputState() {
        return native_getHDMIINState(mPath);
    }

    /** Stops streaming and closes the node; the object may be opened again. */
    @Override
    public void close() {
        mLock.writeLock().lock();
        try {
            synchronized (mReadLock) {
                stopNative();
                if (mDeviceId > 0) native_close();
                mDeviceId = 0;
                ForgottenCameras.forget(mWatch);
                mWatch = null;
            }
        } finally {
            mLock.writeLock().unlock();
        }
    }

    /**
     * Stops and closes the node of a camera object that was dropped while open, through a
     * stand-in object holding its descriptor (the natives read it from the object they run on).
     */
    static void closeForgotten(String path, int deviceId) {
        ORVVideoDevice standIn = new ORVVideoDevice(path);
        standIn.mDeviceId = deviceId;
        standIn.mStartTried = true;
        standIn.close();
    }

    @Override
    public String toString() {
        return "ORVVideoDevice " + mPath + (isOpen() ? " open" : "");
    }

    private void update(String key, int value) {
        mLock.readLock().lock();
        try {
            if (mDeviceId > 0) native_updateParameter(key, Integer.toString(value));
        } finally {
            mLock.readLock().unlock();
        }
    }

    /**
     * Stops streaming whenever a start was tried: a failed one may have left buffers. Called
     * holding the write lock and {@link #mReadLock}.
     */
    private void stopNative() {
        if (mStartTried && mDeviceId > 0) native_stopCapture();
        mStartTried = false;
        mCapturing = false;
    }

    private void requireOpen() {
        if (mDeviceId <= 0) throw new IllegalStateException(mPath + " is not open");
    }

    // The natives the library registers on this class, in the order of its table.
    static native String native_getSdkVersion();

    static native int native_hasValidCamera(int[] vendorAndProduct);

    static native int native_hasValidDualStreamCamera(int[] vendorAndProduct);

    static native String native_getCameraVersion(int vendorId, int productId);

    static native int native_resetCamera(int vendorId, int productId);

    native int native_open(String path);

    native void native_close();

    native int native_updateParameter(String key, String value);

    native int native_updateParameter(String key, Object value);

    native int native_startCapture();

    native void native_stopCapture();

    native byte[] native_readByteData();

    static native ORVVideoDevice native_createORVCamera(String path);

    native int native_sendCommand(int command);

    native int native_startPTZ(int movement, int value);

    native int native_stopPTZ(int movement);

    static native int native_sendOsdCommand(String path, int command);

    static native int native_getOsdStatus(String path);

    static native int native_getHDMIINState(String path);

    static native ORVDeviceInfo[] native_getDeviceInfoList();
}
