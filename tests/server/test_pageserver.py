"""Checks of the test server itself: run with `python3 -m unittest` in tests/server."""

import html.parser
import http.client
import json
import os
import re
import signal
import socket
import ssl
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

import pageserver
import site_assets

HERE = os.path.dirname(os.path.abspath(__file__))


def start_server(workdir, *extra):
    """Starts pageserver.py and returns (process, ports) once it listens."""
    port_file = os.path.join(workdir, "ports.json")
    proc = subprocess.Popen([sys.executable, os.path.join(HERE, "pageserver.py"),
                             "--port-file", port_file, "--max-seconds", "300"] + list(extra))
    deadline = time.monotonic() + 30
    while not os.path.exists(port_file):
        if proc.poll() is not None or time.monotonic() > deadline:
            proc.kill()
            raise RuntimeError("pageserver did not start")
        time.sleep(0.05)
    with open(port_file) as f:
        return proc, json.load(f)


def stop_server(proc):
    proc.send_signal(signal.SIGTERM)
    return proc.wait(timeout=10)


def raw_exchange(port, request, timeout=5):
    """Sends raw request bytes; returns everything received until the server closes."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as sock:
        sock.sendall(request)
        data = b""
        while True:
            piece = sock.recv(65536)
            if not piece:
                return data
            data += piece


def png_pixels(data):
    """Validates a PNG's chunks and returns (width, height, decompressed rows)."""
    assert data.startswith(site_assets.PNG_SIGNATURE)
    pos, chunks = 8, {}
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        assert crc == zlib.crc32(kind + body) & 0xFFFFFFFF, kind
        chunks[kind] = body
        pos += 12 + length
    width, height = struct.unpack(">II", chunks[b"IHDR"][:8])
    return width, height, zlib.decompress(chunks[b"IDAT"])


class Refs(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.refs = []

    def handle_starttag(self, tag, attrs):
        for name, value in attrs:
            if name in ("src", "href"):
                self.refs.append(value)
            if name == "style":
                self.refs += re.findall(r"url\(['\"]?([^'\")]+)", value)

    def handle_data(self, data):
        self.refs += re.findall(r"url\(['\"]?([^'\")]+)", data)


class PageServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.certs = os.path.join(cls.tmp.name, "certs")
        cls.proc, cls.ports = start_server(cls.tmp.name, "--certs", cls.certs)
        cls.port = cls.ports["http"]

    @classmethod
    def tearDownClass(cls):
        stop_server(cls.proc)
        cls.tmp.cleanup()

    def get(self, path, headers=None, port=None):
        conn = http.client.HTTPConnection("127.0.0.1", port or self.port, timeout=10)
        conn.request("GET", path, headers=headers or {})
        response = conn.getresponse()
        body = response.read()
        conn.close()
        return response, body

    def test_text_routes_are_byte_exact(self):
        expected = {
            "/lf": b"first line\nsecond line\nthird line\n",
            "/crlf": b"first line\r\nsecond line\r\nthird line\r\n",
            "/nolf": b"first line\nlast line without end",
            "/at": b"a(at)b\n(AT)\n( at )\n((at))\n(at)(at)\nname(at)example.com\n",
            "/nul": b"before\nab\x00cd\nafter\n",
            "/chunked": b"first line\nsecond line\nthird line\n",
            "/empty": b"",
            "/gbk": site_assets.GBK_PAGE,
        }
        for path, body in expected.items():
            with self.subTest(path=path):
                response, got = self.get(path)
                self.assertEqual(response.status, 200)
                self.assertEqual(got, body)

    def test_long_lines(self):
        _, body = self.get("/longline")
        self.assertEqual(len(body), 10000)
        self.assertNotIn(b"\n", body)
        self.assertEqual(body[:62], pageserver.ALPHABET)
        _, body = self.get("/longlines")
        self.assertEqual([len(line) for line in body.split(b"\n")], [5, 4093, 4094, 4095, 10000, 4])

    def test_status_routes(self):
        response, body = self.get("/status/404")
        self.assertEqual((response.status, response.getheader("Content-Type")), (404, "text/html"))
        self.assertIn(b"<h1>404 Not Found</h1>", body)
        self.assertEqual(self.get("/status/500")[0].status, 500)
        response, body = self.get("/status/204")
        self.assertEqual((response.status, body, response.getheader("Content-Length")),
                         (204, b"", None))
        self.assertEqual(self.get("/no/such/page")[0].status, 404)

    def test_redirect_keeps_the_host_asked_for(self):
        response, _ = self.get("/redirect", {"Host": "localhost:%d" % self.port})
        self.assertEqual(response.status, 302)
        self.assertEqual(response.getheader("Location"), "http://localhost:%d/lf" % self.port)
        response, _ = self.get("/site/redirect-img")
        self.assertTrue(response.getheader("Location").endswith("/site/img/blue.png"))

    def test_slow_waits_and_names_the_page(self):
        start = time.monotonic()
        _, body = self.get("/slow/300/pageA")
        self.assertGreaterEqual(time.monotonic() - start, 0.3)
        self.assertEqual(body, b"slow 300 pageA\n")

    def test_silent_and_stall_send_nothing_more(self):
        start = time.monotonic()
        self.assertEqual(raw_exchange(self.port, b"GET /silent/300 HTTP/1.1\r\n\r\n"), b"")
        self.assertGreaterEqual(time.monotonic() - start, 0.3)
        data = raw_exchange(self.port, b"GET /stall/300 HTTP/1.1\r\n\r\n")
        head, _, body = data.partition(b"\r\n\r\n")
        self.assertIn(b"Content-Length: 20000", head)
        self.assertEqual(body, pageserver.pattern(10000))

    def test_hostile_routes(self):
        response, _ = self.get("/loop/x.css?a=1")
        self.assertEqual(response.status, 302)
        self.assertEqual(response.getheader("Location"),
                         "http://127.0.0.1:%d/loop/x.css?a=1" % self.port)
        start = time.monotonic()
        data = raw_exchange(self.port, b"GET /trickle/100/5 HTTP/1.1\r\n\r\n")
        self.assertGreaterEqual(time.monotonic() - start, 0.5)
        self.assertTrue(data.endswith(b"\r\n\r\n" + pageserver.pattern(5)))
        self.assertIn(b"Content-Length: 5", data)
        start = time.monotonic()
        data = raw_exchange(self.port, b"GET /slowhead/5 HTTP/1.1\r\n\r\n")
        self.assertGreaterEqual(time.monotonic() - start, 0.005 * len(data))
        self.assertTrue(data.startswith(b"HTTP/1.1 200 OK\r\n"))
        self.assertTrue(data.endswith(b"\r\n\r\nslow head\n"))

    def test_reset_cuts_the_body_with_rst(self):
        with socket.create_connection(("127.0.0.1", self.port), timeout=5) as sock:
            sock.sendall(b"GET /reset HTTP/1.1\r\n\r\n")
            received = b""
            with self.assertRaises(ConnectionResetError):
                while True:
                    piece = sock.recv(65536)
                    if not piece:
                        break  # an orderly close is the fault this test looks for
                    received += piece
                    time.sleep(0.05)
        self.assertLess(len(received), 100000)

    def test_big_streams_the_pattern(self):
        n = 1000003
        response, body = self.get("/big/%d" % n)
        self.assertEqual(int(response.getheader("Content-Length")), n)
        self.assertEqual(body, pageserver.pattern(n))
        data = raw_exchange(self.port, b"GET /big/5000?nolength HTTP/1.1\r\n\r\n")
        head, _, body = data.partition(b"\r\n\r\n")
        self.assertNotIn(b"Content-Length", head)
        self.assertEqual(body, pageserver.pattern(5000))

    def test_text_pages_differ_by_seed_and_keep_their_size(self):
        response, body = self.get("/text/1000/7?html")
        self.assertEqual(response.getheader("Content-Type"), "text/html")
        self.assertEqual(len(body), 1000)
        self.assertTrue(body.startswith(b"page 000007 (at) ABC"))
        self.assertEqual(body.count(b"\n"), 1000 // 64)
        self.assertEqual(body[:64], pageserver.text_unit(7))
        self.assertEqual(len(pageserver.text_unit(123456)), 64)
        _, other = self.get("/text/1000/8")
        self.assertNotEqual(body, other)
        data = raw_exchange(self.port, b"GET /text/3000000/7?nolength&ms=200 HTTP/1.1\r\n\r\n")
        head, _, streamed = data.partition(b"\r\n\r\n")
        self.assertNotIn(b"Content-Length", head)
        unit = pageserver.text_unit(7)
        self.assertEqual(streamed, unit * (3000000 // 64) + unit[:3000000 % 64])

    def test_fold_answers_only_names_without_lower_case(self):
        response, body = self.get("/fold/%D0%9F%D0%A0%EF%BC%A6")  # "ПРＦ"
        self.assertEqual((response.status, body), (200, "fold ПРＦ\n".encode("utf-8")))
        self.assertEqual(self.get("/fold/%D0%BF%D0%A0%EF%BC%A6")[0].status, 404)  # "пРＦ"
        self.assertEqual(self.get("/fold/%D0%9F%D0%A0%EF%BD%86")[0].status, 404)  # "ПРｆ"

    def test_echo_returns_the_request_head(self):
        request = b"GET /echo HTTP/1.1\r\nHost: x\r\nAccept: */*\r\nConnection: close\r\n\r\n"
        data = raw_exchange(self.port, request)
        self.assertTrue(data.endswith(b"\r\n\r\n" + request))

    def test_target_returns_the_target_as_sent(self):
        request = b"GET /target/%E4%B8%AD/a%20b?q=\xd6\xd0 HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"
        data = raw_exchange(self.port, request)
        self.assertTrue(data.endswith(b"\r\n\r\n/target/%E4%B8%AD/a%20b?q=\xd6\xd0\n"), data)

    def test_keep_alive_and_connection_close(self):
        self.get("/__reset")
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=5)
        for path in ("/lf", "/crlf"):
            conn.request("GET", path)
            conn.getresponse().read()
        conn.close()
        log = json.loads(self.get("/__requests")[1])
        self.assertEqual([(e["path"], e["seq"]) for e in log], [("/lf", 1), ("/crlf", 2)])
        self.assertEqual(log[0]["connection"], log[1]["connection"])
        data = raw_exchange(self.port, b"GET /lf HTTP/1.1\r\nConnection: close\r\n\r\n"
                                       b"GET /crlf HTTP/1.1\r\n\r\n")
        self.assertIn(b"Connection: close", data)
        self.assertEqual(data.count(b"HTTP/1.1 200"), 1)

    def test_request_record(self):
        self.assertEqual(self.get("/__reset")[1], b"ok\n")
        headers = {"Accept": "*/*",
                   "User-Agent": "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)"}
        self.get("/lf?x=1", headers)
        self.get("/status/404")
        log = json.loads(self.get("/__requests")[1])
        self.assertEqual([e["path"] for e in log], ["/lf?x=1", "/status/404"])
        first = log[0]
        self.assertEqual((first["method"], first["port"], first["tls"]), ("GET", self.port, False))
        self.assertIn(["User-Agent", headers["User-Agent"]], first["headers"])
        self.assertIn("\r\nAccept: */*\r\n", first["raw"])
        filtered = json.loads(self.get("/__requests?path=/status")[1])
        self.assertEqual([e["path"] for e in filtered], ["/status/404"])
        self.get("/__reset")
        self.assertEqual(json.loads(self.get("/__requests")[1]), [])

    def test_tls_ports(self):
        trusting = ssl.create_default_context(cafile=os.path.join(self.certs, "ca.pem"))
        for host in ("localhost", "127.0.0.1"):
            with self.subTest(host=host):
                conn = http.client.HTTPSConnection(host, self.ports["tls"], context=trusting,
                                                   timeout=10)
                conn.request("GET", "/crlf")
                self.assertEqual(conn.getresponse().read(), pageserver.CRLF_BODY)
                conn.close()
        conn = http.client.HTTPSConnection("localhost", self.ports["selfsigned"],
                                           context=trusting, timeout=10)
        with self.assertRaises(ssl.SSLCertVerificationError):
            conn.request("GET", "/lf")
        conn.close()

    def test_site_references_resolve(self):
        pages = {"/site/index.html": "/site/", "/site/frame.html": "/site/",
                 "/site/css/main.css": "/site/css/", "/site/css/more.css": "/site/css/"}
        seen = set()
        for page, base in pages.items():
            response, body = self.get(page)
            self.assertEqual(response.status, 200, page)
            parser = Refs()
            parser.feed(body.decode("utf-8"))
            for ref in parser.refs:
                path = os.path.normpath(base + ref)
                seen.add(path)
                expected = {"missing.png": 404, "redirect-img": 302}.get(path.split("/")[-1], 200)
                self.assertEqual(self.get(path)[0].status, expected, path)
        self.assertTrue({"/site/img/red.png", "/site/img/bg.png", "/site/img/inline.png",
                         "/site/img/attr.png", "/site/img/frame.png", "/site/fonts/test.woff2",
                         "/site/favicon.ico", "/site/js/app.js"} <= seen)
        self.assertEqual(self.get("/site/index.html")[0].getheader("Content-Type"),
                         "text/html; charset=utf-8")

    def test_images_are_valid_png(self):
        for name, data in site_assets.SITE_IMAGES.items():
            with self.subTest(name=name):
                width, height, rows = png_pixels(self.get("/site/" + name)[1])
                self.assertEqual(len(rows), height * (1 + 3 * width))
        icon = self.get("/site/favicon.ico")[1]
        self.assertEqual(icon[:6], b"\x00\x00\x01\x00\x01\x00")
        png_pixels(icon[22:])

    def test_gbk_page_declares_itself(self):
        response, body = self.get("/site/gbk.html")
        self.assertEqual(response.getheader("Content-Type"), "text/html")
        text = body.decode("gbk")
        self.assertIn('<meta charset="gbk">', text)
        self.assertIn(site_assets.GBK_TITLE, text)
        self.assertIn(b"\\", body)  # a trail byte that looks like a backslash

    def test_site50_images_are_delayed(self):
        _, body = self.get("/site50/index.html")
        self.assertEqual(body.count(b"<img "), site_assets.SITE50_COUNT)
        start = time.monotonic()
        response, data = self.get("/site50/img/49.png")
        self.assertGreaterEqual(time.monotonic() - start, 0.05)
        png_pixels(data)
        self.assertEqual(self.get("/site50/img/50.png")[0].status, 404)

    def test_charset_pages(self):
        _, body = self.get("/charset/gbk.html")
        self.assertIn('<img src="\u4e2d/\u6587.png?q=\u641c\u7d22">', body.decode("gbk"))
        _, body = self.get("/charset/srcdoc.html")
        self.assertIn(b"srcdoc=", body)
        response, data = self.get("/charset/%E4%B8%AD/x.png?q=%CB%D1")
        self.assertEqual(response.getheader("Content-Type"), "image/png")
        png_pixels(data)


    def test_stand_in_ports(self):
        # The clogged port: the handshake is dropped, so a connection never completes.
        with socket.socket() as sock:
            sock.settimeout(1.5)
            with self.assertRaises(socket.timeout):
                sock.connect(("127.0.0.1", self.ports["clogged"]))
        # The mute port: connected, the request taken, nothing ever sent back.
        with socket.create_connection(("127.0.0.1", self.ports["mute"]), timeout=1.5) as sock:
            sock.sendall(b"GET / HTTP/1.1\r\nHost: x\r\n\r\n")
            with self.assertRaises(socket.timeout):
                sock.recv(1)
        response, body = self.get("/standins/2/1/1/p")
        refs = re.findall(rb'src="([^"]+)"', body)
        self.assertEqual(len(refs), 5)
        self.assertEqual(len(set(refs)), 5)
        self.assertIn(b"http://127.0.0.1:%d/" % self.ports["clogged"], refs[0])
        self.assertIn(b"https://127.0.0.1:%d/" % self.ports["mute"], refs[3])
        self.assertEqual(refs[4], b"/site/img/red.png")

    def test_encoded_answers_whatever_was_asked(self):
        lf = b"first line\nsecond line\nthird line\n"
        decoders = {
            "gzip": ("gzip", lambda b: zlib.decompress(b, 31)),
            "x-gzip": ("x-gzip", lambda b: zlib.decompress(b, 31)),
            "deflate": ("deflate", zlib.decompress),
            "rawdeflate": ("deflate", lambda b: zlib.decompress(b, -15)),
            "unknown": ("x-unknown", lambda b: b),
        }
        for name, (header, decode) in decoders.items():
            with self.subTest(encoding=name):
                response, body = self.get("/encoded/%s/lf" % name)
                self.assertEqual(response.getheader("Content-Encoding"), header)
                self.assertEqual(int(response.getheader("Content-Length")), len(body))
                self.assertEqual(decode(body), lf)
        response, body = self.get("/encoded/corrupt/lf")
        with self.assertRaises(zlib.error):
            zlib.decompress(body, 31)
        # A brotli stream of stored meta-blocks: WBITS, the block header, the bytes, the end.
        response, body = self.get("/encoded/br/lf")
        self.assertEqual(response.getheader("Content-Encoding"), "br")
        header = int.from_bytes(body[:3], "little")
        self.assertEqual((header & 1, header >> 1 & 1, header >> 2 & 3), (0, 0, 0))
        self.assertEqual((header >> 4 & 0xFFFF) + 1, len(lf))
        self.assertEqual(header >> 20 & 1, 1)
        self.assertEqual(body[3:-1], lf)
        self.assertEqual(body[-1:], b"\x03")
        # Any route that answers at once; big/N made whole; relative references stay inside.
        _, body = self.get("/encoded/gzip/big/100000")
        self.assertEqual(zlib.decompress(body, 31), pageserver.pattern(100000))
        self.assertLess(len(body), 2000)
        response, body = self.get("/encoded/gzip/site/css/main.css")
        self.assertEqual(response.getheader("Content-Type"), "text/css")
        self.assertIn(b'@import url("more.css")', zlib.decompress(body, 31))
        self.assertEqual(self.get("/encoded/zstd/lf")[0].status, 404)


class ServerProcessTest(unittest.TestCase):
    def test_sample_site_and_its_url_list(self):
        with tempfile.TemporaryDirectory() as tmp:
            sample = os.path.join(HERE, "..", "..", "tools", "sample-site")
            urls = os.path.join(tmp, "urls.txt")
            proc, ports = start_server(tmp, "--sample", sample, "--http-port", "0",
                                       "--sample-urls", urls)
            try:
                with open(urls) as f:
                    listed = f.read().split()
                self.assertTrue(listed)
                for url in listed:
                    path = url.split("%d" % ports["http"], 1)[1]
                    conn = http.client.HTTPConnection("127.0.0.1", ports["http"], timeout=5)
                    conn.request("GET", path)
                    self.assertEqual(conn.getresponse().status, 200, url)
                    conn.close()
            finally:
                self.assertEqual(stop_server(proc), 0)

    def test_with_server_passes_ports_and_exit_code(self):
        script = os.path.join(HERE, "with_server.sh")
        command = ('exec 3<>/dev/tcp/127.0.0.1/"$BRINDLOW_HTTP_PORT" && '
                   'test -z "${BRINDLOW_TLS_PORT:-}" && exit 7')
        result = subprocess.run([script, "--", "bash", "-c", command], timeout=60)
        self.assertEqual(result.returncode, 7)

    def test_exits_by_itself(self):
        with tempfile.TemporaryDirectory() as tmp:
            proc, _ = start_server(tmp, "--max-seconds", "0.5")
            self.assertEqual(proc.wait(timeout=10), 0)


if __name__ == "__main__":
    unittest.main()
