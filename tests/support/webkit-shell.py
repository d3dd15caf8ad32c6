#!/usr/bin/python3
"""A bare window around Debian's WebKitGTK (the engine of Safari), for WebKitWebDriver to drive:
browser.mjs names it as the browser's binary. It stands in for WebKitGTK's MiniBrowser, which
under automation always keeps its pages in an ephemeral session, where WebKit writes none of a
page's console messages anywhere: the checks could not see what the page was told.

Here the session keeps its data in a scratch folder (removed at the end), and WebKit writes every
console message on standard error ("URL:LINE:COLUMN: CONSOLE SOURCE LEVEL text"), which the
driver passes on. The end of the page's process is said on standard output, as
"tavrilo-webkit: ...".
The window is 1024 x 768 and takes its title from the page, for the screen reader check to find.

    webkit-shell.py [--automation] [--language=LANGUAGE] [--proxy=HOST:PORT] [URL]

Needs gir1.2-webkit2-4.1 and python3-gi, and a display."""
import argparse
import shutil
import sys
import tempfile

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("WebKit2", "4.1")
from gi.repository import GLib, Gtk, WebKit2  # noqa: E402 (after the versions are chosen)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--automation", action="store_true")
    parser.add_argument("--language", default="ru")
    parser.add_argument("--proxy")
    parser.add_argument("url", nargs="?")
    options = parser.parse_args()

    GLib.set_prgname("tavrilo-webkit")  # the name AT-SPI and the window manager know it by
    Gtk.init(None)
    scratch = tempfile.mkdtemp(prefix="tavrilo-webkit-")
    manager = WebKit2.WebsiteDataManager(base_data_directory=scratch,
                                         base_cache_directory=scratch)
    if options.proxy:
        # Every host but the page's own through the trap; no other host is asked directly.
        manager.set_network_proxy_settings(
            WebKit2.NetworkProxyMode.CUSTOM,
            WebKit2.NetworkProxySettings.new(f"http://{options.proxy}",
                                             ["localhost", "127.0.0.1", "::1"]))
    context = WebKit2.WebContext(website_data_manager=manager)
    context.set_preferred_languages([options.language])  # navigator.language and Accept-Language
    context.set_automation_allowed(options.automation)
    settings = WebKit2.Settings(enable_write_console_messages_to_stdout=True,
                                # The benchmark puts text on the clipboard for a paste.
                                javascript_can_access_clipboard=True)
    view = WebKit2.WebView(web_context=context, settings=settings,
                           is_controlled_by_automation=options.automation)

    def automation_started(_context, session):
        info = WebKit2.ApplicationInfo()
        info.set_version(WebKit2.get_major_version(), WebKit2.get_minor_version(),
                         WebKit2.get_micro_version())
        session.set_application_info(info)
        session.connect("create-web-view", lambda _session: view)

    context.connect("automation-started", automation_started)

    def terminated(_view, reason):
        print(f"tavrilo-webkit: the page's process ended ({reason.value_nick})", flush=True)

    view.connect("web-process-terminated", terminated)

    window = Gtk.Window(title="WebKit")
    window.set_default_size(1024, 768)
    view.connect("notify::title", lambda v, _: window.set_title(v.get_title() or ""))
    view.connect("close", lambda _view: window.destroy())
    window.connect("destroy", lambda _window: Gtk.main_quit())
    window.add(view)
    window.show_all()
    if options.url:
        view.load_uri(options.url)
    try:
        Gtk.main()
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
