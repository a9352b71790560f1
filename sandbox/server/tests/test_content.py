"""What the stand-in serves: the scenario folder at the addresses of the host roles."""

import hashlib
import json
import os
import tempfile
import unittest

import standin_testing as t
from standin import StandInError, generated_bytes


def setUpModule():
    global server
    server = t.start()


def tearDownModule():
    server.stop()
    server.cleanup()


class ScenarioContent(unittest.TestCase):
    def test_version_answer_points_at_the_servers_own_https_port(self):
        for role in ("cdn", "res"):
            with self.subTest(role=role):
                status, headers, body = t.get(server, f"/{role}/player_files/en/vantrel")
                self.assertEqual(status, 200)
                self.assertEqual(t.header_value(headers, "Content-Type"), "application/json")
                entry = json.loads(body)["zaz9"]
                self.assertEqual(entry["url"], server.url("/cdn/download/package/Corvane9.0.exe"))
                self.assertEqual(entry["url_spare"], server.url("/res/download/package/Corvane9.0.exe"))

    def test_version_answer_digests_match_the_packages_it_names(self):
        _, _, body = t.get(server, "/cdn/player_files/en/vantrel")
        for key, entry in json.loads(body).items():
            with self.subTest(entry=key):
                for url in (entry["url"], entry["url_spare"]):
                    self.assertEqual(server.digest(url[len(server.base()):])["md5"], entry["md5"])

    def test_every_address_the_installer_asks_for_is_served(self):
        cases = [
            ("/cdn/player_files/en/vantrelex", "application/json"),
            ("/cdn/player_files/openidconfig/10001.data", "application/json"),
            ("/res-cn/player_files/openidconfig/10001.data", "application/json"),
            ("/api-en/check/machine/channel?m=0123456789abcdef", "application/json"),
            ("/res/pictures/launch_h.jpg", "image/jpeg"),
            ("/res/icons/shortcut.ico", "image/x-icon"),
            ("/res/apps/starfall-tactics.apk", "application/vnd.android.package-archive"),
        ]
        for path, content_type in cases:
            with self.subTest(path=path):
                status, headers, body = t.get(server, path, listener="https")
                self.assertEqual(status, 200)
                self.assertEqual(t.header_value(headers, "Content-Type"), content_type)
                self.assertEqual(int(t.header_value(headers, "Content-Length")), len(body))
                self.assertGreater(len(body), 0)

    def test_api_family_uses_its_language_folder_before_the_shared_one(self):
        scenario = t.scratch_scenario({
            "api/check/machine/channel": {"code": 200, "data": 1},
            "api-kr/check/machine/channel": {"code": 200, "data": 2},
        })
        own = t.start(scenario, with_tls=False)
        try:
            cases = [("/api-kr", 2), ("/api-en", 1), ("/api-cn", 1)]
            for prefix, data in cases:
                with self.subTest(prefix=prefix):
                    status, _, body = t.get(own, prefix + "/check/machine/channel?m=x")
                    self.assertEqual(status, 200)
                    self.assertEqual(json.loads(body)["data"], data)
        finally:
            own.stop()
            own.cleanup()

    def test_addresses_outside_the_roles_or_the_folder_are_not_found(self):
        cases = [
            "/player_files/en/vantrel",                 # no role prefix
            "/www/player_files/en/vantrel",             # not a role
            "/cdn/player_files/en/vantrel.tmpl",        # the template itself
            "/cdn/../cdn/player_files/en/vantrel",      # climbing out
            "/cdn/%2e%2e/scenario.json",
            "/cdn/player_files/en/",                    # a folder
            "/cdn/player_files/en/missing",
        ]
        for path in cases:
            with self.subTest(path=path):
                status, headers, body = t.get(server, path)
                self.assertEqual(status, 404)
                self.assertIn(b"404", body)

    def test_generated_package_is_deterministic_and_reported_by_digest(self):
        path = "/cdn/download/package/Corvane9.0.exe"
        status, _, body = t.get(server, path)
        self.assertEqual(status, 200)
        self.assertEqual(len(body), 12 * 1024 * 1024 + 4099)
        self.assertEqual(body, generated_bytes("Corvane9.0.exe", len(body)))
        digest = server.digest(path)
        self.assertEqual(digest["size"], len(body))
        self.assertEqual(digest["sha256"], hashlib.sha256(body).hexdigest())
        self.assertEqual(digest["md5"], hashlib.md5(body).hexdigest())
        with self.assertRaisesRegex(StandInError, "404"):
            server.digest("/cdn/download/package/Corvane10.exe")
        # Packages of different types differ, so a client that fetched the wrong one is caught.
        self.assertNotEqual(body[:4096], generated_bytes("Corvane4.0.exe", 4096))

    def test_head_gives_the_headers_of_get_without_a_body(self):
        status, headers, body = t.request(server, "HEAD", "/cdn/player_files/en/vantrelex")
        self.assertEqual(status, 200)
        self.assertEqual(body, b"")
        _, _, full = t.get(server, "/cdn/player_files/en/vantrelex")
        self.assertEqual(int(t.header_value(headers, "Content-Length")), len(full))

    def test_files_changed_at_run_time_replace_and_then_restore_the_scenario(self):
        own = t.start(with_tls=False)  # clears files: not on the module's shared server
        try:
            path = "/cdn/player_files/en/vantrelex"
            _, _, original = t.get(own, path)
            own.set_files({path: {"text": "{\"en\": {}}"}, "/cdn/extra.bin": {"base64": "AAEC/w=="}})
            self.assertEqual(t.get(own, path)[2], b"{\"en\": {}}")
            self.assertEqual(t.get(own, "/cdn/extra.bin")[2], b"\x00\x01\x02\xff")
            own.set_files({path: None})
            self.assertEqual(t.get(own, path)[2], original)
            own.clear_files()
            self.assertEqual(t.get(own, "/cdn/extra.bin")[0], 404)
            # Clearing the run-time files also clears those that scenario.json declared.
            self.assertEqual(t.get(own, "/res/pictures/launch_h.jpg")[0], 404)
        finally:
            own.stop()
            own.cleanup()

    def test_a_file_on_disk_is_served_as_it_is_with_ranges(self):
        with tempfile.NamedTemporaryFile(suffix=".exe", delete=False) as f:
            f.write(bytes(range(256)) * 64)
        try:
            server.set_files({"/cdn/built.exe": {"file": f.name}})
            status, _, body = t.get(server, "/cdn/built.exe")
            self.assertEqual((status, body), (200, bytes(range(256)) * 64))
            status, _, body = t.request(server, "GET", "/cdn/built.exe", headers={"Range": "bytes=16000-"})
            self.assertEqual((status, body), (206, (bytes(range(256)) * 64)[16000:]))
        finally:
            server.set_files({"/cdn/built.exe": None})
            os.unlink(f.name)

    def test_bad_run_time_file_is_refused(self):
        cases = [
            {"/cdn/x": {"text": "a", "size": 3}},
            {"/cdn/x": {"size": -1}},
            {"cdn/x": {"text": "a"}},
            {"/cdn/x": {"txt": "a"}},
            {"/cdn/x": {"text": 5}},
            {"/cdn/x": {"base64": "not base64!"}},
            {"/cdn/x": {"size": True}},
            {"/cdn/x": {"file": "relative/path"}},
            {"/cdn/x": {"file": "/no/such/file"}},
        ]
        for entries in cases:
            with self.subTest(entries=entries):
                with self.assertRaisesRegex(StandInError, "400"):
                    server.set_files(entries)

    def test_broken_template_is_a_server_error_not_a_guess(self):
        scenario = t.scratch_scenario({"cdn/player_files/en/vantrel.tmpl": "{\"url\": \"{{ftp}}/x\"}"})
        own = t.start(scenario, with_tls=False)
        try:
            status, _, body = t.get(own, "/cdn/player_files/en/vantrel")
            self.assertEqual(status, 500)
            self.assertIn(b"{{ftp}}", body)
        finally:
            own.stop()
            own.cleanup()

    def test_port_placeholder(self):
        scenario = t.scratch_scenario({"cdn/ports.tmpl": "{{port:http}} {{port:https_expired}}"})
        own = t.start(scenario)
        try:
            self.assertEqual(t.get(own, "/cdn/ports")[2].decode(),
                             f"{own.ports['http']} {own.ports['https_expired']}")
        finally:
            own.stop()
            own.cleanup()


class Telemetry(unittest.TestCase):
    def test_the_two_telemetry_endpoints_accept_posts(self):
        cases = [
            ("/collect/collection/biz/upload", 200, b"{\"code\":0,\"msg\":\"success\"}"),
            ("/ga/mp/collect?measurement_id=G-ABCDEFGHIJ&api_secret=s", 204, b""),
        ]
        for path, status, answer in cases:
            with self.subTest(path=path):
                got_status, _, body = t.request(server, "POST", path, listener="https", body=b"[]",
                                                headers={"Content-Type": "application/json"})
                self.assertEqual(got_status, status)
                self.assertEqual(body, answer)

    def test_posts_elsewhere_and_other_methods_are_refused(self):
        self.assertEqual(t.request(server, "POST", "/cdn/player_files/en/vantrel", body=b"x")[0], 404)
        self.assertEqual(t.request(server, "PUT", "/collect/collection/biz/upload", body=b"x")[0], 405)


if __name__ == "__main__":
    unittest.main()
