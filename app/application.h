#pragma once

namespace tavrilo {

// Makes the running application look the same on every desktop: the shipped font, a style that
// follows the window's own colours, and the program's icon. Needs a QApplication.
void setUpApplication();

} // namespace tavrilo
