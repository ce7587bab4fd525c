"""What the fake services share: a quiet HTTP/1.1 handler with one way to
answer, and the loop that serves on 127.0.0.1 and says on which port."""
import json
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


class QuietHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    state = None  # the service's state, shared by its handlers
    extra_headers = ()  # sent with every answer

    def log_message(self, *args):
        pass

    def answer(self, status, body, content_type, headers=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        for name, value in (*headers, *self.extra_headers):
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def control(self, path, query):
        """The endpoints under /_: every service answers /_requests (its log)
        and /_reset; the rest go to its adjust(path, query), which changes the
        state and returns None, or an error text."""
        st = self.state
        with st.lock:
            if path == "/_requests":
                return self.answer(200, json.dumps(st.requests).encode(), "application/json")
            error = st.reset() if path == "/_reset" else self.adjust(path, query)
        if error:
            return self.answer(400, error, "text/plain")
        self.answer(200, b"ok", "text/plain")


def serve(handler, port, bound=None):
    """Serves until interrupted; bound(port) runs once the port is known,
    before the "listening on 127.0.0.1:<port>" line is printed."""
    server = ThreadingHTTPServer(("127.0.0.1", port), handler)
    server.daemon_threads = True
    if bound:
        bound(server.server_address[1])
    print("listening on 127.0.0.1:%d" % server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
