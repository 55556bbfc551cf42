// Ctrl-C (or SIGTERM, or SIGHUP when the terminal closes) as a flag: a command that catches
// them looks at the flag between units of work and ends cleanly, its output complete.
#pragma once

namespace orvtool {

// From now on SIGINT, SIGTERM and SIGHUP set the flag instead of ending the process.
void CatchInterrupts();
// One of them has arrived since CatchInterrupts.
bool Interrupted();

}  // namespace orvtool
