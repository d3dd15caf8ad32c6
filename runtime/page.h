#pragma once

#include <QString>

namespace tavrilo::page {

// The web page that the program runs in, in a browser: what the page is told. Elsewhere there is
// no page, and these do nothing.

// True in a page that listens.
bool present();

// News for the page's live region, which a screen reader in the browser speaks: the program's own
// controls are not seen there.
void say(const QString &news);

// The program has ended: the page shows so in place of the window.
void ended();

} // namespace tavrilo::page
