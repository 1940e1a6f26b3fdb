#!/usr/bin/env python3
"""Archives real pages with the one-page archiving tool and says how much of them a reader gets.

    python3 tests/realpages/measure.py [--probe PATH] [--before PATH] [--pages DIR]
                                       [--only NAME...] [--runs N] [--work DIR]

For each page folder of DIR (default ../shared/data/realpages/pages beside the repository):
localizes it (localize.py), serves it on loopback (serve.py), runs mht_probe.exe under Wine
(default build/bin/mht_probe.exe), stops the server, and prints
  - held: the share of Chromium's scripts-off requests (chrome_nojs.txt) the archive holds;
  - lazy: the <img> elements that carry one of the page's lazy-load attributes (lazy.txt), how
    many of them have a lazy URL in the archive, and how many show an archived image when
    Chromium renders the archive offline: the element's src (and every srcset candidate) in
    the DOM Chromium builds from the archive is an image part of it, not a placeholder;
  - ms: the probe's own time for the archive (the least of --runs runs).
With --before (another build's probe, e.g. main's), each page is measured with both, their
runs alternating, and a last line gives the largest ratio of the times. Totals close the table. Exit code 0 always: the figures are for a person to read.
"""

import argparse
import email
import email.policy
import html.parser
import os
import re
import shutil
import subprocess
import sys
import tempfile
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
WINE_EXEC = os.path.join(ROOT, "cmake", "wine-exec.sh")
sys.path.insert(0, HERE)
from serve import norm_target  # noqa: E402

# File names of images that only hold a place (the archiver's own list, mht/lazy_images.cpp).
PLACEHOLDER_WORDS = ("blank", "placeholder", "spacer", "grey", "gray", "loading", "loader",
                     "lazy", "pixel", "1x1", "transparent", "empty")
PLACEHOLDER_FILES = ("none.gif", "clear.gif", "s.gif", "dot.gif")


def is_placeholder(url):
    if not url or url.lower().startswith("data:") or url.lower() == "about:blank":
        return True
    path = urllib.parse.urlsplit(url).path.lower()
    name = path.rsplit("/", 1)[-1]
    return not name or name in PLACEHOLDER_FILES or any(w in name for w in PLACEHOLDER_WORDS)


def srcset_urls(value):
    """The candidates' URLs, read as the srcset grammar reads them: a URL may hold commas."""
    urls = []
    value = value or ""
    i = 0
    while i < len(value):
        while i < len(value) and (value[i].isspace() or value[i] == ","):
            i += 1
        start = i
        while i < len(value) and not value[i].isspace():
            i += 1
        url = value[start:i]
        ended_with_comma = url.endswith(",")
        url = url.rstrip(",")
        if not ended_with_comma:
            depth = 0
            while i < len(value) and not (value[i] == "," and depth == 0):
                depth += {"(": 1, ")": -1 if depth else 0}.get(value[i], 0)
                i += 1
        if url:
            urls.append(url)
    return urls


class Images(html.parser.HTMLParser):
    """Every <img> of a document, its attributes as the parser keeps them (the first of a
    repeated name wins, as in browsers)."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.images = []

    def handle_starttag(self, tag, attrs):
        if tag != "img":
            return
        kept = {}
        for name, value in attrs:
            kept.setdefault(name, value or "")
        self.images.append(kept)

    handle_startendtag = handle_starttag


def images_of(text):
    parser = Images()
    parser.feed(text)
    parser.close()
    return parser.images


def lazy_attributes(page_dir):
    names = set()
    path = os.path.join(page_dir, "lazy.txt")
    if not os.path.exists(path):
        return names
    for line in open(path, encoding="utf-8", errors="replace"):
        fields = line.rstrip("\n").split("\t")
        if line.startswith("#") or fields[0] == "attr" or len(fields) < 9:
            continue
        if "img:" in fields[8]:
            names.add(fields[0])
    return names


def read_archive(path):
    with open(path, "rb") as f:
        message = email.message_from_binary_file(f, policy=email.policy.default)
    parts = {}
    for part in message.iter_parts():
        parts[part["Content-Location"]] = part
    return parts


def page_text(part):
    body = part.get_payload(decode=True)
    charset = part.get_content_charset() or "utf-8"
    try:
        return body.decode(charset, errors="replace")
    except LookupError:
        return body.decode("utf-8", errors="replace")


def chromium_dom(mht_path):
    """The DOM Chromium builds from the archive, offline."""
    chromium = shutil.which("chromium")
    if not chromium:
        return None
    with tempfile.TemporaryDirectory(prefix="brindlow-realpages-chromium-") as profile:
        done = subprocess.run(
            [chromium, "--headless", "--no-sandbox", "--disable-gpu",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--no-first-run", "--user-data-dir=" + profile, "--host-resolver-rules=MAP * ~NOTFOUND",
             "--window-size=1024,768", "--dump-dom", "file://" + mht_path],
            capture_output=True, timeout=180)
    return done.stdout.decode("utf-8", errors="replace")


def run_probe(probe, url, out):
    done = subprocess.run([WINE_EXEC, probe, url, "Z:" + out.replace("/", "\\")],
                          capture_output=True, text=True, timeout=300)
    figures = dict(pair.split("=", 1) for pair in done.stdout.split() if "=" in pair)
    crashed = "page fault" in done.stderr or done.returncode not in (0, 1)
    return figures, crashed


class Server:
    def __init__(self, site, log):
        self.process = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "serve.py"), "--dir", site, "--log", log],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        line = self.process.stdout.readline()
        if not line.startswith("PORT "):
            self.stop()
            raise RuntimeError("serve.py did not start")
        self.port = int(line.split()[1])

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


def measure(page_dir, probes, work, runs):
    """One row per probe. The probes' runs alternate, so that a machine busy with something
    else slows each alike."""
    name = os.path.basename(page_dir)
    site = os.path.join(work, "site", name)
    subprocess.run([sys.executable, os.path.join(HERE, "localize.py"), page_dir, site],
                   check=True, stdout=subprocess.DEVNULL)
    outs = [os.path.join(work, "%s.%d.mht" % (name, i)) for i in range(len(probes))]
    times = [[] for _ in probes]
    crashes = [0 for _ in probes]
    server = Server(site, os.path.join(work, name + ".log"))
    try:
        base = "http://127.0.0.1:%d/" % server.port
        for _ in range(runs):
            for i, probe in enumerate(probes):
                # Each run deletes the archive it replaces: the last one written is kept apart.
                run_out = outs[i][:-4] + ".run.mht"
                figures, crashed = run_probe(probe, base + "index.html", run_out)
                crashes[i] += crashed
                if figures.get("written") == "1":
                    times[i].append(int(figures["ms"]))
                    os.replace(run_out, outs[i])
    finally:
        server.stop()  # nothing may come from the network while Chromium reads the archive
    return [judge(page_dir, base, outs[i], times[i], crashes[i]) for i in range(len(probes))]


def judge(page_dir, base, out, times, crashes):
    row = {"name": os.path.basename(page_dir), "ms": min(times) if times else None,
           "crashes": crashes}
    if not times:
        return row
    parts = read_archive(out)
    held = set()
    for location in parts:
        if location and location.startswith(base):
            held.add(norm_target("/" + location[len(base):]))
    wanted = set()
    for line in open(os.path.join(page_dir, "chrome_nojs.txt"), encoding="utf-8",
                     errors="surrogateescape"):
        fields = line.rstrip("\n").split("\t")
        if len(fields) >= 2:
            wanted.add(norm_target(fields[1].encode("utf-8", errors="surrogateescape")))
    row["wanted"] = len(wanted)
    row["held"] = len(wanted & held)

    # Lazy images: from the page as served, then as Chromium shows the archive.
    page_url = base + "index.html"
    names = lazy_attributes(page_dir)
    archived_images = {loc for loc, p in parts.items()
                       if p.get_content_maintype() == "image"}

    def absolute(ref):
        return urllib.parse.urljoin(page_url, ref.strip()).split("#", 1)[0]

    def lazy_urls(img):
        urls = []
        for attr in names:
            if attr in img:
                urls += srcset_urls(img[attr]) if attr.endswith("srcset") else [img[attr]]
        return [absolute(u) for u in urls if u.strip()]

    served = [img for img in images_of(page_text(parts[page_url])) if lazy_urls(img)]
    row["lazy"] = len(served)
    row["lazy_archived"] = sum(1 for img in served
                               if any(u in archived_images for u in lazy_urls(img)))
    dom = chromium_dom(out)
    shown = 0
    if dom is not None:
        for img in images_of(dom):
            if not lazy_urls(img):
                continue
            urls = [absolute(u) for u in srcset_urls(img.get("srcset"))] if img.get("srcset") \
                else [absolute(img.get("src", ""))] if img.get("src") else []
            if urls and all(u in archived_images and not is_placeholder(u) for u in urls):
                shown += 1
    row["lazy_shown"] = shown if dom is not None else None
    return row


def default_build():
    """The development build this machine runs (tools/wine-env.sh: 32-bit where it can)."""
    return subprocess.run(["bash", "-c", 'source "$0/tools/wine-env.sh" && '
                           'brindlow_build_dir "$(wine_default_arch)"', ROOT],
                          check=True, capture_output=True, text=True).stdout.strip()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--probe", default=os.path.join(default_build(), "bin", "mht_probe.exe"))
    ap.add_argument("--before", help="another build's mht_probe.exe, measured alongside")
    ap.add_argument("--pages", default=os.path.join(os.path.dirname(ROOT), "shared", "data",
                                                    "realpages", "pages"))
    ap.add_argument("--only", nargs="*")
    ap.add_argument("--runs", type=int, default=1)
    ap.add_argument("--work", default=None, help="folder for the sites and archives (kept)")
    a = ap.parse_args()
    work = a.work or tempfile.mkdtemp(prefix="brindlow-realpages-")
    os.makedirs(work, exist_ok=True)
    names = sorted(os.listdir(a.pages))
    if a.only:
        names = [n for n in names if n in a.only]
    probes = [os.path.abspath(a.probe)] + ([os.path.abspath(a.before)] if a.before else [])
    labels = ["after", "before"] if a.before else [""]
    print("%-28s %-6s %9s %7s %5s %5s %5s %8s" % ("page", "", "held", "share", "lazy",
                                                   "arch", "shown", "ms"))
    totals = [{"wanted": 0, "held": 0, "lazy": 0, "lazy_archived": 0, "lazy_shown": 0}
              for _ in probes]
    shares = [[] for _ in probes]
    crashes = [0 for _ in probes]
    slower = []
    for name in names:
        rows = measure(os.path.join(a.pages, name), probes, work, a.runs)
        for i, row in enumerate(rows):
            crashes[i] += row["crashes"]
            if row["ms"] is None:
                print("%-28s %-6s no archive" % (name, labels[i]))
                continue
            share = 100.0 * row["held"] / row["wanted"] if row["wanted"] else 100.0
            shares[i].append(share)
            for key in totals[i]:
                totals[i][key] += row[key] or 0
            print("%-28s %-6s %4d/%-4d %6.1f%% %5d %5d %5s %8d" % (
                name, labels[i], row["held"], row["wanted"], share, row["lazy"],
                row["lazy_archived"], "-" if row["lazy_shown"] is None else row["lazy_shown"],
                row["ms"]), flush=True)
        if len(rows) == 2 and rows[0]["ms"] and rows[1]["ms"]:
            slower.append((rows[0]["ms"] / rows[1]["ms"], name))
    for i in range(len(probes)):
        if not shares[i]:
            continue
        t = totals[i]
        print("%-28s %-6s %4d/%-4d %6.1f%% %5d %5d %5d   pages %d, least share %.1f%%, "
              "faults %d" % ("all", labels[i], t["held"], t["wanted"],
                             100.0 * t["held"] / max(1, t["wanted"]), t["lazy"],
                             t["lazy_archived"], t["lazy_shown"], len(shares[i]), min(shares[i]),
                             crashes[i]))
    if slower:
        ratio, name = max(slower)
        print("time after/before: at most %.2f (%s), median %.2f" % (
            ratio, name, sorted(r for r, _ in slower)[len(slower) // 2]))
    print("archives in " + work)


if __name__ == "__main__":
    main()
