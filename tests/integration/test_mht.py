"""Web archives made by the program's message component, checked against the loopback server.

Runs tests/tools/mht_probe.exe under Wine (the build folder comes from BRINDLOW_BUILD, by
default build/ of the repository) and reads every archive with Python's own MIME parser; the
last class renders an archive in headless Chromium with the server stopped and compares it
with the live page.
"""

import collections
import email
import email.policy
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("BRINDLOW_BUILD", os.path.join(ROOT, "build"))
PROBE = os.path.join(BUILD, "bin", "mht_probe.exe")
WINE_EXEC = os.path.join(ROOT, "cmake", "wine-exec.sh")
SERVER = os.path.join(ROOT, "tests", "server", "pageserver.py")
SITE_DIR = os.path.join(ROOT, "tests", "server", "site")

sys.path.insert(0, os.path.join(ROOT, "tests", "server"))
import site_assets  # noqa: E402  (the server's own bytes, to compare against)

FETCH_THREADS = 6
UTF8_META = b'<meta http-equiv="Content-Type" content="text/html; charset=utf-8">'
# A page whose resources never answer, stop half-way or are cut off, next to two that answer.
SILENT_PAGE = (b'<html><head><title>silent</title></head><body>\n'
               b'<img src="/silent/30000"><img src="/stall/30000">\n'
               b'<img src="/stall/1000"><img src="/reset">\n'
               b'<img src="/site/img/red.png"><img src="/site/img/blue.png">\n'
               b'</body></html>\n')

NO_PROXY = urllib.request.build_opener(urllib.request.ProxyHandler({}))


class PageServer:
    """tests/server/pageserver.py on a free loopback port, with a sample folder of our own."""

    def __init__(self, sample_dir):
        self.port_file = os.path.join(sample_dir, "ports.json")
        self.process = subprocess.Popen(
            [sys.executable, SERVER, "--port-file", self.port_file, "--sample", sample_dir,
             "--http-port", "0", "--max-seconds", "900"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 20
        while not os.path.exists(self.port_file):
            if time.monotonic() > deadline or self.process.poll() is not None:
                self.stop()
                raise RuntimeError("the page server did not start")
            time.sleep(0.05)
        with open(self.port_file) as f:
            self.port = json.load(f)["http"]

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def requests(self, prefix):
        with NO_PROXY.open(self.url("/__requests?path=" + prefix), timeout=10) as response:
            return json.load(response)

    def reset(self):
        NO_PROXY.open(self.url("/__reset"), timeout=10).read()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def run_probe(url, out_path):
    """Archives url as the program's writer does; returns (exit code, the probe's figures)."""
    done = subprocess.run([WINE_EXEC, PROBE, url, windows_path(out_path)],
                          capture_output=True, text=True, timeout=180)
    figures = dict(pair.split("=", 1) for pair in done.stdout.split() if "=" in pair)
    return done.returncode, figures


def read_archive(path):
    with open(path, "rb") as f:
        data = f.read()
    return data, email.message_from_bytes(data, policy=email.policy.default)


def parts_by_location(message):
    return collections.OrderedDict((p["Content-Location"], p) for p in message.iter_parts())


def site_file(rel):
    with open(os.path.join(SITE_DIR, rel), "rb") as f:
        return f.read()


class ArchiveCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not os.path.exists(PROBE):
            raise RuntimeError("no %s: build the mht_probe target" % PROBE)
        cls.folder = tempfile.mkdtemp(prefix="brindlow-mht-")
        with open(os.path.join(cls.folder, "silent.html"), "wb") as f:
            f.write(SILENT_PAGE)
        cls.addClassCleanup(shutil.rmtree, cls.folder, ignore_errors=True)
        cls.server = PageServer(cls.folder)
        cls.addClassCleanup(cls.server.stop)

    @classmethod
    def archive(cls, path, name):
        """Archives the server's path; returns (figures, raw bytes, parsed message, requests)."""
        cls.server.reset()
        out = os.path.join(cls.folder, name + ".mht")
        code, figures = run_probe(cls.server.url(path), out)
        if code != 0:
            raise AssertionError("no archive of %s: %s" % (path, figures))
        data, message = read_archive(out)
        return figures, data, message, cls.server.requests("/")


class TestSiteArchive(ArchiveCase):
    """The test site's page with everything an archive must capture or leave out."""

    PREFIX = ""  # where on the server the site is served

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        name = "site" + cls.PREFIX.replace("/", "-")
        cls.figures, cls.data, cls.message, cls.log = cls.archive(cls.PREFIX + "/site/index.html",
                                                                  name)

    def expected_parts(self):
        u = lambda path: self.server.url(self.PREFIX + path)  # noqa: E731
        images = site_assets.SITE_IMAGES
        return collections.OrderedDict([
            (u("/site/index.html"), ("text/html", None)),  # checked on its own
            (u("/site/css/main.css"), ("text/css", site_file("css/main.css"))),
            (u("/site/favicon.ico"), ("image/x-icon", site_assets.FAVICON)),
            (u("/site/img/inline.png"), ("image/png", images["img/inline.png"])),
            (u("/site/js/app.js"), ("application/javascript", site_file("js/app.js"))),
            (u("/site/img/red.png"), ("image/png", images["img/red.png"])),
            (u("/site/img/attr.png"), ("image/png", images["img/attr.png"])),
            (u("/site/redirect-img"), ("image/png", images["img/blue.png"])),
            (u("/site/frame.html"), ("text/html", site_file("frame.html"))),
            (u("/site/css/more.css"), ("text/css", site_file("css/more.css"))),
            (u("/site/fonts/test.woff2"), ("font/woff2", site_assets.FAKE_WOFF2)),
            (u("/site/img/frame.png"), ("image/png", images["img/frame.png"])),
            (u("/site/img/bg.png"), ("image/png", images["img/bg.png"])),
        ])

    def test_envelope_is_multipart_related_with_cr_lf_throughout(self):
        self.assertIsNone(re.search(rb"(?<!\r)\n", self.data), "a bare LF")
        self.assertIsNone(re.search(rb"\r(?!\n)", self.data), "a bare CR")
        m = self.message
        self.assertEqual(m.get_content_type(), "multipart/related")
        self.assertEqual(m.get_param("type"), "text/html")
        self.assertEqual(m["Snapshot-Content-Location"],
                         self.server.url(self.PREFIX + "/site/index.html"))
        self.assertEqual(m["Subject"], "Brindlow test site")
        self.assertEqual(m["MIME-Version"], "1.0")
        self.assertTrue(m["From"] and m["Date"].datetime)
        boundary = m.get_boundary().encode()
        self.assertIn(b"=_", boundary)
        parts = list(m.iter_parts())
        # Each delimiter and the close delimiter: the boundary occurs nowhere else.
        self.assertEqual(self.data.count(b"--" + boundary), len(parts) + 1)
        self.assertTrue(self.data.endswith(b"--" + boundary + b"--\r\n"))

    def test_parts_hold_what_the_server_served(self):
        parts = parts_by_location(self.message)
        expected = self.expected_parts()
        self.assertEqual(list(parts)[0], self.server.url(self.PREFIX + "/site/index.html"),
                         "page first")
        self.assertEqual(set(parts), set(expected))
        for location, (media_type, body) in expected.items():
            with self.subTest(location=location):
                part = parts[location]
                self.assertEqual(part.get_content_type(), media_type)
                text = media_type.startswith("text/") or media_type == "application/javascript"
                self.assertEqual(part["Content-Transfer-Encoding"],
                                 "quoted-printable" if text else "base64")
                if body is not None:
                    self.assertEqual(part.get_payload(decode=True), body)

    def test_page_gets_the_charset_only_its_http_header_named(self):
        page = next(self.message.iter_parts())
        self.assertEqual(page.get_content_charset(), "utf-8")
        body = page.get_payload(decode=True)
        self.assertIn(b"<head>" + UTF8_META, body)
        self.assertEqual(body.replace(UTF8_META, b"", 1), site_file("index.html"))

    def test_each_url_fetched_once_by_the_request_rules(self):
        paths = collections.Counter(entry["path"] for entry in self.log)
        self.assertEqual([p for p, n in paths.items() if n > 1], [])
        # Thirteen parts, plus the missing image and the redirect's target.
        self.assertIn("/site/img/missing.png", paths)
        self.assertIn("/site/img/blue.png", paths)
        self.assertEqual(len(paths), 15)
        for entry in self.log:
            headers = dict(entry["headers"])
            self.assertEqual(headers.get("Accept"), "*/*")
            self.assertEqual(headers.get("User-Agent"),
                             "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)")
        self.assertEqual(self.figures["fetches"], "14")  # a redirect is one fetch
        self.assertEqual(self.figures["failed"], "1")


class TestGzipSiteArchive(TestSiteArchive):
    """The same site from a server that gzips every answer whatever was asked: every part is
    stored decoded, and the style sheets' references are found in them."""

    PREFIX = "/encoded/gzip"

    # The record's paths carry the prefix; what the program asked for is checked above.
    test_each_url_fetched_once_by_the_request_rules = None


class TestOtherPages(ArchiveCase):
    def test_gbk_page_kept_as_bytes_with_its_charset(self):
        _, _, message, _ = self.archive("/site/gbk.html", "gbk")
        parts = parts_by_location(message)
        page = parts[self.server.url("/site/gbk.html")]
        self.assertEqual(page.get_content_charset(), "gbk")
        self.assertEqual(page.get_payload(decode=True), site_assets.GBK_PAGE)
        self.assertEqual(message["Subject"], site_assets.GBK_TITLE)
        self.assertEqual(parts[self.server.url("/site/img/red.png")].get_payload(decode=True),
                         site_assets.SITE_IMAGES["img/red.png"])

    def test_fifty_images_fetched_several_at_once_on_reused_connections(self):
        figures, _, message, log = self.archive("/site50/index.html", "site50")
        self.assertEqual(len(list(message.iter_parts())), 51)
        self.assertEqual(figures["fetches"], "51")
        self.assertEqual(log[0]["path"], "/site50/index.html")
        # The first images found are the first requested; the next waits for a free thread.
        first = sorted(int(e["path"].split("/")[-1][:-4]) for e in log[1:1 + FETCH_THREADS])
        self.assertEqual(first, list(range(FETCH_THREADS)))
        self.assertLessEqual(len({e["connection"] for e in log}), FETCH_THREADS)
        # Several at once: more than one connection, and the first images all asked for sooner
        # than one after the other could be (each is answered after 50 ms, so in turn they
        # would span at least 50 ms for each but the first). A loaded machine may spread the
        # requests themselves, so the bound is the serial one, not a single answer's time. How
        # fast a page is archived is tools/bench-mht.sh's business, not a test's.
        self.assertGreater(len({e["connection"] for e in log}), 1)
        times = sorted(e["time"] for e in log[1:1 + FETCH_THREADS])
        self.assertLess(times[-1] - times[0], 0.05 * (FETCH_THREADS - 1))

    def test_resource_that_never_answers_is_left_out_in_bounded_time(self):
        figures, _, message, _ = self.archive("/sample/silent.html", "silent")
        self.assertEqual(list(parts_by_location(message)),
                         [self.server.url(p) for p in
                          ("/sample/silent.html", "/site/img/red.png", "/site/img/blue.png")])
        self.assertEqual(figures["failed"], "4")
        # Ended by the program's own time-outs, well before the server gives up after 30 s.
        self.assertLess(int(figures["ms"]), 25000)

    def test_page_that_cannot_be_fetched_leaves_no_archive(self):
        for name, path in (("status", "/site/img/missing.png"),
                           ("toobig", "/big/%d" % (16 * 1024 * 1024 + 1)),
                           ("brotli", "/encoded/br/site/index.html"),
                           ("corrupt", "/encoded/corrupt/site/index.html"),
                           ("inflates", "/encoded/gzip/big/%d" % (16 * 1024 * 1024 + 1))):
            with self.subTest(path=path):
                out = os.path.join(self.folder, name + ".mht")
                with open(out, "wb") as f:
                    f.write(b"archive of an earlier run")
                code, figures = run_probe(self.server.url(path), out)
                self.assertEqual((code, figures.get("written")), (1, "0"))
                self.assertFalse(os.path.exists(out))
                self.assertEqual(os.listdir(self.folder).count(name + ".mht"), 0)


CHROMIUM = shutil.which("chromium")


def screenshot(url, png, hosts_rule):
    """Headless Chromium on a fresh profile; hosts_rule says what it may resolve."""
    with tempfile.TemporaryDirectory(prefix="brindlow-chromium-") as profile:
        subprocess.run(
            [CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--no-first-run", "--user-data-dir=" + profile, "--hide-scrollbars",
             "--host-resolver-rules=" + hosts_rule, "--window-size=800,600",
             "--screenshot=" + png, url],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120, check=True)
    if not os.path.exists(png):
        raise AssertionError("Chromium could not load " + url)


def rgb_pixels(png):
    return subprocess.run(["stream", "-map", "rgb", "-storage-type", "char", png, "-"],
                          capture_output=True, check=True, timeout=60).stdout


@unittest.skipUnless(CHROMIUM and shutil.which("stream") and shutil.which("compare"),
                     "needs chromium and ImageMagick")
class TestArchiveInChromium(unittest.TestCase):
    def test_archive_renders_offline_like_the_live_page(self):
        with tempfile.TemporaryDirectory(prefix="brindlow-render-") as folder:
            server = PageServer(folder)
            try:
                screenshot(server.url("/site/index.html"), os.path.join(folder, "live.png"),
                           "MAP * ~NOTFOUND, EXCLUDE 127.0.0.1")
                code, _ = run_probe(server.url("/site/index.html"),
                                    os.path.join(folder, "site.mht"))
                self.assertEqual(code, 0)
            finally:
                server.stop()  # nothing may come from the network now
            screenshot("file://" + os.path.join(folder, "site.mht"),
                       os.path.join(folder, "archive.png"), "MAP * ~NOTFOUND")

            pixels = rgb_pixels(os.path.join(folder, "archive.png"))
            colours = collections.Counter(pixels[i:i + 3] for i in range(0, len(pixels), 3))
            # The images, the CSS backgrounds (inline, attribute, imported sheet) and the frame's
            # own image, each drawn in its own colour.
            for name, rgb in (("red", (220, 30, 30)), ("redirected blue", (30, 60, 220)),
                              ("inline", (30, 180, 60)), ("attr", (120, 30, 160)),
                              ("bg", (240, 200, 40)), ("frame", (220, 40, 200))):
                self.assertGreaterEqual(colours[bytes(rgb)], 24, name)

            diff = subprocess.run(
                ["compare", "-metric", "AE", "-fuzz", "2%", os.path.join(folder, "live.png"),
                 os.path.join(folder, "archive.png"), "null:"],
                capture_output=True, text=True, timeout=60)
            self.assertIn(diff.returncode, (0, 1), diff.stderr)  # 2: could not compare
            differing = float(diff.stderr.split()[0])
            self.assertLess(differing, 0.005 * 800 * 600, "pixels differing from the live page")


if __name__ == "__main__":
    unittest.main()
