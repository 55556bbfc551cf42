// The page's requests, one row per operation, run on the capture loop's thread.
#include "camera_device.h"
#include "camera_discovery.h"
#include "capture_loop.h"

namespace orvcli {
namespace {

using Op = ControlRequest::Op;

Reply Answer(bool ok, const std::string &refusal, const std::string &value = "") {
    return {ok, ok ? "accepted" : refusal, value};
}

Reply Set(LoopContext &c, const ControlRequest &r) {
    const SettingRow &row = *r.setting;
    const bool ok = row.apply(c.unit, c.fd, r.value) == 0;
    // A container holds one picture size: the recording ends complete before the new one.
    if (ok && row.kind == SettingRow::Kind::kSize)
        c.recorder.Stop("recording ended: the frame size changed");
    if (ok)
        c.wanted[row] = r.value;
    c.held = ReadSettings(c.fd, c.unit, true);
    const std::string &held = c.held[SettingIndex(row)];
    Reply reply = Answer(ok, "refused by the camera", held);
    // Accepted, yet the camera reads back something else: say so rather than hide it.
    if (ok && !held.empty() && held != FormatSetting(row, r.value))
        reply.text = "accepted, but the camera holds another value";
    return reply;
}

Reply IFrame(LoopContext &c, const ControlRequest &) {
    // The value: the last frame before the request.
    return Answer(send_uvc_command(c.unit, c.fd, 0) == 0, "refused by the camera",
                  std::to_string(c.last_seq));
}

Reply Ptz(LoopContext &c, const ControlRequest &r) {
    const std::string why = MovePtz(c.fd, *r.axis, r.speed);
    if (!why.empty())
        return Answer(false, why);
    return Answer(true, "", r.speed == 0 ? "stopped" : "moving at " + std::to_string(r.speed));
}

Reply OsdCommand(LoopContext &c, const ControlRequest &r) {
    const char *node = c.node.c_str();
    const int result = r.op == Op::kOsd ? send_osd_command_by_dev_name(node, r.command)
                                        : send_menu_command_by_dev_name(node, r.command);
    return Answer(result >= 0, "refused by the camera",
                  std::to_string(get_osd_status_by_dev_name(node)));
}

Reply ReadByte(LoopContext &c, const ControlRequest &r) {
    const char *node = c.node.c_str();
    const int value =
        r.op == Op::kHdmi ? camera_get_hdmiin_state(node) : get_osd_status_by_dev_name(node);
    return Answer(value >= 0, "cannot be read", value >= 0 ? std::to_string(value) : "");
}

Reply Record(LoopContext &c, const ControlRequest &r) {
    if (!r.on)
        return c.recorder.Stop("") ? Answer(true, "", c.recorder.Status().path)
                                   : Answer(false, "not recording");
    if (c.fd < 0)
        return Answer(false, "camera gone");
    std::string path;
    const std::string why = c.recorder.Start(c.record_dir, r.format, &path);
    return Answer(why.empty(), why, path);
}

Reply Push(LoopContext &c, const ControlRequest &r) {
    if (!r.on)
        return c.pusher.Stop() ? Answer(true, "", c.pusher.Status().url)
                               : Answer(false, "not pushing");
    const std::string why = c.pusher.Start(r.url);
    return Answer(why.empty(), why, r.url);
}

struct Operation {
    Op op;
    bool needs_camera;
    Reply (*run)(LoopContext &, const ControlRequest &);
};
const Operation kOperations[] = {
    {Op::kSet, true, Set},        {Op::kIFrame, true, IFrame},   {Op::kPtz, true, Ptz},
    {Op::kOsd, true, OsdCommand}, {Op::kMenu, true, OsdCommand}, {Op::kOsdStatus, true, ReadByte},
    {Op::kHdmi, true, ReadByte},  {Op::kRecord, false, Record},  {Op::kPush, false, Push},
};

}  // namespace

Reply RunOperation(LoopContext &context, const ControlRequest &request) {
    for (const Operation &o : kOperations)
        if (o.op == request.op)
            return o.needs_camera && context.fd < 0 ? Answer(false, "camera gone")
                                                    : o.run(context, request);
    return Answer(false, "unknown request");
}

}  // namespace orvcli
