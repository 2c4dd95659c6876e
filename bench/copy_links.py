#!/usr/bin/env python3
"""Checks an offline copy of a web site: counts its files and bytes, the local references
in its pages and stylesheets that open no file, the references left pointing at absolute
URLs, empty and junk folders, stylesheets saved under names that do not end in .css, and
(given the served folder) the pages whose bytes differ from the server's beyond their links.

    copy_links.py COPY_DIR [--served DIR --site-root REL] [--json FILE] [--samples N]

COPY_DIR is the whole folder a tool wrote; --site-root is the folder inside it that stands
for the served folder's root (e.g. "127.0.0.1_8080"), used for the byte comparison.
"""
import argparse
import html.parser
import json
import os
import re
import sys
import urllib.parse

CSS_URL = re.compile(r"""url\(\s*(?:"([^"]*)"|'([^']*)'|([^)'"\s]*))\s*\)""", re.I)
CSS_IMPORT = re.compile(r"""@import\s+(?:"([^"]*)"|'([^']*)')""", re.I)
SCHEME = re.compile(r"^[a-zA-Z][a-zA-Z0-9+.-]*:")
LINK_ATTRS = {
    "a": ["href"], "area": ["href"], "link": ["href"], "img": ["src", "srcset"],
    "script": ["src"], "iframe": ["src"], "frame": ["src"], "embed": ["src"],
    "source": ["src", "srcset"], "video": ["src", "poster"], "audio": ["src"],
    "track": ["src"], "object": ["data"], "input": ["src"], "body": ["background"],
    "table": ["background"], "td": ["background"],
}
# Kinds of value that name no file.
IGNORED_SCHEMES = ("javascript:", "mailto:", "data:", "about:", "tel:")


def css_urls(text):
    for m in CSS_URL.finditer(text):
        yield next(g for g in m.groups() if g is not None)
    for m in CSS_IMPORT.finditer(text):
        yield m.group(1) if m.group(1) is not None else m.group(2)


def srcset_urls(value):
    for candidate in value.split(","):
        parts = candidate.strip().split()
        if parts:
            yield parts[0]


class PageLinks(html.parser.HTMLParser):
    """Collects (kind, value) of every reference in a page; html.parser decodes entities."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.links = []
        self.stylesheets = []
        self.in_style = False

    def handle_starttag(self, tag, attrs):
        values = dict(attrs)
        for name in LINK_ATTRS.get(tag, []):
            value = values.get(name)
            if value is None:
                continue
            if name == "srcset":
                self.links.extend((tag, v) for v in srcset_urls(value))
            else:
                self.links.append((tag, value))
        if tag == "link" and "stylesheet" in (values.get("rel") or "").lower().split():
            if values.get("href"):
                self.stylesheets.append(values["href"])
        if values.get("style"):
            self.links.extend(("style-attr", v) for v in css_urls(values["style"]))
        self.in_style = tag == "style"

    def handle_endtag(self, tag):
        if tag == "style":
            self.in_style = False

    def handle_data(self, data):
        if self.in_style:
            self.links.extend(("style", v) for v in css_urls(data))


def read_text(path):
    with open(path, "rb") as f:
        data = f.read()
    return data, data.decode("utf-8", errors="replace")


def local_target(base_dir, root, value):
    """The file a relative reference opens, with its query and fragment cut as a browser
    does over file:// or a plain file server."""
    value = value.split("#", 1)[0].split("?", 1)[0]
    if not value:
        return None
    path = urllib.parse.unquote(value)
    if path.startswith("/"):
        target = os.path.normpath(os.path.join(root, path.lstrip("/")))
    else:
        target = os.path.normpath(os.path.join(base_dir, path))
    if os.path.isdir(target):
        target = os.path.join(target, "index.html")
    return target


class Checker:
    def __init__(self, copy_dir, samples, site_root=None):
        self.copy_dir = os.path.abspath(copy_dir)
        self.site_root = os.path.abspath(site_root or copy_dir)
        self.samples = samples
        self.files = 0
        self.bytes = 0
        self.broken = []
        self.absolute = 0
        self.absolute_hosts = {}
        self.root_relative = 0
        self.local_ok = 0
        self.wrong_css_names = set()
        self.css_files = set()

    def classify(self, source, kind, value):
        value = value.strip()
        if not value or value.startswith("#") or value.lower().startswith(IGNORED_SCHEMES):
            return
        if SCHEME.match(value) or value.startswith("//"):
            self.absolute += 1
            host = urllib.parse.urlsplit(value if SCHEME.match(value) else "http:" + value).netloc
            self.absolute_hosts[host] = self.absolute_hosts.get(host, 0) + 1
            return
        if value.startswith("/"):
            self.root_relative += 1
        target = local_target(os.path.dirname(source), self.site_root, value)
        if target is None:
            return
        if os.path.isfile(target):
            self.local_ok += 1
        else:
            self.broken.append((os.path.relpath(source, self.copy_dir), kind, value))

    def check_page(self, path):
        _, text = read_text(path)
        parser = PageLinks()
        try:
            parser.feed(text)
            parser.close()
        except Exception as e:  # a page html.parser cannot read is reported, not skipped
            print(f"!! {path}: {e}", file=sys.stderr)
        for kind, value in parser.links:
            self.classify(path, kind, value)
        for href in parser.stylesheets:
            target = local_target(os.path.dirname(path), self.site_root, href.strip())
            if SCHEME.match(href.strip()) or target is None:
                continue
            if not target.endswith(".css"):
                self.wrong_css_names.add(os.path.relpath(target, self.copy_dir))
            if os.path.isfile(target):
                self.css_files.add(target)

    def check_stylesheet(self, path):
        _, text = read_text(path)
        for value in css_urls(text):
            self.classify(path, "css", value)

    def run(self):
        pages = []
        for folder, _, names in os.walk(self.copy_dir):
            for name in names:
                path = os.path.join(folder, name)
                self.files += 1
                self.bytes += os.path.getsize(path)
                lower = name.lower()
                if lower.endswith((".html", ".htm")):
                    pages.append(path)
                elif lower.endswith(".css"):
                    self.css_files.add(path)
        for page in pages:
            self.check_page(page)
        for sheet in sorted(self.css_files):
            self.check_stylesheet(sheet)
        self.pages = len(pages)

    def folders(self):
        empty, junk = [], []
        for folder, dirs, names in os.walk(self.copy_dir, topdown=False):
            rel = os.path.relpath(folder, self.copy_dir)
            if rel != "." and not os.listdir(folder):
                empty.append(rel)
            base = os.path.basename(folder)
            if rel != "." and (base != base.strip() or " " in base or "\u00a6" in base):
                junk.append(rel)
        return empty, junk


# Values of attributes and CSS url() that conversion may change, and quarlo's banner.
CONVERTED = re.compile(
    r"""(\b(?:href|src|srcset|poster|data|background)\s*=\s*)("[^"]*"|'[^']*'|[^\s>]+)""", re.I)
# quarlo's banner: a script after <body> and a layer before </body>, each with CR LF ends.
BANNER = re.compile(
    rb"\r\n<br>\r\n<script type=\"text/javascript\">\r\nif \(navigator\.onLine\).*?</script>\r\n"
    rb"|<layer id=\"quarloBanner\".*?</layer>\r\n", re.S)


# Quoted strings that look like addresses, which the aggressive parser converts too.
QUOTED = re.compile(r"""(["'])[^"'\s<;]*[./][^"'\s<;]*\1""")


def normalised(data, quoted=False):
    text = data.decode("utf-8", errors="replace")
    text = CONVERTED.sub(lambda m: m.group(1) + '""', text)
    text = CSS_URL.sub("url()", text)
    return QUOTED.sub('""', text) if quoted else text


def compare_pages(copy_root, served, limit):
    """Pages of the copy against the served files at the same path: differing beyond their
    links and the banner, beyond quoted strings too, and differing in line ends."""
    differ, differ_quoted, line_ends, compared, samples = 0, 0, 0, 0, []
    for folder, _, names in os.walk(copy_root):
        for name in sorted(names):
            if not name.endswith(".html"):
                continue
            copy_path = os.path.join(folder, name)
            rel = os.path.relpath(copy_path, copy_root)
            served_path = os.path.join(served, rel)
            if not os.path.isfile(served_path):
                continue
            compared += 1
            with open(copy_path, "rb") as f:
                mine = BANNER.sub(b"", f.read())
            with open(served_path, "rb") as f:
                theirs = f.read()
            if mine.count(b"\r\n") != theirs.count(b"\r\n"):
                line_ends += 1
            if normalised(mine) != normalised(theirs):
                differ += 1
                if normalised(mine, True) != normalised(theirs, True):
                    differ_quoted += 1
                    if len(samples) < limit:
                        samples.append(rel)
    return compared, differ, differ_quoted, line_ends, samples


def served_broken(served, cache):
    """(page, value) of every link broken on the server itself, kept in CACHE between runs."""
    if cache and os.path.isfile(cache):
        with open(cache) as f:
            return {tuple(pair) for pair in json.load(f)}
    checker = Checker(served, 0)
    checker.run()
    pairs = {(source, value.strip()) for source, _, value in checker.broken}
    if cache:
        with open(cache, "w") as f:
            json.dump(sorted(pairs), f)
    return pairs


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("copy")
    ap.add_argument("--served")
    ap.add_argument("--site-root", default=".")
    ap.add_argument("--served-cache", help="file keeping the served site's own broken links")
    ap.add_argument("--json")
    ap.add_argument("--samples", type=int, default=10)
    args = ap.parse_args()
    # Root-relative links open from the site's root, as when the copy is served from there.
    checker = Checker(args.copy, args.samples, os.path.join(args.copy, args.site_root))
    checker.run()
    empty, junk = checker.folders()
    result = {
        "files": checker.files, "bytes": checker.bytes, "pages": checker.pages,
        "stylesheets": len(checker.css_files), "local_ok": checker.local_ok,
        "broken": len(checker.broken), "absolute": checker.absolute,
        "root_relative": checker.root_relative, "empty_folders": len(empty),
        "junk_folders": len(junk), "wrong_css_names": sorted(checker.wrong_css_names),
        "broken_samples": checker.broken[: args.samples], "empty_samples": empty[: args.samples],
        "junk_samples": junk[: args.samples],
        "absolute_hosts": dict(sorted(checker.absolute_hosts.items(), key=lambda kv: -kv[1])[:10]),
    }
    if args.served:
        # A link broken on the server itself is the site's, not the copy's.
        site_broken = served_broken(args.served, args.served_cache)
        ours = [b for b in checker.broken
                if (os.path.relpath(b[0], args.site_root), b[2].strip()) not in site_broken]
        result.update({"broken_ours": len(ours), "broken_site": len(checker.broken) - len(ours),
                       "broken_ours_samples": ours[: args.samples]})
        compared, differ, differ_quoted, line_ends, samples = compare_pages(
            os.path.join(args.copy, args.site_root), args.served, args.samples)
        result.update({"pages_compared": compared, "pages_differ": differ,
                       "pages_differ_beyond_quoted": differ_quoted,
                       "pages_line_ends_differ": line_ends, "differ_samples": samples})
    text = json.dumps(result, indent=1, ensure_ascii=False)
    if args.json:
        with open(args.json, "w") as f:
            f.write(text + "\n")
    print(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
