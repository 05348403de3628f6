#pragma once
// The break signal of the process: Ctrl-C (SIGINT) becomes a byte in a pipe
// that every event loop polls, so a break ends the wait it falls into. The
// pipe is made once per process; writing to it is safe in a signal handler.

namespace stovan {

// Installs the SIGINT handler (without SA_RESTART, so blocking calls return).
void InstallInterruptHandler();

// Raises a break as Ctrl-C would (async-signal-safe).
void RaiseInterrupt();

// The descriptor that becomes readable after a break; -1 when the pipe could
// not be made.
int InterruptDescriptor();

// Takes every pending break; true when there was one.
bool TakeInterrupts();

}  // namespace stovan
