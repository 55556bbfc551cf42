#include "usb_device_description.h"

#include <cstdio>
#include <initializer_list>

namespace orvtest {

namespace {

std::string Hex(const std::vector<uint8_t> &bytes) {
    std::string out;
    char b[3];
    for (uint8_t v : bytes) {
        snprintf(b, sizeof b, "%02X", v);
        out += b;
    }
    return out;
}

uint8_t Lo(unsigned v) {
    return static_cast<uint8_t>(v & 0xff);
}
uint8_t Hi(unsigned v) {
    return static_cast<uint8_t>((v >> 8) & 0xff);
}

using Bytes = std::vector<uint8_t>;

void Append(Bytes *out, std::initializer_list<uint8_t> bytes) {
    out->insert(out->end(), bytes);
}

void Append(Bytes *out, const Bytes &bytes) {
    out->insert(out->end(), bytes.begin(), bytes.end());
}

void PutLe16(Bytes *b, size_t at, unsigned v) {
    (*b)[at] = Lo(v);
    (*b)[at + 1] = Hi(v);
}

// The extension units' GUIDs as sent (first three fields little-endian).
const Bytes kH264Guid = {0x41, 0x76, 0x9e, 0xa2, 0x04, 0xde, 0xe3, 0x47,
                         0x8b, 0x2b, 0xf4, 0x34, 0x1a, 0xff, 0x00, 0x3b};
const Bytes kMenuGuid = {0x8a, 0x0f, 0x55, 0x3c, 0x1e, 0x6b, 0x4a, 0x42,
                         0x9c, 0x31, 0x0d, 0x52, 0x4f, 0x52, 0x56, 0x13};
const Bytes kHdmiGuid = {0x8a, 0x0f, 0x55, 0x3c, 0x1e, 0x6b, 0x4a, 0x42,
                         0x9c, 0x31, 0x0d, 0x52, 0x4f, 0x52, 0x56, 0x15};
constexpr uint8_t kMenuUnit = 0x13, kHdmiUnit = 0x15;

// VC_EXTENSION_UNIT with one source pin and a two-byte control bitmap.
Bytes ExtensionUnit(uint8_t id, const Bytes &guid, uint8_t controls, uint8_t source) {
    Bytes d = {27, 0x24, 0x06, id};
    Append(&d, guid);
    Append(&d, {controls, 1, source, 2, 0xff, 0xff, 0});
    return d;
}

using Entities = UsbEntities;

// The VideoControl interface's own (CS_INTERFACE) descriptors: terminals and units in a chain,
// camera -> processing -> H.264 unit -> the maker's units -> streaming output terminal.
Bytes VideoControlUnits(const SimUsbDevice &dev, const SimUsbLayout &layout, const Entities &e) {
    const uint8_t h264_unit = dev.h264_unit;
    const uint8_t camera = e.camera, processing = e.processing, output = e.output;
    Bytes d;
    // Camera input terminal (ITT_CAMERA) with the device's controls.
    Append(&d, {18, 0x24, 0x02, camera, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 3,
                layout.camera_controls[0], layout.camera_controls[1], layout.camera_controls[2]});
    // Processing unit: brightness.
    Append(&d, {11, 0x24, 0x05, processing, camera, 0, 0, 2, 0x01, 0x00, 0});
    Append(&d, ExtensionUnit(h264_unit, kH264Guid, 16, processing));
    uint8_t last = h264_unit;
    for (const auto &unit :
         {std::make_pair(kMenuUnit, &kMenuGuid), std::make_pair(kHdmiUnit, &kHdmiGuid)}) {
        if (unit.first == h264_unit)
            continue;
        Append(&d, ExtensionUnit(unit.first, *unit.second, 2, last));
        last = unit.first;
    }
    // Output terminal (TT_STREAMING), fed by the last unit.
    Append(&d, {9, 0x24, 0x03, output, 0x01, 0x01, 0, last, 0});
    return d;
}

Bytes VideoControlInterface(const SimUsbDevice &dev, const SimUsbLayout &layout,
                            const Entities &e) {
    const Bytes units = VideoControlUnits(dev, layout, e);
    // VC_HEADER, UVC 1.10, 48 MHz clock, one streaming interface (1).
    Bytes d = {13, 0x24, 0x01, 0x10, 0x01, 0, 0, 0x00, 0x6c, 0xdc, 0x02, 1, 1};
    PutLe16(&d, 5, static_cast<unsigned>(d.size() + units.size()));
    Append(&d, units);
    if (layout.bulk_max_packet)
        return d;
    // Interrupt endpoint 0x83 and its CS_ENDPOINT descriptor.
    Append(&d, {7, 0x05, 0x83, 0x03, 16, 0, 8});
    Append(&d, {5, 0x25, 0x03, 16, 0});
    return d;
}

void PutLe32(Bytes *b, size_t at, uint32_t v) {
    PutLe16(b, at, v & 0xffff);
    PutLe16(b, at + 2, v >> 16);
}

// VS_FRAME_FRAME_BASED: 0.5 to 20 Mbit/s, discrete intervals, the first the default.
Bytes FrameDescriptor(uint8_t index, const SimUsbFrame &f) {
    Bytes d(26 + 4 * f.intervals.size(), 0);
    d[0] = static_cast<uint8_t>(d.size());
    d[1] = 0x24;
    d[2] = 0x11;
    d[3] = index;
    PutLe16(&d, 5, f.width);
    PutLe16(&d, 7, f.height);
    PutLe32(&d, 9, 500000);
    PutLe32(&d, 13, 20000000);
    PutLe32(&d, 17, f.intervals.front());
    d[21] = static_cast<uint8_t>(f.intervals.size());
    for (size_t i = 0; i < f.intervals.size(); ++i)
        PutLe32(&d, 26 + 4 * i, f.intervals[i]);
    return d;
}

Bytes VideoStreamingInterface(const SimUsbLayout &layout, uint8_t output_terminal) {
    const std::vector<SimUsbFrame> frames =
        layout.frames.empty() ? std::vector<SimUsbFrame>{{1920, 1080, {333333}}} : layout.frames;
    Bytes formats;
    // VS_FORMAT_FRAME_BASED, H264 GUID, its frames, variable size.
    Append(&formats, {28,   0x24, 0x10, 1,    static_cast<uint8_t>(frames.size()),
                      'H',  '2',  '6',  '4',  0x00,
                      0x00, 0x10, 0x00, 0x80, 0x00,
                      0x00, 0xaa, 0x00, 0x38, 0x9b,
                      0x71, 16,   1,    0,    0,
                      0,    0,    1});
    for (size_t i = 0; i < frames.size(); ++i)
        Append(&formats, FrameDescriptor(static_cast<uint8_t>(i + 1), frames[i]));
    // Colour matching: BT.709.
    Append(&formats, {6, 0x24, 0x0d, 1, 1, 4});
    // VS_INPUT_HEADER: one format, endpoint 0x81, linked to the output terminal.
    Bytes d = {14, 0x24, 0x01, 1, 0, 0, 0x81, 0, output_terminal, 0, 0, 0, 1, 0};
    PutLe16(&d, 4, static_cast<unsigned>(d.size() + formats.size()));
    Append(&d, formats);
    return d;
}

// The device descriptor, then the one configuration: what the kernel's "descriptors"
// attribute and a read of the usbfs node give.
Bytes Descriptors(const SimUsbDevice &dev, const SimUsbLayout &layout) {
    // clang-format off
    Bytes d = {
        // bLength, DEVICE, bcdUSB 2.00, misc class / common / IAD, bMaxPacketSize0
        18, 1, 0x00, 0x02, 0xef, 0x02, 0x01, 64,
        Lo(dev.vendor), Hi(dev.vendor), Lo(dev.product), Hi(dev.product),
        Lo(dev.bcd_device), Hi(dev.bcd_device),
        // iManufacturer, iProduct, iSerialNumber, bNumConfigurations
        1, 2, 0, 1,
    };
    const size_t config = d.size();
    // CONFIGURATION (wTotalLength below), two interfaces, value 1, bus powered, 500 mA
    Append(&d, {9, 2, 0, 0, 2, 1, 0, 0x80, 250});
    // Interface association: interfaces 0 and 1, video interface collection, no function name
    // (uvcvideo would add it to the card name after the product's)
    Append(&d, {8, 0x0b, 0, 2, 0x0e, 0x03, 0, 0});
    // Interface 0: VideoControl, with the interrupt endpoint unless streaming in bulk
    const Entities entities = UsbEntityIds(dev.h264_unit);
    const uint8_t vc_endpoints = layout.bulk_max_packet ? 0 : 1;
    Append(&d, {9, 4, 0, 0, vc_endpoints, 0x0e, 0x01, 0, 0});
    Append(&d, VideoControlInterface(dev, layout, entities));
    if (layout.bulk_max_packet) {
        // Interface 1: VideoStreaming, one alternate setting with bulk IN endpoint 0x81
        Append(&d, {9, 4, 1, 0, 1, 0x0e, 0x02, 0, 0});
        Append(&d, VideoStreamingInterface(layout, entities.output));
        Append(&d, {7, 5, 0x81, 0x02, Lo(layout.bulk_max_packet), Hi(layout.bulk_max_packet), 0});
    } else {
        // Interface 1: VideoStreaming, alternate setting 0 without endpoints
        Append(&d, {9, 4, 1, 0, 0, 0x0e, 0x02, 0, 0});
        Append(&d, VideoStreamingInterface(layout, entities.output));
        // Alternate setting 1: isochronous IN endpoint 0x81, 3 x 1024 bytes per microframe
        Append(&d, {9, 4, 1, 1, 1, 0x0e, 0x02, 0, 0});
        Append(&d, {7, 5, 0x81, 0x05, 0x00, 0x14, 1});
    }
    // clang-format on
    PutLe16(&d, config + 2, static_cast<unsigned>(d.size() - config));
    return d;
}

}  // namespace

UsbEntities UsbEntityIds(uint8_t h264_unit) {
    uint8_t ids[3] = {};
    unsigned next = 1;
    for (uint8_t &id : ids) {
        while (next == h264_unit || next == kMenuUnit || next == kHdmiUnit)
            ++next;
        id = static_cast<uint8_t>(next++);
    }
    return {ids[0], ids[1], ids[2]};
}

std::vector<uint8_t> UsbDescriptors(const SimUsbDevice &dev, const SimUsbLayout &layout) {
    return Descriptors(dev, layout);
}

std::string UsbfsNode(const SimUsbDevice &dev) {
    char path[32];
    snprintf(path, sizeof path, "/dev/bus/usb/%03u/%03u", dev.bus, dev.address);
    return path;
}

std::string UsbDeviceDescription(const SimUsbDevice &dev, const std::string &sysfs_name,
                                 bool with_node) {
    const std::string hex = Hex(Descriptors(dev, SimUsbLayout{}));
    std::string text = "P: /devices/" + sysfs_name + "\n";
    if (with_node)
        text += "N: " + UsbfsNode(dev).substr(5) + "=" + hex + "\n";
    text += "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n";
    text += "E: DEVNAME=" + UsbfsNode(dev) + "\n";
    // libusb wants the newline the kernel puts after each value.
    char ids[96];
    snprintf(ids, sizeof ids, "A: idVendor=%04x\\n\nA: idProduct=%04x\\n\nA: bcdDevice=%04x\\n\n",
             dev.vendor, dev.product, dev.bcd_device);
    text += ids;
    text += "A: busnum=" + std::to_string(dev.bus) + "\\n\n";
    text += "A: devnum=" + std::to_string(dev.address) + "\\n\n";
    text += "A: speed=480\\n\n";
    text += "H: descriptors=" + hex + "\n";
    return text;
}

}  // namespace orvtest
