#pragma once
// The break signal (Ctrl-C, or SIGINT from the program that started the
// shell), as exec's SIGBREAKF_CTRL_C: a flag the interpreter and the long
// commands poll. A break ends a script with "***Break".

namespace amiga {

// Installs the SIGINT handler (without SA_RESTART, so a wait for a child
// returns and the break can be passed on). Safe to call more than once.
void InstallBreakHandler();
bool BreakRequested();
void ClearBreak();
// Raises the flag as the signal would (tests, and children killed by SIGINT).
void SignalBreak();

}  // namespace amiga
