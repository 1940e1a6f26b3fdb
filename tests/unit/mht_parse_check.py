#!/usr/bin/env python3
"""Checks a web archive (.mht) with Python's own MIME parser, independently of our writer.

Usage: mht_parse_check.py ARCHIVE [--expect LOCATION=FILE ...] [--json]

Checks: CR LF line ends only; a multipart/related envelope with type="text/html", From,
Subject, Date, MIME-Version and Snapshot-Content-Location; a boundary containing "=_" that
occurs in no part; the page first, as text/html, stored under the snapshot location; every
part with an absolute, unique Content-Location and a quoted-printable or base64 body whose
lines are at most 76 characters. With --expect, the decoded bytes of the part stored at
LOCATION must equal FILE's. Prints one line per part (or JSON); exits 1 on any failure.
"""
import argparse
import email
import email.policy
import hashlib
import json
import sys
from urllib.parse import urlsplit


def check(path, expected):
    raw = open(path, "rb").read()
    problems = []
    if raw.replace(b"\r\n", b"").count(b"\n") or raw.replace(b"\r\n", b"").count(b"\r"):
        problems.append("line ends other than CR LF")
    msg = email.message_from_bytes(raw, policy=email.policy.default)
    for name in ("From", "Subject", "Date", "MIME-Version", "Snapshot-Content-Location"):
        if msg[name] is None:
            problems.append("envelope lacks " + name)
    if msg.get_content_type() != "multipart/related" or msg.get_param("type") != "text/html":
        problems.append("envelope is not multipart/related; type=text/html")
    boundary = msg.get_boundary() or ""
    if "=_" not in boundary:
        problems.append("boundary lacks '=_'")
    if not raw.rstrip(b"\r\n").endswith(("--" + boundary + "--").encode()):
        problems.append("no closing delimiter")

    parts = [] if not msg.is_multipart() else list(msg.iter_parts())
    summary, seen = [], set()
    for index, part in enumerate(parts):
        location = part["Content-Location"] or ""
        cte = (part["Content-Transfer-Encoding"] or "").lower()
        body = part.get_payload(decode=True) or b""
        encoded = part.get_payload(decode=False)
        encoded = encoded if isinstance(encoded, str) else ""
        split = urlsplit(location)
        if not split.scheme or not split.netloc:
            problems.append(f"part {index}: Content-Location not absolute: {location!r}")
        if location in seen:
            problems.append(f"part {index}: Content-Location repeated: {location}")
        seen.add(location)
        if cte not in ("quoted-printable", "base64"):
            problems.append(f"part {index}: Content-Transfer-Encoding {cte!r}")
        if any(len(line) > 76 for line in encoded.splitlines()):
            problems.append(f"part {index}: encoded line over 76 characters")
        if boundary and boundary in encoded:
            problems.append(f"part {index}: holds the boundary")
        summary.append({"location": location, "type": part["Content-Type"], "encoding": cte,
                        "bytes": len(body), "sha256": hashlib.sha256(body).hexdigest()})
        if location in expected:
            want = open(expected.pop(location), "rb").read()
            if body != want:
                problems.append(f"part {index}: decoded bytes differ from the expected file")
    if not parts:
        problems.append("no parts")
    elif parts[0].get_content_type() != "text/html" or \
            parts[0]["Content-Location"] != msg["Snapshot-Content-Location"]:
        problems.append("first part is not the text/html page at the snapshot location")
    for location in expected:
        problems.append("no part stored at " + location)
    return summary, problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("archive")
    parser.add_argument("--expect", action="append", default=[], metavar="LOCATION=FILE")
    parser.add_argument("--json", action="store_true")
    args = parser.parse_args()
    expected = dict(item.rsplit("=", 1) for item in args.expect)
    summary, problems = check(args.archive, expected)
    if args.json:
        print(json.dumps({"parts": summary, "problems": problems}, indent=1))
    else:
        for p in summary:
            print(f"{p['bytes']:>9}  {p['encoding']:<16}  {p['type']:<40}  {p['location']}")
        for problem in problems:
            print("FAIL:", problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
