#pragma once

namespace tavrilo {

// Makes the running application look the same on every desktop: the shipped font, a style that
// follows the window's own colours, the program's icon, and the name of its desktop entry. Needs a
// QApplication.
void setUpApplication();

} // namespace tavrilo
