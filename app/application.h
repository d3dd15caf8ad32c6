#pragma once

namespace tavrilo {

// Choices that must be made before the QApplication exists. On Windows, text is drawn by FreeType,
// as on Linux, so that the window looks the same on both; unless QT_QPA_PLATFORM says otherwise.
// Where Qt is linked in, no plugin is looked for at run time. In a browser, what its page needs.
void setUpPlatform();

// Makes the running application look the same on every desktop: the shipped font, a style that
// follows the window's own colours, the program's icon, and the name of its desktop entry. Needs a
// QApplication.
void setUpApplication();

} // namespace tavrilo
