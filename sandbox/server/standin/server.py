"""The stand-in's listeners and life cycle. Run through ../standin-server.

Each listener of roles.json gets a free port on 127.0.0.1 (and the same port on ::1 when the
machine has IPv6 loopback, since "localhost" may resolve to either). Once every listener accepts
connections the ports are written, as one JSON object, to the --ports-file; the file is removed
again on a clean stop. SIGTERM or SIGINT stops the server; so does the end of --exit-with PID.
"""

import argparse
import errno
import itertools
import json
import os
import signal
import socket
import socketserver
import ssl
import sys
import threading
from http.server import ThreadingHTTPServer

from .faults import FaultError, FaultTable
from .handler import StandInHandler
from .recorder import Recorder
from .roles import Roles
from .scenario import Scenario, ScenarioError

# A TLS client that connects and never speaks must not hold a thread for ever.
HANDSHAKE_TIMEOUT = 15
# Attempts at finding one port free on both loopback addresses.
PORT_ATTEMPTS = 20


class App:
    """State shared by every connection."""

    def __init__(self, roles, verbose):
        self.roles = roles
        self.verbose = verbose
        self.stop_event = threading.Event()
        self.bases = {}
        self.ports = {}
        self.scenario = None
        self.faults = None
        self.recorder = None
        self._connection_ids = itertools.count(1)
        self._ids_lock = threading.Lock()

    def next_connection_id(self):
        with self._ids_lock:
            return next(self._connection_ids)


class _Server(ThreadingHTTPServer):
    daemon_threads = True
    # A benchmark or a test may open many connections at once.
    request_queue_size = 128
    # Stalled answers may outlive the server; closing must not wait for them.
    block_on_close = False

    def __init__(self, family, address, app, listener, context):
        self.address_family = family
        self.app = app
        self.listener = listener
        self.tls = context is not None
        self._context = context
        super().__init__(address, StandInHandler, bind_and_activate=False)
        if family == socket.AF_INET6:
            self.socket.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)

    def server_bind(self):
        # HTTPServer.server_bind resolves the host's full name, which can wait on DNS.
        socketserver.TCPServer.server_bind(self)
        self.server_name = "localhost"
        self.server_port = self.server_address[1]

    def finish_request(self, request, client_address):
        # The handshake runs on the connection's own thread, never on the accepting one.
        if self._context is not None:
            request.settimeout(HANDSHAKE_TIMEOUT)
            try:
                request = self._context.wrap_socket(request, server_side=True)
            except (ssl.SSLError, OSError) as e:
                if self.app.verbose:
                    print(f"standin: {self.listener}: TLS handshake failed: {e}", file=sys.stderr)
                return
        try:
            self.RequestHandlerClass(request, client_address, self)
        finally:
            if self._context is not None:
                try:
                    request.shutdown(socket.SHUT_WR)
                except OSError:
                    pass
                request.close()


def _tls_context(certs, name):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(certs, f"{name}.pem"), os.path.join(certs, f"{name}.key"))
    return context


def _bind_pair(app, listener, context, want_ipv6):
    """Binds 127.0.0.1:p and, when possible, [::1]:p for one listener."""
    for _ in range(PORT_ATTEMPTS):
        v4 = _Server(socket.AF_INET, ("127.0.0.1", 0), app, listener, context)
        v4.server_bind()
        port = v4.server_address[1]
        if not want_ipv6:
            return [v4], port
        try:
            v6 = _Server(socket.AF_INET6, ("::1", port), app, listener, context)
            v6.server_bind()
            return [v4, v6], port
        except OSError as e:
            v4.server_close()
            if e.errno == errno.EADDRINUSE:
                continue
            raise
    raise OSError("no port free on both loopback addresses")


def _ipv6_loopback():
    if not socket.has_ipv6:
        return False
    try:
        with socket.socket(socket.AF_INET6, socket.SOCK_STREAM) as s:
            s.bind(("::1", 0))
        return True
    except OSError:
        return False


def _write_atomically(path, value):
    temporary = f"{path}.{os.getpid()}.tmp"
    with open(temporary, "w", encoding="utf-8") as f:
        json.dump(value, f)
        f.write("\n")
    os.replace(temporary, path)


def _process_alive(pid):
    try:
        os.kill(pid, 0)
        return True
    except ProcessLookupError:
        return False
    except PermissionError:
        return True


def parse_args(argv):
    parser = argparse.ArgumentParser(prog="standin-server", description="Local stand-in of the maker's servers.")
    parser.add_argument("--scenario", help="scenario folder (omit to serve only in-memory files)")
    parser.add_argument("--certs", help="folder made by make-certs; without it only plain HTTP listens")
    parser.add_argument("--ports-file", required=True, help="JSON file of listener ports, written once listening")
    parser.add_argument("--record", required=True, help="JSON-lines file that receives every request")
    parser.add_argument("--exit-with", type=int, metavar="PID", help="stop when this process ends")
    parser.add_argument("--verbose", action="store_true", help="log every request on stderr")
    return parser.parse_args(argv)


def main(argv=None):
    args = parse_args(argv if argv is not None else sys.argv[1:])
    ports_file = os.path.abspath(args.ports_file)
    if os.path.exists(ports_file):
        os.remove(ports_file)  # a stale file would make a waiting fixture connect too early

    roles = Roles()
    app = App(roles, args.verbose)
    want_ipv6 = _ipv6_loopback()
    servers = []
    try:
        for entry in roles.listeners:
            certificate = entry["certificate"]
            if certificate and not args.certs:
                continue
            context = _tls_context(args.certs, certificate) if certificate else None
            pair, port = _bind_pair(app, entry["name"], context, want_ipv6)
            servers += pair
            app.ports[entry["name"]] = port
            app.bases[entry["name"]] = (entry["scheme"], port)
        app.scenario = Scenario(args.scenario, roles, app.bases)
        app.faults = FaultTable(app.scenario.initial_faults)
    except (OSError, ssl.SSLError, ScenarioError, FaultError) as e:
        print(f"standin: cannot start: {e}", file=sys.stderr)
        for server in servers:
            server.server_close()
        return 2
    app.recorder = Recorder(os.path.abspath(args.record))

    threads = []
    for server in servers:
        server.server_activate()
        thread = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.1},
                                  name=f"serve-{server.listener}", daemon=True)
        thread.start()
        threads.append(thread)

    def request_stop(signum, frame):
        app.stop_event.set()
    signal.signal(signal.SIGTERM, request_stop)
    signal.signal(signal.SIGINT, request_stop)

    _write_atomically(ports_file, dict(app.ports, pid=os.getpid(), record=os.path.abspath(args.record),
                                       scenario=os.path.abspath(args.scenario) if args.scenario else None))
    print(f"standin: listening {json.dumps(app.ports)}", file=sys.stderr, flush=True)

    while not app.stop_event.wait(0.5):
        if args.exit_with and not _process_alive(args.exit_with):
            app.stop_event.set()

    # Each shutdown waits for its loop to notice; all at once keeps stopping quick.
    stoppers = [threading.Thread(target=server.shutdown) for server in servers]
    for stopper in stoppers:
        stopper.start()
    for stopper in stoppers:
        stopper.join()
    for server in servers:
        server.server_close()
    app.recorder.close()
    _remove_own_ports_file(ports_file)
    return 0


def _remove_own_ports_file(path):
    # Only ours: a server started after us on the same file must keep its own.
    try:
        with open(path, encoding="utf-8") as f:
            if json.load(f).get("pid") == os.getpid():
                os.remove(path)
    except (OSError, ValueError):
        pass
