#include "bounded_wait.h"

#include <chrono>
#include <thread>

namespace orvtest {

bool Within10s(const std::function<bool()> &done) {
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
         std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(std::chrono::milliseconds(20)))
        if (done())
            return true;
    return false;
}

}  // namespace orvtest
