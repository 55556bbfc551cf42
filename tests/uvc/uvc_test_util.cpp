#include "uvc_test_util.h"

#include "uvc/uvcx_video_config.h"

namespace uvctest {

std::vector<uint8_t> Block(const ByteRuns &runs) {
    std::vector<uint8_t> block(UVCX_VIDEO_CONFIG_SIZE, 0);
    for (const auto &run : runs)
        for (size_t i = 0; i < run.second.size(); ++i)
            block.at(run.first + i) = run.second[i];
    return block;
}

}  // namespace uvctest
