"""The live board's HTTP API and WebSocket feed, as a script or a person
uses them: lpc4088-sim serves the clock image on a free port, and each test
talks to it over loopback with the standard library only.

Usage: api_test.py --sim LPC4088_SIM --image RELOJ_ELF
"""
import argparse
import base64
import http.client
import json
import os
import re
import signal
import socket
import struct
import subprocess
import sys
import time
import unittest

ARGS = None


class LiveBoard:
    """lpc4088-sim --web on a free port, ended with SIGTERM."""

    def __init__(self, *extra, image=None):
        self.proc = subprocess.Popen(
            [ARGS.sim, image or ARGS.image, "--web", "127.0.0.1:0", *extra],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        line = self.proc.stderr.readline()
        m = re.match(r"web: http://127\.0\.0\.1:(\d+)/", line)
        if not m:
            self.proc.kill()
            raise RuntimeError("the simulator did not serve: " + line + self.proc.stderr.read())
        self.port = int(m.group(1))

    def request(self, method, path, body=None, headers=None):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=20)
        h = {"Content-Type": "application/json"} if body is not None else {}
        h.update(headers or {})
        conn.request(method, path, body=body, headers=h)
        r = conn.getresponse()
        data = r.read()
        conn.close()
        return r.status, r.getheader("Content-Type", ""), data

    def json(self, method, path, body=None):
        status, _, data = self.request(method, path, body)
        return status, json.loads(data)

    def state(self):
        status, s = self.json("GET", "/api/state")
        assert status == 200, s
        return s

    def post(self, path, obj):
        return self.json("POST", path, json.dumps(obj))

    def wait_for(self, predicate, what, timeout=15):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            s = self.state()
            if predicate(s):
                return s
            time.sleep(0.05)
        raise AssertionError("never saw " + what + ": " + json.dumps(self.state()))

    def end(self):
        self.proc.send_signal(signal.SIGTERM)
        out, err = self.proc.communicate(timeout=20)
        return self.proc.returncode, out, err


class Api(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.board = LiveBoard()

    @classmethod
    def tearDownClass(cls):
        status, out, _ = cls.board.end()
        assert status == 0, out
        assert "end: still running" in out, out

    def test_state_follows_the_wall_clock_and_the_lcd_is_a_png(self):
        t0 = self.board.state()["time"]
        s = self.board.wait_for(lambda s: s["time"] > t0 + 0.5, "board time advancing")
        self.assertEqual(s["run"]["state"], "running")
        self.assertEqual(sorted(s["leds"]), ["1", "2", "3", "4"])
        status, kind, png = self.board.request("GET", "/api/lcd.png")
        self.assertEqual((status, kind), (200, "image/png"))
        self.assertEqual(png[:8], b"\x89PNG\r\n\x1a\n")
        self.assertEqual(struct.unpack(">II", png[16:24]), (480, 272))

    def test_board_describes_the_clock_buttons(self):
        status, b = self.board.json("GET", "/api/board")
        self.assertEqual(status, 200)
        self.assertEqual([x["pin"] for x in b["buttons"]], ["P2.22", "P2.25", "P2.27"])
        self.assertEqual(b["image"], "reloj.elf")

    def test_inputs_reach_the_firmware(self):
        self.assertEqual(self.board.post("/api/input", {"pin": "P2.22", "press": True}),
                         (200, {"ok": True}))
        self.board.wait_for(lambda s: s["leds"]["1"] and s["pins"]["P1.18"] == 1, "LED 1 lit")
        self.board.post("/api/input", {"pin": "P2.22", "press": False})
        self.board.wait_for(lambda s: not s["leds"]["1"], "LED 1 off")
        self.assertEqual(self.board.post("/api/input", {"adc": 0, "volts": 1.65})[0], 200)
        s = self.board.wait_for(lambda s: s["adc"][0]["volts"] == 1.65, "the new voltage")
        self.assertAlmostEqual(s["adc"][0]["celsius"], 25, delta=1.5)
        self.assertEqual(self.board.post("/api/input", {"uart0": "hola\n"})[0], 200)
        self.assertEqual(self.board.post("/api/input", {"pin": "P2.22", "level": 1})[0], 200)

    def test_pause_step_speed_resume(self):
        b = self.board
        self.assertEqual(b.post("/api/control", {"action": "step"})[0], 409)
        b.post("/api/control", {"action": "pause"})
        frozen = b.wait_for(lambda s: not s["running"], "paused")["time"]
        time.sleep(0.3)
        self.assertEqual(b.state()["time"], frozen)
        self.assertEqual(b.post("/api/control", {"action": "step", "seconds": 0.25})[0], 200)
        self.assertAlmostEqual(b.state()["time"], frozen + 0.25, places=6)
        self.assertEqual(b.post("/api/control", {"action": "step"})[0], 200)
        self.assertGreater(b.state()["time"], frozen + 0.25)
        b.post("/api/control", {"action": "speed", "speed": "max"})
        self.assertEqual(b.state()["speed"], "max")
        b.post("/api/control", {"action": "speed", "speed": 1})
        b.post("/api/control", {"action": "resume"})
        b.wait_for(lambda s: s["running"] and s["time"] > frozen + 0.5, "running again")

    def test_bad_requests_get_400_and_the_board_runs_on(self):
        bad = [
            ("/api/input", "not json"),
            ("/api/input", "[1, 2]"),
            ("/api/input", '{"pin": "P9.40", "press": true}'),
            ("/api/input", '{"pin": "P2.22", "press": "yes"}'),
            ("/api/input", '{"pin": "P2.22", "level": 2}'),
            ("/api/input", '{"pin": "P2.22", "press": true, "colour": 1}'),
            ("/api/input", '{"adc": 8, "volts": 1}'),
            ("/api/input", '{"adc": 0, "volts": 3.4}'),
            ("/api/input", '{"adc": 0, "volts": -0.1}'),
            ("/api/input", '{"adc": 0, "volts": 1e999}'),
            ("/api/input", '{"uart0": ""}'),
            ("/api/input", json.dumps({"uart0": "\u20ac"})),
            ("/api/input", json.dumps({"uart0": "x" * 1025})),
            ("/api/control", '{"action": "explode"}'),
            ("/api/control", '{"action": "speed", "speed": 0}'),
            ("/api/control", '{"action": "speed", "speed": 1000}'),
            ("/api/control", '{"action": "step", "seconds": -1}'),
            ("/api/control", '{"action": "pause", "now": true}'),
        ]
        t0 = self.board.state()["time"]
        for path, body in bad:
            with self.subTest(body=body):
                status, _, data = self.board.request("POST", path, body)
                self.assertEqual(status, 400)
                self.assertTrue(json.loads(data)["error"])
        self.board.wait_for(lambda s: s["time"] > t0 + 0.3 and s["running"], "the board running on")

    def test_refusals(self):
        port = self.board.port
        cases = [
            ("GET", "/api/state", None, {"Host": "attacker.example:%d" % port}, 403),
            ("GET", "/api/state", None, {"Host": "127.0.0.1:1"}, 403),
            ("POST", "/api/input", '{"pin": "P2.22", "press": true}',
             {"Origin": "http://attacker.example"}, 403),
            ("POST", "/api/input", '{"pin": "P2.22", "press": true}',
             {"Content-Type": "text/plain"}, 415),
            ("GET", "/../../etc/passwd", None, {}, 404),
            ("GET", "/%2e%2e/%2e%2e/etc/passwd", None, {}, 404),
            ("GET", "/api/nothing", None, {}, 404),
            ("PUT", "/api/state", None, {}, 405),
            ("GET", "/api/input", None, {}, 405),
            ("POST", "/api/input", "x" * 100000, {}, 413),
        ]
        for method, path, body, headers, expected in cases:
            with self.subTest(path=path, headers=headers):
                status, _, _ = self.board.request(method, path, body, headers)
                self.assertEqual(status, expected)
        self.assertTrue(self.board.state()["running"])

    def test_websocket_feed_starts_with_the_board_and_a_whole_frame(self):
        s = socket.create_connection(("127.0.0.1", self.board.port), timeout=20)
        key = base64.b64encode(os.urandom(16)).decode()
        s.sendall(("GET /ws HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nUpgrade: websocket\r\n"
                   "Connection: Upgrade\r\nSec-WebSocket-Key: %s\r\n"
                   "Sec-WebSocket-Version: 13\r\n\r\n" % (self.board.port, key)).encode())
        reader = s.makefile("rb")
        self.assertIn(b" 101 ", reader.readline())
        while reader.readline() not in (b"\r\n", b""):
            pass

        def message():
            head = reader.read(2)
            opcode, size = head[0] & 0x0F, head[1] & 0x7F
            if size == 126:
                size = struct.unpack(">H", reader.read(2))[0]
            elif size == 127:
                size = struct.unpack(">Q", reader.read(8))[0]
            return opcode, reader.read(size)

        kinds = {}
        while "lcd" not in kinds or "state" not in kinds:
            opcode, data = message()
            if opcode == 1:
                kinds.setdefault(json.loads(data)["type"], json.loads(data))
            elif opcode == 2 and "lcd" not in kinds:
                kinds["lcd"] = data
        s.close()
        self.assertEqual(kinds["board"]["lcd"], {"width": 480, "height": 272})
        first, rows, width, flags = struct.unpack("<HHHH", kinds["lcd"][:8])
        self.assertEqual((first, rows, width, flags), (0, 272, 480, 1))
        self.assertEqual(len(kinds["lcd"]), 8 + 480 * 272 * 2)


class Lifetime(unittest.TestCase):
    def test_for_ends_the_live_run_on_time(self):
        board = LiveBoard("--for", "0.5s", "--speed", "max")
        out, _ = board.proc.communicate(timeout=30)
        self.assertEqual(board.proc.returncode, 0)
        self.assertIn("board time 0.500000 s", out)

    def test_an_error_stop_shows_its_message_and_ends_with_its_status(self):
        image = os.path.join(os.path.dirname(ARGS.image), "parada_error.elf")
        board = LiveBoard(image=image)
        board.post("/api/input", {"pin": "P2.10", "press": True})
        s = board.wait_for(lambda s: s["run"]["state"] == "error stop", "the error stop")
        self.assertIn("Puerto no valido.", s["run"]["message"])
        self.assertFalse(s["running"])
        status, out, _ = board.end()
        self.assertEqual(status, 1, out)

    def test_a_taken_port_is_a_clear_error(self):
        holder = socket.socket()
        holder.bind(("127.0.0.1", 0))
        holder.listen()
        port = holder.getsockname()[1]
        r = subprocess.run([ARGS.sim, ARGS.image, "--web", "127.0.0.1:%d" % port],
                           capture_output=True, text=True, timeout=30)
        holder.close()
        self.assertEqual(r.returncode, 70)
        self.assertIn("cannot listen on 127.0.0.1:%d" % port, r.stderr)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--sim", required=True)
    parser.add_argument("--image", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
