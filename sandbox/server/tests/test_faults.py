"""Each way the stand-in can be told to misbehave, per path, from faults.json and at run time."""

import http.client
import os
import socket
import ssl
import unittest
from urllib.parse import urlsplit

import standin_testing as t
from standin import StandInError, generated_bytes

PATH = "/cdn/download/package/Corvane9.0.exe"
SIZE = 200_000


def setUpModule():
    global server, data
    server = t.start()
    server.set_files({PATH: {"size": SIZE, "seed": "faults"},
                      "/res/download/package/Corvane9.0.exe": {"size": SIZE, "seed": "faults"}})
    data = generated_bytes("faults", SIZE)


def tearDownModule():
    server.stop()
    server.cleanup()


class FaultCase(unittest.TestCase):
    def setUp(self):
        server.clear_faults()

    def tearDown(self):
        server.clear_faults()


class Answers(FaultCase):
    def test_status_answers_with_a_page_and_keeps_the_connection(self):
        for status in (404, 500, 503):
            with self.subTest(status=status):
                server.set_faults({PATH: {"status": status}})
                connection = http.client.HTTPConnection("localhost", server.ports["http"], timeout=10)
                try:
                    connection.request("GET", PATH)
                    response = connection.getresponse()
                    body = response.read()
                    self.assertEqual(response.status, status)
                    self.assertEqual(response.getheader("Content-Type"), "text/html; charset=utf-8")
                    self.assertIn(str(status).encode(), body)
                    server.clear_faults()
                    connection.request("GET", PATH)
                    again = connection.getresponse()
                    self.assertEqual((again.status, again.read()), (200, data))
                finally:
                    connection.close()

    def test_html_page_instead_of_the_file(self):
        server.set_faults({PATH: {"html": True}})
        status, headers, body = t.get(server, PATH, headers={"Range": "bytes=100-"})
        self.assertEqual(status, 200)
        self.assertEqual(t.header_value(headers, "Content-Type"), "text/html; charset=utf-8")
        self.assertTrue(body.startswith(b"<!DOCTYPE html>"))
        self.assertLess(len(body), 10 * 1024 * 1024)

    def test_no_length_ends_the_body_by_closing(self):
        server.set_faults({PATH: {"no_length": True}})
        raw = t.RawConnection(server)
        try:
            raw.get(PATH)
            status, headers = raw.read_head()
            self.assertEqual(status, 200)
            self.assertNotIn("content-length", headers)
            self.assertEqual(headers["connection"], "close")
            self.assertEqual(raw.read_to_close(), data)
        finally:
            raw.close()

    def test_ignore_range_sends_everything_with_200(self):
        server.set_faults({PATH: {"ignore_range": True}})
        status, headers, body = t.get(server, PATH, headers={"Range": "bytes=100-"})
        self.assertEqual((status, body), (200, data))
        self.assertIsNone(t.header_value(headers, "Content-Range"))

    def test_faults_apply_to_telemetry_posts_too(self):
        server.set_faults({"/collect/*": {"status": 500}})
        status, _, _ = t.request(server, "POST", "/collect/collection/biz/upload", body=b"[]")
        self.assertEqual(status, 500)
        self.assertEqual(t.request(server, "POST", "/ga/mp/collect", body=b"{}")[0], 204)


class BrokenTransfers(FaultCase):
    def test_stall_after_sends_exactly_that_much_then_nothing(self):
        server.set_faults({PATH: {"stall_after": 1000}})
        raw = t.RawConnection(server, timeout=0.7)
        try:
            raw.get(PATH)
            status, headers = raw.read_head()
            self.assertEqual(status, 200)
            self.assertEqual(int(headers["content-length"]), SIZE)
            self.assertEqual(raw.read_exactly(1000), data[:1000])
            with self.assertRaises(socket.timeout):
                raw.read_exactly(1)
        finally:
            raw.close()

    def test_stall_counts_from_the_start_of_a_range(self):
        server.set_faults({PATH: {"stall_after": 10}})
        raw = t.RawConnection(server, timeout=0.7)
        try:
            raw.get(PATH, "Range: bytes=500-\r\n")
            status, _ = raw.read_head()
            self.assertEqual(status, 206)
            self.assertEqual(raw.read_exactly(10), data[500:510])
            with self.assertRaises(socket.timeout):
                raw.read_exactly(1)
        finally:
            raw.close()

    def test_reset_after_sends_that_much_then_resets(self):
        for count in (0, 4096):
            with self.subTest(count=count):
                server.set_faults({PATH: {"reset_after": count}})
                raw = t.RawConnection(server)
                try:
                    raw.get(PATH)
                    status, _ = raw.read_head()
                    self.assertEqual(status, 200)
                    received = b""
                    with self.assertRaises(ConnectionResetError):
                        while True:
                            chunk = raw.sock.recv(65536)
                            if not chunk:
                                break  # an orderly close would be a failure of the fault
                            received += chunk
                    self.assertEqual(raw.buffer + received, data[:count])
                finally:
                    raw.close()

    def test_reset_over_tls_delivers_the_bytes_before_it(self):
        server.set_faults({PATH: {"reset_after": 4096}})
        raw = socket.create_connection(("localhost", server.ports["https"]), timeout=5)
        tls = t.trusting_context().wrap_socket(raw, server_hostname="localhost", suppress_ragged_eofs=False)
        try:
            tls.sendall(f"GET {PATH} HTTP/1.1\r\nHost: localhost\r\n\r\n".encode())
            received = b""
            # No close_notify: the end is an error, never an orderly end of the stream.
            with self.assertRaises((ssl.SSLEOFError, ConnectionResetError)):
                while True:
                    chunk = tls.recv(65536)
                    if not chunk:
                        break
                    received += chunk
            self.assertEqual(received.split(b"\r\n\r\n", 1)[1], data[:4096])
        finally:
            tls.close()

    def test_rate_limits_the_body(self):
        server.set_faults({PATH: {"rate": 100_000}})
        (status, _, body), seconds = t.timed(t.get, server, PATH, headers={"Range": f"bytes={SIZE - 50_000}-"})
        self.assertEqual((status, body), (206, data[-50_000:]))
        self.assertGreater(seconds, 0.45)
        self.assertLess(seconds, 3)

    def test_delay_holds_the_answer(self):
        server.set_faults({PATH: {"delay": 0.6, "status": 404}})
        (status, _, _), seconds = t.timed(t.get, server, PATH)
        self.assertEqual(status, 404)
        self.assertGreater(seconds, 0.55)
        server.clear_faults()
        (_, _, _), quick = t.timed(t.get, server, PATH)
        self.assertLess(quick, 0.5)


class Redirects(FaultCase):
    def follow(self, path, limit=20):
        """Follows redirects by hand; returns the Location chain and the final answer."""
        chain = []
        url = path
        for _ in range(limit):
            status, headers, body = t.get(server, url)
            if status not in (301, 302, 303, 307, 308):
                return chain, status, body
            location = t.header_value(headers, "Location")
            chain.append((status, location))
            parts = urlsplit(location)
            self.assertEqual((parts.scheme, parts.hostname, parts.port), ("http", "localhost", server.ports["http"]))
            url = parts.path + (f"?{parts.query}" if parts.query else "")
        return chain, None, None

    def test_redirect_n_times_then_the_content(self):
        for count in (1, 5, 6):
            with self.subTest(count=count):
                server.set_faults({PATH: {"redirect": count}})
                chain, status, body = self.follow(PATH + "?k=v")
                self.assertEqual(len(chain), count)
                self.assertEqual(len({location for _, location in chain}), count)
                self.assertTrue(all(location.endswith("?k=v") for _, location in chain))
                self.assertEqual((status, body), (200, data))

    def test_redirect_status_and_final_target(self):
        server.set_faults({PATH: {"redirect": 2, "redirect_status": 301,
                                  "redirect_to": "{{http}}/res/download/package/Corvane9.0.exe"}})
        chain, status, body = self.follow(PATH)
        self.assertEqual([s for s, _ in chain], [301, 301])
        self.assertEqual(chain[-1][1], server.url("/res/download/package/Corvane9.0.exe", "http"))
        self.assertEqual((status, body), (200, data))

    def test_redirect_loop_never_ends(self):
        server.set_faults({PATH: {"redirect_loop": True}})
        chain, status, _ = self.follow(PATH, limit=12)
        self.assertIsNone(status)
        self.assertEqual(len(chain), 12)
        self.assertEqual(len({location for _, location in chain}), 2)

    def test_a_fault_at_the_end_of_the_chain(self):
        server.set_faults({PATH: {"redirect": 2, "status": 404}})
        chain, status, _ = self.follow(PATH)
        self.assertEqual((len(chain), status), (2, 404))


class Table(FaultCase):
    def test_longest_key_wins(self):
        server.set_faults({"*": {"status": 503}, "/cdn/*": {"status": 500}, PATH: {"status": 404}})
        cases = [(PATH, 404), ("/cdn/player_files/en/vantrel", 500), ("/res/player_files/en/vantrel", 503)]
        for path, status in cases:
            with self.subTest(path=path):
                self.assertEqual(t.get(server, path)[0], status)

    def test_failing_one_role_keeps_the_other(self):
        server.set_faults({"/cdn/*": {"status": 500}})
        self.assertEqual(t.get(server, "/cdn/player_files/en/vantrel")[0], 500)
        self.assertEqual(t.get(server, "/res/player_files/en/vantrel")[0], 200)

    def test_times_limits_a_fault_to_the_first_requests(self):
        server.set_faults({PATH: {"status": 500, "times": 2}})
        self.assertEqual([t.get(server, PATH)[0] for _ in range(4)], [500, 500, 200, 200])

    def test_times_counts_a_redirect_chain_once(self):
        server.set_faults({PATH: {"redirect": 3, "times": 1}})
        self.assertEqual(len(Redirects.follow(self, PATH)[0]), 3)
        self.assertEqual(t.get(server, PATH)[0], 200)

    def test_merge_replace_and_remove(self):
        server.set_faults({PATH: {"status": 404}})
        server.merge_faults({"/res/*": {"html": True}})
        self.assertEqual(server.faults(), {PATH: {"status": 404}, "/res/*": {"html": True}})
        server.merge_faults({PATH: None})
        self.assertEqual(server.faults(), {"/res/*": {"html": True}})
        server.set_faults({"/cdn/*": {"delay": 0}})
        self.assertEqual(server.faults(), {"/cdn/*": {"delay": 0}})

    def test_invalid_faults_are_refused_and_change_nothing(self):
        server.set_faults({PATH: {"status": 404}})
        cases = [
            {PATH: {"stauts": 404}},
            {PATH: {"status": "404"}},
            {PATH: {"status": 42}},
            {PATH: {"status": 101}},
            {PATH: {"html": 1}},
            {PATH: {"reset_after": True}},
            {PATH: {"stall_after": 10, "reset_after": 10}},
            {PATH: {"redirect": 2, "redirect_status": 200}},
            {PATH: {"rate": 0}},
            {"cdn/x": {"status": 404}},
            [],
        ]
        for table in cases:
            with self.subTest(table=table):
                with self.assertRaisesRegex(StandInError, "400"):
                    server.set_faults(table)
                self.assertEqual(server.faults(), {PATH: {"status": 404}})

    def test_faults_file_of_the_scenario_is_in_force_from_the_start(self):
        scenario = t.scratch_scenario({
            "cdn/player_files/en/vantrel": "{}",
            "res/player_files/en/vantrel": "{}",
            "faults.json": {"/cdn/player_files/en/vantrel": {"status": 404}},
        })
        own = t.start(scenario, with_tls=False)
        try:
            self.assertEqual(t.get(own, "/cdn/player_files/en/vantrel")[0], 404)
            self.assertEqual(t.get(own, "/res/player_files/en/vantrel")[0], 200)
        finally:
            own.stop()
            own.cleanup()

    def test_invalid_faults_file_stops_the_start(self):
        scenario = t.scratch_scenario({"faults.json": {"/cdn/x": {"stall": 3}}})
        own = t.StandIn(scenario=scenario)
        try:
            with self.assertRaisesRegex(StandInError, "unknown member 'stall'"):
                own.start()
            self.assertFalse(os.path.exists(own.ports_file))
        finally:
            own.stop()
            own.cleanup()


if __name__ == "__main__":
    unittest.main()
