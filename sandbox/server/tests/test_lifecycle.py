"""Starting and stopping as a test fixture does: ports file once listening, SIGTERM, parent gone."""

import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

import standin_testing as t
from standin import SERVER_SCRIPT, StandIn
from standin.client import process_alive


def wait_until(condition, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.05)
    return False


class LifeCycle(unittest.TestCase):
    def test_every_listed_port_listens_and_sigterm_ends_cleanly(self):
        server = t.start()
        try:
            with open(server.ports_file) as f:
                info = json.load(f)
            self.assertEqual(info["pid"], server.pid)
            self.assertEqual(sorted(server.ports),
                             ["http", "https", "https_expired", "https_self_signed", "https_wrong_host"])
            for listener, port in server.ports.items():
                with self.subTest(listener=listener):
                    socket.create_connection(("127.0.0.1", port), timeout=5).close()
            # A stalled answer in progress must not hold the stop up.
            server.set_faults({"/cdn/*": {"stall_after": 1}})
            raw = t.RawConnection(server)
            raw.get("/cdn/player_files/en/vantrel")
            raw.read_head()
            began = time.monotonic()
            self.assertEqual(server.stop(), 0)
            self.assertLess(time.monotonic() - began, 5)
            raw.close()
            self.assertFalse(os.path.exists(server.ports_file))
            with self.assertRaises(ConnectionRefusedError):
                socket.create_connection(("127.0.0.1", info["http"]), timeout=5).close()
        finally:
            server.stop()
            server.cleanup()

    def test_without_certificates_only_http_listens(self):
        server = t.start(with_tls=False)
        try:
            self.assertEqual(list(server.ports), ["http"])
        finally:
            server.stop()
            server.cleanup()

    def test_ipv6_loopback_answers_on_the_same_port(self):
        try:
            with socket.socket(socket.AF_INET6) as probe:
                probe.bind(("::1", 0))
        except OSError:
            self.skipTest("no IPv6 loopback on this machine")
        server = t.start(with_tls=False)
        try:
            with socket.create_connection(("::1", server.ports["http"]), timeout=5) as raw:
                raw.sendall(b"GET /cdn/player_files/en/vantrelex HTTP/1.1\r\nHost: localhost\r\n\r\n")
                self.assertTrue(raw.recv(100).startswith(b"HTTP/1.1 200"))
        finally:
            server.stop()
            server.cleanup()

    def test_server_ends_with_the_process_it_was_told_to_follow(self):
        workdir = tempfile.mkdtemp(prefix="standin-follow-")
        self.addCleanup(shutil.rmtree, workdir, True)
        ports_file = os.path.join(workdir, "ports.json")
        follow = subprocess.Popen([sys.executable, "-c", "import time; time.sleep(60)"])
        server = subprocess.Popen([sys.executable, SERVER_SCRIPT, "--ports-file", ports_file,
                                   "--record", os.path.join(workdir, "requests.jsonl"),
                                   "--exit-with", str(follow.pid)], stderr=subprocess.DEVNULL)
        try:
            self.assertTrue(wait_until(lambda: os.path.exists(ports_file), 20))
            self.assertIsNone(server.poll())
            follow.kill()
            follow.wait()
            self.assertEqual(server.wait(10), 0)
        finally:
            follow.kill()
            server.kill()
            server.wait()

    def test_attach_to_a_server_started_elsewhere(self):
        owner = t.start(with_tls=False)
        try:
            attached = StandIn.attach(owner.ports_file)
            self.assertEqual((attached.pid, attached.ports), (owner.pid, owner.ports))
            t.get(owner, "/cdn/player_files/en/vantrel?attached=1")
            self.assertEqual(attached.requests(query="attached=1")[0]["path"], "/cdn/player_files/en/vantrel")
            attached.stop()
            self.assertTrue(wait_until(lambda: not process_alive(owner.pid), 10))
        finally:
            owner.stop()
            owner.cleanup()

    def test_ctl_starts_a_server_that_outlives_it_and_stops_it(self):
        workdir = tempfile.mkdtemp(prefix="standin-ctl-")
        self.addCleanup(shutil.rmtree, workdir, True)
        ctl = os.path.join(t.SERVER_DIR, "standin-ctl")
        started = subprocess.run([ctl, "start", "--workdir", workdir, "--scenario", t.BASIC_SCENARIO,
                                  "--certs", t.certs()], capture_output=True, text=True, timeout=60)
        self.assertEqual(started.returncode, 0, started.stderr)
        ports = json.loads(started.stdout)
        with open(os.path.join(workdir, "ports.json")) as f:
            pid = json.load(f)["pid"]
        try:
            server = StandIn.attach(os.path.join(workdir, "ports.json"))
            self.assertEqual(server.ports, ports)
            self.assertEqual(t.get(server, "/cdn/player_files/en/vantrel", listener="https")[0], 200)
            listed = subprocess.run([ctl, "requests", "--workdir", workdir], capture_output=True, text=True)
            self.assertEqual([json.loads(line)["path"] for line in listed.stdout.splitlines()],
                             ["/cdn/player_files/en/vantrel"])
            self.assertEqual(subprocess.run([ctl, "stop", "--workdir", workdir]).returncode, 0)
            self.assertFalse(process_alive(pid))
            self.assertFalse(os.path.exists(os.path.join(workdir, "ports.json")))
        finally:
            if process_alive(pid):
                os.kill(pid, 9)


if __name__ == "__main__":
    unittest.main()
