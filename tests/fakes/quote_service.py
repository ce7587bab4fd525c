#!/usr/bin/env python3
"""A stand-in for the quote service, for tests: answers GET /?rn=...&list=...
with one `var hq_str_<code>="...";` line per requested code, in GB2312.

    quote_service.py [--port N] [--simulate]

Prints "listening on 127.0.0.1:<port>" once it accepts connections. Like the
public service it refuses a request without a Referer (403). Control endpoints:
  /_requests  JSON list of the quote requests seen: {"line", "headers": [[name, value], ...],
              "at": when it came, in seconds of the system's monotonic clock}
  /_reset     forget the requests, normal mode, original prices
  /_mode?m=normal|error|garbage|empty|gzip|deflate|slow|refuse|huge|bomb[&seconds=N]
              error: status 500 with the normal body; garbage: bytes that are no reply;
              empty: an empty body; gzip/deflate: compressed body; slow: answer after N s (3);
              refuse: the service's own 403 "Kinsoku jikou desu!"; huge: the normal body
              followed by 1 MB of blank lines; bomb: the same, gzip-compressed to about 1 KB
  /_set?code=hk00700&last=..&prev=..[&open=..&high=..&low=..]  (then kept still)
  /_stamp?date=2026/12/08&time=16:08:03[&code=hk00700]
              the trade date and time the replies give (one code's, or every code's); without it
              each quote is dated at the request's rn, on Hong Kong's clock, as a live market's are
"""
import argparse
import gzip
import random
import threading
import time
import zlib
from urllib.parse import parse_qs, urlsplit

from fakeserver import QuietHandler, serve

# code: English name, Chinese name, open, previous close, high, low, last, turnover, volume
STOCKS = {
    "hkHSI": ["HSI", "恒生指数", 17820.55, 17734.60, 17910.02, 17790.13, 17885.47, 48215530000, 19139018827],
    "hkHSCEI": ["HSCEI", "国企指数", 6155.40, 6172.85, 6181.66, 6120.09, 6131.27, 21846870000, 0],
    "hkHSCCI": ["HSCCI", "红筹指数", 3602.11, 3590.38, 3625.95, 3597.40, 3618.02, 3219100000, 0],
    "hk00700": ["TENCENT", "腾讯控股", 370.000, 368.400, 372.800, 366.000, 370.600, 5218427830, 14129590],
    "hk00005": ["HSBC HOLDINGS", "汇丰控股", 61.000, 61.350, 61.450, 60.600, 60.750, 1176374770, 19330617],
    "hk08001": ["ORIENT SEC INTL", "东方汇财证券", 0.340, 0.340, 0.345, 0.330, 0.335, 125600, 378000],
}
FIELDS = {"open": 2, "prev": 3, "high": 4, "low": 5, "last": 6}


class State:
    def __init__(self, simulate):
        self.lock = threading.Lock()
        self.simulate = simulate
        self.random = random.Random(7)
        self.reset()

    def reset(self):
        self.stocks = {code: list(values) for code, values in STOCKS.items()}
        self.requests = []
        self.pinned = set()  # codes whose prices /_set fixed: the simulation leaves them
        self.stamps = {}  # code ("" for every code): (date, time) that /_stamp fixed
        self.mode = "normal"
        self.delay = 3.0

    def move_prices(self):
        # A random walk around the previous close: rows rise and fall between refreshes.
        for code, s in self.stocks.items():
            if code in self.pinned:
                continue
            step = s[3] * self.random.uniform(-0.006, 0.006)
            price = max(0.001, s[6] + step)
            s[6] = round(price, 2 if price >= 10 else 3)  # as the exchange quotes them
            s[4], s[5] = max(s[4], s[6]), min(s[5], s[6])

    def record(self, code, rn):
        s = self.stocks.get(code)
        if s is None:
            return 'var hq_str_%s="";\n' % code
        en, cn, open_, prev, high, low, last, turnover, volume = s
        change = last - prev
        percent = change * 100 / prev if prev else 0
        at = time.gmtime(rn + 8 * 3600)  # Hong Kong's clock
        date, clock = self.stamps.get(code) or self.stamps.get("") or (time.strftime("%Y/%m/%d", at),
                                                                        time.strftime("%H:%M:%S", at))
        fields = [en, cn, "%.3f" % open_, "%.3f" % prev, "%.3f" % high, "%.3f" % low, "%.3f" % last,
                  "%.3f" % change, "%.3f" % percent, "%.3f" % (last - 0.001), "%.3f" % last,
                  "%d" % turnover, "%d" % volume, "0.000", "0.000", "%.3f" % (high * 1.2),
                  "%.3f" % (low * 0.8), date, clock]
        return 'var hq_str_%s="%s";\n' % (code, ",".join(fields))


class Handler(QuietHandler):
    def send(self, status, body, content_type="text/html; charset=GBK", encoding=None):
        self.answer(status, body, content_type, [("Content-Encoding", encoding)] if encoding else [])

    def do_GET(self):
        url = urlsplit(self.path)
        query = {k: v[0] for k, v in parse_qs(url.query, keep_blank_values=True).items()}
        st = self.state
        if url.path.startswith("/_"):
            return self.control(url.path, query)
        with st.lock:
            st.requests.append({"line": self.requestline, "headers": [list(h) for h in self.headers.items()],
                                "at": time.monotonic()})
            mode, delay = st.mode, st.delay
        if self.headers.get("Referer") is None:
            return self.send(403, b"Kinsoku jikou desu!")
        if url.path != "/" or "list" not in query:
            return self.send(404, b"not found")
        if mode == "slow":
            time.sleep(delay)
        with st.lock:
            if st.simulate:
                st.move_prices()
            codes = [c for c in query["list"].split(",") if c]
            rn = int(query["rn"]) if query.get("rn", "").isdigit() else int(time.time())
            body = "".join(st.record(c, rn) for c in codes).encode("gb2312")
        if mode == "error":
            return self.send(500, body)
        if mode == "refuse":
            return self.send(403, b"Kinsoku jikou desu!")
        if mode == "huge":
            return self.send(200, body + b"\n" * (1 << 20))
        if mode == "bomb":
            return self.send(200, gzip.compress(body + b"\n" * (1 << 20)), encoding="gzip")
        if mode == "garbage":
            return self.send(200, bytes(random.Random(1).randrange(256) for _ in range(600)))
        if mode == "empty":
            return self.send(200, b"")
        if mode == "gzip":
            return self.send(200, gzip.compress(body), encoding="gzip")
        if mode == "deflate":
            # Raw deflate, the form WinInet decodes (a zlib header makes it fail).
            packer = zlib.compressobj(wbits=-zlib.MAX_WBITS)
            return self.send(200, packer.compress(body) + packer.flush(), encoding="deflate")
        self.send(200, body)

    def adjust(self, path, query):
        st = self.state
        if path == "/_mode" and query.get("m") in ("normal", "error", "garbage", "empty", "gzip", "deflate",
                                                   "slow", "refuse", "huge", "bomb"):
            st.mode = query["m"]
            st.delay = float(query.get("seconds", 3))
        elif path == "/_set" and query.get("code") in st.stocks:
            s = st.stocks[query["code"]]
            st.pinned.add(query["code"])
            for name, index in FIELDS.items():
                if name in query:
                    s[index] = float(query[name])
        elif path == "/_stamp" and "date" in query and "time" in query:
            st.stamps[query.get("code", "")] = (query["date"], query["time"])
        else:
            return b"bad control request"
        return None


def main():
    parser = argparse.ArgumentParser(description="Fake quote service for tests")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--simulate", action="store_true", help="move prices between requests")
    args = parser.parse_args()
    Handler.state = State(args.simulate)
    serve(Handler, args.port)


if __name__ == "__main__":
    main()
