#!/usr/bin/env python3
"""A loopback OAuth 2.0 authorization server for the sign-in tests, over HTTPS with the test
certificates: PORT with the good one, PORT+1 with one from a root nobody trusts.
GET /authorize approves at once (login_hint "deny": access_denied); POST /token grants codes
(checking PKCE S256) and refresh tokens; POST /control takes the test's levers (rotate=1,
revoke=all, fail=STATUS for the next token request, browse=URL for the test browser, reset)
and answers the counts of token requests as a form. Usage: oauth_server.py PORT CERTS_DIR"""

import base64
import hashlib
import http.client
import json
import secrets
import ssl
import sys
import threading
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

lock = threading.Lock()
state = {}


def reset():
    state.update(rotate=False, fail=0, codes={}, refresh={},
                 counts={"authorization_code": 0, "refresh_token": 0}, serial=0)


reset()


def issue(user):  # "token-USER.N", as introspect.py would take it
    state["serial"] += 1
    return f"token-{user}.{state['serial']}"


def follow(url, context):
    """The test browser: the authorize page, then its redirect, each with a plain GET."""
    try:
        target = urllib.parse.urlsplit(url)
        page = http.client.HTTPSConnection(target.hostname, target.port, context=context, timeout=10)
        page.request("GET", f"{target.path}?{target.query}")
        location = page.getresponse().getheader("Location")
        back = urllib.parse.urlsplit(location)
        redirect = http.client.HTTPConnection(back.hostname, back.port, timeout=10)
        redirect.request("GET", f"{back.path}?{back.query}")
        redirect.getresponse().read()
    except Exception as error:  # the test sees the sign-in time out
        print("browser:", error, file=sys.stderr)


class Server(BaseHTTPRequestHandler):
    context = None

    def answer(self, status, body, kind="application/json", location=None):
        data = body.encode()
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(data)))
        if location:
            self.send_header("Location", location)
        self.end_headers()
        self.wfile.write(data)

    def form(self):
        length = int(self.headers.get("Content-Length", "0"))
        return {k: v[0] for k, v in urllib.parse.parse_qs(self.rfile.read(length).decode()).items()}

    def do_GET(self):
        target = urllib.parse.urlsplit(self.path)
        query = {k: v[0] for k, v in urllib.parse.parse_qs(target.query).items()}
        if target.path != "/authorize" or query.get("code_challenge_method") != "S256":
            return self.answer(404, "{}")
        back = {"state": query.get("state", "")}
        if query.get("login_hint") == "deny":
            back["error"] = "access_denied"
        else:
            code = secrets.token_urlsafe(16)
            with lock:
                state["codes"][code] = query
            back["code"] = code
        location = query["redirect_uri"] + "?" + urllib.parse.urlencode(back)
        self.answer(302, "", "text/plain", location)

    def do_POST(self):
        form = self.form()
        with lock:
            path = self.path
            if path == "/token":
                return self.token(form)
            if path == "/control":
                return self.control(form)
        self.answer(404, "{}")

    def control(self, form):
        if form.get("reset"):
            reset()
        if "rotate" in form:
            state["rotate"] = form["rotate"] == "1"
        if "fail" in form:
            state["fail"] = int(form["fail"])
        if form.get("revoke") == "all":
            state["refresh"].clear()
        if "browse" in form:
            threading.Thread(target=follow, args=(form["browse"], self.context)).start()
        self.answer(200, urllib.parse.urlencode(state["counts"]), "text/plain")

    def refused(self, error):
        self.answer(400, json.dumps({"error": error, "error_description": "refused by the test"}))

    def token(self, form):
        grant = form.get("grant_type", "")
        if grant not in state["counts"]:
            return self.refused("unsupported_grant_type")
        state["counts"][grant] += 1
        if state["fail"]:
            status, state["fail"] = state["fail"], 0
            return self.answer(status, "<html>busy</html>", "text/html")
        if grant == "authorization_code":
            asked = state["codes"].pop(form.get("code"), None)
            verifier = form.get("code_verifier", "").encode()
            challenge = base64.urlsafe_b64encode(hashlib.sha256(verifier).digest()).rstrip(b"=")
            if (not asked or asked["redirect_uri"] != form.get("redirect_uri")
                    or asked["client_id"] != form.get("client_id")
                    or asked["code_challenge"].encode() != challenge):
                return self.refused("invalid_grant")
            user = asked.get("login_hint", "someone")
        else:
            user = state["refresh"].get(form.get("refresh_token"))
            if not user:
                return self.refused("invalid_grant")
        answer = {"access_token": issue(user), "token_type": "Bearer",
                  "expires_in": 3600}
        if grant == "authorization_code" or state["rotate"]:
            if grant == "refresh_token":
                del state["refresh"][form["refresh_token"]]
            fresh = "refresh-" + secrets.token_urlsafe(24)
            state["refresh"][fresh] = user
            answer["refresh_token"] = fresh
        self.answer(200, json.dumps(answer))

    def log_message(self, *args):
        pass


def serve(port, certs, name):
    server = ThreadingHTTPServer(("127.0.0.1", port), Server)
    tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    tls.load_cert_chain(f"{certs}/{name}.pem", f"{certs}/{name}.key")
    server.socket = tls.wrap_socket(server.socket, server_side=True)
    return server


def main():
    port, certs = int(sys.argv[1]), sys.argv[2]
    Server.context = ssl.create_default_context(cafile=f"{certs}/ca.pem")
    stranger = serve(port + 1, certs, "untrusted")
    threading.Thread(target=stranger.serve_forever, daemon=True).start()
    serve(port, certs, "good").serve_forever()


main()
