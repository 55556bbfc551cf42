package com.orv.camera;

import java.util.Objects;

/** One of the maker's H.264 video nodes, as {@link ORVVideoDevice#listDevices()} finds it. */
public final class ORVDeviceInfo {
    /** A device of the maker that is in neither camera list. */
    public static final int TYPE_OTHER = 0;
    /** One of the maker's listed cameras. */
    public static final int TYPE_CAMERA = 1;
    /** The maker's switchbox. */
    public static final int TYPE_SWITCHBOX = 2;

    private final String mPath;
    private final int mType;
    private final int mVendorId;
    private final int mProductId;
    private final boolean mSupportsH264;
    private final boolean mSupportsH265;

    public ORVDeviceInfo(String path, int type, int vendorId, int productId,
            boolean supportsH264, boolean supportsH265) {
        mPath = Objects.requireNonNull(path, "path");
        mType = type;
        mVendorId = vendorId;
        mProductId = productId;
        mSupportsH264 = supportsH264;
        mSupportsH265 = supportsH265;
    }

    /** The node, "/dev/video1". */
    public String getPath() {
        return mPath;
    }

    /** {@link #TYPE_CAMERA}, {@link #TYPE_SWITCHBOX} or {@link #TYPE_OTHER}. */
    public int getType() {
        return mType;
    }

    public int getVendorId() {
        return mVendorId;
    }

    public int getProductId() {
        return mProductId;
    }

    public boolean supportsH264() {
        return mSupportsH264;
    }

    public boolean supportsH265() {
        return mSupportsH265;
    }

    /** A device object for this node with its supported sizes and frame rates filled in. */
    public ORVVideoDevice createDevice() {
        return ORVVideoDevice.create(mPath);
    }

    @Override
    public boolean equals(Object o) {
        if (!(o instanceof ORVDeviceInfo)) return false;
        ORVDeviceInfo other = (ORVDeviceInfo) o;
        return mPath.equals(other.mPath) && mType == other.mType && mVendorId == other.mVendorId
                && mProductId == other.mProductId && mSupportsH264 == other.mSupportsH264
                && mSupportsH265 == other.mSupportsH265;
    }

    @Override
    public int hashCode() {
        return Objects.hash(mPath, mType, mVendorId, mProductId, mSupportsH264, mSupportsH265);
    }

    @Override
    public String toString() {
        return String.format("%s type=%d %04x:%04x h264=%b h265=%b", mPath, mType, mVendorId,
                mProductId, mSupportsH264, mSupportsH265);
    }
}
