#!/usr/bin/env python3
"""A stand-in for the vendor site, for tests and the simulator: the start-up
ping, the update check, the download of a new build and the pages a user
opens. Replies are profile (INI) text in GB2312, section "Zeb".

    vendor_site.py [--port N]

Prints "listening on 127.0.0.1:<port>" once it accepts connections. Out of
the box the ping answers with a notice linking to /zeb/notice.html and the
update check reports the running build as current. Control endpoints:
  /_requests  JSON list of the vendor requests seen: {"line", "path", "query": {name: value}}
  /_reset     forget the requests, back to the out-of-the-box replies
  /_ping?key=value...    the ping's reply from these keys (infoVer, info, infourl, update), in order
  /_update?key=value...  the update check's reply from these keys (infoVer, dlurl)
  /_demand    the ping demands an upgrade (infoVer=3, update=1)
  /_slow?seconds=N       the update check's reply trickles: a byte at a time, spread over N seconds
  /_offer?path=FILE      the update check offers build 3, downloaded from /zeb/Zeb.exe, which serves FILE,
                         signed with the development key (tests/keys/update-dev.pem)
  /_offer?html=1         the same, but the download answers with an HTML page
  /_offer?...&sign=HOW   a bad offer: HOW is "none" (no "sha256" and "sig"), "other" (the hash and signature
                         of another file) or "version" (signed as build 4 while the reply says 3)
"""
import argparse
import importlib.util
import os
import threading
import time
from urllib.parse import parse_qsl, unquote, urlsplit

from fakeserver import QuietHandler, serve

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DEV_KEY = os.path.join(ROOT, "tests", "keys", "update-dev.pem")


def _signer():
    spec = importlib.util.spec_from_file_location("sign_update", os.path.join(ROOT, "scripts", "sign-update.py"))
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


signer = _signer()


def offer_keys(data, how=""):
    """The update check's signature keys for a build's bytes offered as build 3."""
    if how == "none":
        return []
    if how == "other":
        data = data + b"\0another file"
    digest, sig = signer.sign_update(signer.load_key(DEV_KEY), data, "4" if how == "version" else "3")
    return [("sha256", digest), ("sig", sig)]

NOTICE_TEXT = "Zeb 模拟厂商网站的通知，点此打开"
PAGE = ("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
        "<title>Zeb</title></head><body><p>%s</p></body></html>")


def profile(keys):
    return ("[Zeb]\r\n" + "".join("%s=%s\r\n" % kv for kv in keys)).encode("gb2312")


class State:
    def __init__(self):
        self.lock = threading.Lock()
        self.port = 0
        self.reset()

    def address(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def reset(self):
        self.requests = []
        self.ping = [("infoVer", "3"), ("info", NOTICE_TEXT), ("infourl", self.address("/zeb/notice.html")),
                     ("update", "0")]
        self.update = [("infoVer", "2")]
        self.build = None  # bytes served at /zeb/Zeb.exe; None: 404
        self.slow = 0  # seconds over which the update check's reply trickles; 0: at once


class Handler(QuietHandler):
    # Every ping and check must reach the site, not the download cache.
    extra_headers = (("Cache-Control", "no-cache, no-store, must-revalidate"), ("Pragma", "no-cache"),
                     ("Expires", "0"))

    def send(self, status, body, content_type="text/plain; charset=gb2312"):
        self.answer(status, body, content_type)

    def trickle(self, body, seconds):
        """The length first, then the body a byte at a time; stops once the client has gone."""
        self.send_response(200)
        self.send_header("Content-Type", "text/plain; charset=gb2312")
        self.send_header("Content-Length", str(len(body)))
        for name, value in self.extra_headers:
            self.send_header(name, value)
        self.end_headers()
        try:
            for i in range(len(body)):
                self.wfile.write(body[i:i + 1])
                self.wfile.flush()
                time.sleep(seconds / len(body))
        except OSError:
            pass

    def do_GET(self):
        url = urlsplit(self.path)
        query = parse_qsl(url.query, keep_blank_values=True)
        st = self.state
        if url.path.startswith("/_"):
            return self.control(url.path, query)
        with st.lock:
            st.requests.append({"line": self.requestline, "path": url.path, "query": dict(query)})
            ping, update, build, slow = st.ping, st.update, st.build, st.slow
        if url.path == "/zeb/auinfo.php":
            return self.send(200, profile(ping))
        if url.path == "/zeb/zebUpdate.php":
            if slow:
                return self.trickle(profile(update), slow)
            return self.send(200, profile(update))
        if url.path == "/zeb/Zeb.exe":
            if build is None:
                return self.send(404, (PAGE % "404 not found").encode("gb2312"), "text/html; charset=gb2312")
            if isinstance(build, str):
                return self.send(200, build.encode("gb2312"), "text/html; charset=gb2312")
            return self.send(200, build, "application/octet-stream")
        text = "Zeb 模拟厂商网站：" + unquote(self.path)
        return self.send(200, (PAGE % text).encode("gb2312", errors="replace"), "text/html; charset=gb2312")

    def adjust(self, path, query):
        st = self.state
        q = dict(query)
        if path == "/_ping":
            st.ping = query
        elif path == "/_update":
            st.update = query
        elif path == "/_slow":
            st.slow = float(q.get("seconds", "0"))
        elif path == "/_demand":
            st.ping = [("infoVer", "3"), ("info", "版本需要升级"), ("update", "1")]
        elif path == "/_offer" and (q.get("path") or q.get("html")):
            if q.get("path"):
                if not os.path.isfile(q["path"]):
                    return b"no such file"
                with open(q["path"], "rb") as f:
                    st.build = f.read()
            else:
                st.build = PAGE % "这不是程序，而是一个网页"
            body = st.build.encode("gb2312") if isinstance(st.build, str) else st.build
            st.update = [("infoVer", "3"), ("dlurl", st.address("/zeb/Zeb.exe"))] + offer_keys(body, q.get("sign", ""))
        else:
            return b"bad control request"
        return None


def main():
    parser = argparse.ArgumentParser(description="Fake vendor site for tests and the simulator")
    parser.add_argument("--port", type=int, default=0)
    args = parser.parse_args()
    Handler.state = State()

    def bound(port):
        Handler.state.port = port
        Handler.state.reset()

    serve(Handler, args.port, bound)


if __name__ == "__main__":
    main()
