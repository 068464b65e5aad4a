#!/usr/bin/env python3
"""Local demo server for running the installer on a development machine (loopback only).

Serves what the installer's demo build talks to:
  POST /api/device/report          a successful report answer naming the package on this server
  GET  /Orbelin.zip                the demo package, if one has been built (else 404)
  GET  /orbelin/user-agreement.html and /orbelin/privacy-policy.html

    demo_server.py [--port 18080] [--package PATH] [--seconds S] [--drop-after N]

--seconds spreads the package over about S seconds, so that the progress bar can be watched.
--drop-after cuts the first two package answers after N bytes of their body, as a network that
drops does; later answers are whole. The package carries an ETag and honours "Range: bytes=S-"
(206 with Content-Range) unless an If-Range names another validator (then the whole, 200), so an
installer that resumes can finish.
"""
import argparse
import hashlib
import json
import os
import re
import socket
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

DOCUMENTS = {
    "/orbelin/user-agreement.html": "用户协议（演示）",
    "/orbelin/privacy-policy.html": "隐私协议（演示）",
}


class Drops:
    """How many package answers are still to be cut, shared by the handler threads."""

    def __init__(self, count):
        self.left = count
        self.lock = threading.Lock()

    def take(self):
        with self.lock:
            if self.left <= 0:
                return False
            self.left -= 1
            return True


def requested_start(headers, etag, size):
    """The first byte a Range request asks for, or None for the whole package."""
    match = re.fullmatch(r"bytes=(\d+)-\d*", (headers.get("Range") or "").strip())
    if not match:
        return None
    validator = headers.get("If-Range")
    if validator is not None and validator.strip() != etag:
        return None  # the copy the client holds is another one: it gets the whole package
    return int(match.group(1)) if int(match.group(1)) < size else None  # else the whole: nothing is left to resume


def make_handler(port, package, seconds, drop_after, drops):
    class Handler(BaseHTTPRequestHandler):
        server_version = "OrbelinDemo/1"

        def log_message(self, fmt, *args):
            sys.stderr.write("[demo-server] " + (fmt % args) + "\n")

        def send_bytes(self, status, body, content_type, seconds=0.0, headers=(), cut_after=None, pace=None):
            self.send_response(status)
            self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(len(body)))
            for name, value in headers:
                self.send_header(name, value)
            self.end_headers()
            if self.command == "HEAD":
                return
            if cut_after is not None:
                body = body[:cut_after]
            if seconds <= 0:
                self.wfile.write(body)
            else:
                # The same pace for a part as for the whole: 1/50 of `pace` bytes each 1/50 of S.
                chunks = 50
                step = max(1, ((pace or len(body)) + chunks - 1) // chunks)
                for start in range(0, len(body), step):
                    self.wfile.write(body[start:start + step])
                    self.wfile.flush()
                    time.sleep(seconds / chunks)
            if cut_after is not None:
                # What was sent arrives, then the connection ends short of its Content-Length.
                self.wfile.flush()
                self.close_connection = True
                self.connection.shutdown(socket.SHUT_RDWR)

        def send_package(self):
            with open(package, "rb") as f:
                data = f.read()
            etag = '"%s"' % hashlib.sha256(data).hexdigest()[:32]
            headers = [("ETag", etag), ("Accept-Ranges", "bytes")]
            start = requested_start(self.headers, etag, len(data))
            status = 200
            if start is not None:
                status = 206
                headers.append(("Content-Range", "bytes %d-%d/%d" % (start, len(data) - 1, len(data))))
                data = data[start:]
            cut = drop_after if drop_after and self.command == "GET" and drops.take() else None
            self.send_bytes(status, data, "application/zip", seconds, headers, cut, pace=os.path.getsize(package))

        def do_POST(self):
            length = int(self.headers.get("Content-Length") or 0)
            self.rfile.read(min(length, 1 << 20))
            if self.path != "/api/device/report":
                self.send_bytes(404, b"not found", "text/plain")
                return
            answer = {
                "code": 0,
                "data": {
                    "main_url": "http://127.0.0.1:%d/Orbelin.zip" % port,
                    "version": "1.0.0.49",
                    "token": "demo-device-token",
                },
            }
            self.send_bytes(200, json.dumps(answer, separators=(",", ":")).encode(), "application/json")

        def do_GET(self):
            if self.path == "/Orbelin.zip":
                if package and os.path.isfile(package):
                    self.send_package()
                else:
                    self.send_bytes(404, b"no demo package has been built", "text/plain")
                return
            title = DOCUMENTS.get(self.path)
            if title is None:
                self.send_bytes(404, b"not found", "text/plain")
                return
            page = "<!doctype html><meta charset=utf-8><title>%s</title><h1>%s</h1>" % (title, title)
            self.send_bytes(200, page.encode("utf-8"), "text/html; charset=utf-8")

        do_HEAD = do_GET

    return Handler


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=18080)
    parser.add_argument("--package", default="")
    parser.add_argument("--seconds", type=float, default=0.0)
    parser.add_argument("--drop-after", type=int, default=0)
    args = parser.parse_args()
    handler = make_handler(args.port, args.package, args.seconds, args.drop_after, Drops(2))
    server = ThreadingHTTPServer(("127.0.0.1", args.port), handler)
    print("[demo-server] listening on http://127.0.0.1:%d" % args.port, file=sys.stderr, flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
