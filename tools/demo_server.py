#!/usr/bin/env python3
"""Local demo server for running the installer on a development machine (loopback only).

Serves what the installer's demo build talks to:
  POST /api/device/report          a successful report answer naming the package on this server
  GET  /Orbelin.zip                the demo package, if one has been built (else 404)
  GET  /orbelin/user-agreement.html and /orbelin/privacy-policy.html

    demo_server.py [--port 18080] [--package PATH] [--seconds S]

--seconds spreads the package over about S seconds, so that the progress bar can be watched.
"""
import argparse
import json
import os
import sys
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

DOCUMENTS = {
    "/orbelin/user-agreement.html": "用户协议（演示）",
    "/orbelin/privacy-policy.html": "隐私协议（演示）",
}


def make_handler(port, package, seconds):
    class Handler(BaseHTTPRequestHandler):
        server_version = "OrbelinDemo/1"

        def log_message(self, fmt, *args):
            sys.stderr.write("[demo-server] " + (fmt % args) + "\n")

        def send_bytes(self, status, body, content_type, seconds=0.0):
            self.send_response(status)
            self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            if self.command == "HEAD":
                return
            if seconds <= 0:
                self.wfile.write(body)
                return
            chunks = 50
            step = max(1, (len(body) + chunks - 1) // chunks)
            for start in range(0, len(body), step):
                self.wfile.write(body[start:start + step])
                self.wfile.flush()
                time.sleep(seconds / chunks)

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
                    with open(package, "rb") as f:
                        self.send_bytes(200, f.read(), "application/zip", seconds)
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
    args = parser.parse_args()
    server = ThreadingHTTPServer(("127.0.0.1", args.port), make_handler(args.port, args.package, args.seconds))
    print("[demo-server] listening on http://127.0.0.1:%d" % args.port, file=sys.stderr, flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
