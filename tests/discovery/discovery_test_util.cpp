#include "discovery_test_util.h"

#include <cstdio>

namespace disctest {

namespace {

std::string Hex4(uint16_t v) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04x", v);
    return text;
}

std::string FormatJson(const std::string &fourcc) {
    const std::string code = fourcc == "0" ? "0" : "\"" + fourcc + "\"";
    return R"({"fourcc": )" + code +
           R"(, "frame_sizes": [)"
           R"({"width": 640, "height": 480, "intervals": ["1/30", "1/15"]},)"
           R"({"width": 1280, "height": 720, "intervals": ["1/30", "1/15"]}]})";
}

}  // namespace

std::string ConfigJson(const std::vector<SimNode> &nodes) {
    std::string json = R"({"nodes": [)";
    for (size_t i = 0; i < nodes.size(); ++i) {
        const SimNode &n = nodes[i];
        json += i ? "," : "";
        json += R"({"path": ")" + n.path + R"(", "identity": )";
        json += n.identity ? R"({"vendor_id": ")" + Hex4(n.vendor) + R"(", "product_id": ")" +
                                 Hex4(n.product) + R"(", "bcd_device": "0x0100"})"
                           : "false";
        json += R"(, "formats": [)";
        for (size_t f = 0; f < n.formats.size(); ++f)
            json += (f ? "," : "") + FormatJson(n.formats[f]);
        json += "]}";
    }
    return json + "]}";
}

}  // namespace disctest
