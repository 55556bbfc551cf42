// The H.264 unit found in a USB device's raw descriptors: good blobs of two layouts, blobs that
// describe no such unit, blobs whose lengths lie or that are cut anywhere; then random and
// mutated blobs, which under the sanitizer builds show that no read leaves the blob.
#include "usb_descriptors.h"

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "usb_device_description.h"

namespace {

using Bytes = std::vector<uint8_t>;
using orvcli::FindH264UnitId;

const Bytes kH264Guid = {0x41, 0x76, 0x9e, 0xa2, 0x04, 0xde, 0xe3, 0x47,
                         0x8b, 0x2b, 0xf4, 0x34, 0x1a, 0xff, 0x00, 0x3b};

// The simulated camera's descriptors: device, configuration, IAD, VideoControl with the H.264
// unit among the maker's units, VideoStreaming.
Bytes Simulated(uint8_t unit) {
    return orvtest::UsbDescriptors({1, 2, 0x2e1a, 0x4c01, 0x0100, unit});
}

Bytes Interface(uint8_t number, uint8_t cls, uint8_t subclass) {
    return {9, 4, number, 0, 0, cls, subclass, 0, 0};
}

// A CS_INTERFACE descriptor of subtype 6 (the VideoControl extension unit) carrying `guid`.
Bytes Unit(uint8_t id, const Bytes &guid, uint8_t length = 27) {
    Bytes d = {length, 0x24, 0x06, id};
    d.insert(d.end(), guid.begin(), guid.end());
    d.resize(std::max<size_t>(length, 4));
    return d;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

const Bytes kDevice = {18, 1, 0, 2, 0xef, 2, 1, 64, 0x1a, 0x2e, 1, 0x4c, 0, 1, 1, 2, 0, 1};
const Bytes kConfig = {9, 2, 0, 0, 5, 1, 0, 0x80, 250};
const Bytes kOtherGuid(16, 0x5a);

// A composite device: an audio function whose subtype-6 descriptor (a feature unit there)
// carries the H.264 GUID, then two video functions, the first with another extension unit
// ahead of its H.264 unit, and a streaming interface whose subtype-6 descriptor carries it too.
Bytes Composite() {
    return Cat({kDevice, kConfig, Interface(0, 0x01, 0x01), Unit(3, kH264Guid),
                Interface(2, 0x0e, 0x01), Unit(4, kOtherGuid), Unit(7, kH264Guid),
                Interface(3, 0x0e, 0x02), Unit(8, kH264Guid), Interface(4, 0x0e, 0x01),
                Unit(9, kH264Guid)});
}

// Searched in an exactly-sized heap copy, so that a read past the end is a sanitizer error.
int Find(const Bytes &blob, int interface_number = -1) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[blob.size()]);
    std::copy(blob.begin(), blob.end(), copy.get());
    return FindH264UnitId(copy.get(), blob.size(), interface_number);
}

Bytes With(Bytes blob, size_t at, uint8_t value) {
    blob.at(at) = value;
    return blob;
}

TEST(UsbDescriptors, FindsTheH264UnitOrSaysThereIsNone) {
    const Bytes sim = Simulated(12);
    // The H.264 unit's own first byte.
    const size_t unit = static_cast<size_t>(
        std::search(sim.begin(), sim.end(), kH264Guid.begin(), kH264Guid.end()) - sim.begin() - 4);
    const Bytes vc = Cat({kDevice, kConfig, Interface(0, 0x0e, 0x01)});
    struct Case {
        const char *name;
        Bytes blob;
        int interface_number;
        int unit;
    } cases[] = {
        {"simulated camera, unit 12", sim, -1, 12},
        {"simulated camera, unit 13", Simulated(13), -1, 13},
        {"simulated camera, no VideoControl interface 1", sim, 1, -1},
        {"composite: first video function", Composite(), -1, 7},
        {"composite: interface 4", Composite(), 4, 9},
        {"composite: a streaming interface has no units", Composite(), 3, -1},
        {"composite: an audio interface has no units", Composite(), 0, -1},
        {"no H.264 unit: one GUID byte differs", With(sim, unit + 19, 0x3c), -1, -1},
        {"no H.264 unit: another subtype", With(sim, unit + 2, 0x07), -1, -1},
        {"unit id 0 is no unit", With(sim, unit + 3, 0), -1, -1},
        {"the configuration's total length lies", With(With(sim, 20, 0xff), 21, 0xff), -1, 12},
        {"empty", {}, -1, -1},
        {"zero length before the unit", With(sim, 18, 0), -1, -1},
        {"length 1 before the unit", With(sim, 18, 1), -1, -1},
        {"length past the end", With(sim, 18, 255), -1, -1},
        {"the unit's length past the end", With(sim, unit, 255), -1, -1},
        {"a unit too short for its GUID", Cat({vc, Unit(5, kH264Guid, 19)}), -1, -1},
        {"a unit just long enough", Cat({vc, Unit(5, kH264Guid, 20)}), -1, 5},
        {"an interface too short for its class",
         Cat({kDevice, kConfig, {5, 4, 0, 0, 0}, Unit(5, kH264Guid)}), -1, -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.unit, Find(c.blob, c.interface_number)) << c.name;

    // Cut anywhere: found exactly when the whole unit is there.
    for (size_t n = 0; n <= sim.size(); ++n)
        ASSERT_EQ(n >= unit + 27 ? 12 : -1, Find(Bytes(sim.begin(), sim.begin() + n))) << n;
    EXPECT_EQ(-1, FindH264UnitId(nullptr, 100));
}

TEST(UsbDescriptors, RandomAndMutatedBlobsStayInBounds) {
    std::mt19937 rng(20261209);
    auto below = [&rng](size_t n) { return static_cast<size_t>(rng() % n); };
    const Bytes sims[] = {Simulated(12), Composite()};
    for (int i = 0; i < 20000; ++i) {
        Bytes blob;
        if (i % 2 == 0) {
            blob.resize(below(300));
            for (uint8_t &b : blob)
                b = static_cast<uint8_t>(below(4) == 0 ? below(40) : rng());
        } else {
            blob = sims[below(2)];
            for (size_t k = below(5) + 1; k > 0; --k)
                blob[below(blob.size())] = static_cast<uint8_t>(rng());
            blob.resize(below(blob.size() + 1));
        }
        const int unit = Find(blob, static_cast<int>(below(6)) - 1);
        ASSERT_TRUE(unit == -1 || (unit >= 1 && unit <= 255)) << unit;
    }
}

}  // namespace
