// The camera manager's log lines ("ORVCam/device", "[camera_device:<n>] [<op>]...") in a form
// tests compare exactly, whatever line of the source wrote them.
#pragma once

#include <string>
#include <vector>

#include "log_capture.h"

namespace orvtest {

// Lines under "ORVCam/device" in order, the line number of "[camera_device:<n>]" replaced by
// "L"; a text without that prefix is kept as it is (and so fails any comparison).
std::vector<LogEntry> DeviceLines(const LogCapture &capture);

// "[camera_device:L] [<op>]<rest>" at `priority` under "ORVCam/device".
LogEntry DeviceLine(int priority, const std::string &op, const std::string &rest);

}  // namespace orvtest
