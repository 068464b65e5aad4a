#!/usr/bin/env python3
"""HTTP and HTTPS test server for the installer's network tests (127.0.0.1 only).

Every request under /t/<id>/... is recorded under its <id>, so tests that run in parallel each
see only their own traffic. Routes (same on the HTTP and the HTTPS port; GET and POST alike):

  POST /_answer/<id>            configure the report answer for <id>: JSON
                                {"status": int, "body_hex": str, "delay": seconds,
                                 "headers": [[name, value], ...], "announce": int,
                                 "drip": [piece_bytes, gap_ms], "linger": seconds}
                                (all but "status" optional; see respond() for their meaning)
  GET  /_requests/<id>          the requests recorded for <id> (format below)

  POST /t/<id>/api/device/report          the configured answer (404 when none)
  GET  /t/<id>/len/<n>                    n body bytes with Content-Length (bytes: see pattern())
  GET  /t/<id>/chunked/<n>[/cut]          n body bytes, chunked, no length; "cut" closes the
                                          connection without the final chunk
  GET  /t/<id>/redirect/<k>/<rest...>     a chain of k 302s ending at /t/<id>/<rest>
  GET  /t/<id>/loop                       a 302 back to itself, forever
  GET  /t/<id>/cross/<rest...>            302 to /t/<id>/<rest> on the other port (HTTP <-> HTTPS)
  GET  /t/<id>/goto/<scheme>              302 to <scheme>://127.0.0.1/Orbelin.zip (ftp, file, ...)
  GET  /t/<id>/status/<code>[/<n>]        that status with a small error page, or with n body bytes
                                          (0: an empty body)
  GET  /t/<id>/partial/<announced>/<sent> announces one length, sends another number of bytes
                                          (fewer or more), closes
  GET  /t/<id>/headerstall/<seconds>      accepts the request, sends nothing, closes after the wait
                                          (0: hangs up at once)
  GET  /t/<id>/stall/<seconds>[/<announced>]  announces 1000 (or <announced>) bytes, sends 10,
                                          then waits and closes
  GET  /t/<id>/slow/<n>/<ms>              n bytes in 16 KiB pieces, <ms> apart
  GET  /t/<id>/file/<name>                the file <name> from the --files folder
  GET  /t/<id>/pkg/<n>[?faults]           n pattern bytes with an ETag, honouring Range and If-Range
                                          (206, or 200 when the validator differs), with faults:
                                            cut=B&times=K   the first K answers (all without K)
                                                            close after B body bytes
                                            stall=S         ... and go silent S seconds first
                                            rate=R          R body bytes a second
                                            norange=1       Range is ignored (always 200)
                                            refuse=1        a Range is answered 416
                                            newetag=1       a new ETag each answer, If-Range ignored
                                            lastmod=1       Last-Modified instead of an ETag
                                            busy=K&after=S  the first K answers are 503 with
                                                            Retry-After: S

Recorded request format: per request "<method> <path>\\n", then "<header count>\\n", the header
lines "Name: value\\n", then "<body length>\\n" and the raw body bytes, then "\\n".

  orb_test_server.py --info FILE [--cert PEM --key PEM] [--files DIR]
writes "http_port https_port pid" to FILE once listening (https_port 0 without a certificate).
"""
import argparse
import json
import os
import ssl
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

LOCK = threading.Lock()
RECORDED = {}  # id -> list of bytes records
ANSWERS = {}  # id -> dict
SERVED = {}  # id -> answers given on the pkg route
PORTS = {"http": 0, "https": 0}  # where this server listens, for redirects across schemes
FILES_DIR = None
PIECE = 1 << 20


def pattern(offset, length):
    """Deterministic body bytes: byte i of a body is (i * 7 + i // 251) & 0xFF."""
    return bytes(((i * 7 + i // 251) & 0xFF) for i in range(offset, offset + length))


# Bodies larger than a few pieces repeat this block instead (their content is never compared).
BLOCK = pattern(0, PIECE)
BLOCK2 = BLOCK + BLOCK


def pattern_slice(total, offset, length):
    """Bytes offset..offset+length (at most one piece) of the body pattern_body(total) gives."""
    if total <= 4 * PIECE:
        return pattern(offset, length)
    start = offset % PIECE
    return BLOCK2[start:start + length]


def pattern_body(length):
    """A whole body of `length` bytes: the exact pattern up to four pieces, the block repeated past."""
    if length <= 4 * PIECE:
        return pattern(0, length)
    return (BLOCK * (length // PIECE + 1))[:length]


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "OrbTest/1"

    def log_message(self, fmt, *args):
        pass

    # -- helpers ---------------------------------------------------------------------------
    def read_body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length else b""

    def record(self, test_id, body):
        lines = ["%s %s" % (self.command, self.path), str(len(self.headers))]
        lines += ["%s: %s" % (k, v) for k, v in self.headers.items()]
        head = ("\n".join(lines) + "\n").encode("utf-8", "surrogateescape")
        entry = head + str(len(body)).encode() + b"\n" + body + b"\n"
        with LOCK:
            RECORDED.setdefault(test_id, []).append(entry)

    def send_simple(self, status, body, content_type="text/plain", extra=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def write_chunk(self, data):
        self.wfile.write(b"%x\r\n" % len(data) + data + b"\r\n")

    # -- dispatch --------------------------------------------------------------------------
    def do_GET(self):
        self.dispatch(b"")

    def do_POST(self):
        self.dispatch(self.read_body())

    def dispatch(self, body):
        parts = self.path.split("?")[0].strip("/").split("/")
        try:
            if parts[0] == "_answer" and len(parts) == 2:
                with LOCK:
                    ANSWERS[parts[1]] = json.loads(body.decode())
                return self.send_simple(200, b"ok")
            if parts[0] == "_requests" and len(parts) == 2:
                with LOCK:
                    data = b"".join(RECORDED.get(parts[1], []))
                return self.send_simple(200, data, "application/octet-stream")
            if parts[0] == "t" and len(parts) >= 3:
                self.record(parts[1], body)
                return self.scenario(parts[1], parts[2:])
        except OSError:
            # The client went away mid-answer (ended, timed out or refused the body): nothing to do.
            self.close_connection = True
            return
        self.send_simple(404, b"unknown route")

    def respond(self, status, body, content_type="application/octet-stream", headers=(), announce=None,
                delay=0.0, piece=0, gap=0.0, linger=0.0):
        """The general answer: `delay` seconds of silence before the status line, the headers
        (a Content-Type among `headers` replaces `content_type`), Content-Length `announce` (the
        body's length when None), the body in `piece`-byte pieces `gap` seconds apart (all at
        once when 0), then `linger` seconds of silence. The connection closes afterwards whenever
        the announced length and the body disagree or the server lingered."""
        if delay:
            time.sleep(delay)
        self.send_response(status)
        if not any(name.lower() == "content-type" for name, _ in headers):
            self.send_header("Content-Type", content_type)
        for name, value in headers:
            self.send_header(name, value)
        length = len(body) if announce is None else announce
        self.send_header("Content-Length", str(length))
        self.end_headers()
        step = piece or max(len(body), 1)
        for at in range(0, len(body), step):
            self.wfile.write(body[at:at + step])
            self.wfile.flush()
            if gap and at + step < len(body):
                time.sleep(gap)
        if linger:
            time.sleep(linger)
        if linger or length != len(body):
            self.close_connection = True

    def scenario(self, test_id, route):
        kind = route[0]
        if route == ["api", "device", "report"]:
            return self.report_answer(test_id)
        if kind == "len":
            return self.send_pattern(int(route[1]), chunked=False)
        if kind == "chunked":
            return self.send_pattern(int(route[1]), chunked=True, cut=route[2:] == ["cut"])
        if kind == "redirect":
            left = int(route[1])
            rest = "/".join(route[2:])
            target = "/t/%s/redirect/%d/%s" % (test_id, left - 1, rest) if left > 1 else "/t/%s/%s" % (test_id, rest)
            return self.send_simple(302, b"moved", extra=[("Location", target)])
        if kind == "loop":
            return self.send_simple(302, b"moved", extra=[("Location", "/t/%s/loop" % test_id)])
        if kind == "cross":
            tls = isinstance(self.connection, ssl.SSLSocket)
            target = "%s://127.0.0.1:%d/t/%s/%s" % ("http" if tls else "https", PORTS["http" if tls else "https"],
                                                    test_id, "/".join(route[1:]))
            return self.send_simple(302, b"moved", extra=[("Location", target)])
        if kind == "file" and len(route) == 2 and FILES_DIR and route[1] not in (".", ".."):
            path = os.path.join(FILES_DIR, route[1])
            if os.path.isfile(path):
                with open(path, "rb") as f:
                    return self.send_simple(200, f.read(), "application/zip")
        if kind == "goto":
            return self.send_simple(302, b"moved", extra=[("Location", "%s://127.0.0.1/Orbelin.zip" % route[1])])
        if kind == "status":
            if len(route) == 3:
                return self.respond(int(route[1]), pattern_body(int(route[2])))
            return self.send_simple(int(route[1]), b"<html><body>error page</body></html>", "text/html")
        if kind == "partial":
            return self.respond(200, pattern_body(int(route[2])), announce=int(route[1]))
        if kind == "headerstall":
            time.sleep(float(route[1]))
            self.close_connection = True
            return
        if kind == "stall":
            announced = int(route[2]) if len(route) == 3 else 1000
            return self.respond(200, pattern(0, 10), announce=announced, linger=float(route[1]))
        if kind == "pkg":
            return self.send_package(test_id, int(route[1]))
        if kind == "slow":
            return self.respond(200, pattern_body(int(route[1])), piece=16384, gap=int(route[2]) / 1000.0)
        if kind == "pac" and len(route) == 2:
            # GET /t/<id>/pac/<host:port>: a proxy auto-config script sending orb-proxy-test.example
            # through that proxy (then DIRECT) and every other host direct.
            script = ('function FindProxyForURL(url, host) {\n'
                      '    if (host == "orb-proxy-test.example") return "PROXY %s; DIRECT";\n'
                      '    return "DIRECT";\n}\n' % route[1])
            return self.send_simple(200, script.encode(), "application/x-ns-proxy-autoconfig")
        self.send_simple(404, b"unknown scenario")

    def report_answer(self, test_id):
        with LOCK:
            answer = ANSWERS.get(test_id)
        if answer is None:
            return self.send_simple(404, b"no answer configured")
        piece, gap_ms = answer.get("drip") or (0, 0)
        self.respond(int(answer.get("status", 200)), bytes.fromhex(answer.get("body_hex", "")), "application/json",
                     headers=[tuple(h) for h in answer.get("headers", [])], announce=answer.get("announce"),
                     delay=float(answer.get("delay") or 0), piece=int(piece), gap=gap_ms / 1000.0,
                     linger=float(answer.get("linger") or 0))

    def send_package(self, test_id, total):
        faults = dict(p.split("=", 1) for p in self.path.partition("?")[2].split("&") if "=" in p)
        with LOCK:
            served = SERVED.get(test_id, 0)
            SERVED[test_id] = served + 1
        if served < int(faults.get("busy", 0)):
            return self.send_simple(503, b"busy", extra=[("Retry-After", faults.get("after", "1"))])
        validator = ("ETag", '"v%d"' % (served if "newetag" in faults else 1))
        if "lastmod" in faults:
            validator = ("Last-Modified", "Wed, 09 Dec 2026 10:00:00 GMT")
        start = 0
        wanted = self.headers.get("Range", "")
        if wanted.startswith("bytes=") and wanted.endswith("-") and "norange" not in faults:
            if "refuse" in faults:
                return self.send_simple(416, b"", extra=[("Content-Range", "bytes */%d" % total)])
            if_range = self.headers.get("If-Range")
            if "newetag" in faults or if_range is None or if_range == validator[1]:
                start = int(wanted[6:-1])
        self.send_response(206 if start else 200)
        self.send_header("Content-Type", "application/zip")
        self.send_header(*validator)
        self.send_header("Content-Length", str(total - start))
        if start:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, total - 1, total))
        self.end_headers()
        cut = int(faults["cut"]) if "cut" in faults and served < int(faults.get("times", 1 << 30)) else None
        rate = int(faults.get("rate", 0))
        sent = 0
        while start + sent < total and (cut is None or sent < cut):
            n = min(PIECE, total - start - sent, rate // 10 or PIECE, PIECE if cut is None else cut - sent)
            self.wfile.write(pattern_slice(total, start + sent, n))
            sent += n
            if rate:
                self.wfile.flush()
                time.sleep(0.1)
        if cut is not None:
            self.wfile.flush()
            time.sleep(float(faults.get("stall", 0)))
            self.close_connection = True

    def send_pattern(self, total, chunked, cut=False):
        self.send_response(200)
        self.send_header("Content-Type", "application/zip")
        if chunked:
            self.send_header("Transfer-Encoding", "chunked")
        else:
            self.send_header("Content-Length", str(total))
        self.end_headers()
        if self.command == "HEAD":
            return
        sent = 0
        while sent < total:
            n = min(PIECE, total - sent)
            # Large bodies repeat one precomputed block; small ones carry the exact pattern.
            data = pattern(sent, n) if total <= 4 * PIECE else BLOCK[:n]
            if chunked:
                self.write_chunk(data)
            else:
                self.wfile.write(data)
            sent += n
        if cut:
            self.close_connection = True
        elif chunked:
            self.wfile.write(b"0\r\n\r\n")


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def serve(server):
    threading.Thread(target=server.serve_forever, daemon=True).start()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--info", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--files")
    args = parser.parse_args()
    global FILES_DIR
    FILES_DIR = args.files

    plain = Server(("127.0.0.1", 0), Handler)
    PORTS["http"] = plain.server_address[1]
    serve(plain)
    https_port = 0
    if args.cert:
        secure = Server(("127.0.0.1", 0), Handler)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        secure.socket = context.wrap_socket(secure.socket, server_side=True)
        https_port = secure.server_address[1]
        PORTS["https"] = https_port
        serve(secure)

    tmp = args.info + ".tmp"
    with open(tmp, "w") as f:
        f.write("%d %d %d\n" % (plain.server_address[1], https_port, os.getpid()))
    os.replace(tmp, args.info)
    # Stops by itself if the suite never stops it.
    time.sleep(float(os.environ.get("ORB_TEST_SERVER_LIFETIME", "3600")))
    return 0


if __name__ == "__main__":
    sys.exit(main())
