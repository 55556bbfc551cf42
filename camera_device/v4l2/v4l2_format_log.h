// The line logged for each capture format a node offers, shared by the calls that walk the
// format list.
#pragma once

#include <linux/videodev2.h>

namespace orv {
namespace v4l2 {

// INFO "<fn>: fd:<fd> support format:<position> ..." for `desc`, `position` being its 1-based
// place in the list.
void log_supported_format(const char *fn, int fd, int position, const struct v4l2_fmtdesc &desc);

}  // namespace v4l2
}  // namespace orv
