// Queries and commands on a node by its path: formats, osd, hdmi.
#include <linux/videodev2.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "camera_discovery.h"
#include "cli_common.h"
#include "commands.h"

namespace orvcli {
namespace {

// Room for a node's size and rate lists.
constexpr int kListSize = 4096;

int CannotOpen(const std::string &node) {
    return Fail(kNotFound, "cannot open " + node + " (missing, or no permission: see the log)");
}

void PrintFormat(const std::string &node, const char *name, int pixfmt) {
    char sizes[kListSize] = "";
    char rates[kListSize] = "";
    camera_get_support_frame_sizes(node.c_str(), pixfmt, sizes, kListSize, rates, kListSize);
    std::printf("  %s: sizes %s\n", name, sizes[0] ? sizes : "(none listed)");
    std::printf("  %*s  frame rates %s (of the last size)\n", static_cast<int>(strlen(name)), "",
                rates[0] ? rates : "(none listed)");
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
        if (!ParseInt(text, &cmd))
            return Fail(kUsage, "not a command number: " + text);
        const int r = o.command.empty() ? send_menu_command_by_dev_name(o.node.c_str(), cmd)
                                        : send_osd_command_by_dev_name(o.node.c_str(), cmd);
        if (r < 0)
            return Fail(kFailed, "the OSD command was not accepted by " + o.node);
        std::printf("sent OSD command 0x%02x\n", cmd & 0xff);
    }
    if (o.status) {
        const int status = get_osd_status_by_dev_name(o.node.c_str());
        if (status < 0)
            return Fail(kFailed, "cannot read the OSD status of " + o.node);
        std::printf("OSD status: %d (0x%02x)\n", status, status);
    }
    return kOk;
}

int Hdmi(const std::string &node) {
    const int state = camera_get_hdmiin_state(node.c_str());
    if (state < 0)
        return Fail(kFailed, "cannot read the HDMI-input state of " + node);
    std::printf("HDMI input: %d\n", state);
    return kOk;
}

}  // namespace

void AddNodeCommands(CLI::App &app, Action *action) {
    auto node = std::make_shared<std::string>("/dev/video0");
    CLI::App *formats =
        app.add_subcommand("formats", "H.264 and H.265 frame sizes and frame rates of a node");
    formats->add_option("-d,--device", *node, "Video node")->capture_default_str();
    formats->callback([action, node] { *action = [=] { return Formats(*node); }; });

    auto osd = std::make_shared<OsdOptions>();
    osd->node = "/dev/video0";
    CLI::App *osd_cmd = app.add_subcommand("osd", "Send an OSD menu command, read the OSD status");
    osd_cmd->add_option("-d,--device", osd->node, "Video node")->capture_default_str();
    auto *send = osd_cmd->add_option("--command", osd->command,
                                     "OSD command (its low byte is sent; 0x.. for hex)");
    osd_cmd->add_option("--menu", osd->menu, "The same, through a read-write open of the node")
        ->excludes(send);
    osd_cmd->add_flag("--status", osd->status, "Read the OSD status");
    osd_cmd->callback([action, osd] {
        if (osd->command.empty() && osd->menu.empty() && !osd->status)
            *action = [=] { return Fail(kUsage, "osd: give --command, --menu or --status"); };
        else
            *action = [=] { return Osd(*osd); };
    });

    auto hdmi_node = std::make_shared<std::string>("/dev/video0");
    CLI::App *hdmi = app.add_subcommand("hdmi", "State of the camera's HDMI input");
    hdmi->add_option("-d,--device", *hdmi_node, "Video node")->capture_default_str();
    hdmi->callback([action, hdmi_node] { *action = [=] { return Hdmi(*hdmi_node); }; });
}

}  // namespace orvcli
