#pragma once

#include <QImage>
#include <QString>

namespace tavrilo::browser {

// Everything that differs where the program runs in a web page, in a browser, asked here rather
// than wherever it matters. Elsewhere there is no page: these say so, and do nothing. The widgets'
// side, how windows show in a page, is browserwindows.h.

// True where the program runs in a web page.
bool inPage();

// True in a page that listens: one whose loader takes news and the program's end (say, ended).
bool pageListens();

// Settings of the platform that must be made before the QApplication exists: in a page, the
// controls are elements of the page that screen readers know from the start.
void setUpPlatform();

// What the application needs in a page, once it exists: a font for Qt's own texts (the message
// box, an answer box's menu), since Qt looks at none of the machine's fonts there.
void setUpApplication();

// A picture that the page has fetched for the program (the window's background, by its file's
// name), decoded; null where there is no page, or until the page has it. The page fetches one the
// program asks for and does not have, and calls onPictureArrival's callback once it has.
QImage picture(const QString &file);
void onPictureArrival(void (*callback)());

// The most characters an answer box takes.
int longestAnswer();

// News for the page's live region, which a screen reader in the browser speaks wherever the focus
// is. Empty when the news is no longer true, so that nobody reads it later.
void say(const QString &news);

// The program has ended: the page shows so in place of the window.
void ended();

} // namespace tavrilo::browser
