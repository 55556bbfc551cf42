package com.orv.camera;

import java.util.Optional;

/**
 * One of the maker's cameras on the USB bus, by vendor and product identifier.
 *
 * <p>The USB queries share one native context, so this class runs them one at a time.
 */
public final class UsbCamera {
    private static final Object USB_LOCK = new Object();

    private final int mVendorId;
    private final int mProductId;

    public UsbCamera(int vendorId, int productId) {
        mVendorId = vendorId;
        mProductId = productId;
    }

    /** The first of the maker's cameras attached to the USB bus. */
    public static Optional<UsbCamera> find() {
        int[] ids = new int[2];
        synchronized (USB_LOCK) {
            if (ORVVideoDevice.native_hasValidCamera(ids) != 0) return Optional.empty();
        }
        return Optional.of(new UsbCamera(ids[0], ids[1]));
    }

    /** The first of the maker's dual-stream cameras attached to the USB bus. */
    public static Optional<UsbCamera> findDualStream() {
        int[] ids = new int[2];
        synchronized (USB_LOCK) {
            if (ORVVideoDevice.native_hasValidDualStreamCamera(ids) != 0) {
                return Optional.empty();
            }
        }
        return Optional.of(new UsbCamera(ids[0], ids[1]));
    }

    public int getVendorId() {
        return mVendorId;
    }

    public int getProductId() {
        return mProductId;
    }

    /** The firmware version ("1.2.34"), empty when the device is not attached. */
    public Optional<String> getFirmwareVersion() {
        synchronized (USB_LOCK) {
            return Optional.ofNullable(ORVVideoDevice.native_getCameraVersion(mVendorId, mProductId));
        }
    }

    /** Resets the device's USB port; false when it is not attached or the reset failed. */
    public boolean reset() {
        synchronized (USB_LOCK) {
            return ORVVideoDevice.native_resetCamera(mVendorId, mProductId) == 0;
        }
    }

    @Override
    public boolean equals(Object o) {
        return o instanceof UsbCamera && ((UsbCamera) o).mVendorId == mVendorId
                && ((UsbCamera) o).mProductId == mProductId;
    }

    @Override
    public int hashCode() {
        return 31 * mVendorId + mProductId;
    }

    @Override
    public String toString() {
        return String.format("%04x:%04x", mVendorId, mProductId);
    }
}
