#!/usr/bin/env python3
"""Soak run of the real program: one batch of many URLs at 20 threads against the loopback server.

Usage:
    soak.py --ports PORTS_JSON --driver BATCH_TESTS_EXE [--urls N] [--latency-ms L] [--keep] [--no-faults]
            [--work DIR] [--timeout S]

About 90% of the URLs are good pages (/slow/L/NAME, each body unique), about 10% are faults:
404, 500, a reset connection, a body cut off (/stall), a redirect to a good page and a page slow
but within the page bound. The batch is driven by the gtest SoakTest of batch_tests.exe (under
Wine). While it runs, every file that lands in the output folder is checked (byte-exact: the
served body with CR LF line ends; pages that must fail must not appear) and, unless --keep,
removed, so that the folder stays small. brindlow.exe is sampled from /proc (VmRSS, VmHWM, CPU).
The wall time is printed against the schedule's bound for an even list and against the least
time the 200 ms scheduler needs for this list's page times, faults included (a slow fault keeps
its thread for several ticks). Exits 0 when every output was right and the batch ended; speed
never fails it.
"""

import argparse
import json
import math
import os
import re
import subprocess
import sys
import time

# The writers' temporary files, which land under their own names only once whole.
TEMP_NAME = re.compile(r"^(~.*|mht[0-9a-f]{1,4}\.tmp|.*\.part)$", re.IGNORECASE)
FORBIDDEN = set(':*"<>|\\')


def output_name(url):
    """The program's file name for an ASCII URL (fetch/output_name.cpp)."""
    name = url.lower().replace("http://", "")
    for c in "./#?":
        name = name.replace(c, "_")
    name = "".join("_" if c in FORBIDDEN or ord(c) < 0x20 else c for c in name)
    return name + ".txt"


def crlf(body):
    return body.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")


def make_urls(origin, count, latency, faults=True):
    """(url, expected bytes or None for a page that must leave no file, milliseconds the server
    takes over it), about 10% faults."""
    urls = []
    for i in range(count):
        kind = i % 100 if faults else 0
        name = "s%d" % i
        good = "/slow/%d/%s" % (latency, name)
        if kind in (7, 57):
            urls.append((origin + "/status/404?" + name, None, 0))
        elif kind in (17, 67):
            urls.append((origin + "/status/500?" + name, None, 0))
        elif kind in (27, 77):
            urls.append((origin + "/reset?" + name, None, 100))
        elif kind in (37, 87):
            urls.append((origin + "/stall/300?" + name, None, 300))  # half the body, then closed
        elif kind == 47:
            urls.append((origin + "/redirect?to=" + good, crlf(b"slow %d %s\n" % (latency, name.encode())),
                         latency))
        elif kind == 97:
            slow = 2000
            urls.append((origin + "/slow/%d/%s" % (slow, name), crlf(b"slow %d %s\n" % (slow, name.encode())),
                         slow))
        else:
            urls.append((origin + good, crlf(b"slow %d %s\n" % (latency, name.encode())), latency))
    return urls


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def find_process(prefix, image):
    """The Linux process of `image` (brindlow.exe, wineserver) running for this Wine prefix."""
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                cmd = f.read()
            if image not in cmd.lower() or b"batch_tests" in cmd.lower():
                continue
            with open("/proc/%s/environ" % pid, "rb") as f:
                env = f.read().split(b"\0")
            if ("WINEPREFIX=" + prefix).encode() in env:
                return int(pid)
        except OSError:
            continue
    return None


def sample(pid):
    """(VmRSS kB, VmHWM kB, CPU seconds) of a process, or None when it is gone."""
    try:
        with open("/proc/%d/status" % pid) as f:
            status = dict(line.split(":", 1) for line in f if ":" in line)
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        ticks = os.sysconf("SC_CLK_TCK")
        cpu = (int(fields[11]) + int(fields[12])) / ticks
        return int(status["VmRSS"].split()[0]), int(status["VmHWM"].split()[0]), cpu
    except (OSError, KeyError, IndexError, ValueError):
        return None


class Watcher:
    """Checks each file as it lands; removes it unless asked to keep it."""

    def __init__(self, folder, urls, keep):
        self.folder = folder
        self.expected = {output_name(u): body for u, body, _ in urls}
        self.keep = keep
        self.seen = set()
        self.errors = []

    def scan(self):
        for entry in os.scandir(self.folder):
            name = entry.name
            if entry.is_dir() or TEMP_NAME.match(name) or name in self.seen:
                continue
            self.check(name, os.path.join(self.folder, name))

    def check(self, name, path):
        self.seen.add(name)
        if name not in self.expected:
            self.errors.append("unexpected file %s" % name)
            return
        body = self.expected[name]
        if body is None:
            self.errors.append("a failed page left a file: %s" % name)
            return
        with open(path, "rb") as f:
            got = f.read()
        if got != body:
            self.errors.append("%s: %r instead of %r" % (name, got[:80], body[:80]))
        if not self.keep:
            os.remove(path)

    def finish(self):
        self.scan()
        for root, _, names in os.walk(self.folder):
            for name in names:
                if root != self.folder or TEMP_NAME.match(name):
                    self.errors.append("temporary file left: %s" % os.path.join(root, name))
        missing = [n for n, b in self.expected.items() if b is not None and n not in self.seen]
        for name in missing[:20]:
            self.errors.append("missing: %s" % name)
        if len(missing) > 20:
            self.errors.append("... %d missing in all" % len(missing))


def batch_ended(result_path):
    with open(result_path) as f:
        return "wall_ms" in f.read()


def schedule_bound(urls, threads, latency_ms):
    """200 ms x (1 + (ceil(URLs / N) - 1) x (floor(L / 200 ms) + 1)) + L, in seconds."""
    ticks = 1 + (math.ceil(urls / threads) - 1) * (latency_ms // 200 + 1)
    return (200 * ticks + latency_ms) / 1000.0


def schedule_floor(page_ms, threads):
    """Seconds the 200 ms scheduler needs for pages that take these times with no cost of their
    own: a page slower than a tick keeps its thread through the next ticks, so faults that are
    slow (a cut-off body, a slow page) lengthen the run beyond the bound of an even list."""
    ends = []  # when each running page ends
    tick = 0
    for i, ms in enumerate(page_ms):
        while True:
            ends = [end for end in ends if end >= tick]  # one ending on the tick reports after it
            if len(ends) < threads:
                break
            tick += 200
        ends.append(tick + ms)
    return max(ends, default=0) / 1000.0


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--ports", required=True)
    ap.add_argument("--driver", required=True)
    ap.add_argument("--urls", type=int, default=20000)
    ap.add_argument("--latency-ms", type=int, default=50)
    ap.add_argument("--keep", action="store_true", help="leave every file in place, check at the end")
    ap.add_argument("--no-faults", action="store_true", help="good pages only, for comparison")
    ap.add_argument("--work", default=None)
    ap.add_argument("--timeout", type=int, default=None, help="seconds the batch may take")
    args = ap.parse_args()

    with open(args.ports) as f:
        port = json.load(f)["http"]
    origin = "http://127.0.0.1:%d" % port
    work = os.path.abspath(args.work or os.path.join(os.path.dirname(args.driver), "..", "soak"))
    out = os.path.join(work, "out")
    os.makedirs(out, exist_ok=True)
    for name in os.listdir(out):
        os.remove(os.path.join(out, name))
    urls = make_urls(origin, args.urls, args.latency_ms, not args.no_faults)
    list_path = os.path.join(work, "urls.txt")
    with open(list_path, "wb") as f:
        f.write(b"".join(u.encode() + b"\r\n" for u, _, _ in urls))
    result_path = os.path.join(work, "result.txt")
    if os.path.exists(result_path):
        os.remove(result_path)

    bound = schedule_bound(args.urls, 20, args.latency_ms)
    timeout = args.timeout or int(120 + 10 * bound)
    repo = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
    # The Wine prefix of the driver's build, as cmake/wine-exec.sh picks it.
    prefix = subprocess.run(
        ["bash", "-c", 'source "$0/tools/wine-env.sh" && wine_use "$(wine_pe_arch "$1")" && '
         'echo "$WINEPREFIX"', repo, args.driver],
        check=True, capture_output=True, text=True).stdout.strip()
    env = dict(os.environ, BRINDLOW_SERVER_PORTS=os.path.abspath(args.ports),
               BRINDLOW_SOAK_LIST=windows_path(list_path),
               BRINDLOW_SOAK_RESULT=windows_path(result_path), BRINDLOW_SOAK_OUT=windows_path(out),
               BRINDLOW_SOAK_SECONDS=str(timeout))
    driver = subprocess.Popen(
        [os.path.join(repo, "cmake", "wine-exec.sh"),
         args.driver, "--gtest_filter=SoakTest.*"],
        env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)

    watcher = Watcher(out, urls, args.keep)
    pid = server = None
    samples = []  # (time, pages seen, rss, hwm, cpu, wineserver's cpu)
    started = None
    crashed = False
    deadline = time.time() + timeout + 180
    while driver.poll() is None and time.time() < deadline:
        if started is None and os.path.exists(result_path):
            started = time.time()
        if pid is None:
            pid = find_process(prefix, b"brindlow.exe")
            server = find_process(prefix, b"wineserver")
        if pid is not None:
            s = sample(pid)
            if s is None and started is not None and not batch_ended(result_path):
                crashed = True  # gone before the end of the batch: no need to wait for it
                break
            if s is not None and started is not None:
                w = sample(server) if server is not None else None
                samples.append((time.time(), len(watcher.seen), *s, w[2] if w else 0.0))
        if not args.keep:
            watcher.scan()
        time.sleep(0.25)
    if driver.poll() is None:
        driver.kill()
        print("soak: brindlow.exe ended during the batch" if crashed else
              "soak: the driver did not end in %d s" % (timeout + 180))
    output = driver.communicate()[0].decode("utf-8", "replace")
    watcher.finish()

    result = []
    if os.path.exists(result_path):
        with open(result_path) as f:
            result = f.read().split()
    wall = int(result[result.index("wall_ms") + 1]) / 1000.0 if "wall_ms" in result else None

    good = sum(1 for _, b, _ in urls if b is not None)
    print("soak: %d URLs (%d good, %d faults), 20 threads, page latency %d ms%s"
          % (args.urls, good, args.urls - good, args.latency_ms, ", files kept" if args.keep else ""))
    if wall is not None:
        print("  wall %.1f s against the schedule's bound %.1f s: %.2fx" % (wall, bound, wall / bound))
        floor = schedule_floor([ms for _, _, ms in urls], 20)
        print("  the scheduler's least time for these page times, faults included: %.1f s (%.2fx "
              "the bound); wall %.2fx that" % (floor, floor / bound, wall / floor))
    if samples:
        first, last = samples[0], samples[-1]
        cpu = last[4] - first[4]
        print("  CPU %.1f s, %.1f ms per page (and %.1f s of wineserver)"
              % (cpu, 1000.0 * cpu / args.urls, last[5] - first[5]))
        if not args.keep:
            # CPU per page in the first and the last tenth: equal unless work grows with the run.
            def cpu_per_page(lo, hi):
                inside = [s for s in samples if lo <= s[1] <= hi]
                if len(inside) < 2 or inside[-1][1] == inside[0][1]:
                    return float("nan")
                return 1000.0 * (inside[-1][4] - inside[0][4]) / (inside[-1][1] - inside[0][1])
            print("  CPU per page %.1f ms in the first tenth, %.1f ms in the last"
                  % (cpu_per_page(0, good // 10), cpu_per_page(good - good // 10, good)))
        print("  peak memory (VmHWM) %.1f MB before the run, %.1f MB after; RSS %.1f -> %.1f MB"
              % (first[3] / 1024, last[3] / 1024, first[2] / 1024, last[2] / 1024))
        # Growth: the slope of RSS against pages done, fitted over the samples after the first
        # tenth (the pools and caches of the first pages are not growth). With --keep the files
        # are counted only at the end, so time stands in for pages.
        if args.keep:
            points = [(s[0] - first[0], s[2]) for s in samples]
            scale = args.urls / max(points[-1][0], 1e-9)
        else:
            points = [(s[1], s[2]) for s in samples if s[1] >= good // 10]
            scale = 1.0
        if len(points) >= 2:
            n = len(points)
            mx = sum(p[0] for p in points) / n
            my = sum(p[1] for p in points) / n
            sxx = sum((p[0] - mx) ** 2 for p in points)
            slope = sum((p[0] - mx) * (p[1] - my) for p in points) / sxx if sxx else 0.0
            print("  growth %.2f MB per 1,000 pages (fitted over %d samples); RSS %.1f MB at the "
                  "first tenth, %.1f MB at the end" % (slope / scale / 1024 * 1000, n,
                                                      points[0][1] / 1024, last[2] / 1024))
    else:
        print("  brindlow.exe was not found to sample")
    ok = driver.returncode == 0 and wall is not None and not watcher.errors and not crashed
    for error in watcher.errors[:40]:
        print("  WRONG: " + error)
    if driver.returncode != 0:
        print(output[-4000:])
    print("soak: %s" % ("outputs right" if ok else "FAILED"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
