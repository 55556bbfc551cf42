// Queries and commands on a node by its path: formats, osd, hdmi.
#include <linux/videodev2.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "camera_discovery.h"
#include "cli_common.h"
#include "commands.h"
#include "open_camera.h"
#include "v4l2/v4l2_formats.h"

namespace orvcli {
namespace {

// Room for a node's size and rate lists.
constexpr int kListSize = 4096;

// Each discrete size of the format with the frame rates the node offers at that size.
void PrintFormat(const std::string &node, const char *name, int pixfmt) {
    char sizes[kListSize] = "";
    char rates[kListSize] = "";
    camera_get_support_frame_sizes(node.c_str(), pixfmt, sizes, kListSize, rates, kListSize);
    std::printf("  %s:%s\n", name, sizes[0] ? "" : " (no sizes listed)");
    RawNode raw(node);
    const std::string list = sizes;
    for (size_t start = 0; start < list.size();) {
        size_t end = list.find(',', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string size = list.substr(start, end - start);
        start = end + 1;
        int w = 0, h = 0;
        rates[0] = '\0';
        if (raw.fd() > 0 && ParseSize(size, &w, &h))
            v4l2_get_support_frame_intervals(raw.fd(), pixfmt, w, h, rates, kListSize);
        std::printf("    %-10s %s\n", size.c_str(),
                    rates[0] ? (std::string(rates) + " fps").c_str() : "(no frame rates listed)");
    }
}

int Formats(const std::string &node) {
    int h264 = 0, h265 = 0;
    if (camera_pixel_format_support_dev(node.c_str(), &h264, &h265) < 0)
        return CannotOpen(node);
    std::printf("%s\n", node.c_str());
    if (h264)
        PrintFormat(node, "H.264", V4L2_PIX_FMT_H264);
    if (h265)
        PrintFormat(node, "H.265", 0);
    if (!h264 && !h265)
        return Fail(kFailed, node + " offers neither H.264 nor H.265");
    return kOk;
}

// An OSD command is one byte, as the console takes it.
Check CommandNumber(const std::string &name) {
    return [name](const std::string &text) {
        int v = 0;
        if (!ParseInt(text, &v))
            return name + " takes a command number, not '" + text + "'";
        return v >= 0 && v <= 255 ? std::string() : name + " must be from 0 to 255 (0xff)";
    };
}

// What the OSD status and the HDMI-input state are: a byte of the camera's firmware, which the
// library hands on unchanged.
constexpr char kByteMeaning[] =
    ", the byte the camera reports; its values are the camera firmware's own";

struct OsdOptions {
    std::string node;
    std::string command;
    std::string menu;
    bool status = false;
};

int Osd(const OsdOptions &o) {
    int cmd = 0;
    if (!o.command.empty() || !o.menu.empty()) {
        const std::string &text = o.command.empty() ? o.menu : o.command;
        ParseInt(text, &cmd);  // checked when the command line was read
        const int r = o.command.empty() ? send_menu_command_by_dev_name(o.node.c_str(), cmd)
                                        : send_osd_command_by_dev_name(o.node.c_str(), cmd);
        if (r < 0)
            return NodeFailure(o.node, "the OSD command was not accepted by " + o.node);
        std::printf("sent OSD command 0x%02x\n", cmd);
    }
    if (o.status) {
        const int status = get_osd_status_by_dev_name(o.node.c_str());
        if (status < 0)
            return NodeFailure(o.node, "cannot read the OSD status of " + o.node);
        std::printf("OSD status: %d (0x%02x)%s\n", status, status, kByteMeaning);
    }
    return kOk;
}

int Hdmi(const std::string &node) {
    const int state = camera_get_hdmiin_state(node.c_str());
    if (state < 0)
        return NodeFailure(node, "cannot read the HDMI-input state of " + node);
    std::printf("HDMI input: %d (0x%02x)%s\n", state, state, kByteMeaning);
    return kOk;
}

}  // namespace

void AddNodeCommands(Cli &cli) {
    auto node = std::make_shared<std::string>();
    Command formats =
        cli.Add("formats", "H.264 and H.265 frame sizes of a node, with the frame rates of each");
    AddNodeOption(formats, node.get());
    formats.Runs([node] { return Formats(*node); });

    auto osd = std::make_shared<OsdOptions>();
    Command osd_cmd = cli.Add("osd", "Send an OSD menu command, read the OSD status");
    AddNodeOption(osd_cmd, &osd->node);
    osd_cmd
        .Text("--command", &osd->command, "OSD command, 0 to 255 (0x.. for hex)",
              CommandNumber("--command"))
        .Text("--menu", &osd->menu, "The same, through a read-write open of the node",
              CommandNumber("--menu"))
        .Excludes("--command")
        .Flag("--status", &osd->status, "Read the OSD status")
        .Runs([osd] {
            if (osd->command.empty() && osd->menu.empty() && !osd->status)
                return Fail(kUsage, "osd: give --command, --menu or --status");
            return Osd(*osd);
        });

    auto hdmi_node = std::make_shared<std::string>();
    Command hdmi = cli.Add("hdmi", "State of the camera's HDMI input");
    AddNodeOption(hdmi, hdmi_node.get());
    hdmi.Runs([hdmi_node] { return Hdmi(*hdmi_node); });
}

}  // namespace orvcli
