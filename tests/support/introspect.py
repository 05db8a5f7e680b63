#!/usr/bin/env python3
"""A token introspection endpoint on loopback for Dovecot's oauth2 passdb: a token
"token-USER" or "token-USER.ANYTHING" is active and names USER; any other is inactive.
Usage: introspect.py PORT"""

import json
import sys
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


class Introspect(BaseHTTPRequestHandler):
    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        form = urllib.parse.parse_qs(self.rfile.read(length).decode())
        token = form.get("token", [""])[0]
        answer = {"active": False}
        if token.startswith("token-"):
            answer = {"active": True, "username": token[len("token-"):].split(".")[0]}
        body = json.dumps(answer).encode()
        self.send_response(200)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Introspect).serve_forever()
