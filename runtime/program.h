#pragma once

namespace tavrilo {

// Ends the program: the event loop stops and no further events are handled. In a web page, the
// windows close and the page is told.
void endProgram();

} // namespace tavrilo
