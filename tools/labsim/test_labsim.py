#!/usr/bin/env python3
"""Self-test of the lab simulator: the file-transfer page's refusals of bad
input, and the HTTP control endpoints. Run: python3 tools/labsim/test_labsim.py
"""
import hashlib
import json
import os
import subprocess
import sys
import tempfile
import unittest
import urllib.error
import urllib.parse
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
LOGIN, PASSWORD = "bob", "pw"
CRED = hashlib.md5((PASSWORD + "vobzn\u00e9" + LOGIN).encode("utf-8")).hexdigest()


class LabSimTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.store = os.path.join(cls.tmp.name, "store")
        cls.proc = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "labsim.py"), cls.store, "--port", "0",
             "--login", LOGIN, "--password", PASSWORD],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        line = cls.proc.stdout.readline().decode().strip()
        assert line.startswith("LABSIM_PORT="), line
        cls.base = "http://127.0.0.1:%s" % line.split("=", 1)[1]

    @classmethod
    def tearDownClass(cls):
        cls.proc.stdin.close()
        try:
            cls.proc.wait(5)
        except subprocess.TimeoutExpired:
            cls.proc.kill()
            cls.proc.wait()
        cls.proc.stdout.close()
        cls.tmp.cleanup()

    def request(self, query, data=None, headers=None, path="/FileTransfer.aspx"):
        req = urllib.request.Request(self.base + path + ("?" + query if query else ""),
                                     data=data, headers=headers or {})
        try:
            with urllib.request.urlopen(req, timeout=10) as r:
                return r.status, r.read()
        except urllib.error.HTTPError as e:
            return e.code, e.read()

    def page(self, file, action, cred=CRED, data=None, headers=None):
        q = {"file": file, "action": action}
        if cred is not None:
            q["logincred"] = cred
        return self.request(urllib.parse.urlencode(q, quote_via=urllib.parse.quote), data, headers)

    def multipart(self, name, value, filename=None):
        boundary = "b0undary"
        disp = 'form-data; name="%s"' % name + ('; filename="%s"' % filename if filename else "")
        body = ("--%s\r\nContent-Disposition: %s\r\n\r\n" % (boundary, disp)).encode() + value \
            + ("\r\n--%s--\r\n" % boundary).encode()
        return body, {"Content-Type": "multipart/form-data; boundary=" + boundary}

    def put(self, file, content):
        body, headers = self.multipart("uploadedfile", content, "f.bin")
        return self.page(file, "PUT", data=body, headers=headers)

    def test_paths_that_climb_out_are_refused(self):
        for path in ("../x", "a/../../x", "..\\x"):
            with self.subTest(path=path):
                self.assertEqual(self.page(path, "GET")[0], 400)
                self.assertEqual(self.put(path, b"x")[0], 400)
        self.assertFalse(os.path.exists(os.path.join(self.tmp.name, "x")))

    def test_missing_keys_unknown_action_and_bad_credentials(self):
        self.assertEqual(self.request("action=LIST&logincred=" + CRED)[0], 400)
        self.assertEqual(self.page("a", "FORMAT")[0], 400)
        self.assertEqual(self.page("a", "LIST", cred="0" * 32)[0], 403)
        self.assertEqual(self.page("a", "LIST", cred=None)[0], 403)

    def test_uploads_without_a_file_part_are_refused(self):
        self.assertEqual(self.page("u.bin", "PUT", data=b"raw")[0], 400)
        bad = {"Content-Type": "multipart/form-data"}
        self.assertEqual(self.page("u.bin", "PUT", data=b"--x\r\n", headers=bad)[0], 400)
        body, headers = self.multipart("uploadedfile", b"no file name")
        self.assertEqual(self.page("u.bin", "PUT", data=body, headers=headers)[0], 400)
        self.assertFalse(os.path.exists(os.path.join(self.store, "u.bin")))

    def test_folder_actions(self):
        self.assertEqual(self.put("d/e/f.bin", b"12345"), (200, b"OK"))
        self.assertEqual(self.page("d", "LIST"), (200, b"1\r\nd/e"))
        self.assertEqual(self.page("d/e/f.bin", "LIST"), (200, b"-1"))
        status, body = self.page("d", "LISTDR")
        lines = body.decode().split("\r\n")
        self.assertEqual(lines[0], "2")
        self.assertEqual(lines[1].split("\t")[::3], ["d/e", "D"])
        self.assertEqual(lines[2].split("\t")[:2], ["d/e/f.bin", "5"])
        self.assertEqual(self.page("d/e", "RMDIR")[0], 409)
        body, headers = self.multipart("RenameTo", b"d/e/f.bin")
        self.assertEqual(self.page("d/e/f.bin", "RENAME", data=body, headers=headers)[0], 409)
        self.assertEqual(self.page("d/e/f.bin", "DEL"), (200, b"OK"))
        self.assertEqual(self.page("d/e/f.bin", "DEL")[0], 404)
        self.assertEqual(self.page("d/e/f.bin", "SIZE"), (200, b"-1"))
        self.assertEqual(self.page("d/e", "RMDIR"), (200, b"OK"))

    def test_control_and_journal_over_http(self):
        rule = {"cmd": "fault", "rule": {"kind": "refuse_credentials", "times": 1}}
        self.assertEqual(self.request("", json.dumps(rule).encode(), path="/__control")[0], 200)
        self.assertEqual(self.page("", "LIST")[0], 403)
        self.assertEqual(self.page("", "LIST")[0], 200)
        status, body = self.request("", path="/__journal")
        journal = json.loads(body)
        self.assertEqual([e["credentials"] for e in journal[-2:]], ["refused", "ok"])
        self.assertEqual(journal[-2]["fault"], "refuse_credentials")
        bad = {"cmd": "fault", "rule": {"kind": "explode"}}
        self.assertEqual(self.request("", json.dumps(bad).encode(), path="/__control")[0], 400)

    def labservice(self, cmd):
        status, body = self.request("", json.dumps(cmd).encode(), path="/__labservice")
        return status, json.loads(body)

    def test_set_changes_a_record_of_the_lab_data(self):
        self.assertEqual(self.labservice({"cmd": "reset"})[0], 200)
        status, answer = self.labservice({"cmd": "set", "record": "zebconsumer",
                                          "values": {"LastUpdateBook": "2024-05-01T08:00:00",
                                                     "BorneModeCommunication": "L"}})
        self.assertEqual((status, answer["ok"]), (200, True))
        data = self.labservice({"cmd": "data"})[1]["data"]["zebconsumer"]
        self.assertEqual(data["LastUpdateBook"], "2024-05-01T08:00:00")
        self.assertEqual(data["BorneModeCommunication"], ord("L"))
        self.assertEqual(self.labservice({"cmd": "set", "record": "nothing", "values": {}})[0], 400)
        self.labservice({"cmd": "reset"})

    def test_privacy_page_names_the_language_escaped(self):
        status, body = self.request("lang=de%3Cb%3E", path="/shop/privacy")
        self.assertEqual(status, 200)
        self.assertIn(b"Language: de&lt;b&gt;", body)


    def raw(self, request_bytes):
        """Sends raw bytes on a new connection; the status of the answer, or
        None when the connection was dropped without one."""
        import socket
        host, port = self.base.rsplit("/", 1)[1].split(":")
        with socket.create_connection((host, int(port)), timeout=10) as s:
            s.sendall(request_bytes)
            data = b""
            while b"\r\n" not in data:
                chunk = s.recv(4096)
                if not chunk:
                    return None
                data += chunk
        return int(data.split(b" ")[1])

    def test_malformed_control_requests_get_a_400_reply(self):
        cases = [
            ("array instead of object", b"[1, 2]"),
            ("rule that is no object", json.dumps({"cmd": "fault", "rule": [1]}).encode()),
            ("non-numeric cut length", json.dumps({"cmd": "fault", "rule": {"kind": "cut", "after": "x"}}).encode()),
            ("non-numeric chunk", json.dumps({"cmd": "fault", "rule": {"kind": "slow", "chunk": "big"}}).encode()),
            ("non-numeric delay", json.dumps({"cmd": "fault", "rule": {"kind": "slow", "delay_ms": []}}).encode()),
            ("non-numeric status", json.dumps({"cmd": "fault", "rule": {"kind": "reply", "status": "500"}}).encode()),
            ("non-numeric times", json.dumps({"cmd": "fault", "rule": {"kind": "close", "times": "1"}}).encode()),
            ("headers that are no pairs", json.dumps({"cmd": "fault", "rule": {"kind": "reply", "headers": [1]}}).encode()),
            ("invalid UTF-8", b"\xff\xfe"),
        ]
        for name, body in cases:
            with self.subTest(name):
                self.assertEqual(self.request("", body, path="/__control")[0], 400)
        # Nothing was added: the page still answers normally.
        self.assertEqual(self.page("", "LIST")[0], 200)
        # A length that is no number: the body cannot be found, so the
        # simulator answers 400 and closes.
        self.assertEqual(self.raw(b"POST /__control HTTP/1.1\r\nHost: x\r\nContent-Length: ten\r\n\r\n{}"), 400)
        self.assertEqual(self.raw(b"POST /__control HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n"
                                  b"zz\r\n{}\r\n0\r\n\r\n"), 400)
        self.assertEqual(self.page("", "LIST")[0], 200)


if __name__ == "__main__":
    unittest.main()
