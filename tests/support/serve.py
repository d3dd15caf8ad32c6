#!/usr/bin/env python3
"""Serves a folder of the web page on 127.0.0.1, as a static host would, for a try or a test.

It sends the headers that the folder's _headers file asks for (the content security policy and
the like; the format Netlify and Cloudflare Pages read), and a file's precompressed copy (.br,
.gz) where the browser accepts it.

    serve.py FOLDER [--port N] [--log FILE] [--trap-log FILE] [--die-with-parent]
             [--plain] [--cache-control VALUE] [--link MBIT/MS]

Prints the page's address once it listens. Each request is logged, to FILE if given. With
--trap-log, it also listens as an HTTP proxy that answers nothing and records each request made
through it, one a line, to that file: a browser whose proxy it is shows whether anything asks for
a host other than the page's own. The second line printed is then the proxy's address. With --die-with-parent it ends when the
process that started it does (Linux), so that a test that dies leaves no server behind.

Hosts differ, and the page must do with any of them: --plain sends no precompressed copy (as
nginx does for .wasm unless told otherwise), and --cache-control sends that header with every
file whose _headers rule does not say otherwise (such as "no-store", or "max-age=0,
must-revalidate"; by default "no-cache").

--link emulates the one link a classroom shares, for the web benchmark: every response waits a
round trip of MS milliseconds, and all the bytes sent share MBIT megabits a second, whoever asked
(the page or its service worker alike). Each request's log line ends with the bytes of its body.
"""
import argparse
import ctypes
import fnmatch
import functools
import http.server
import os
import signal
import socketserver
import sys
import threading
import time


class Page(http.server.SimpleHTTPRequestHandler):
    # What a static host must send for each of the page's files; .wasm above all, which browsers
    # compile while it downloads only when it comes as application/wasm.
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        ".wasm": "application/wasm",
        ".js": "text/javascript",
        ".webmanifest": "application/manifest+json",
        ".html": "text/html; charset=utf-8",
        ".css": "text/css",
        ".png": "image/png",
    }
    precompressed = (("br", ".br"), ("gzip", ".gz"))
    encoding = None

    def translate_path(self, path):
        real = super().translate_path(path)
        self.encoding = None
        accepted = {part.split(";")[0].strip()
                    for part in self.headers.get("Accept-Encoding", "").split(",")}
        for name, suffix in self.precompressed:
            if name in accepted and not self.server.plain and os.path.isfile(real + suffix):
                self.encoding = name
                return real + suffix
        return real

    def guess_type(self, path):
        for name, suffix in self.precompressed:
            if self.encoding == name:
                path = path.removesuffix(suffix)
        return super().guess_type(path)

    def end_headers(self):
        if self.encoding:
            self.send_header("Content-Encoding", self.encoding)
        self.send_header("Vary", "Accept-Encoding")
        url = self.path.split("?")[0]
        headers = [header for pattern, rule in self.server.rules
                   if fnmatch.fnmatchcase(url, pattern) for header in rule]
        # Unless told otherwise, browsers ask again each time, so that a new version is found at
        # once; the service worker keeps the files for the offline case.
        if not any(name.lower() == "cache-control" for name, _ in headers):
            headers.append(("Cache-Control", self.server.cache_control))
        for name, value in headers:
            self.send_header(name, value)
        super().end_headers()

    def send_head(self):
        if self.server.link:
            time.sleep(self.server.link.round_trip)
        return super().send_head()

    def copyfile(self, source, outputfile):
        while chunk := source.read(16384):
            if self.server.link:
                self.server.link.carry(len(chunk))
            outputfile.write(chunk)
            self.sent += len(chunk)

    def do_GET(self):
        self.sent = 0
        super().do_GET()
        self.log_message('"%s" %s %s', self.requestline, self.code, self.sent)

    def log_request(self, code="-", size="-"):
        self.code = code.value if hasattr(code, "value") else code

    def log_message(self, format, *args):
        self.server.log.write("%s\n" % (format % args))
        self.server.log.flush()


class Link:
    """One link of a given speed and round trip, shared by every response."""

    def __init__(self, speed_and_round_trip):
        megabits, milliseconds = speed_and_round_trip.split("/")
        self.bytes_per_second = float(megabits) * 1e6 / 8
        self.round_trip = float(milliseconds) / 1000
        self.free_at = 0.0
        self.lock = threading.Lock()

    def carry(self, size):
        with self.lock:
            now = time.monotonic()
            self.free_at = max(self.free_at, now) + size / self.bytes_per_second
            wait = self.free_at - now
        time.sleep(wait)


def read_rules(folder):
    """The _headers file: a path pattern on a line of its own, its headers indented below it."""
    rules = []
    try:
        with open(os.path.join(folder, "_headers"), encoding="utf-8") as file:
            for line in file:
                if not line.strip() or line.lstrip().startswith("#"):
                    continue
                if not line[0].isspace():
                    rules.append((line.strip(), []))
                elif rules:
                    name, _, value = line.strip().partition(":")
                    rules[-1][1].append((name.strip(), value.strip()))
    except FileNotFoundError:
        pass
    return rules


class Trap(http.server.BaseHTTPRequestHandler):
    def refuse(self):
        self.server.log.write(f"{self.command} {self.path}\n")
        self.server.log.flush()
        self.send_error(403)

    do_GET = do_POST = do_HEAD = do_CONNECT = do_PUT = do_OPTIONS = refuse

    def log_message(self, format, *args):
        pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("--port", type=int, default=8000)
    parser.add_argument("--log", type=argparse.FileType("a"), default=sys.stderr)
    parser.add_argument("--trap-log", type=argparse.FileType("a"))
    parser.add_argument("--die-with-parent", action="store_true")
    parser.add_argument("--plain", action="store_true")
    parser.add_argument("--cache-control", default="no-cache")
    parser.add_argument("--link", type=Link)
    options = parser.parse_args()
    if options.die_with_parent:
        ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG

    page = Server(("127.0.0.1", options.port),
                  functools.partial(Page, directory=options.folder))
    page.log = options.log
    page.rules = read_rules(options.folder)
    page.plain, page.cache_control, page.link = options.plain, options.cache_control, options.link
    print(f"http://127.0.0.1:{page.server_address[1]}/", flush=True)
    if options.trap_log:
        trap = Server(("127.0.0.1", 0), Trap)
        trap.log = options.trap_log
        print(f"127.0.0.1:{trap.server_address[1]}", flush=True)
        threading.Thread(target=trap.serve_forever, daemon=True).start()
    try:
        page.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
