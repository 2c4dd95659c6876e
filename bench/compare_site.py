#!/usr/bin/env python3
"""Helpers of bench/compare: generates the served site, checks a copy of it, sums up times.

The site of N pages: /index.html is page 0, page i > 0 is /p/<i // 1000>/<i>.html. Page i
links home (/index.html), to its parent by absolute path, to pages 2i+1 and 2i+2 by relative
path (so every page is reached, at depth log2 N), and shows image i // 5 when there is one.
There are N // 5 images, /img/<k // 1000>/<k>.gif, about 17.5 KB each; pages are about 6 KB.
2,000 pages make 2,400 files and 19 MB.
"""

import argparse
import os
import posixpath
import random
import re
import statistics
import sys
import urllib.parse

FORMAT = "4"  # bumped whenever the generated site changes, so old copies are regenerated
PAGES_PER_FOLDER = 1000
IMAGE_BYTES = 17500
FILLER_PARAGRAPHS = 10

WORDS = ("offline copy mirror queue level page image link folder server archive report "
         "schedule profile filter parser thread transfer header status index title").split()


def page_path(i):
    return "index.html" if i == 0 else f"p/{i // PAGES_PER_FOLDER}/{i}.html"


def image_path(k):
    return f"img/{k // PAGES_PER_FOLDER}/{k}.gif"


def image_count(pages):
    return pages // 5


def relative(from_file, to_file):
    return posixpath.relpath(to_file, posixpath.dirname(from_file) or ".")


def filler(i):
    rnd = random.Random(i)
    paragraphs = []
    for n in range(FILLER_PARAGRAPHS):
        words = [rnd.choice(WORDS) for _ in range(80)]
        words[10] = f"<b>{words[10]}</b>"
        words[40] = f"<em>{words[40]}</em>"
        paragraphs.append(f"<p class=\"t{n % 3}\">{' '.join(words)}.</p>")
    return "\n".join(paragraphs)


def page_links(i, pages):
    """(attribute, value, target file) of every link of page i, in page order."""
    me = page_path(i)
    links = [("href", "/index.html", "index.html")]
    if i > 0:
        parent = page_path((i - 1) // 2)
        links.append(("href", "/" + parent, parent))
    for child in (2 * i + 1, 2 * i + 2):
        if child < pages:
            links.append(("href", relative(me, page_path(child)), page_path(child)))
    if i // 5 < image_count(pages):
        links.append(("src", "/" + image_path(i // 5), image_path(i // 5)))
    return links


def page_text(i, pages):
    items, figures = [], []
    for attribute, value, target in page_links(i, pages):
        if attribute == "src":
            figures.append(f"<p><img src=\"{value}\" alt=\"figure {i // 5}\"></p>")
        else:
            items.append(f"<li><a href=\"{value}\">{posixpath.basename(target)}</a></li>")
    return (f"<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<title>Page {i}</title>\n"
            f"</head><body>\n<h1>Page {i}</h1>\n<ul>\n" + "\n".join(items) + "\n</ul>\n" +
            "".join(figures) + filler(i) + "\n</body></html>\n")


def image_bytes(k):
    return b"GIF89a" + random.Random(-1 - k).randbytes(IMAGE_BYTES - 6)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def read_text(path):
    return read(path).decode("utf-8", errors="replace")


def write(root, name, data):
    path = os.path.join(root, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def generate(args):
    stamp = os.path.join(args.root, ".generated")
    want = f"{FORMAT} {args.pages}\n"
    if os.path.exists(stamp) and read_text(stamp) == want:
        return
    for i in range(args.pages):
        write(args.root, page_path(i), page_text(i, args.pages).encode())
    for k in range(image_count(args.pages)):
        write(args.root, image_path(k), image_bytes(k))
    with open(stamp, "w") as f:
        f.write(want)


def find_copy_root(folder):
    """The folder of the copy that holds index.html and p/ (each tool adds its own host folder)."""
    best = None
    for here, dirs, files in os.walk(folder):
        depth = here[len(folder):].count(os.sep)
        if depth > 3:
            dirs[:] = []
            continue
        if "index.html" in files and (best is None or depth < best[0]):
            best = (depth, here)
        dirs[:] = [d for d in dirs if d not in ("p", "img")]
    return best[1] if best else None


def link_problems(root, name, text, expected):
    """What is wrong with the links of one converted page, as messages."""
    problems = []
    local = 0
    for value in re.findall(r"""(?:href|src)\s*=\s*["']([^"']*)["']""", text, re.I):
        if value.startswith(("data:", "javascript:", "mailto:", "#")) or not value:
            continue
        if re.match(r"^(https?:)?//", value, re.I):
            if "127.0.0.1" in value or "localhost" in value:
                problems.append(f"link not converted: {name}: {value}")
            continue
        target = urllib.parse.unquote(value.split("#")[0].split("?")[0])
        if target.startswith("/"):
            problems.append(f"link left server-absolute: {name}: {value}")
            continue
        resolved = os.path.normpath(os.path.join(root, os.path.dirname(name), target))
        if not resolved.startswith(root + os.sep) or not os.path.isfile(resolved):
            problems.append(f"link to no saved file: {name}: {value}")
            continue
        local += 1
    if local < expected:
        problems.append(f"links missing: {name}: {local} local links, {expected} expected")
    return problems


def check_copy(site, copy, pages, sample_size=200, seed=1):
    """Problems of a copy: files missing, images changed, pages cut short, and in a sample of
    pages links left pointing at the server or at no saved file. Returns (root, problems,
    pages sampled)."""
    images = image_count(pages)
    root = find_copy_root(copy)
    if root is None:
        return None, [f"no start page: no index.html under {copy}"], 0
    problems = []
    missing = 0
    for i in range(pages):
        path = os.path.join(root, page_path(i))
        try:
            with open(path, "rb") as f:
                f.seek(max(0, os.path.getsize(path) - 64))
                if b"</html>" not in f.read().lower():
                    problems.append(f"page cut short: {page_path(i)}")
        except OSError:
            missing += 1
    rnd = random.Random(seed)
    compared = set(rnd.sample(range(images), min(images, sample_size)))
    for k in range(images):
        path = os.path.join(root, image_path(k))
        served = os.path.join(site, image_path(k))
        if not os.path.isfile(path):
            missing += 1
        elif os.path.getsize(path) != os.path.getsize(served):
            problems.append(f"image size differs: {image_path(k)}: {os.path.getsize(path)} bytes, "
                            f"{os.path.getsize(served)} served")
        elif k in compared and read(path) != read(served):
            problems.append(f"image bytes differ: {image_path(k)}")
    sample = sorted(set(rnd.sample(range(pages), min(pages, sample_size))) | {0, pages - 1})
    for i in sample:
        name = page_path(i)
        try:
            text = read_text(os.path.join(root, name))
        except OSError:
            continue  # counted as missing above
        problems += link_problems(root, name, text, len(page_links(i, pages)))
    if missing:
        problems.insert(0, f"files missing: {missing} of {pages + images}")
    return root, problems, len(sample)


def verify(args):
    root, problems, sampled = check_copy(args.site, args.copy, args.pages, args.sample, args.seed)
    if problems:
        print(f"FAILED ({args.label}): {len(problems)} problems in {root or args.copy}")
        kinds = {}  # "link not converted" -> ["p/0/7.html: http://...", ...]
        for problem in problems:
            kind, detail = problem.split(": ", 1)
            kinds.setdefault(kind, []).append(detail)
        for kind, details in kinds.items():
            print(f"    {kind} ({len(details)}): {'; '.join(details[:3])}")
        return 1
    saved = sum(len(files) for _, _, files in os.walk(root))
    print(f"ok ({args.label}): {args.pages + image_count(args.pages)} files saved "
          f"({saved} in the copy), links of {sampled} pages resolve locally")
    return 0


def busy_share(run, cores):
    """The share of the cores the tool and the server kept busy during a run, in percent."""
    seconds, cpu, _, _, served = run
    return 100 * (cpu + served) / (cores * seconds)


def read_runs(text):
    """(pages, place) -> {pair: {tool: (seconds, cpu, peak_kb, ok, server_cpu)}}; results
    written before the server's CPU was recorded count it as 0."""
    runs = {}
    for line in text.splitlines():
        fields = line.split()
        tool, pages, place, pair, seconds, user, system, peak, ok = fields[:9]
        served = float(fields[9]) if len(fields) > 9 else 0.0
        runs.setdefault((int(pages), place), {}).setdefault(pair, {})[tool] = (
            float(seconds), float(user) + float(system), int(peak), ok == "1", served)
    return runs


def summary(args):
    """Median times and ratios per size and place, over the pairs whose copies both passed;
    pages per second and peak memory of the sites of 10,000 pages or more."""
    runs = read_runs(read_text(args.results))
    print(f"{'pages':>7} {'place':6} {'pairs':>5} {'failed':>6} {'quarlo s':>9} {'wget2 s':>8} "
          f"{'median ratio':>12} {'quarlo cpu s':>12} {'wget2 cpu s':>11} "
          f"{'quarlo busy %':>13} {'wget2 busy %':>12}")
    speeds = {}  # (tool, place) -> {pages: (pages per second, peak MB)}
    for (pages, place), pairs in sorted(runs.items()):
        good = [p for p in pairs.values() if len(p) == 2 and all(r[3] for r in p.values())]

        def med(figure):
            return f"{statistics.median(figure(p) for p in good):.3f}" if good else "-"
        print(f"{pages:>7} {place:6} {len(good):>5} {len(pairs) - len(good):>6} "
              f"{med(lambda p: p['quarlo'][0]):>9} {med(lambda p: p['wget2'][0]):>8} "
              f"{med(lambda p: p['quarlo'][0] / p['wget2'][0]):>12} "
              f"{med(lambda p: p['quarlo'][1]):>12} {med(lambda p: p['wget2'][1]):>11} "
              f"{med(lambda p: busy_share(p['quarlo'], args.cores)):>13} "
              f"{med(lambda p: busy_share(p['wget2'], args.cores)):>12}")
        if pages >= 10000 and good:
            for tool in ("quarlo", "wget2"):
                speeds.setdefault((tool, place), {})[pages] = (
                    statistics.median(pages / p[tool][0] for p in good),
                    max(p[tool][2] for p in good) / 1024)
    for (tool, place), by_size in sorted(speeds.items()):
        for pages, (rate, peak) in sorted(by_size.items()):
            print(f"{tool} on {place}, {pages} pages: {rate:.0f} pages/s, peak memory {peak:.1f} MB"
                  + (" (goal: under 200 MB)" if (tool, pages) == ("quarlo", 100000) else ""))
        if 10000 in by_size and 100000 in by_size:
            print(f"{tool} on {place}: 100,000 pages at "
                  f"{100 * by_size[100000][0] / by_size[10000][0]:.0f}% of the 10,000-page speed"
                  + (" (goal: at least 80%)" if tool == "quarlo" else ""))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    sub = parser.add_subparsers(dest="command", required=True)
    g = sub.add_parser("generate")
    g.add_argument("root")
    g.add_argument("pages", type=int)
    v = sub.add_parser("verify")
    v.add_argument("site")
    v.add_argument("copy")
    v.add_argument("pages", type=int)
    v.add_argument("--label", default="copy")
    v.add_argument("--sample", type=int, default=200)
    v.add_argument("--seed", type=int, default=1)
    s = sub.add_parser("summary")
    s.add_argument("results")
    s.add_argument("--cores", type=int, default=os.cpu_count())
    args = parser.parse_args()
    return {"generate": generate, "verify": verify, "summary": summary}[args.command](args) or 0


if __name__ == "__main__":
    sys.exit(main())
