#!/usr/bin/env python3
"""bench/compare's copy check: it passes a whole, converted copy and catches each way a copy
can be broken."""

import os
import shutil
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import compare_site as cs  # noqa: E402

PAGES = 40


def converted_copy(site, copy):
    """The copy a mirroring tool makes: the site under a host folder, every link relative."""
    root = os.path.join(copy, "127.0.0.1")
    shutil.copytree(site, root)
    for i in range(PAGES):
        path = os.path.join(root, cs.page_path(i))
        with open(path) as f:
            text = f.read()
        for attribute, value, target in cs.page_links(i, PAGES):
            text = text.replace(f'{attribute}="{value}"',
                                f'{attribute}="{cs.relative(cs.page_path(i), target)}"')
        with open(path, "w") as f:
            f.write(text)
    return root


def replace_in(path, old, new):
    with open(path) as f:
        text = f.read()
    assert old in text, (path, old)
    with open(path, "w") as f:
        f.write(text.replace(old, new))


def overwrite_start(path, data):
    with open(path, "r+b") as f:
        f.write(data)


# (what breaks the copy, how, the problem the check must name)
BREAKAGES = [
    ("a page missing", lambda r: os.remove(f"{r}/p/0/30.html"), "files missing: 1 of 48"),
    ("an image missing", lambda r: os.remove(f"{r}/img/0/3.gif"), "files missing: 1 of 48"),
    ("a page cut short", lambda r: os.truncate(f"{r}/p/0/12.html", 2000), "page cut short"),
    ("an image cut short", lambda r: os.truncate(f"{r}/img/0/2.gif", 100), "100 bytes"),
    ("an image changed", lambda r: overwrite_start(f"{r}/img/0/4.gif", b"GIF87a"),
     "bytes differ"),
    ("a link to the server", lambda r: replace_in(f"{r}/p/0/1.html", 'href="3.html"',
                                                  'href="http://127.0.0.1:8080/p/0/3.html"'),
     "link not converted"),
    ("a server-absolute link", lambda r: replace_in(f"{r}/p/0/1.html", 'href="../../index.html"',
                                                    'href="/index.html"'),
     "left server-absolute"),
    ("a link to no saved file", lambda r: replace_in(f"{r}/p/0/1.html", 'href="3.html"',
                                                     'href="99.html"'),
     "link to no saved file"),
    ("a link dropped", lambda r: replace_in(f"{r}/p/0/1.html", '<a href="3.html">', "<a>"),
     "4 local links, 5 expected"),
]


class CopyCheckTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp()
        self.site = os.path.join(self.folder, "site")
        cs.generate(type("Args", (), {"root": self.site, "pages": PAGES}))

    def tearDown(self):
        shutil.rmtree(self.folder)

    def check(self, copy):
        return cs.check_copy(self.site, copy, PAGES, sample_size=PAGES)

    def test_a_whole_converted_copy_passes_and_the_served_site_does_not(self):
        root = converted_copy(self.site, os.path.join(self.folder, "copy"))
        found, problems, sampled = self.check(os.path.join(self.folder, "copy"))
        self.assertEqual((found, problems, sampled), (root, [], PAGES))
        # Unconverted pages keep server-absolute links.
        _, problems, _ = self.check(self.site)
        self.assertTrue(any("server-absolute" in p for p in problems))

    def test_each_breakage_is_named(self):
        for name, breakage, expected in BREAKAGES:
            with self.subTest(name):
                copy = os.path.join(self.folder, "copy-" + name.replace(" ", "-"))
                breakage(converted_copy(self.site, copy))
                _, problems, _ = self.check(copy)
                self.assertTrue(any(expected in p for p in problems), problems)

    def test_a_copy_without_a_start_page_fails(self):
        os.makedirs(os.path.join(self.folder, "empty", "127.0.0.1"))
        root, problems, _ = self.check(os.path.join(self.folder, "empty"))
        self.assertIsNone(root)
        self.assertEqual(len(problems), 1)


class SummaryTest(unittest.TestCase):
    def test_runs_are_read_with_and_without_the_servers_cpu(self):
        runs = cs.read_runs("quarlo 2000 tmpfs 1 0.500 0.30 0.20 17000 1 0.15\n"
                            "wget2 2000 tmpfs 1 0.400 0.20 0.40 9600 0\n")
        pair = runs[(2000, "tmpfs")]["1"]
        self.assertEqual(pair["quarlo"], (0.5, 0.5, 17000, True, 0.15))
        seconds, cpu, peak, ok, served = pair["wget2"]
        self.assertEqual((seconds, peak, ok, served), (0.4, 9600, False, 0.0))
        self.assertAlmostEqual(cpu, 0.6)
        # 0.5 s of the tool and 0.15 s of the server in 0.5 s on 2 cores.
        self.assertAlmostEqual(cs.busy_share(pair["quarlo"], 2), 65.0)


if __name__ == "__main__":
    unittest.main()
