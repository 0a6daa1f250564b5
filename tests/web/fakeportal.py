#!/usr/bin/env python3
"""A stand-in for the portal's login and logout pages and its top page, for the browser tests.

Serves HTTPS on 127.0.0.1 (the tests map the portal's host names here); plain HTTP on the same
port is sent on to HTTPS, as the portal does. The session cookie a login sets names the
account, and the top page says whom it knows. Prints
"PORT <n>" once listening, then one JSON line per request it records. Reads commands
on stdin: "variant <name>" switches the login page and answers "ack <name>"; "expire <account>"
forgets the account's sessions, so that the cookie its browser sends no longer counts, and
answers "ack expire <account>".

The pages under /members/ are for logged-in accounts: without a session the portal knows, they
send the browser to the login form, with the page's address in the ".next" parameter. A login
with the password "wrong-password" is refused.
"""
import argparse
import functools
import json
import socket
import ssl
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qsl, quote, unquote

LOCK = threading.Lock()
STATE = {"variant": "normal", "sessions": set()}

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
    # Leaves the login pages as soon as its ID field has a value (a hidden field, whose value shows
    # in its attribute, so that the page hears of it at once) for a page that asks for the
    # password outside them.
    "leaves_after_id": '<form method="post" action="/login/"><input type="hidden" id="livedoor_id" '
                       f'name="livedoor_id"><input type="password" id="password" name="password">{AUTO}</form>'
                       '<script>new MutationObserver(function () { location.href = "/portal/password"; })'
                       '.observe(document.getElementById("livedoor_id"), {attributes: true});</script>',
    # Changes cookies of its own without pause, ten new ones 20 ms after the ten before (a worker
    # keeps the time, which a page not shown would only get once a second; the next ten wait for
    # these, so that a loaded machine gets fewer, never a queue the page cannot work off), each
    # set and removed at once, until the form is sent: the page loads, and the login goes on,
    # only once the script that the server holds for 10 s has come.
    "churn": f'<form method="post" action="/login/">{FIELDS}{AUTO}</form>'
             '<script>var n = 0; var pace = new Worker(URL.createObjectURL(new Blob(['
             '"onmessage = function () { setTimeout(function () { postMessage(0); }, 20); }; postMessage(0);"])));'
             'pace.onmessage = function () { for (var i = 0; i < 10; i++, n++) {'
             ' document.cookie = "churn" + n + "=1; path=/";'
             ' document.cookie = "churn" + n + "=; path=/; max-age=0"; } pace.postMessage(0); };</script>'
             '<script src="/churn-wait.js"></script>',
    "popups": '<script>alert("a"); confirm("c"); prompt("p"); window.open("/x", "_blank");'
              'Notification.requestPermission();'
              'navigator.mediaDevices && navigator.mediaDevices.getUserMedia({video: true}).catch(function(){});'
              'var l = document.createElement("a"); l.href = "/download"; l.download = "f.bin"; '
              'document.documentElement.appendChild(l); l.click();</script>'
              f'<form method="post" action="/login/">{FIELDS}{AUTO}</form>',
}


# Login pages that attack the browser rather than the form: each still holds the login form
# (where the attack lets the page get that far), so what ends the run is the attack itself.
FORM = LOGIN_PAGES["normal"]


HOSTILE_PAGES = {
    # Alerts for ever, before the page has finished loading: the page never settles and
    # its renderer answers nothing any more.
    "alert_loop": f'{FORM}<script>for (;;) {{ alert("a"); confirm("c"); prompt("p"); }}</script>',
    # The same once the page has loaded: our own scripts find a renderer that never answers.
    "alert_loop_after_load": f'{FORM}<script>addEventListener("load", function () {{'
                             'setTimeout(function () { for (;;) alert("a"); }, 0); });</script>',
    # Windows opened in a loop, at once and for ever after.
    "window_loop": f'{FORM}<script>for (var i = 0; i < 500; i++) window.open("/popup?" + i, "w" + i);'
                   'setInterval(function () { window.open("/popup", "_blank", "width=400"); }, 1);'
                   '</script>',
    # A script that navigates to the page again as soon as it has loaded, without a form.
    "script_redirect_loop": '<script>location.replace(location.pathname + "?" + Date.now());</script>',
    # A script that the page waits for and the server never sends.
    "never_subresource": f'{FORM}<script src="/hang.js"></script><p>after</p>',
    # Camera, microphone, notifications, location, clipboard and full screen: each outcome is
    # reported back, and only then does the form appear.
    "permissions": '<script>'
                   'function ask(name, request) {'
                   '  return request.then(function (r) { return r === undefined ? "granted" : String(r); },'
                   '                      function (e) { return e.name; })'
                   '    .then(function (v) { return fetch("/report?" + name + "=" + encodeURIComponent(v)); });'
                   '}'
                   'Promise.all(['
                   '  ask("notification", Notification.requestPermission()),'
                   '  ask("camera", navigator.mediaDevices.getUserMedia({video: true})),'
                   '  ask("microphone", navigator.mediaDevices.getUserMedia({audio: true})),'
                   '  ask("geolocation", new Promise(function (ok, no) {'
                   '    navigator.geolocation.getCurrentPosition(function () { ok(); },'
                   '                                             function (e) { no({name: "error" + e.code}); });'
                   '    setTimeout(function () { no({name: "unanswered"}); }, 2000);'
                   '  })),'
                   '  ask("clipboard", navigator.clipboard.readText()),'
                   '  ask("fullscreen", document.documentElement.requestFullscreen()),'
                   f']).then(function () {{ document.body.insertAdjacentHTML("beforeend", {json.dumps(FORM)}); }});'
                   '</script>',
    # A page that keeps the processor busy for as long as it is loaded: a worker that spins
    # and a timer that takes nearly all of each second it gets.
    "busy": f'{FORM}<script>new Worker(URL.createObjectURL(new Blob(["for (;;) {{}}"])));'
            'setInterval(function () { for (var t = Date.now(); Date.now() - t < 900;); }, 1000);'
            '</script>',
    # A download started by a link and one by a frame, while the form is there to be sent.
    "download": f'{FORM}<iframe src="/download"></iframe><script>'
                'var l = document.createElement("a"); l.href = "/download?link"; l.download = "f.bin";'
                'document.documentElement.appendChild(l); l.click();</script>',
}

@functools.cache
def huge_padding(elements):
    """What the "huge" login pages add after the form: 50 MB in one comment, or in elements."""
    if elements:
        return ('<div>' + 'x' * 1013 + '</div>\n').encode() * (50 * 1024)
    return b'<!--' + ('x' * 1023 + '\n').encode() * (50 * 1024) + b'-->'


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

    def hostile(self, variant, path):
        """Serves the login or logout page of a hostile variant; False when it is not one."""
        if variant in HOSTILE_PAGES:
            self.send(200, page(HOSTILE_PAGES[variant]))
        elif variant == "redirect_loop":
            # Redirects to itself for ever.
            self.send(302, page("moved"), [("Location", "%s?r=%d" % (path, time.monotonic_ns()))])
        elif variant == "never_body":
            # Promises a megabyte, sends the form and then nothing more, never closing.
            head = b'<!DOCTYPE html><html><head><meta charset="utf-8"></head><body>' + FORM.encode()
            self.send_response(200)
            self.send_header("Content-Type", "text/html; charset=utf-8")
            self.send_header("Content-Length", str(1024 * 1024))
            self.end_headers()
            self.wfile.write(head)
            self.wfile.flush()
            time.sleep(3600)
        elif variant in ("huge", "huge_dom"):
            head = b'<!DOCTYPE html><html><head><meta charset="utf-8"></head><body>' + FORM.encode()
            tail = b'</body></html>'
            self.send_response(200)
            self.send_header("Content-Type", "text/html; charset=utf-8")
            padding = huge_padding(variant == "huge_dom")
            self.send_header("Content-Length", str(len(head) + len(padding) + len(tail)))
            self.send_header("Cache-Control", "no-store")
            self.end_headers()
            self.wfile.write(head)
            view = memoryview(padding)
            for start in range(0, len(view), 1 << 20):
                self.wfile.write(view[start:start + (1 << 20)])
            self.wfile.write(tail)
        elif variant == "cookies":
            # Four hundred cookies for the portal's domain, more than a browser keeps.
            self.send(200, page(FORM), [("Set-Cookie", f"c{i}=v{i}; Domain=livedoor.com; Path=/")
                                        for i in range(400)])
        elif variant == "download_page":
            # The login page itself is a file to save.
            body = b"x" * 4096
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Disposition", "attachment; filename=login.bin")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        else:
            return False
        return True

    def do_GET(self):
        variant = STATE["variant"]
        if not isinstance(self.connection, ssl.SSLSocket):
            self.record(event="get", variant=variant, scheme="http")
            body = page("moved")
            self.send(301, body, [("Location", f"https://{self.headers.get('Host', '')}{self.path}")])
            return
        self.record(event="get", variant=variant)
        path = self.path.split("?", 1)[0]
        if path == "/hang.js":
            time.sleep(3600)
            return
        if path == "/churn-wait.js":
            time.sleep(10)
            self.send(204, b"")
            return
        if path in ("/login/index", "/login/logout") and self.hostile(variant, path):
            return
        if path == "/login/index":
            if variant == "elsewhere" and self.headers.get("Host", "").startswith("member."):
                # The login page has moved to another host, which serves a login form of its own.
                self.send(302, page("moved"), [("Location", "https://www.livedoor.com/login/index")])
                return
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
        elif path == "/login/logout":
            if variant == "logout_error":
                self.send(500, page("error"))
                return
            if variant == "never":
                time.sleep(3600)
                return
            self.send(200, page("logged out"),
                      [("Set-Cookie", "ldsession=; Domain=livedoor.com; Path=/; Max-Age=0")])
        elif path == "/download":
            body = b"x" * 1024
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Disposition", "attachment; filename=f.bin")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        elif path == "/portal/password":
            # A page outside the login pages with a form of its own, which reports any password
            # that reaches its field at once, by going to /report with it (a field whose value
            # shows in its attribute, as above).
            self.send(200, page('<form method="post" action="/portal/sent"><input type="hidden" '
                                'id="password" name="password"></form><script>var field = '
                                'document.getElementById("password"); new MutationObserver(function () {'
                                ' location.href = "/report?seen=" + encodeURIComponent(field.value); })'
                                '.observe(field, {attributes: true});</script>'))
        elif path == "/report":
            self.send(204, b"")
        elif path.startswith("/members/"):
            session = self.session()
            with LOCK:
                known = session in STATE["sessions"]
            if not known:
                here = f"https://{self.headers.get('Host', '')}{self.path}"
                self.send(302, page("login"), [("Location", "https://member.livedoor.com/login/index?.next="
                                                + quote(here, safe=""))])
                return
            who = unquote(session.split(".", 1)[1])
            self.send(200, f'<!DOCTYPE html><html><head><meta charset="utf-8"><title>members</title>'
                           f'</head><body><p id="who">{who}</p></body></html>'.encode())
        elif path == "/":
            who = "guest"
            for part in self.headers.get("Cookie", "").split(";"):
                name, _, value = part.strip().partition("=")
                if name == "ldsession" and value:
                    who = value
            # Two links off the portal, the second to a new window: the first and second stops
            # of the Tab key.
            self.send(200, f'<!DOCTYPE html><html><head><meta charset="utf-8"><title>livedoor</title>'
                           f'</head><body><h1>livedoor</h1><p id="who">{who}</p>'
                           f'<a href="http://example.org/away">away</a> '
                           f'<a href="http://example.org/popup" target="_blank">popup</a>'
                           f'</body></html>'.encode())
        else:
            self.send(404, page("not found"))

    def session(self):
        """The value of the session cookie the browser sent, or ""."""
        for part in self.headers.get("Cookie", "").split(";"):
            name, _, value = part.strip().partition("=")
            if name == "ldsession" and value:
                return value
        return ""

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        raw = self.rfile.read(length)
        fields = parse_qsl(raw.decode("ascii"), keep_blank_values=True, encoding="utf-8",
                           errors="strict")
        self.record(event="post", fields=fields)
        if self.path == "/login/refused":
            self.send(200, page(LOGIN_PAGES["normal"]))
            return
        if dict(fields).get("password") == "wrong-password":
            self.send(200, page(LOGIN_PAGES["normal"]))
            return
        account = quote(dict(fields).get("livedoor_id", ""), safe="")
        with LOCK:
            STATE["sessions"].add(f"s1.{account}")
        session = ("Set-Cookie", f"ldsession=s1.{account}; Domain=livedoor.com; Path=/; Secure; HttpOnly")
        if STATE["variant"] == "busy_answer":
            # The answer to a login keeps the processor busy for as long as it is loaded.
            self.send(200, page(HOSTILE_PAGES["busy"].replace(FORM, "welcome")), [session])
            return
        self.send(200, page("welcome"), [session])


def commands():
    for line in sys.stdin:
        words = line.split()
        if len(words) == 2 and words[0] == "variant":
            STATE["variant"] = words[1]
            with LOCK:
                sys.stdout.write(f"ack {words[1]}\n")
                sys.stdout.flush()
        elif len(words) == 2 and words[0] == "expire":
            with LOCK:
                STATE["sessions"].discard("s1." + quote(words[1], safe=""))
                sys.stdout.write(f"ack expire {words[1]}\n")
                sys.stdout.flush()
    # The test has gone: so does the server.
    import os
    os._exit(0)


class Server(ThreadingHTTPServer):
    """Speaks TLS to a connection that opens with a TLS handshake, plain HTTP otherwise."""
    daemon_threads = True
    context = None

    def finish_request(self, request, client_address):
        request.settimeout(30)
        try:
            first = request.recv(1, socket.MSG_PEEK)
            if first == b"\x16":
                request = self.context.wrap_socket(request, server_side=True)
            request.settimeout(None)
        except (OSError, ssl.SSLError):
            return
        super().finish_request(request, client_address)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    args = parser.parse_args()
    server = Server(("127.0.0.1", 0), Handler)
    server.context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    server.context.load_cert_chain(args.cert, args.key)
    threading.Thread(target=commands, daemon=True).start()
    sys.stdout.write(f"PORT {server.server_address[1]}\n")
    sys.stdout.flush()
    server.serve_forever()


if __name__ == "__main__":
    main()
