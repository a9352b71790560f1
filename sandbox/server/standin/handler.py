"""One HTTP/1.1 connection of the stand-in: records each request, then answers it from the scenario
as the fault table says. Keep-alive is honoured: every answer carries Content-Length except the
no_length fault, which closes the connection to end the body."""

import fcntl
import json
import select
import socket
import struct
import termios
import time
from http.server import BaseHTTPRequestHandler
from urllib.parse import unquote, urlsplit

from . import control
from .scenario import BytesContent, ScenarioError, render_template
from .signature import UPLOAD_PATH, upload_signature_valid

# Request bodies beyond this are refused (413) rather than held in memory: the installer's posts
# are a few kilobytes.
MAX_REQUEST_BODY = 16 * 1024 * 1024
# An idle keep-alive connection is closed after this many seconds.
IDLE_TIMEOUT = 60
# A stalled answer gives up on its own after this long, so a forgotten client cannot pin a thread.
STALL_LIMIT = 600
# How long a reset waits for the bytes before it to reach a client that does not read.
RESET_DRAIN_LIMIT = 5
HOP_PREFIX = "/__hop/"
CONTROL_PREFIX = "/__control/"

MAINTENANCE_PAGE = (
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Service maintenance</title></head>\n"
    "<body><h1>We'll be right back</h1><p>The download service is under maintenance. "
    "Please try again later.</p></body></html>\n").encode("utf-8")


class _EndConnection(Exception):
    """The answer ended the connection on purpose (stall, reset, server stopping)."""


class _CapturingReader:
    """Keeps the exact bytes of the request line and headers, which the header parser discards."""

    def __init__(self, raw):
        self._raw = raw
        self._capture = None

    def start_capture(self):
        self._capture = bytearray()

    def stop_capture(self):
        data, self._capture = bytes(self._capture or b""), None
        return data

    def readline(self, limit=-1):
        line = self._raw.readline(limit)
        if self._capture is not None:
            self._capture += line
        return line

    def __getattr__(self, name):
        return getattr(self._raw, name)


def _status_page(status, reason):
    return (f"<!DOCTYPE html>\n<html><head><title>{status} {reason}</title></head>\n"
            f"<body><h1>{status} {reason}</h1></body></html>\n").encode("utf-8")


def parse_range(value, size):
    """(start, end) of a single "bytes=" range, "unsatisfiable", or None when the header is to be
    ignored (malformed or several ranges: answering 200 with the whole body is always allowed)."""
    unit, _, ranges = value.partition("=")
    if unit.strip().lower() != "bytes" or "," in ranges:
        return None
    first, dash, last = ranges.strip().partition("-")
    if not dash:
        return None
    try:
        if first == "":
            suffix = int(last)
            if suffix <= 0:
                return "unsatisfiable"
            return (max(0, size - suffix), size)
        start = int(first)
        end = size if last == "" else min(size, int(last) + 1)
    except ValueError:
        return None
    if start < 0 or (last != "" and int(last) < start):
        return None
    if start >= size:
        return "unsatisfiable"
    return (start, end)


class StandInHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "CorvaneStandIn/1.0"
    # Errors about a malformed request line then still carry a status line (no HTTP/0.9 here).
    default_request_version = "HTTP/1.1"
    timeout = IDLE_TIMEOUT

    def version_string(self):
        return self.server_version

    # --- connection and request framing -------------------------------------------------------

    def setup(self):
        super().setup()
        self.rfile = _CapturingReader(self.rfile)
        self.app = self.server.app
        self.connection_id = self.app.next_connection_id()
        self.requests_on_connection = 0

    def handle_one_request(self):
        self.rfile.start_capture()
        try:
            self.raw_requestline = self.rfile.readline(65537)
            if not self.raw_requestline:
                self.close_connection = True
                return
            if len(self.raw_requestline) > 65536:
                self.send_error(414)
                return
            # parse_request answers a malformed request itself (send_error below records it first,
            # so the record still comes before the answer, as for every other request).
            self._parsing = True
            parsed = self.parse_request()
            unrecorded = self._parsing  # still set: no error answer was sent (an empty request line)
            self._parsing = False
            if not parsed:
                if unrecorded:
                    self._record(self.rfile.stop_capture(), b"", error="malformed request")
                return
            self._dispatch(self.rfile.stop_capture())
            self.wfile.flush()
        except (_EndConnection, OSError):  # resets, time-outs and TLS errors included
            self.close_connection = True

    def send_error(self, code, message=None, explain=None):
        if getattr(self, "_parsing", False):
            self._parsing = False
            self._record(self.rfile.stop_capture(), b"", error="malformed request")
        super().send_error(code, message, explain)

    def log_message(self, format, *args):
        if self.app.verbose:
            super().log_message(format, *args)

    def _read_body(self):
        if "chunked" in self.headers.get("Transfer-Encoding", "").lower():
            body = bytearray()
            while True:
                size_line = self.rfile.readline(1024)
                size = int(size_line.split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline(1024) not in (b"\r\n", b"\n", b""):
                        pass  # trailers
                    return bytes(body)
                if len(body) + size > MAX_REQUEST_BODY:
                    return None
                body += self.rfile.read(size)
                self.rfile.readline(1024)
        length = int(self.headers.get("Content-Length") or 0)
        if length > MAX_REQUEST_BODY:
            return None
        return self.rfile.read(length) if length > 0 else b""

    def _record(self, head, body, **extra):
        split = urlsplit(getattr(self, "path", "") or "")
        entry = {
            "listener": self.server.listener,
            "tls": self.server.tls,
            "connection": self.connection_id,
            "request_on_connection": self.requests_on_connection,
            "method": getattr(self, "command", None),
            "target": getattr(self, "path", None),
            "path": unquote(split.path),
            "query": split.query,
            "version": getattr(self, "request_version", None),
            "headers": [[k, v] for k, v in self.headers.items()] if getattr(self, "headers", None) else [],
            "head": head.decode("latin-1"),
        }
        entry.update(extra)
        self.app.recorder.record(entry, body)

    # --- routing ------------------------------------------------------------------------------

    def _dispatch(self, head):
        self.requests_on_connection += 1
        try:
            body = self._read_body()
        except ValueError:
            self._record(head, b"", error="malformed body")
            self.close_connection = True
            self._answer(400, BytesContent(_status_page(400, "Bad Request"), "text/html"), {})
            return
        if body is None:
            self._record(head, b"", error="body too large")
            self.close_connection = True
            self._answer(413, BytesContent(_status_page(413, "Payload Too Large"), "text/html"), {})
            return
        split = urlsplit(self.path)
        if self.command == "POST" and unquote(split.path) == UPLOAD_PATH:
            self._record(head, body, signatureValid=upload_signature_valid(self.headers, body))
        else:
            self._record(head, body)

        raw_path, query = split.path, split.query
        if raw_path.startswith(CONTROL_PREFIX):
            control.handle(self, unquote(raw_path), query, body)
            return

        hop, raw_original = 0, raw_path
        if raw_path.startswith(HOP_PREFIX):
            number, _, rest = raw_path[len(HOP_PREFIX):].partition("/")
            if number.isdigit():
                hop, raw_original = int(number), "/" + rest
        path = unquote(raw_original)
        # A redirect chain belongs to the request that started it: only that one uses up `times`.
        fault = (self.app.faults.peek(path) if hop else self.app.faults.take(path)) or {}

        if fault.get("delay"):
            self._wait(fault["delay"])
        location = self._redirect_location(fault, hop, raw_original, query)
        if location:
            self._answer(fault.get("redirect_status", 302),
                         BytesContent(b"", "text/plain"), {}, extra_headers=[("Location", location)])
            return

        if "status" in fault:
            status = fault["status"]
            self._answer(status, BytesContent(_status_page(status, self.responses.get(status, ("",))[0]),
                                              "text/html; charset=utf-8"), fault)
        elif fault.get("html"):
            self._answer(200, BytesContent(MAINTENANCE_PAGE, "text/html; charset=utf-8"), fault)
        elif self.command in ("GET", "HEAD"):
            self._serve(path, fault)
        elif self.command == "POST":
            self._post(path, fault)
        else:
            self._answer(405, BytesContent(_status_page(405, "Method Not Allowed"), "text/html"), fault,
                         extra_headers=[("Allow", "GET, HEAD, POST")])

    def _redirect_location(self, fault, hop, raw_original, query):
        count = fault.get("redirect", 0)
        if fault.get("redirect_loop"):
            # Between two hop addresses, never back to the original: that one would count `times`.
            target = f"{HOP_PREFIX}{1 if hop != 1 else 2}{raw_original}"
        elif hop < count:
            if hop + 1 == count and fault.get("redirect_to"):
                return self._absolute(render_template(fault["redirect_to"], self.app.bases))
            target = f"{HOP_PREFIX}{hop + 1}{raw_original}"
        else:
            return None
        return self._absolute(target + (f"?{query}" if query else ""))

    def _absolute(self, target):
        if "://" in target:
            return target
        scheme, port = self.app.bases[self.server.listener]
        return f"{scheme}://localhost:{port}{target}"

    def _serve(self, path, fault):
        try:
            content = self.app.scenario.lookup(path)
        except ScenarioError as e:
            self._answer(500, BytesContent(f"scenario error: {e}\n".encode(), "text/plain"), fault)
            return
        if content is None:
            self._answer(404, BytesContent(_status_page(404, "Not Found"), "text/html; charset=utf-8"), fault)
            return
        requested = self.headers.get("Range")
        if requested is None or fault.get("ignore_range"):
            self._answer(200, content, fault, ranges=True)
            return
        span = parse_range(requested, content.size)
        if span == "unsatisfiable":
            self._answer(416, BytesContent(_status_page(416, "Range Not Satisfiable"), "text/html"), fault,
                         extra_headers=[("Content-Range", f"bytes */{content.size}")])
        elif span is None:
            self._answer(200, content, fault, ranges=True)
        else:
            start, end = span
            self._answer(206, content, fault, span=span, ranges=True,
                         extra_headers=[("Content-Range", f"bytes {start}-{end - 1}/{content.size}")])

    def _post(self, path, fault):
        telemetry = self.app.roles.telemetry.get(("POST", path))
        content = self.app.scenario.lookup(path) if telemetry else None
        if content is not None:
            self._answer(200, content, fault)
        elif telemetry:
            body = telemetry["body"].encode("utf-8")
            self._answer(telemetry["status"], BytesContent(body, telemetry["content_type"] or "text/plain"), fault)
        else:
            self._answer(404, BytesContent(_status_page(404, "Not Found"), "text/html"), fault)

    # --- answering ----------------------------------------------------------------------------

    def send_json(self, status, value):
        data = (json.dumps(value, indent=1) + "\n").encode("utf-8")
        self._answer(status, BytesContent(data, "application/json"), {})

    def _answer(self, status, content, fault, span=None, ranges=False, extra_headers=()):
        start, end = span if span else (0, content.size)
        no_body = self.command == "HEAD" or status in (204, 304) or 100 <= status < 200
        self.send_response(status)
        if not no_body or self.command == "HEAD":
            self.send_header("Content-Type", content.content_type)
        if ranges:
            self.send_header("Accept-Ranges", "bytes")
        for name, value in extra_headers:
            self.send_header(name, value)
        if fault.get("no_length"):
            if not no_body:
                self.send_header("Connection", "close")
        elif status not in (204, 304):
            self.send_header("Content-Length", str(end - start))
        self.end_headers()
        if not no_body:
            self._send_body(content, start, end, fault)

    def _send_body(self, content, start, end, fault):
        cut = fault.get("stall_after", fault.get("reset_after"))
        stop = end if cut is None else min(end, start + cut)
        rate = fault.get("rate")
        if (content.file_path and not rate and not self.server.tls and stop > start):
            with open(content.file_path, "rb") as f:
                self.connection.sendfile(f, start, stop - start)
        else:
            self._send_chunks(content, start, stop, rate)
        if "stall_after" in fault:
            self._stall()
        if "reset_after" in fault:
            self._reset()

    def _send_chunks(self, content, start, stop, rate):
        began = time.monotonic()
        sent = 0
        piece = max(1, rate // 20) if rate else None
        for chunk in content.chunks(start, stop):
            if not piece:
                self.wfile.write(chunk)
                continue
            view = memoryview(chunk)
            for pos in range(0, len(view), piece):
                part = view[pos:pos + piece]
                self.wfile.write(part)
                sent += len(part)
                due = began + sent / rate
                if due > time.monotonic():
                    self._wait(due - time.monotonic())

    def _wait(self, seconds):
        if self.app.stop_event.wait(seconds):
            raise _EndConnection()

    def _stall(self):
        """Sends nothing more; ends when the client closes, the server stops or STALL_LIMIT passes."""
        deadline = time.monotonic() + STALL_LIMIT
        while time.monotonic() < deadline and not self.app.stop_event.is_set():
            readable, _, _ = select.select([self.connection], [], [], 0.2)
            if readable:
                try:
                    if not self.connection.recv(4096):
                        break
                except (OSError, ValueError):
                    break
        raise _EndConnection()

    def _reset(self):
        # A reset discards what the kernel has not sent yet: wait until the peer has acknowledged
        # every byte, so that it receives exactly the promised count before the reset.
        deadline = time.monotonic() + RESET_DRAIN_LIMIT
        while self._unacknowledged() and time.monotonic() < deadline:
            self._wait(0.005)
        # Linger zero turns the close into a TCP reset; the buffered reader and writer hold
        # references to the socket, so they must go first for the close to happen now.
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.wfile.close()
        self.rfile.close()
        self.connection.close()
        raise _EndConnection()

    def _unacknowledged(self):
        try:
            return struct.unpack("i", fcntl.ioctl(self.connection.fileno(), termios.TIOCOUTQ, b"\0" * 4))[0]
        except OSError:
            return 0
