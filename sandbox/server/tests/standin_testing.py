"""Shared by the stand-in's own tests: one set of certificates per test run, servers on the basic
scenario or a scratch one, and plain-socket helpers for answers that http.client would hide
(stalls, resets, bodies without a length)."""

import atexit
import http.client
import json
import os
import shutil
import socket
import ssl
import sys
import tempfile
import time

SERVER_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, SERVER_DIR)

from standin import StandIn, make_certs  # noqa: E402

BASIC_SCENARIO = os.path.join(SERVER_DIR, "scenarios", "basic")

_certs = None


def certs():
    """A certificate folder made once per test process."""
    global _certs
    if _certs is None:
        _certs = make_certs(tempfile.mkdtemp(prefix="standin-certs-"))
        atexit.register(shutil.rmtree, _certs, True)
    return _certs


def start(scenario=BASIC_SCENARIO, with_tls=True):
    return StandIn(scenario=scenario, certs=certs() if with_tls else None).start()


def scratch_scenario(files):
    """A scenario folder made of {relative path: text}; removed at exit."""
    root = tempfile.mkdtemp(prefix="standin-scenario-")
    atexit.register(shutil.rmtree, root, True)
    for relative, text in files.items():
        path = os.path.join(root, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text if isinstance(text, str) else json.dumps(text))
    return root


def trusting_context():
    context = ssl.create_default_context(cafile=os.path.join(certs(), "ca.pem"))
    return context


def request(server, method, path, listener="http", headers=None, body=None):
    """One request on a new connection: (status, headers as a list of pairs, body bytes)."""
    if listener == "http":
        connection = http.client.HTTPConnection("localhost", server.ports["http"], timeout=10)
    else:
        connection = http.client.HTTPSConnection("localhost", server.ports[listener], timeout=10,
                                                 context=trusting_context())
    try:
        connection.request(method, path, body=body, headers=headers or {})
        response = connection.getresponse()
        return response.status, response.getheaders(), response.read()
    finally:
        connection.close()


def get(server, path, **kwargs):
    return request(server, "GET", path, **kwargs)


def header_value(headers, name):
    for key, value in headers:
        if key.lower() == name.lower():
            return value
    return None


class RawConnection:
    """A plain socket to the http listener that reads exactly what the server sends."""

    def __init__(self, server, timeout=5):
        self.sock = socket.create_connection(("localhost", server.ports["http"]), timeout=timeout)
        self.buffer = b""

    def send(self, data):
        self.sock.sendall(data)

    def get(self, path, extra=""):
        self.send(f"GET {path} HTTP/1.1\r\nHost: localhost\r\n{extra}\r\n".encode("latin-1"))

    def read_head(self):
        """Status code and headers (names lower-cased) of the next answer."""
        while b"\r\n\r\n" not in self.buffer:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ConnectionError("closed before the end of the headers")
            self.buffer += chunk
        head, self.buffer = self.buffer.split(b"\r\n\r\n", 1)
        lines = head.decode("latin-1").split("\r\n")
        headers = {}
        for line in lines[1:]:
            name, _, value = line.partition(":")
            headers[name.strip().lower()] = value.strip()
        return int(lines[0].split()[1]), headers

    def read_exactly(self, count):
        while len(self.buffer) < count:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ConnectionError(f"closed after {len(self.buffer)} of {count} bytes")
            self.buffer += chunk
        data, self.buffer = self.buffer[:count], self.buffer[count:]
        return data

    def read_to_close(self):
        while True:
            chunk = self.sock.recv(65536)
            if not chunk:
                data, self.buffer = self.buffer, b""
                return data
            self.buffer += chunk

    def close(self):
        self.sock.close()


def timed(function, *args, **kwargs):
    began = time.monotonic()
    result = function(*args, **kwargs)
    return result, time.monotonic() - began
