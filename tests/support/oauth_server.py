#!/usr/bin/env python3
"""A loopback OAuth 2.0 authorization server for the sign-in tests, over HTTPS with the test
certificates. Usage: oauth_server.py PORT CERTS_DIR

PORT serves the good certificate, PORT+1 the one from a root nobody trusts. Paths:
  GET  /authorize   approves at once: redirects to redirect_uri with a code and the state (or
                    with error=access_denied when login_hint is "deny")
  POST /token       grants authorization_code (checks the PKCE S256 challenge and the
                    redirect_uri) and refresh_token; unknown or revoked grants get invalid_grant
  POST /introspect  for Dovecot's oauth2 passdb: a live access token names its user
  POST /control     the test's levers, all optional: lifetime=SECONDS for new access tokens,
                    rotate=1|0 (new refresh tokens on refresh), revoke=all, fail=STATUS (the
                    next token request gets it), browse=URL (a test browser follows URL, then
                    GETs the redirect, in the background), reset=1; answers the counts of token
                    requests as a form: authorization_code=N&refresh_token=N
Access tokens are "token-USER.N", USER the login hint, so that introspect.py's rule holds too."""

import base64
import hashlib
import http.client
import json
import secrets
import ssl
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

lock = threading.Lock()
state = {}


def reset():
    state.update(lifetime=3600, rotate=False, fail=0, codes={}, refresh={}, access={},
                 counts={"authorization_code": 0, "refresh_token": 0}, serial=0)


reset()


def issue(user):
    state["serial"] += 1
    access = f"token-{user}.{state['serial']}"
    state["access"][access] = (user, time.time() + state["lifetime"])
    return access


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
            if path == "/introspect":
                user, until = state["access"].get(form.get("token"), (None, 0))
                live = {"active": True, "username": user} if until > time.time() else {"active": False}
                return self.answer(200, json.dumps(live))
            if path == "/control":
                return self.control(form)
        self.answer(404, "{}")

    def control(self, form):
        if form.get("reset"):
            reset()
        if "lifetime" in form:
            state["lifetime"] = int(form["lifetime"])
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
                  "expires_in": state["lifetime"]}
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
