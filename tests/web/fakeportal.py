#!/usr/bin/env python3
"""A stand-in for the portal's login and logout pages, for the browser tests.

Serves HTTPS on 127.0.0.1 (the tests map the portal's host names here). Prints
"PORT <n>" once listening, then one JSON line per request it records. Reads commands
on stdin: "variant <name>" switches the login page and answers "ack <name>".
"""
import argparse
import json
import ssl
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qsl

LOCK = threading.Lock()
STATE = {"variant": "normal"}

FIELDS = ('<input type="text" id="livedoor_id" name="livedoor_id">'
          '<input type="password" id="password" name="password">')
AUTO = '<input type="checkbox" name="auto_login" value="1">'

LOGIN_PAGES = {
    "normal": f'<form method="post" action="/login/">{FIELDS}{AUTO}</form>',
    "no_id": '<form method="post" action="/login/"><input type="password" id="password" '
             f'name="password">{AUTO}</form>',
    "no_password": '<form method="post" action="/login/"><input type="text" id="livedoor_id" '
                   f'name="livedoor_id">{AUTO}</form>',
    "no_form": f'<div>{FIELDS}{AUTO}</div>',
    "auto_login_not_input": f'<form method="post" action="/login/">{FIELDS}'
                            '<select name="auto_login"><option value="s">s</option></select></form>',
    "two_auto_login": f'<form method="post" action="/login/">{FIELDS}'
                      '<input type="checkbox" name="auto_login" value="first">'
                      '<input type="checkbox" name="auto_login" value="second"></form>',
    "fields_in_second_form": '<form method="post" action="/login/first">'
                             '<input type="hidden" name="which" value="first"></form>'
                             f'<form method="post" action="/login/">{FIELDS}{AUTO}</form>',
    "several_forms": f'<form method="post" action="/login/">{FIELDS}{AUTO}</form>'
                     '<form method="post" action="/login/second">'
                     '<input type="hidden" name="which" value="second"></form>',
    "refuse": f'<form method="post" action="/login/refused">{FIELDS}{AUTO}</form>',
    "popups": '<script>alert("a"); confirm("c"); prompt("p"); window.open("/x", "_blank");'
              'Notification.requestPermission();'
              'navigator.mediaDevices && navigator.mediaDevices.getUserMedia({video: true}).catch(function(){});'
              'var l = document.createElement("a"); l.href = "/download"; l.download = "f.bin"; '
              'document.documentElement.appendChild(l); l.click();</script>'
              f'<form method="post" action="/login/">{FIELDS}{AUTO}</form>',
}


def page(body):
    return f'<!DOCTYPE html><html><head><meta charset="utf-8"><title>t</title></head><body>{body}</body></html>'.encode()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):  # quiet: the tests read stdout only
        pass

    def record(self, **event):
        event["path"] = self.path
        event["cookie"] = self.headers.get("Cookie", "")
        with LOCK:
            sys.stdout.write(json.dumps(event, ensure_ascii=True) + "\n")
            sys.stdout.flush()

    def send(self, status, body, headers=()):
        self.send_response(status)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        variant = STATE["variant"]
        self.record(event="get", variant=variant)
        if self.path == "/login/index":
            if variant == "never":
                time.sleep(3600)
                return
            if variant == "slow":
                time.sleep(2)
            if variant == "slow5":
                time.sleep(5)
            if variant == "login_error":
                self.send(500, page("error"))
                return
            self.send(200, page(LOGIN_PAGES.get(variant, LOGIN_PAGES["normal"])))
        elif self.path == "/login/logout":
            if variant == "logout_error":
                self.send(500, page("error"))
                return
            if variant == "never":
                time.sleep(3600)
                return
            self.send(200, page("logged out"),
                      [("Set-Cookie", "ldsession=; Domain=livedoor.com; Path=/; Max-Age=0")])
        elif self.path == "/download":
            body = b"x" * 1024
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Disposition", "attachment; filename=f.bin")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        else:
            self.send(404, page("not found"))

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        raw = self.rfile.read(length)
        fields = parse_qsl(raw.decode("ascii"), keep_blank_values=True, encoding="utf-8",
                           errors="strict")
        self.record(event="post", fields=fields)
        if self.path == "/login/refused":
            self.send(200, page(LOGIN_PAGES["normal"]))
            return
        self.send(200, page("welcome"),
                  [("Set-Cookie", "ldsession=s1; Domain=livedoor.com; Path=/; Secure; HttpOnly")])


def commands():
    for line in sys.stdin:
        words = line.split()
        if len(words) == 2 and words[0] == "variant":
            STATE["variant"] = words[1]
            with LOCK:
                sys.stdout.write(f"ack {words[1]}\n")
                sys.stdout.flush()
    # The test has gone: so does the server.
    import os
    os._exit(0)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    args = parser.parse_args()
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(args.cert, args.key)
    server.socket = context.wrap_socket(server.socket, server_side=True,
                                         do_handshake_on_connect=False)
    threading.Thread(target=commands, daemon=True).start()
    sys.stdout.write(f"PORT {server.server_address[1]}\n")
    sys.stdout.flush()
    server.serve_forever()


if __name__ == "__main__":
    main()
