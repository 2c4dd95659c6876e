#!/usr/bin/env python3
"""A loopback site that asks crawlers to be polite, and a forward proxy in front of it.

The site publishes a robots.txt (a disallowed folder, a Crawl-delay), has a page marked
nofollow, answers 429 with Retry-After: 2 to the first request of /busy.html and 503 to the
first request of /flaky.html. Both servers count what they were asked for. Control requests
go to the site directly: /__reset forgets the counts and the throttled first answers,
/__report returns them as JSON. Prints "SITE_PORT PROXY_PORT" once both listen.

"polite_site.py summary TOOL REPORT.json COPY_FOLDER SECONDS" prints what a tool did.
"""

import http.client
import http.server
import json
import os
import sys
import threading
import urllib.parse

ROBOTS = "User-agent: *\nDisallow: /private/\nCrawl-delay: 1\n"
PLAIN_PAGES = [f"/page{n}.html" for n in range(1, 7)]
# What a polite crawler leaves alone, and the two throttled files with their markers.
DISALLOWED = ["/private/secret.html", "/private/more.html"]
NOFOLLOWED = ["/hidden.html"]
THROTTLED = {"/busy.html": (429, "BUSY-PAGE-SAVED"), "/flaky.html": (503, "FLAKY-PAGE-SAVED")}


def page(title, links, head=""):
    anchors = "".join(f'<li><a href="{link}">{link}</a></li>' for link in links)
    return (f"<!DOCTYPE html><html><head><title>{title}</title>{head}</head>"
            f"<body><h1>{title}</h1><ul>{anchors}</ul></body></html>")


def site_pages():
    pages = {"/index.html": page("Home", PLAIN_PAGES + DISALLOWED[:1] + ["/quiet.html"] +
                                 list(THROTTLED))}
    for path in PLAIN_PAGES:
        pages[path] = page(path, ["/index.html"])
    pages[DISALLOWED[0]] = page("Private", [DISALLOWED[1]])
    pages[DISALLOWED[1]] = page("More private", ["/index.html"])
    pages["/quiet.html"] = page("Quiet", NOFOLLOWED,
                                '<meta name="robots" content="nofollow">')
    pages[NOFOLLOWED[0]] = page("Hidden", ["/index.html"])
    for path, (_, marker) in THROTTLED.items():
        pages[path] = page(marker, ["/index.html"])
    return pages


class Counts:
    def __init__(self):
        self.lock = threading.Lock()
        self.reset()

    def reset(self):
        with self.lock:
            self.site = {}  # path -> list of status codes answered
            self.proxy = 0
            self.portless = 0  # proxied requests that named no port

    def answered(self, path, status):
        with self.lock:
            self.site.setdefault(path, []).append(status)
            return len(self.site[path])


COUNTS = Counts()
SITE_PORT = None
PAGES = site_pages()


class Quiet(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def reply(self, status, body, content_type="text/html", extra=()):
        data = body.encode()
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(data)


class Site(Quiet):
    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        path = urllib.parse.urlsplit(self.path).path
        if path == "/__reset":
            COUNTS.reset()
            return self.reply(200, "reset", "text/plain")
        if path == "/__report":
            with COUNTS.lock:
                report = {"site": COUNTS.site, "proxy": COUNTS.proxy,
                          "portless": COUNTS.portless}
            return self.reply(200, json.dumps(report), "application/json")
        if path == "/":
            path = "/index.html"
        if path == "/robots.txt":
            COUNTS.answered(path, 200)
            return self.reply(200, ROBOTS, "text/plain")
        if path not in PAGES:
            COUNTS.answered(path, 404)
            return self.reply(404, "not here", "text/plain")
        if path in THROTTLED:
            status = THROTTLED[path][0]
            with COUNTS.lock:
                first = not any(s == status for s in COUNTS.site.get(path, []))
            if first:
                COUNTS.answered(path, status)
                extra = [("Retry-After", "2")] if status == 429 else []
                return self.reply(status, "try again later", "text/plain", extra)
        COUNTS.answered(path, 200)
        self.reply(200, PAGES[path])


HOP_BY_HOP = {"connection", "keep-alive", "proxy-authorization", "proxy-connection", "te",
              "trailer", "transfer-encoding", "upgrade"}


class Proxy(Quiet):
    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        with COUNTS.lock:
            COUNTS.proxy += 1
        target = urllib.parse.urlsplit(self.path)
        if target.scheme != "http" or not target.hostname:
            return self.reply(400, "this proxy forwards absolute http URLs only", "text/plain")
        headers = {k: v for k, v in self.headers.items() if k.lower() not in HOP_BY_HOP}
        host, port = target.hostname, target.port
        # Some clients leave the port out of the request line, giving it in Host only or
        # (wget2 1.99) nowhere: such a request is meant for the site.
        if port is None and self.headers.get("Host"):
            given = urllib.parse.urlsplit("//" + self.headers["Host"])
            if given.hostname == host:
                port = given.port
        if port is None and host == "127.0.0.1":
            port = SITE_PORT
            with COUNTS.lock:
                COUNTS.portless += 1
        path = target.path or "/"
        if target.query:
            path += "?" + target.query
        try:
            upstream = http.client.HTTPConnection(host, port or 80, timeout=30)
            upstream.request(self.command, path, headers=headers)
            answer = upstream.getresponse()
            body = answer.read()
            upstream.close()
        except OSError as error:
            return self.reply(502, f"upstream failed: {error}", "text/plain")
        self.send_response(answer.status, answer.reason)
        for name, value in answer.getheaders():
            if name.lower() not in HOP_BY_HOP and name.lower() != "content-length":
                self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)


def serve(handler):
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


def saved_markers(folder):
    """The markers of the throttled files found in the copy under folder."""
    found = set()
    for root, _, files in os.walk(folder):
        for name in files:
            with open(os.path.join(root, name), "rb") as file:
                text = file.read().decode("utf-8", "replace")
            found.update(m for _, m in THROTTLED.values() if m in text)
    return found


def summary(tool, report_file, folder, seconds):
    """One line per tool from a /__report answer and the copy the tool made."""
    with open(report_file) as file:
        report = json.load(file)
    site = report["site"]
    fetched = sorted(p for p, codes in site.items() if p != "/robots.txt" and 200 in codes)
    impolite = [p for p in DISALLOWED + NOFOLLOWED if p in site]
    markers = saved_markers(folder)
    throttled = "; ".join(
        f"{p} ({status} first): {len(site.get(p, []))} requests, "
        f"{'saved' if marker in markers else 'NOT saved'}"
        for p, (status, marker) in THROTTLED.items())
    print(f"{tool}:")
    print(f"  files fetched: {len(fetched)} of {len(PAGES)}"
          f"; robots.txt requested: {len(site.get('/robots.txt', []))}x")
    print(f"  disallowed/nofollow files fetched: {', '.join(impolite) or 'none'}")
    print(f"  throttled files: {throttled}")
    portless = f" ({report['portless']} without the site's port)" if report["portless"] else ""
    print(f"  requests seen by the proxy: {report['proxy']}{portless}; wall time: {seconds} s")


def main():
    global SITE_PORT
    if len(sys.argv) == 6 and sys.argv[1] == "summary":
        return summary(*sys.argv[2:])
    site_port = SITE_PORT = serve(Site)
    proxy_port = serve(Proxy)
    print(site_port, proxy_port, flush=True)
    try:
        sys.stdin.read()  # serves until the caller closes our input or kills us
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
