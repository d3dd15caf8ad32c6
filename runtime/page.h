#pragma once

#include <QString>

namespace tavrilo::page {

// The web page that the program runs in, in a browser: what the page is told. Elsewhere there is
// no page, and these do nothing.

// True in a page that listens.
bool present();

// News for the page's live region, which a screen reader in the browser speaks wherever the focus
// is. Empty when the news is no longer true, so that nobody reads it later.
void say(const QString &news);

// The program has ended: the page shows so in place of the window.
void ended();

} // namespace tavrilo::page
