"""Every request is recorded, exactly as it arrived, before it is answered."""

import base64
import hashlib
import json
import unittest

import standin_testing as t
from standin import StandInError, header


def setUpModule():
    global server
    server = t.start()


def tearDownModule():
    server.stop()
    server.cleanup()


class Recording(unittest.TestCase):
    def test_exact_head_and_header_order_of_a_resumed_download(self):
        head = ("GET /cdn/download/package/Corvane9.0.exe HTTP/1.1\r\n"
                "Content-Type: application/x-www-form-urlencoded\r\n"
                "Range: bytes=100-\r\n"
                "User-Agent: zxrdzo/7.3.4J\r\n"
                "Host: localhost\r\n"
                "Cache-Control: no-cache\r\n\r\n")
        mark = server.mark()
        raw = t.RawConnection(server)
        try:
            raw.send(head.encode("latin-1"))
            status, _ = raw.read_head()
            self.assertEqual(status, 206)
        finally:
            raw.close()
        (record,) = server.requests(since=mark)
        self.assertEqual(record["head"], head)
        self.assertEqual(record["headers"], [
            ["Content-Type", "application/x-www-form-urlencoded"],
            ["Range", "bytes=100-"],
            ["User-Agent", "zxrdzo/7.3.4J"],
            ["Host", "localhost"],
            ["Cache-Control", "no-cache"],
        ])
        self.assertEqual((record["method"], record["path"], record["query"], record["version"]),
                         ("GET", "/cdn/download/package/Corvane9.0.exe", "", "HTTP/1.1"))
        self.assertEqual((record["listener"], record["tls"]), ("http", False))

    def test_signed_upload_post_with_a_non_ascii_body(self):
        body = json.dumps([{"eventKey": "run_downloader", "language": "한국어"}], ensure_ascii=False).encode()
        mark = server.mark()
        status, _, _ = t.request(server, "POST", "/collect/collection/biz/upload", listener="https",
                                 body=body, headers={"Content-Type": "application/json;charset=UTF-8",
                                                     "timestamp": "1796990000123", "signature": "0a1b2c3d"})
        self.assertEqual(status, 200)
        (record,) = server.requests(since=mark)
        self.assertEqual((record["listener"], record["tls"]), ("https", True))
        self.assertEqual(record["body"], body.decode("utf-8"))
        self.assertEqual(record["body_length"], len(body))
        self.assertEqual([name for name, _ in record["headers"]][-3:], ["Content-Type", "timestamp", "signature"])
        self.assertEqual(header(record, "signature"), "0a1b2c3d")

    def test_signed_upload_signature_is_checked_and_recorded(self):
        def signature(timestamp, count):
            return hashlib.md5(f"quenblat*timestamp={timestamp}{count * 1024}".encode()).hexdigest()[-8:]

        three = json.dumps([{"eventKey": "a"}, {"eventKey": "b"}, {"eventKey": "c"}]).encode()
        cases = [
            ("valid", three, {"timestamp": "1796990000123", "signature": signature("1796990000123", 3)}, True),
            ("digest of another count", three,
             {"timestamp": "1796990000123", "signature": signature("1796990000123", 2)}, False),
            ("digest of another timestamp", three,
             {"timestamp": "1796990000123", "signature": signature("1796990000124", 3)}, False),
            ("upper-case digest", three,
             {"timestamp": "1796990000123", "signature": signature("1796990000123", 3).upper()}, False),
            ("no timestamp", three, {"signature": signature("", 3)}, False),
            ("no signature", three, {"timestamp": "1796990000123"}, False),
            ("not an array", b'{"eventKey": "a"}', {"timestamp": "1", "signature": signature("1", 1)}, False),
            ("not JSON", b"[", {"timestamp": "1", "signature": signature("1", 1)}, False),
            ("empty array", b"[]", {"timestamp": "7", "signature": signature("7", 0)}, True),
        ]
        for name, body, headers, valid in cases:
            with self.subTest(case=name):
                mark = server.mark()
                status, _, _ = t.request(server, "POST", "/collect/collection/biz/upload", listener="https",
                                         body=body, headers=headers)
                self.assertEqual(status, 200, "a bad signature is recorded, not refused")
                (record,) = server.requests(since=mark)
                self.assertIs(record["signatureValid"], valid)

    def test_signature_verdict_only_on_signed_uploads(self):
        mark = server.mark()
        headers = {"timestamp": "1", "signature": "00000000"}
        t.request(server, "POST", "/ga/mp/collect", body=b"[]", headers=headers)
        t.get(server, "/collect/collection/biz/upload", headers=headers)
        records = server.requests(since=mark)
        self.assertEqual([r["method"] for r in records], ["POST", "GET"])
        for record in records:
            self.assertNotIn("signatureValid", record)

    def test_measurement_protocol_query_is_kept_apart(self):
        mark = server.mark()
        t.request(server, "POST", "/ga/mp/collect?measurement_id=G-ABCDEFGHIJ&api_secret=abc-_DEF", body=b"{}")
        (record,) = server.requests(since=mark, path="/ga/mp/collect")
        self.assertEqual(record["query"], "measurement_id=G-ABCDEFGHIJ&api_secret=abc-_DEF")
        self.assertEqual(record["target"], "/ga/mp/collect?measurement_id=G-ABCDEFGHIJ&api_secret=abc-_DEF")

    def test_binary_and_chunked_bodies(self):
        binary = bytes(range(256))
        mark = server.mark()
        t.request(server, "POST", "/collect/collection/biz/upload", body=binary)
        raw = t.RawConnection(server)
        try:
            raw.send(b"POST /ga/mp/collect HTTP/1.1\r\nHost: localhost\r\nTransfer-Encoding: chunked\r\n\r\n"
                     b"5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n")
            self.assertEqual(raw.read_head()[0], 204)
        finally:
            raw.close()
        first, second = server.requests(since=mark)
        self.assertNotIn("body", first)
        self.assertEqual(base64.b64decode(first["body_base64"]), binary)
        self.assertEqual((second["body"], second["body_length"]), ("hello world", 11))

    def test_requests_that_fail_are_recorded_too(self):
        server.set_faults({"/cdn/*": {"status": 500}})
        try:
            mark = server.mark()
            t.get(server, "/cdn/player_files/en/vantrel")
            t.get(server, "/nowhere")
            for request in (b"NONSENSE\r\n\r\n",
                            b"POST /ga/mp/collect HTTP/1.1\r\nHost: localhost\r\nContent-Length: ten\r\n\r\n"):
                raw = t.RawConnection(server)
                try:
                    raw.send(request)
                    self.assertEqual(raw.read_head()[0], 400)
                finally:
                    raw.close()
        finally:
            server.clear_faults()
        paths = [(r["path"], r.get("error")) for r in server.requests(since=mark)]
        self.assertEqual(paths, [("/cdn/player_files/en/vantrel", None), ("/nowhere", None),
                                 ("", "malformed request"), ("/ga/mp/collect", "malformed body")])

    def test_record_is_written_before_the_answer(self):
        for index in range(20):
            with self.subTest(index=index):
                mark = server.mark()
                t.get(server, f"/cdn/player_files/en/vantrel?n={index}")
                self.assertEqual([r["query"] for r in server.requests(since=mark)], [f"n={index}"])

    def test_control_requests_are_recorded_but_left_out_by_default(self):
        mark = server.mark()
        server.faults()
        self.assertEqual(server.requests(since=mark), [])
        (control,) = server.requests(since=mark, include_control=True)
        self.assertEqual((control["method"], control["path"]), ("GET", "/__control/faults"))

    def test_wait_for_requests(self):
        mark = server.mark()
        t.request(server, "POST", "/ga/mp/collect", body=b"{}")
        t.request(server, "POST", "/ga/mp/collect", body=b"{}")
        self.assertEqual(len(server.wait_for_requests(2, timeout=2, since=mark, method="POST")), 2)
        with self.assertRaises(StandInError):
            server.wait_for_requests(3, timeout=0.3, since=mark, method="POST")


if __name__ == "__main__":
    unittest.main()
