#pragma once

namespace tavrilo {

// Ends the program: the event loop stops and no further events are handled.
void endProgram();

} // namespace tavrilo
