#include "simcam_config.h"

#include <gtest/gtest.h>

#include "simcam/simcam.h"

namespace orvtest {

std::string DefaultConfigWith(const std::string &from, const std::string &to) {
    std::string text = simcam::DefaultConfigText();
    const size_t at = text.find(from);
    EXPECT_NE(std::string::npos, at) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace orvtest
