"""The HTTPS listeners: one good certificate from the test CA and three that a client must refuse."""

import hashlib
import http.client
import os
import shutil
import socket
import ssl
import subprocess
import tempfile
import unittest

import standin_testing as t
from standin import MAKE_CERTS

PATH = "/cdn/player_files/en/vantrel"


def setUpModule():
    global server
    server = t.start()


def tearDownModule():
    server.stop()
    server.cleanup()


def handshake(listener, context):
    """The peer certificate (DER) after a handshake to localhost, or the verification error."""
    with socket.create_connection(("localhost", server.ports[listener]), timeout=10) as raw:
        with context.wrap_socket(raw, server_hostname="localhost") as tls:
            return tls.getpeercert(binary_form=True)


class Listeners(unittest.TestCase):
    def test_each_listener_under_a_verifying_client(self):
        # (listener, verification error expected from a client that trusts the test CA)
        cases = [
            ("https", None),
            ("https_wrong_host", "Hostname mismatch"),
            ("https_expired", "certificate has expired"),
            ("https_self_signed", "self-signed certificate"),
        ]
        for listener, error in cases:
            with self.subTest(listener=listener):
                if error is None:
                    self.assertTrue(handshake(listener, t.trusting_context()))
                    status, _, body = t.get(server, PATH, listener=listener)
                    self.assertEqual((status, body[:1]), (200, b"{"))
                else:
                    with self.assertRaises(ssl.SSLCertVerificationError) as caught:
                        handshake(listener, t.trusting_context())
                    self.assertIn(error, str(caught.exception))

    def test_bad_listeners_serve_the_same_content_to_a_client_that_does_not_check(self):
        # Only the certificate differs: a client that skips verification gets the real answer,
        # which is what makes skipping it dangerous.
        careless = ssl.create_default_context()
        careless.check_hostname = False
        careless.verify_mode = ssl.CERT_NONE
        certificates = set()
        for listener in ("https", "https_wrong_host", "https_expired", "https_self_signed"):
            with self.subTest(listener=listener):
                certificates.add(hashlib.sha256(handshake(listener, careless)).hexdigest())
                connection = http.client.HTTPSConnection("localhost", server.ports[listener], timeout=10,
                                                         context=careless)
                try:
                    connection.request("GET", PATH)
                    self.assertEqual(connection.getresponse().status, 200)
                finally:
                    connection.close()
        self.assertEqual(len(certificates), 4)

    def test_plain_http_is_not_tls_and_tls_is_not_plain(self):
        with self.assertRaises(ssl.SSLError):
            with socket.create_connection(("localhost", server.ports["http"]), timeout=5) as raw:
                t.trusting_context().wrap_socket(raw, server_hostname="localhost")
        with socket.create_connection(("localhost", server.ports["https"]), timeout=5) as raw:
            raw.sendall(b"GET / HTTP/1.1\r\nHost: localhost\r\n\r\n")
            try:
                answer = raw.recv(100)
            except ConnectionResetError:
                answer = b""
            self.assertFalse(answer.startswith(b"HTTP/"))

    def test_a_silent_tls_client_does_not_block_others(self):
        with socket.create_connection(("localhost", server.ports["https"]), timeout=5):
            status, _, _ = t.get(server, PATH, listener="https")
            self.assertEqual(status, 200)

    def test_ranges_and_records_over_tls(self):
        mark = server.mark()
        status, headers, body = t.get(server, PATH, listener="https", headers={"Range": "bytes=2-4"})
        self.assertEqual((status, len(body)), (206, 3))
        (record,) = server.requests(since=mark)
        self.assertEqual((record["listener"], record["tls"]), ("https", True))


class MakeCerts(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="standin-make-certs-")

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def run_make_certs(self):
        subprocess.run([MAKE_CERTS, self.folder], check=True, capture_output=True)
        contents = {}
        for name in sorted(os.listdir(self.folder)):
            with open(os.path.join(self.folder, name), "rb") as f:
                contents[name] = f.read()
        return contents

    def test_second_run_keeps_everything_and_a_lost_leaf_is_made_alone(self):
        first = self.run_make_certs()
        self.assertEqual(sorted(first), ["ca.der", "ca.key", "ca.pem", "expired.key", "expired.pem",
                                         "localhost.key", "localhost.pem", "self-signed.key", "self-signed.pem",
                                         "wrong-host.key", "wrong-host.pem"])
        self.assertEqual(self.run_make_certs(), first)
        os.remove(os.path.join(self.folder, "wrong-host.pem"))
        third = self.run_make_certs()
        changed = sorted(name for name in third if third[name] != first[name])
        self.assertEqual(changed, ["wrong-host.key", "wrong-host.pem"])
        verify = subprocess.run(["openssl", "verify", "-CAfile", os.path.join(self.folder, "ca.pem"),
                                 os.path.join(self.folder, "wrong-host.pem")], capture_output=True)
        self.assertEqual(verify.returncode, 0, verify.stdout + verify.stderr)

    def test_a_lost_ca_key_renews_the_whole_set(self):
        first = self.run_make_certs()
        os.remove(os.path.join(self.folder, "ca.key"))
        second = self.run_make_certs()
        # The self-signed pair owes nothing to the CA and stays.
        self.assertEqual([name for name in second if second[name] == first[name]], ["self-signed.key", "self-signed.pem"])


if __name__ == "__main__":
    unittest.main()
