#include "interrupts.h"

#include <signal.h>

#include <initializer_list>

namespace orvtool {
namespace {

volatile sig_atomic_t interrupted = 0;

void OnSignal(int) {
    interrupted = 1;
}

}  // namespace

void CatchInterrupts() {
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (const int number : {SIGINT, SIGTERM, SIGHUP})
        sigaction(number, &sa, nullptr);
}

bool Interrupted() {
    return interrupted != 0;
}

}  // namespace orvtool
