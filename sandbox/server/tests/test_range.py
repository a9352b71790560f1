"""Ranged requests, as a resumed download sends them, and keep-alive across them."""

import http.client
import unittest

import standin_testing as t
from standin import generated_bytes

PATH = "/cdn/data.bin"
SIZE = 1000


def setUpModule():
    global server, data
    server = t.start(with_tls=False)
    server.set_files({PATH: {"size": SIZE, "seed": "range"}})
    data = generated_bytes("range", SIZE)


def tearDownModule():
    server.stop()
    server.cleanup()


class Ranges(unittest.TestCase):
    def test_range_table(self):
        # (Range header, status, Content-Range, body as a slice of the content or None)
        cases = [
            ("bytes=100-", 206, "bytes 100-999/1000", slice(100, None)),
            ("bytes=0-99", 206, "bytes 0-99/1000", slice(0, 100)),
            ("bytes=999-", 206, "bytes 999-999/1000", slice(999, None)),
            ("bytes=500-5000", 206, "bytes 500-999/1000", slice(500, None)),
            ("bytes=-10", 206, "bytes 990-999/1000", slice(990, None)),
            ("bytes=-5000", 206, "bytes 0-999/1000", slice(0, None)),
            ("bytes=1000-", 416, "bytes */1000", None),
            ("bytes=4000-4999", 416, "bytes */1000", None),
            ("bytes=-0", 416, "bytes */1000", None),
            # Not a single satisfiable byte range: the whole body, as HTTP allows.
            ("bytes=0-1,5-6", 200, None, slice(0, None)),
            ("bytes=20-10", 200, None, slice(0, None)),
            ("items=0-10", 200, None, slice(0, None)),
            ("bytes=abc-", 200, None, slice(0, None)),
        ]
        for value, status, content_range, part in cases:
            with self.subTest(range=value):
                got_status, headers, body = t.get(server, PATH, headers={"Range": value})
                self.assertEqual(got_status, status)
                self.assertEqual(t.header_value(headers, "Content-Range"), content_range)
                if part is not None:
                    self.assertEqual(body, data[part])
                    self.assertEqual(int(t.header_value(headers, "Content-Length")), len(body))

    def test_ranged_answers_keep_the_connection_alive(self):
        mark = server.mark()
        connection = http.client.HTTPConnection("localhost", server.ports["http"], timeout=10)
        try:
            pieces = []
            for start in range(0, SIZE, 300):
                connection.request("GET", PATH, headers={"Range": f"bytes={start}-{start + 299}"})
                response = connection.getresponse()
                self.assertEqual(response.status, 206)
                pieces.append(response.read())
            self.assertEqual(b"".join(pieces), data)
        finally:
            connection.close()
        records = server.requests(since=mark, path=PATH)
        self.assertEqual(len(records), 4)
        self.assertEqual({r["connection"] for r in records}, {records[0]["connection"]})
        self.assertEqual([r["request_on_connection"] for r in records], [1, 2, 3, 4])

    def test_range_on_a_file_from_the_folder(self):
        scenario = t.scratch_scenario({"res/download/package/Corvane9.0.exe": "0123456789" * 10})
        own = t.start(scenario)
        try:
            for listener in ("http", "https"):
                with self.subTest(listener=listener):
                    status, headers, body = t.get(own, "/res/download/package/Corvane9.0.exe",
                                                  listener=listener, headers={"Range": "bytes=95-"})
                    self.assertEqual((status, body), (206, b"56789"))
                    self.assertEqual(t.header_value(headers, "Content-Range"), "bytes 95-99/100")
        finally:
            own.stop()
            own.cleanup()


if __name__ == "__main__":
    unittest.main()
