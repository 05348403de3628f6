#pragma once
// The user's terminal for the commands that ask (RequestChoice, Ask): the
// controlling terminal when the shell's input is one, so that a question
// inside back-ticks or with redirected output still reaches the user.

#include "shell/Streams.h"

namespace amiga {

// An open descriptor on the terminal, or an invalid one when the shell has
// no terminal to ask on.
FileDescriptor OpenTerminal(const Streams& io);

}  // namespace amiga
