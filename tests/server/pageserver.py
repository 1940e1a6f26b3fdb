#!/usr/bin/env python3
"""Loopback web server for Brindlow's tests (Python 3 standard library only).

Usage:
    pageserver.py --port-file FILE [--http-port N] [--tls-port N] [--selfsigned-port N]
                  [--certs DIR] [--sample DIR] [--sample-urls FILE] [--max-seconds S]

Listens on 127.0.0.1 only. Ports are chosen by the system unless given. Once every port is
listening, FILE receives a JSON object such as {"http": 8123, "tls": 8124, "selfsigned": 8125}
(written to a temporary name and renamed, so a reader never sees half of it), with two more
ports that are not web servers at all: "clogged", a listener that never accepts and whose
accept queue is kept full, so that the system drops every further connection's handshake (as a
firewall that drops packets does: a connection there never completes), and "mute", which
accepts every connection, reads what comes and never sends a byte (an http URL there waits for
its answer's head, an https URL for the TLS handshake). The "tls" and
"selfsigned" ports exist only with --certs DIR: DIR holds the files of make_certs.sh (made
there first if missing); "tls" serves the certificate signed by the test authority, and
"selfsigned" the self-signed one. Every port serves the same routes. The server runs until
SIGTERM or SIGINT and then exits 0; it exits by itself after --max-seconds (default 1800).
With --sample DIR and no --http-port, the http port is 8765, the port that
tools/sample-site/urls.txt names; --sample-urls FILE writes such a list for the actual port.

Each response (headers and body) goes out in one write with TCP_NODELAY set, so no delayed
ACK skews a timing. Connections are kept alive (every response has a Content-Length) unless
the request says "Connection: close" or is HTTP/1.0 without keep-alive.

Routes of the text fetch. Bodies are exact bytes (type text/plain unless said otherwise);
PATTERN(n) is n bytes cycling through "A"-"Z", "a"-"z", "0"-"9" (62 bytes, then again).

    /lf                 b"first line\\nsecond line\\nthird line\\n"
    /crlf               b"first line\\r\\nsecond line\\r\\nthird line\\r\\n"
    /nolf               b"first line\\nlast line without end"
    /longline           PATTERN(10000), no line feed at all
    /longlines          b"short\\n" PATTERN(4093) b"\\n" PATTERN(4094) b"\\n" PATTERN(4095) b"\\n"
                        PATTERN(10000) b"\\n" b"tail" (no line feed after "tail")
    /at                 b"a(at)b\\n(AT)\\n( at )\\n((at))\\n(at)(at)\\nname(at)example.com\\n"
    /nul                b"before\\nab\\x00cd\\nafter\\n"
    /gbk                GBK_PAGE of site_assets.py: GBK bytes, text/html; charset=gbk
    /echo               the request's head exactly as received (request line, headers,
                        blank line)
    /chunked            the /lf body in Transfer-Encoding: chunked, one chunk per line
    /empty              status 200, empty body
    /status/N           status N with a small HTML body (none for 204 and 304); e.g. /status/404
                        gives b"<html><head><title>404 Not Found</title></head><body>"
                        b"<h1>404 Not Found</h1></body></html>\\n", type text/html; N outside
                        200-599 gives 400
    /redirect[?to=P]    302 to path P (default /lf) as an absolute URL on the host and port the
                        request's Host header named; a P that is itself an absolute http(s)
                        URL is sent as it is
    /slow/MS[/NAME]     waits MS milliseconds (at most 600000), then 200 with
                        b"slow MS NAME\\n" (b"slow MS\\n" without NAME)
    /silent[/MS]        reads the request and never answers; closes when the client does, or
                        after MS (default 30000)
    /stall[/MS]         Content-Length 20000, sends PATTERN(10000) and then nothing; closes when
                        the client does, or after MS (default 30000)
    /reset              Content-Length 100000, sends PATTERN(50000), waits 100 ms and resets
                        the connection (RST: SO_LINGER 0, then close)
    /big/N[?nolength]   PATTERN(N) streamed in pieces, never held whole (e.g. /big/20000000);
                        with ?nolength there is no Content-Length and the connection closes
                        at the end
    /trickle[/MS[/N]]   head at once (Content-Length N, default 40), then PATTERN(N) one byte
                        every MS (default 4000, at most 600000); N at most 1000
    /slowhead[/MS]      the whole answer (head, then b"slow head\n") one byte every MS
                        (default 3000)
    /loop/ANY           302 to its own target (an endless redirect)
    /endless[/N]        status N (default 200; a redirect status also names /lf as its
                        Location) with a chunked body that never ends, PATTERN chunks of 62 KB
                        sent as fast as the client reads them, until it goes away (at most
                        10 minutes)
    /encoded/ENC/PATH   the answer of /PATH (a route that answers in one piece; /big/N is
                        PATTERN(N) here) with its body encoded and Content-Encoding set,
                        whatever the request asked: ENC is gzip, x-gzip, deflate (zlib
                        format), rawdeflate (deflate without the zlib wrapper, as some servers
                        send it; named deflate), br (a valid brotli stream of stored blocks),
                        corrupt (named gzip; the stream damaged half-way) or unknown (named
                        x-unknown, the body as it is); e.g. /encoded/gzip/site/index.html
    /standins/C/M/T[/NAME]  text/html with C images on the clogged port, M on the mute port
                        (http), T on the mute port by https (each a distinct path) and one
                        good image, /site/img/red.png; e.g. /standins/2/0/0/p7
    /cookie[?to=P]      302 to path P (default /echo) as /redirect does, setting the cookie
                        brindlow=1 for the whole host
    /fold/NAME          200 with b"fold NAME\n" (NAME as UTF-8) when NAME has no lower-case
                        letter ("ПРИВЕТ", "ＦＯＬＤ"), else 404 as /status/404 ("привет"):
                        URLs that differ only in letter case, one fetched and one failing
    /hostile/page.html  text/html referring to /site/img/red.png, /loop/style.css (style
                        sheet), /trickle/4000/40 and /silent/120000 (images), /slowhead/3000
                        (script)
    anything else       404 as /status/404

Web archive routes (a small site; files under tests/server/site/, the rest from
site_assets.py):

    /site/index.html          text/html; charset=utf-8 in the header only (no meta charset):
                              <img> red.png, stylesheet css/main.css, icon favicon.ico, an
                              inline <style> with url(img/inline.png), a style="" with
                              url('img/attr.png'), <script src=js/app.js>, a missing image
                              img/missing.png (404), an image via /site/redirect-img, and an
                              <iframe src=frame.html>
    /site/css/main.css        @import url("more.css"); @font-face src url(../fonts/test.woff2)
    /site/css/more.css        .box background url(../img/bg.png)
    /site/frame.html          a document with its own image img/frame.png
    /site/js/app.js           application/javascript
    /site/gbk.html            GBK page declared by <meta charset="gbk">; header text/html
                              without a charset; shows img/red.png
    /site/img/*.png           red, blue, inline, attr, bg, frame: image/png (binary, NUL bytes)
    /site/img/missing.png     404
    /site/redirect-img        302 to /site/img/blue.png (absolute URL, as /redirect)
    /site/fonts/test.woff2    font/woff2
    /site/favicon.ico         image/x-icon
    /site50/index.html        50 images img/0.png .. img/49.png; each image is answered after
                              50 ms (the page itself at once)
    /charset/gbk.html         GBK page (<meta charset="gbk">, header without charset) with
                              <img src="中/文.png?q=搜索"> and <img src="img/a b.png">
    /charset/srcdoc.html      <iframe src=not-loaded.html srcdoc="..."> whose markup holds
                              <img src="img/srcdoc.png">
    /charset/...png           any other path ending in .png: image/png (the red image)
    /lazy/wechat.html         a WeChat-style article: body images only in data-src (no src, a
                              data: src, a placeholder file), a lazy srcset in a <picture>, one
                              data-src whose image is missing (404), a style sheet preloaded and
                              switched on at load (lazy/late.css), an SVG sprite (lazy/icons.svg)
    /lazy/img/*               image/png (the red image), but img/missing.png: 404
    /cap/page.html            past the archive's cap: 40 <img srcset> of 12 candidates each,
                              then 30 <img src> and an <iframe src=frame.html> with its image
    /cap/img/*                image/png (the blue image)

Sample site (with --sample DIR): /sample/PATH serves DIR/PATH.

    /target/ANYTHING    200, body the request target exactly as received and b"\n", for
                        checking how a client encodes a URL

Request record (these two routes are not recorded themselves):

    /__requests[?path=PREFIX]  JSON list, oldest first, of {"method", "path" (the target as
                               sent, query included), "version", "headers" ([name, value]
                               pairs in order), "raw" (the head as text), "port" (the
                               server's), "tls", "connection" (serial number of the TCP
                               connection), "seq" (number of the request on it, from 1),
                               "time" (seconds since the epoch)}
    /__reset                   clears the record; body b"ok\\n"
"""

import argparse
import json
import os
import signal
import socket
import socketserver
import ssl
import struct
import subprocess
import sys
import threading
import time
import urllib.parse
import zlib

import site_assets

HERE = os.path.dirname(os.path.abspath(__file__))
SITE_DIR = os.path.join(HERE, "site")
SAMPLE_PORT = 8765

ALPHABET = b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
# One streaming piece: a whole number of pattern periods, so pieces join seamlessly.
PATTERN_PIECE = ALPHABET * 1024


def pattern(n):
    """The first n bytes of the endless ALPHABET cycle."""
    whole, rest = divmod(n, len(ALPHABET))
    return ALPHABET * whole + ALPHABET[:rest]


def text_unit(seed):
    """64 bytes of the /text pages: an LF line that holds its seed and an address sign."""
    head = b"page %06d (at) " % seed
    return head + ALPHABET[:63 - len(head)] + b"\n"


LF_BODY = b"first line\nsecond line\nthird line\n"
CRLF_BODY = b"first line\r\nsecond line\r\nthird line\r\n"
NOLF_BODY = b"first line\nlast line without end"
LONGLINE_BODY = pattern(10000)
LONGLINES_BODY = b"short\n" + b"\n".join(pattern(n) for n in (4093, 4094, 4095, 10000)) + b"\ntail"
AT_BODY = b"a(at)b\n(AT)\n( at )\n((at))\n(at)(at)\nname(at)example.com\n"
NUL_BODY = b"before\nab\x00cd\nafter\n"

FIXED_BODIES = {
    "/lf": LF_BODY,
    "/crlf": CRLF_BODY,
    "/nolf": NOLF_BODY,
    "/longline": LONGLINE_BODY,
    "/longlines": LONGLINES_BODY,
    "/at": AT_BODY,
    "/nul": NUL_BODY,
}

REASONS = {
    200: "OK", 204: "No Content", 301: "Moved Permanently", 302: "Found", 304: "Not Modified",
    400: "Bad Request", 403: "Forbidden", 404: "Not Found", 500: "Internal Server Error",
    502: "Bad Gateway", 503: "Service Unavailable",
}

CONTENT_TYPES = {
    ".html": "text/html", ".htm": "text/html", ".css": "text/css",
    ".js": "application/javascript", ".png": "image/png", ".gif": "image/gif",
    ".jpg": "image/jpeg", ".svg": "image/svg+xml", ".ico": "image/x-icon",
    ".woff2": "font/woff2", ".txt": "text/plain",
}

SILENT_DEFAULT_MS = 30000
SLOW_MAX_MS = 600000
# An endless body still ends, so that a test that fails leaves no stream behind for ever.
ENDLESS_MAX_S = 600
SITE50_DELAY_S = 0.05
IDLE_TIMEOUT_S = 120
MAX_HEAD_BYTES = 65536


def status_page(code):
    if code in (204, 304):
        return b""
    title = "%d %s" % (code, REASONS.get(code, "Status"))
    return ("<html><head><title>%s</title></head><body><h1>%s</h1></body></html>\n"
            % (title, title)).encode("ascii")


def brotli_stored(data):
    """A brotli stream (RFC 7932) that holds `data` in uncompressed meta-blocks: the standard
    library has no brotli compressor, and a decoder must still read the stream as brotli."""
    out = bytearray()
    for start in range(0, len(data), 65536):
        block = data[start:start + 65536]
        # Bits from the lowest: ISLAST 0, MNIBBLES 0 (four nibbles), MLEN-1 in 16 bits,
        # ISUNCOMPRESSED 1; the stream's first block is preceded by WBITS 16 (one 0 bit). The
        # bytes follow from the next byte boundary.
        bits = (len(block) - 1) << 3 | 1 << 19
        if start == 0:
            bits <<= 1
        out += bits.to_bytes(3, "little") + block
    # The last meta-block, empty: ISLAST 1, ISLASTEMPTY 1 (after the WBITS bit if no block).
    out += b"\x03" if data else b"\x06"
    return bytes(out)


def encode_body(encoding, body):
    """(Content-Encoding value, encoded bytes) for /encoded/ENC; None for an unknown ENC."""
    if encoding in ("gzip", "x-gzip"):
        return encoding, gzip_bytes(body)
    if encoding == "deflate":
        return "deflate", zlib.compress(body)
    if encoding == "rawdeflate":
        packer = zlib.compressobj(wbits=-15)
        return "deflate", packer.compress(body) + packer.flush()
    if encoding == "br":
        return "br", brotli_stored(body)
    if encoding == "corrupt":
        packed = bytearray(gzip_bytes(body))
        for i in range(len(packed) // 2, len(packed) - 8):
            packed[i] ^= 0x5A
        return "gzip", bytes(packed)
    if encoding == "unknown":
        return "x-unknown", body
    return None


def gzip_bytes(body):
    packer = zlib.compressobj(wbits=31)
    return packer.compress(body) + packer.flush()


class Response:
    def __init__(self, status=200, body=b"", content_type="text/plain", headers=()):
        self.status = status
        self.body = body
        self.content_type = content_type
        self.headers = list(headers)


class Request:
    def __init__(self, method, target, version, headers, raw):
        self.method = method
        self.target = target
        self.version = version
        self.headers = headers
        self.raw = raw
        split = urllib.parse.urlsplit(target)
        self.path = urllib.parse.unquote(split.path)
        self.query = urllib.parse.parse_qs(split.query, keep_blank_values=True)

    def header(self, name):
        value = None
        for key, val in self.headers:
            if key.lower() == name.lower():
                value = val
        return value

    def keep_alive(self):
        connection = (self.header("Connection") or "").lower()
        if "close" in connection:
            return False
        return self.version == "HTTP/1.1" or "keep-alive" in connection


class RequestLog:
    """Every request the server saw, for the tests to inspect."""

    def __init__(self):
        self._lock = threading.Lock()
        self._entries = []

    def add(self, entry):
        with self._lock:
            self._entries.append(entry)

    def snapshot(self, prefix=None):
        with self._lock:
            return [e for e in self._entries if prefix is None or e["path"].startswith(prefix)]

    def clear(self):
        with self._lock:
            self._entries.clear()


def read_head(reader):
    """Reads one request head; None when the peer closed before a request began."""
    lines = []
    size = 0
    while True:
        line = reader.readline(MAX_HEAD_BYTES + 1)
        if not line:
            return None if not lines else b"".join(lines)
        size += len(line)
        if size > MAX_HEAD_BYTES:
            raise ValueError("request head too long")
        if not lines and line in (b"\r\n", b"\n"):
            continue  # stray blank lines between requests
        lines.append(line)
        if line in (b"\r\n", b"\n"):
            return b"".join(lines)


def parse_head(raw):
    text = raw.decode("latin-1")
    lines = text.split("\n")
    request_line = lines[0].rstrip("\r").split()
    if len(request_line) != 3:
        raise ValueError("bad request line")
    headers = []
    for line in lines[1:]:
        line = line.rstrip("\r")
        if not line:
            break
        name, _, value = line.partition(":")
        headers.append([name.strip(), value.strip()])
    return Request(request_line[0], request_line[1], request_line[2], headers, text)


def wait_for_peer_close(sock, seconds):
    """Discards whatever the client sends until it closes or `seconds` pass."""
    deadline = time.monotonic() + seconds
    while True:
        left = deadline - time.monotonic()
        if left <= 0:
            return
        sock.settimeout(left)
        try:
            if not sock.recv(65536):
                return
        except (socket.timeout, OSError):
            return


def int_segment(parts, index, default):
    try:
        return int(parts[index])
    except (IndexError, ValueError):
        return default


class Connection(socketserver.BaseRequestHandler):
    """One TCP connection: any number of requests, one after the other."""

    def setup(self):
        self.sock = self.request
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.conn_id = self.server.next_connection_id()

    def handle(self):
        site = self.server.site
        if self.server.tls_context is not None:
            self.sock.settimeout(10)
            try:
                self.sock = self.server.tls_context.wrap_socket(self.sock, server_side=True)
            except (ssl.SSLError, OSError):
                return  # e.g. a client that refuses the self-signed certificate
        self.sock.settimeout(IDLE_TIMEOUT_S)
        self.reader = reader = self.sock.makefile("rb")
        seq = 0
        try:
            while True:
                raw = read_head(reader)
                if raw is None:
                    return
                try:
                    req = parse_head(raw)
                except ValueError:
                    self.send(Response(400, status_page(400), "text/html"), False)
                    return
                length = int(req.header("Content-Length") or 0)
                if length:
                    reader.read(length)
                seq += 1
                if not req.path.startswith("/__"):
                    site.log.add({
                        "method": req.method, "path": req.target, "version": req.version,
                        "headers": req.headers, "raw": req.raw, "port": self.server.port,
                        "tls": self.server.tls_context is not None,
                        "connection": self.conn_id, "seq": seq, "time": time.time(),
                    })
                outcome = site.route(req, self)
                keep = req.keep_alive()
                if isinstance(outcome, Response):
                    self.send(outcome, keep, head_only=req.method == "HEAD")
                else:
                    keep = keep and outcome
                if not keep:
                    return
        except (OSError, ValueError):
            return  # the client went away or sent garbage

    def finish(self):
        if self.sock is not self.request:
            try:
                self.sock.close()
            except OSError:
                pass

    def head_bytes(self, status, content_type, length, keep, extra=()):
        lines = ["HTTP/1.1 %d %s" % (status, REASONS.get(status, "Status"))]
        if content_type:
            lines.append("Content-Type: " + content_type)
        if length is not None:
            lines.append("Content-Length: %d" % length)
        lines.append("Connection: " + ("keep-alive" if keep else "close"))
        lines.extend("%s: %s" % pair for pair in extra)
        return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")

    def send(self, response, keep, head_only=False):
        body = b"" if head_only else response.body
        ctype = response.content_type if response.status not in (204, 304) else None
        length = len(response.body) if response.status not in (204, 304) else None
        self.sock.sendall(self.head_bytes(response.status, ctype, length, keep,
                                          response.headers) + body)

    def absolute_url(self, req, path):
        scheme = "https" if self.server.tls_context is not None else "http"
        host = req.header("Host") or "127.0.0.1:%d" % self.server.port
        return "%s://%s%s" % (scheme, host, path)


class Site:
    """The routes, shared by every port."""

    def __init__(self, sample_dir=None):
        self.log = RequestLog()
        self.sample_dir = sample_dir
        self.clogged_port = 0  # set once the stand-in listeners exist
        self.mute_port = 0

    def route(self, req, conn):
        path = req.path
        if path == "/__requests":
            prefix = req.query.get("path", [None])[0]
            return Response(body=json.dumps(self.log.snapshot(prefix)).encode("utf-8"),
                            content_type="application/json")
        if path == "/__reset":
            self.log.clear()
            return Response(body=b"ok\n")
        if path in FIXED_BODIES:
            return Response(body=FIXED_BODIES[path])
        parts = path.strip("/").split("/")
        head = parts[0]
        handler = getattr(self, "route_" + head, None) if head.isidentifier() else None
        if handler is not None:
            return handler(req, conn, parts)
        return Response(404, status_page(404), "text/html")

    def route_gbk(self, req, conn, parts):
        return Response(body=site_assets.GBK_PAGE, content_type="text/html; charset=gbk")

    def route_echo(self, req, conn, parts):
        return Response(body=req.raw.encode("latin-1"))

    def route_empty(self, req, conn, parts):
        return Response(body=b"")

    def route_chunked(self, req, conn, parts):
        chunks = b"".join(b"%x\r\n%s\r\n" % (len(line), line)
                          for line in LF_BODY.splitlines(keepends=True))
        head = conn.head_bytes(200, "text/plain", None, req.keep_alive(),
                               [("Transfer-Encoding", "chunked")])
        conn.sock.sendall(head + chunks + b"0\r\n\r\n")
        return True

    def route_status(self, req, conn, parts):
        code = int_segment(parts, 1, 400)
        if not 200 <= code <= 599:
            code = 400
        return Response(code, status_page(code), "text/html")

    def route_redirect(self, req, conn, parts):
        target = req.query.get("to", ["/lf"])[0]
        if not target.startswith(("http://", "https://")):
            target = conn.absolute_url(req, target)
        return Response(302, b"", "text/html", [("Location", target)])

    def route_slow(self, req, conn, parts):
        ms = max(0, min(int_segment(parts, 1, 1000), SLOW_MAX_MS))
        time.sleep(ms / 1000.0)
        name = (" " + parts[2]) if len(parts) > 2 else ""
        return Response(body=("slow %d%s\n" % (ms, name)).encode("utf-8"))

    def route_silent(self, req, conn, parts):
        wait_for_peer_close(conn.sock, int_segment(parts, 1, SILENT_DEFAULT_MS) / 1000.0)
        return False

    def route_stall(self, req, conn, parts):
        conn.sock.sendall(conn.head_bytes(200, "text/plain", 20000, True) + pattern(10000))
        wait_for_peer_close(conn.sock, int_segment(parts, 1, SILENT_DEFAULT_MS) / 1000.0)
        return False

    def route_reset(self, req, conn, parts):
        conn.sock.sendall(conn.head_bytes(200, "text/plain", 100000, True) + pattern(50000))
        time.sleep(0.1)  # let the client take the head and part of the body first
        # Closing an SSLSocket sends no close_notify either: the client sees a bare RST.
        conn.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        conn.reader.close()  # the socket stays open while a file object refers to it
        conn.sock.close()
        return False

    def route_big(self, req, conn, parts):
        total = max(0, int_segment(parts, 1, 0))
        declared = "nolength" not in req.query
        keep = declared and req.keep_alive()
        head = conn.head_bytes(200, "application/octet-stream", total if declared else None, keep)
        piece = memoryview(PATTERN_PIECE)
        first = min(total, len(piece))
        conn.sock.sendall(head + piece[:first])
        sent = first
        while sent < total:
            n = min(total - sent, len(piece))
            conn.sock.sendall(piece[:n])
            sent += n
        return keep

    def route_text(self, req, conn, parts):
        """/text/SIZE/SEED: SIZE bytes of text_unit(SEED) over and over (text/html with ?html),
        so that large pages differ from each other and have lines and address signs; with
        ?nolength, without a length and spread over ?ms=MS."""
        size = max(0, int_segment(parts, 1, 0))
        unit = text_unit(max(0, int_segment(parts, 2, 0)))
        whole, rest = divmod(size, len(unit))
        ctype = "text/html" if "html" in req.query else "text/plain"
        body = unit * whole + unit[:rest]
        if "nolength" not in req.query:
            return Response(body=body, content_type=ctype)
        # No length, sent in pieces over ?ms=MS: every page of a batch is still arriving while
        # the others are, so that all their bodies are held at once.
        ms = max(0, min(int(req.query.get("ms", ["0"])[0] or 0), SLOW_MAX_MS))
        piece = 1 << 20
        pieces = max(1, (len(body) + piece - 1) // piece)
        conn.sock.sendall(conn.head_bytes(200, ctype, None, False))
        view = memoryview(body)
        for start in range(0, len(body), piece):
            conn.sock.sendall(view[start:start + piece])
            time.sleep(ms / 1000.0 / pieces)
        return False

    def route_site(self, req, conn, parts):
        rel = "/".join(parts[1:])
        if rel == "redirect-img":
            return Response(302, b"", "text/html",
                            [("Location", conn.absolute_url(req, "/site/img/blue.png"))])
        if rel == "gbk.html":
            return Response(body=site_assets.GBK_PAGE, content_type="text/html")
        if rel == "favicon.ico":
            return Response(body=site_assets.FAVICON, content_type="image/x-icon")
        if rel == "fonts/test.woff2":
            return Response(body=site_assets.FAKE_WOFF2, content_type="font/woff2")
        if rel in site_assets.SITE_IMAGES:
            return Response(body=site_assets.SITE_IMAGES[rel], content_type="image/png")
        response = file_response(SITE_DIR, rel)
        if rel == "index.html" and response.status == 200:
            response.content_type = "text/html; charset=utf-8"
        return response

    def route_site50(self, req, conn, parts):
        rel = "/".join(parts[1:])
        if rel == "index.html":
            return Response(body=site_assets.site50_page(), content_type="text/html")
        if len(parts) == 3 and parts[1] == "img" and parts[2].endswith(".png"):
            index = int_segment([parts[2][:-4]], 0, -1)
            if 0 <= index < site_assets.SITE50_COUNT:
                time.sleep(SITE50_DELAY_S)
                return Response(body=site_assets.site50_image(index), content_type="image/png")
        return Response(404, status_page(404), "text/html")

    def route_trickle(self, req, conn, parts):
        ms = max(1, min(int_segment(parts, 1, 4000), SLOW_MAX_MS))
        body = pattern(max(0, min(int_segment(parts, 2, 40), 1000)))
        conn.sock.sendall(conn.head_bytes(200, "text/plain", len(body), False))
        for i in range(len(body)):
            time.sleep(ms / 1000.0)
            conn.sock.sendall(body[i:i + 1])  # OSError once the client has gone
        return False

    def route_slowhead(self, req, conn, parts):
        ms = max(1, min(int_segment(parts, 1, 3000), SLOW_MAX_MS))
        body = b"slow head\n"
        data = conn.head_bytes(200, "text/plain", len(body), False) + body
        for i in range(len(data)):
            time.sleep(ms / 1000.0)
            conn.sock.sendall(data[i:i + 1])
        return False

    def route_endless(self, req, conn, parts):
        code = int_segment(parts, 1, 200)
        extra = [("Transfer-Encoding", "chunked")]
        if code in (301, 302, 303, 307, 308):
            extra.append(("Location", conn.absolute_url(req, "/lf")))
        conn.sock.sendall(conn.head_bytes(code, "text/plain", None, False, extra))
        chunk = b"%x\r\n%s\r\n" % (len(PATTERN_PIECE), PATTERN_PIECE)
        ends = time.monotonic() + ENDLESS_MAX_S
        while time.monotonic() < ends:
            conn.sock.sendall(chunk)  # raises once the client has gone
        return False

    def route_loop(self, req, conn, parts):
        return Response(302, b"", "text/html", [("Location", conn.absolute_url(req, req.target))])

    def route_hostile(self, req, conn, parts):
        page = (b'<html><head><link rel="stylesheet" href="/loop/style.css">'
                b'<script src="/slowhead/3000"></script></head><body>'
                b'<img src="/site/img/red.png"><img src="/trickle/4000/40">'
                b'<img src="/silent/120000"></body></html>\n')
        return Response(body=page, content_type="text/html")

    def route_sample(self, req, conn, parts):
        if self.sample_dir is None:
            return Response(404, status_page(404), "text/html")
        return file_response(self.sample_dir, "/".join(parts[1:]) or "index.html")

    def route_charset(self, req, conn, parts):
        rel = "/".join(parts[1:])
        if rel == "gbk.html":
            page = ('<html><head><meta charset="gbk"><title>\u4e2d\u6587</title></head><body>'
                    '<img src="\u4e2d/\u6587.png?q=\u641c\u7d22"><img src="img/a b.png">'
                    '</body></html>')
            return Response(body=page.encode("gbk"), content_type="text/html")
        if rel == "srcdoc.html":
            page = (b'<html><body><p>page</p><iframe src="not-loaded.html" srcdoc="&lt;p&gt;'
                    b'frame&lt;/p&gt;&lt;img src=&quot;img/srcdoc.png&quot;&gt;"></iframe>'
                    b'</body></html>')
            return Response(body=page, content_type="text/html; charset=utf-8")
        if rel.endswith(".png"):
            return Response(body=site_assets.SITE_IMAGES["img/red.png"], content_type="image/png")
        return Response(404, status_page(404), "text/html")

    def route_lazy(self, req, conn, parts):
        rel = "/".join(parts[1:])
        if rel == "wechat.html":
            return Response(body=site_assets.WECHAT_PAGE, content_type="text/html; charset=utf-8")
        if rel == "late.css":
            return Response(body=b".late{color:red}", content_type="text/css")
        if rel == "icons.svg":
            return Response(body=site_assets.ICONS_SVG, content_type="image/svg+xml")
        if rel.startswith("img/") and rel != "img/missing.png":
            return Response(body=site_assets.SITE_IMAGES["img/red.png"], content_type="image/png")
        return Response(404, status_page(404), "text/html")

    def route_cap(self, req, conn, parts):
        rel = "/".join(parts[1:])
        if rel == "page.html":
            return Response(body=site_assets.cap_page(), content_type="text/html")
        if rel == "frame.html":
            return Response(body=b'<img src="img/in-frame.png">', content_type="text/html")
        if rel.startswith("img/"):
            return Response(body=site_assets.SITE_IMAGES["img/blue.png"], content_type="image/png")
        return Response(404, status_page(404), "text/html")

    def route_fold(self, req, conn, parts):
        name = "/".join(parts[1:])
        if name != name.upper():
            return Response(404, status_page(404), "text/html")
        return Response(body=("fold %s\n" % name).encode("utf-8"))

    def route_target(self, req, conn, parts):
        return Response(body=req.target.encode("latin-1") + b"\n")

    def route_encoded(self, req, conn, parts):
        inner_path = "/" + "/".join(parts[2:])
        split = urllib.parse.urlsplit(req.target)
        inner = Request(req.method, urllib.parse.quote(inner_path) +
                        ("?" + split.query if split.query else ""), req.version, req.headers,
                        req.raw)
        inner_parts = inner.path.strip("/").split("/")
        if inner_parts[0] == "big":
            response = Response(body=pattern(max(0, int_segment(inner_parts, 1, 0))),
                                content_type="application/octet-stream")
        else:
            response = self.route(inner, conn)
        encoded = encode_body(parts[1] if len(parts) > 1 else "", b"")
        if not isinstance(response, Response) or encoded is None:
            return Response(404, status_page(404), "text/html")
        name, response.body = encode_body(parts[1], response.body)
        response.headers.append(("Content-Encoding", name))
        return response

    def route_standins(self, req, conn, parts):
        counts = [max(0, min(int_segment(parts, i, 0), 50)) for i in (1, 2, 3)]
        images = []
        for (scheme, port), count in zip((("http", self.clogged_port), ("http", self.mute_port),
                                          ("https", self.mute_port)), counts):
            images += ['<img src="%s://127.0.0.1:%d/img/%s-%d.png">' % (scheme, port, scheme, i)
                       for i in range(count)]
        images.append('<img src="/site/img/red.png">')
        page = "<html><head><title>stand-ins</title></head><body>%s</body></html>\n" % "".join(
            images)
        return Response(body=page.encode("ascii"), content_type="text/html")

    def route_cookie(self, req, conn, parts):
        target = req.query.get("to", ["/echo"])[0]
        return Response(302, b"", "text/html", [("Location", conn.absolute_url(req, target)),
                                                ("Set-Cookie", "brindlow=1; Path=/")])


def file_response(root, rel):
    """A file below root; 404 for anything missing or outside it."""
    root = os.path.realpath(root)
    full = os.path.realpath(os.path.join(root, rel))
    if not full.startswith(root + os.sep) or not os.path.isfile(full):
        return Response(404, status_page(404), "text/html")
    with open(full, "rb") as f:
        body = f.read()
    ctype = CONTENT_TYPES.get(os.path.splitext(full)[1].lower(), "application/octet-stream")
    return Response(body=body, content_type=ctype)


class Listener(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 128  # the archive benchmark opens many connections at once

    def __init__(self, port, site, tls_context=None):
        super().__init__(("127.0.0.1", port), Connection)
        self.port = self.server_address[1]
        self.site = site
        self.tls_context = tls_context
        self._ids = 0
        self._ids_lock = threading.Lock()

    def next_connection_id(self):
        with self._ids_lock:
            self._ids += 1
            return self._ids


class MuteConnection(socketserver.BaseRequestHandler):
    """Takes whatever the client sends and never answers, until it closes."""

    def handle(self):
        wait_for_peer_close(self.request, IDLE_TIMEOUT_S)


class MuteListener(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self):
        super().__init__(("127.0.0.1", 0), MuteConnection)
        self.port = self.server_address[1]


class CloggedListener:
    """A listening socket that never accepts, its accept queue filled by connections of its
    own: the system drops the handshake of every further connection, so none completes."""

    FILLERS = 4

    def __init__(self):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(0)
        self.port = self.sock.getsockname()[1]
        self.fillers = []
        for _ in range(self.FILLERS):
            filler = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            filler.setblocking(False)
            filler.connect_ex(("127.0.0.1", self.port))
            self.fillers.append(filler)
        time.sleep(0.2)  # the fillers' handshakes fill the queue

    def serve_forever(self, poll_interval=None):
        pass  # nothing to serve: the system does all there is to do

    def shutdown(self):
        pass

    def server_close(self):
        for filler in self.fillers:
            filler.close()
        self.sock.close()


CERT_FILES = ("ca.pem", "server.pem", "server.key", "selfsigned.pem", "selfsigned.key")


def tls_contexts(cert_dir):
    if not all(os.path.isfile(os.path.join(cert_dir, f)) for f in CERT_FILES):
        subprocess.run([os.path.join(HERE, "make_certs.sh"), cert_dir], check=True,
                       stdout=subprocess.DEVNULL)

    def context(name):
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.load_cert_chain(os.path.join(cert_dir, name + ".pem"),
                            os.path.join(cert_dir, name + ".key"))
        return ctx

    return context("server"), context("selfsigned")


def write_atomically(path, text):
    temp = path + ".tmp"
    with open(temp, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(temp, path)


def sample_urls(sample_dir, port):
    pages = sorted(f for f in os.listdir(sample_dir) if f.endswith(".html"))
    return "".join("http://127.0.0.1:%d/sample/%s\n" % (port, p) for p in pages)


def main(argv=None):
    parser = argparse.ArgumentParser(description="Loopback web server for Brindlow's tests.")
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--http-port", type=int)
    parser.add_argument("--tls-port", type=int, default=0)
    parser.add_argument("--selfsigned-port", type=int, default=0)
    parser.add_argument("--certs")
    parser.add_argument("--sample")
    parser.add_argument("--sample-urls")
    parser.add_argument("--max-seconds", type=float, default=1800)
    args = parser.parse_args(argv)

    http_port = args.http_port
    if http_port is None:
        http_port = SAMPLE_PORT if args.sample else 0
    site = Site(os.path.abspath(args.sample) if args.sample else None)
    listeners = {"http": Listener(http_port, site), "clogged": CloggedListener(),
                 "mute": MuteListener()}
    site.clogged_port = listeners["clogged"].port
    site.mute_port = listeners["mute"].port
    if args.certs:
        trusted, selfsigned = tls_contexts(args.certs)
        listeners["tls"] = Listener(args.tls_port, site, trusted)
        listeners["selfsigned"] = Listener(args.selfsigned_port, site, selfsigned)
    for listener in listeners.values():
        threading.Thread(target=listener.serve_forever, kwargs={"poll_interval": 0.2},
                         daemon=True).start()

    if args.sample and args.sample_urls:
        write_atomically(args.sample_urls, sample_urls(args.sample, listeners["http"].port))
    write_atomically(args.port_file,
                     json.dumps({name: l.port for name, l in listeners.items()}) + "\n")

    stop = threading.Event()
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, lambda *_: stop.set())
    deadline = time.monotonic() + args.max_seconds
    while not stop.is_set() and time.monotonic() < deadline:
        stop.wait(0.5)
    if not stop.is_set():
        print("pageserver: --max-seconds reached, exiting", file=sys.stderr)
    for listener in listeners.values():
        listener.shutdown()
        listener.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
