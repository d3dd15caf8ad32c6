#pragma once

class QWidget;

namespace tavrilo::browser {

// How the program's windows show where it runs in a web page (browser.h has the rest of what
// differs there); elsewhere, as the window manager has them.

// Shows the program's main window. In a page, which is its frame, the window has none of Qt's own
// and fills the page's canvas, which is the window's size.
void showMainWindow(QWidget &window);

// Keeps a window that a title bar can drag, such as a message box, where it can still be reached:
// in a page, within the screen, which is the window's place on the page.
void keepWithinScreen(QWidget &window);

} // namespace tavrilo::browser
