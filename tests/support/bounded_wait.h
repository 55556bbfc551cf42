// A bounded wait for tests that watch another thread: polls until the condition holds.
#pragma once

#include <functional>

namespace orvtest {

// Polls `done` every 20 ms until it holds; false after 10 s.
bool Within10s(const std::function<bool()> &done);

}  // namespace orvtest
