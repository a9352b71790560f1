"""Client side of the stand-in for tests and scripts: start and stop the server process, change
its faults and files at run time, and read the requests it recorded."""

import http.client
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SERVER_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SERVER_SCRIPT = os.path.join(SERVER_DIR, "standin-server")
MAKE_CERTS = os.path.join(SERVER_DIR, "make-certs")


class StandInError(Exception):
    pass


def make_certs(folder):
    """Creates (or keeps) the test CA and server certificates in folder; returns the folder."""
    subprocess.run([MAKE_CERTS, folder], check=True)
    return folder


class StandIn:
    """One server process. Either started here (start/stop, or a with-block) or attached to one
    that a fixture started (attach), given the ports file it wrote."""

    def __init__(self, scenario=None, certs=None, workdir=None, verbose=False, detached=False):
        """detached: the server outlives this process (its own session, no --exit-with); for
        fixtures whose start and stop are separate processes, such as CTest setup and cleanup."""
        self.detached = detached
        self.scenario = scenario
        self.certs = certs
        self.verbose = verbose
        self._own_workdir = workdir is None
        self.workdir = workdir or tempfile.mkdtemp(prefix="standin-")
        self.ports_file = os.path.join(self.workdir, "ports.json")
        self.record_path = os.path.join(self.workdir, "requests.jsonl")
        self.ports = {}
        self.pid = None
        self._process = None

    # --- life cycle ---------------------------------------------------------------------------

    @classmethod
    def attach(cls, ports_file):
        with open(ports_file, encoding="utf-8") as f:
            info = json.load(f)
        server = cls(workdir=os.path.dirname(os.path.abspath(ports_file)))
        server._own_workdir = False
        server.ports_file = ports_file
        server.record_path = info.pop("record")
        server.scenario = info.pop("scenario")
        server.pid = info.pop("pid")
        server.ports = info
        return server

    def start(self, timeout=15):
        os.makedirs(self.workdir, exist_ok=True)
        command = [sys.executable, SERVER_SCRIPT, "--ports-file", self.ports_file, "--record", self.record_path]
        if not self.detached:
            command += ["--exit-with", str(os.getpid())]
        if self.scenario:
            command += ["--scenario", self.scenario]
        if self.certs:
            command += ["--certs", self.certs]
        if self.verbose:
            command.append("--verbose")
        self._log = open(os.path.join(self.workdir, "server.log"), "w")
        self._process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=self._log,
                                         stderr=subprocess.STDOUT, start_new_session=self.detached)
        self.pid = self._process.pid
        deadline = time.monotonic() + timeout
        while not os.path.exists(self.ports_file):
            if self._process.poll() is not None:
                raise StandInError(f"server exited with {self._process.returncode}: {self.server_log()}")
            if time.monotonic() > deadline:
                self.stop()
                raise StandInError(f"server did not listen within {timeout} s: {self.server_log()}")
            time.sleep(0.02)
        with open(self.ports_file, encoding="utf-8") as f:
            info = json.load(f)
        self.ports = {k: v for k, v in info.items() if k not in ("pid", "record", "scenario")}
        return self

    def stop(self, timeout=10):
        """SIGTERM, then SIGKILL if the server has not ended within timeout. Returns the exit code
        when this object started the process."""
        code = None
        if self.pid is None:
            return code
        try:
            os.kill(self.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        if self._process is not None:
            try:
                code = self._process.wait(timeout)
            except subprocess.TimeoutExpired:
                self._process.kill()
                code = self._process.wait()
            self._log.close()
        else:
            deadline = time.monotonic() + timeout
            while process_alive(self.pid) and time.monotonic() < deadline:
                time.sleep(0.05)
            if process_alive(self.pid):
                os.kill(self.pid, signal.SIGKILL)
        self.pid = None
        return code

    def cleanup(self):
        if self._own_workdir:
            shutil.rmtree(self.workdir, ignore_errors=True)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
        self.cleanup()

    def server_log(self):
        try:
            with open(os.path.join(self.workdir, "server.log"), encoding="utf-8") as f:
                return f.read()
        except OSError:
            return ""

    # --- addresses ----------------------------------------------------------------------------

    def base(self, listener="https"):
        scheme = "http" if listener == "http" else "https"
        return f"{scheme}://localhost:{self.ports[listener]}"

    def url(self, path, listener="https"):
        return self.base(listener) + path

    # --- control ------------------------------------------------------------------------------

    def control(self, method, path, document=None):
        """Sends a control request over plain HTTP; returns the decoded JSON answer or raises."""
        connection = http.client.HTTPConnection("localhost", self.ports["http"], timeout=30)
        try:
            body = json.dumps(document).encode("utf-8") if document is not None else None
            headers = {"Content-Type": "application/json"} if body is not None else {}
            connection.request(method, path, body=body, headers=headers)
            response = connection.getresponse()
            answer = json.loads(response.read() or b"null")
        finally:
            connection.close()
        if response.status != 200:
            raise StandInError(f"{method} {path}: {response.status} {answer}")
        return answer

    def set_faults(self, table):
        """Replaces the whole fault table."""
        return self.control("POST", "/__control/faults", table)

    def merge_faults(self, table):
        """Adds or replaces entries; an entry of None removes one."""
        return self.control("POST", "/__control/faults?merge=1", table)

    def clear_faults(self):
        return self.control("DELETE", "/__control/faults")

    def faults(self):
        return self.control("GET", "/__control/faults")

    def set_files(self, entries):
        """In-memory files by path: {"text": ...} | {"base64": ...} | {"size": n, "seed": s}."""
        return self.control("POST", "/__control/files", entries)

    def clear_files(self):
        return self.control("DELETE", "/__control/files")

    def digest(self, path):
        """{"size", "sha256", "md5"} of what a GET of path would serve."""
        from urllib.parse import quote
        return self.control("GET", "/__control/digest?path=" + quote(path, safe="/"))

    # --- recorded requests --------------------------------------------------------------------

    def mark(self):
        """The sequence number of the last recorded request: pass it as since= to see only later
        ones."""
        records = self.requests(include_control=True)
        return records[-1]["seq"] if records else 0

    def requests(self, since=0, include_control=False, **match):
        """Recorded requests after `since`, oldest first. Keyword arguments filter on equal fields
        (method="POST", path="/ga/mp/collect", listener="https")."""
        try:
            with open(self.record_path, encoding="utf-8") as f:
                lines = f.read().split("\n")
        except FileNotFoundError:
            return []
        records = []
        for line in lines[:-1]:  # the last piece is empty or a line still being written
            record = json.loads(line)
            if record["seq"] <= since:
                continue
            if not include_control and record["path"].startswith("/__control/"):
                continue
            if all(record.get(k) == v for k, v in match.items()):
                records.append(record)
        return records

    def wait_for_requests(self, count=1, timeout=10, since=0, **match):
        """Waits until at least `count` matching requests were recorded; returns them."""
        deadline = time.monotonic() + timeout
        while True:
            records = self.requests(since=since, **match)
            if len(records) >= count:
                return records
            if time.monotonic() > deadline:
                raise StandInError(f"{len(records)} of {count} requests matching {match} after {timeout} s")
            time.sleep(0.05)


def header(record, name):
    """The first value of a header in a recorded request (names compared without case)."""
    for key, value in record["headers"]:
        if key.lower() == name.lower():
            return value
    return None


def process_alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    # A zombie has ended; it only waits for its parent (maybe another fixture) to collect it.
    try:
        with open(f"/proc/{pid}/stat", encoding="ascii", errors="replace") as f:
            return f.read().rsplit(")", 1)[-1].split()[0] != "Z"
    except OSError:
        return True
