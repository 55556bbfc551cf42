// Variations of the simulated camera's default configuration for tests.
#pragma once

#include <string>

namespace orvtest {

// The default camera's configuration with the first occurrence of `from` replaced by `to`; a
// `from` that is not in the text fails the running test.
std::string DefaultConfigWith(const std::string &from, const std::string &to);

}  // namespace orvtest
