#!/usr/bin/env python3
"""A throwaway RFC 3161 timestamp server on loopback for the release signing test: each POSTed
TimeStampReq is answered by `openssl ts -reply` with the given ts configuration.

    tsa_server.py TS_CONFIG PORT_FILE

Listens on 127.0.0.1 on an ephemeral port, writes the port to PORT_FILE once it listens, and
serves until it is killed.
"""
import http.server
import os
import subprocess
import sys
import tempfile


class TimestampHandler(http.server.BaseHTTPRequestHandler):
    config = ""

    def do_POST(self):
        query = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        with tempfile.TemporaryDirectory() as work:
            tsq, tsr = os.path.join(work, "req.tsq"), os.path.join(work, "resp.tsr")
            with open(tsq, "wb") as f:
                f.write(query)
            result = subprocess.run(["openssl", "ts", "-reply", "-config", self.config, "-queryfile", tsq,
                                     "-out", tsr], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            if result.returncode != 0:
                sys.stderr.write(result.stdout.decode("utf-8", "replace"))
                self.send_error(500)
                return
            with open(tsr, "rb") as f:
                reply = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *args):
        pass


def main():
    TimestampHandler.config = sys.argv[1]
    server = http.server.HTTPServer(("127.0.0.1", 0), TimestampHandler)
    with open(sys.argv[2] + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    os.rename(sys.argv[2] + ".tmp", sys.argv[2])
    server.serve_forever()


if __name__ == "__main__":
    main()
