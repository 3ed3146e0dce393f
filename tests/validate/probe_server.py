"""`flarimond serve` under hostile clients, over loopback only.

The sanitised server runs on a port of its own choosing (--port 0; the probe reads the address it
prints). Every hostile request must get a 4xx answer (malformed HTTP, huge bodies, a foreign or
repeated Host, path traversal, malformed events, a second tab), and 200 concurrent requests must
all be answered. While 200 connections send their requests one byte a second, the driving tab's
events must be answered at once (a median of at most 100 ms; no answer over WAIT_LIMIT). Throughout
the hostile phases a control client asks for the state on a fresh connection in a loop: no answer
may take more than WAIT_LIMIT. Every loop is bounded in count and time; at the end the server must
stop on SIGTERM, sanitizer-clean.
"""

import json
import os
import re
import signal
import socket
import subprocess
import threading
import time

from validate_lib import Score

WAIT_LIMIT = 1.0        # seconds another client may wait while hostile clients are served
ANSWER_LIMIT = 30.0     # seconds any one request may take before it counts as unanswered
SLOW_CLIENTS = 12       # slow but finishing: each is answered
SLOW_SECONDS = 3.0
CONCURRENT = 200
TRICKLING = 200         # connections that send a byte a second and never finish their request
TAB_MEDIAN = 0.1        # seconds: the driving tab's events while they trickle


class Server:
    def __init__(self, env):
        self.proc = subprocess.Popen([env.program, "serve", "--port", "0", "--seed", "1", "--idle-timeout", "120"],
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env.environ,
                                     start_new_session=True)
        self.stderr = []
        threading.Thread(target=self._drain, daemon=True).start()
        line = ""
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            line = self.proc.stdout.readline().decode(errors="replace")
            if not line or "http://" in line:
                break
        m = re.search(r"http://127\.0\.0\.1:(\d+)/", line)
        if not m:
            self.stop()
            raise RuntimeError("no address printed: " + line + "".join(self.stderr)[-500:])
        self.port = int(m.group(1))
        self.host = f"127.0.0.1:{self.port}"

    def _drain(self):
        for line in self.proc.stderr:
            self.stderr.append(line.decode(errors="replace"))

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
        try:
            return self.proc.wait(timeout=30)
        except subprocess.TimeoutExpired:
            os.killpg(self.proc.pid, 9)
            self.proc.wait()
            return None


def exchange(port, data, timeout=ANSWER_LIMIT, pace=None):
    """Sends raw bytes (all at once, or one chunk per `pace` seconds), reads to the end of one
    answer. Returns (status or None, body bytes, seconds)."""
    start = time.monotonic()
    chunks = data if isinstance(data, list) else [data]
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
            for i, c in enumerate(chunks):
                if pace and i:
                    time.sleep(pace)  # pacing a slow client, not synchronisation
                try:
                    s.sendall(c)
                except OSError:
                    break  # the server may answer and close before a large body is sent
            answer = b""
            while time.monotonic() - start < timeout:
                part = s.recv(65536)
                if not part:
                    break
                answer += part
                if complete(answer):
                    break
    except OSError:
        answer = b"" if "answer" not in locals() else answer
    m = re.match(rb"HTTP/1\.[01] (\d{3})", answer)
    body = answer.split(b"\r\n\r\n", 1)[1] if b"\r\n\r\n" in answer else b""
    return (int(m.group(1)) if m else None), body, time.monotonic() - start


def complete(answer):
    if b"\r\n\r\n" not in answer:
        return False
    head, body = answer.split(b"\r\n\r\n", 1)
    m = re.search(rb"(?i)\r\ncontent-length: *(\d+)", head)
    return m is not None and len(body) >= int(m.group(1))


def request(host, method, path, headers=(), body=b""):
    lines = [f"{method} {path} HTTP/1.1", f"Host: {host}", "Connection: close", *headers]
    if body or method == "POST":
        lines.append(f"Content-Length: {len(body)}")
    return ("\r\n".join(lines) + "\r\n\r\n").encode() + body


class Control:
    """A client that asks for the state over and over while other clients misbehave."""

    def __init__(self, server):
        self.server = server
        self.waits = []  # (seconds, phase)
        self.failures = []
        self.phase = "start"
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._loop, daemon=True)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._thread.join(timeout=ANSWER_LIMIT + 5)

    def _loop(self):
        deadline = time.monotonic() + 300
        while not self._stop.is_set() and time.monotonic() < deadline and len(self.waits) < 5000:
            phase = self.phase
            status, _, seconds = exchange(self.server.port, request(self.server.host, "GET", "/api/state"))
            self.waits.append((seconds, phase))
            if status != 200:
                self.failures.append(f"the control client got {status}")
            self._stop.wait(0.05)

    def worst(self):
        return max(self.waits) if self.waits else (0.0, "")


def probe(env):
    score = Score("server")
    try:
        server = Server(env)
    except RuntimeError as e:
        score.failed("starting the server", str(e), [f"{env.program} serve --port 0"])
        return score
    h, port = server.host, server.port
    repro_base = f"{env.program} serve --port 0 --seed 1  # then, to the printed port:"

    def expect_4xx(label, data, pace=None, timeout=ANSWER_LIMIT, must_not_contain=None):
        control.phase = label
        status, body, seconds = exchange(port, data, timeout=timeout, pace=pace)
        found = []
        if status is None or not 400 <= status < 500:
            found.append(f"answered {status} in {seconds:.1f} s, expected 4xx")
        if must_not_contain and must_not_contain in body:
            found.append("the answer holds what it must not")
        shown = data if isinstance(data, bytes) else b"".join(data)
        score.check(label, found, [repro_base, repr(shown[:200])])

    with Control(server) as control:
        # Malformed HTTP.
        for label, data in [
            ("garbage request line", b"GARBAGE\r\n\r\n"),
            ("no path", b"GET\r\n\r\n"),
            ("unknown HTTP version", f"GET / HTTP/7.3\r\nHost: {h}\r\n\r\n".encode()),
            ("binary bytes", b"\x00\xff\xfe" * 300 + b"\r\n\r\n"),
            ("a 64 KiB path", f"GET /{'a' * 65536} HTTP/1.1\r\nHost: {h}\r\n\r\n".encode()),
            ("a 64 KiB header", f"GET / HTTP/1.1\r\nHost: {h}\r\nX-Big: {'b' * 65536}\r\n\r\n".encode()),
            ("negative Content-Length", f"POST /api/event HTTP/1.1\r\nHost: {h}\r\nContent-Length: -5\r\n\r\n".encode()),
            ("Content-Length not a number",
             f"POST /api/event HTTP/1.1\r\nHost: {h}\r\nContent-Length: many\r\n\r\n".encode()),
            ("a broken chunk", f"POST /api/event HTTP/1.1\r\nHost: {h}\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n".encode()),
            ("an unknown method", request(h, "BREW", "/api/state")),
        ]:
            expect_4xx(f"malformed HTTP: {label}", data)
        # Huge bodies, sent or only announced.
        huge = b"{" + b" " * (16 << 20) + b"}"
        expect_4xx("huge body: a 16 MiB event", request(h, "POST", "/api/event", ["Content-Type: application/json"], huge))
        expect_4xx("huge body: a 16 MiB claim", request(h, "POST", "/api/claim", ["Content-Type: application/json"], huge))
        expect_4xx("huge body: 1 TB announced, none sent",
                   f"POST /api/event HTTP/1.1\r\nHost: {h}\r\nContent-Length: 1000000000000\r\n\r\n".encode(),
                   timeout=10)
        # Foreign and repeated Host headers.
        for label, headers in [
            ("a foreign Host", "Host: attacker.example\r\n"),
            ("a foreign Host with our port", f"Host: attacker.example:{port}\r\n"),
            ("our name with another port", f"Host: 127.0.0.1:{port + 1 if port < 65535 else 1}\r\n"),
            ("no Host", ""),
            ("two Host headers", f"Host: {h}\r\nHost: attacker.example\r\n"),
        ]:
            expect_4xx(f"Host: {label}", f"GET /api/state HTTP/1.1\r\n{headers}Connection: close\r\n\r\n".encode())
        # Paths out of the page's folder.
        for path in ["/../../../../etc/passwd", "/%2e%2e/%2e%2e/%2e%2e/etc/passwd", "/..%2f..%2f..%2fetc%2fpasswd",
                     "/index.html/../../../etc/passwd", "//etc/passwd", "/..", "/%00index.html", "/.%2e/"]:
            expect_4xx(f"path traversal: {path}", request(h, "GET", path), must_not_contain=b"root:")
        # Slow clients: each sends a request a few bytes at a time for SLOW_SECONDS.
        slow = request(h, "GET", "/api/state")
        pieces = max(1, int(SLOW_SECONDS / 0.25))
        step = max(1, len(slow) // pieces)
        chunks = [slow[i:i + step] for i in range(0, len(slow), step)]
        slow_results = []

        def slow_client():
            slow_results.append(exchange(port, chunks, pace=SLOW_SECONDS / len(chunks), timeout=ANSWER_LIMIT)[0])

        control.phase = "slow clients"
        threads = [threading.Thread(target=slow_client) for _ in range(SLOW_CLIENTS)]
        for t in threads:
            t.start()
        for t in threads:
            t.join(ANSWER_LIMIT + 5)
        score.check(f"{SLOW_CLIENTS} slow clients are answered",
                    [f"answers {sorted(set(map(str, slow_results)))}"] if slow_results != [200] * SLOW_CLIENTS else [],
                    [repro_base, f"{SLOW_CLIENTS} clients sending GET /api/state over {SLOW_SECONDS} s"])
        control.phase = "a second tab"
        second_tab(score, h, port, repro_base)
        control.phase = "malformed events"
        malformed_events(score, h, port, repro_base, env.short)
        control.phase = f"{TRICKLING} trickling connections"
        trickling(score, h, port, repro_base, 5 if env.short else 40)
    worst, phase = control.worst()
    score.notes.append(f"control client: {len(control.waits)} requests, the longest wait {worst:.2f} s ({phase})")
    over = sorted({p for w, p in control.waits if w > WAIT_LIMIT})
    score.check("no client waits more than 1 s while others misbehave",
                ([f"the control client waited up to {worst:.2f} s (during {phase}; over {WAIT_LIMIT} s during "
                  f"{', '.join(over)}; {len(control.waits)} requests)"] if worst > WAIT_LIMIT else [])
                + control.failures[:1],
                [repro_base, "GET /api/state on a fresh connection while the cases above run"])

    concurrent(score, h, port, repro_base, 50 if env.short else CONCURRENT)
    rc = server.stop()
    stderr = "".join(server.stderr)
    report = next((ln for ln in stderr.splitlines() if "Sanitizer" in ln or "runtime error:" in ln), None)
    found = []
    if rc is None:
        found.append("did not stop within 30 s of SIGTERM")
    elif rc != 0:
        found.append(f"exit {rc} after SIGTERM")
    if report:
        found.append(f"sanitizer: {report.strip()}")
    score.check("stops cleanly on SIGTERM", found, [repro_base, "then kill -TERM the server"])
    return score


def claim(h, port, token=None):
    headers = ["Content-Type: application/json"] + ([f"X-Flarimond-Token: {token}"] if token else [])
    status, body, _ = exchange(port, request(h, "POST", "/api/claim", headers, b"{}"))
    try:
        return status, json.loads(body).get("token")
    except ValueError:
        return status, None


def event(h, port, body, token):
    headers = ["Content-Type: application/json"] + ([f"X-Flarimond-Token: {token}"] if token else [])
    return exchange(port, request(h, "POST", "/api/event", headers, body))[0]


def second_tab(score, h, port, repro_base):
    status, mine = claim(h, port)
    other_status, _ = claim(h, port)
    found = []
    if status != 200 or not mine:
        found.append(f"the first tab's claim answered {status}")
    if other_status != 409:
        found.append(f"a second tab's claim answered {other_status}, expected 409")
    if (s := event(h, port, b'{"type": "page", "page": 2}', "not-the-token")) != 409:
        found.append(f"an event with another token answered {s}, expected 409")
    if (s := event(h, port, b'{"type": "page", "page": 2}', None)) is None or not 400 <= s < 500:
        found.append(f"an event without a token answered {s}, expected 4xx")
    if mine and (s := event(h, port, b'{"type": "page", "page": 1}', mine)) != 200:
        found.append(f"the claiming tab's own event answered {s}")
    score.check("a second tab", found, [repro_base, "POST /api/claim twice, then events with and without the token"])
    score.token = mine


def malformed_events(score, h, port, repro_base, short):
    token = getattr(score, "token", None)
    bodies = [b"", b"{", b"[]", b"null", b'"press"', b'{"type": 5}', b'{"type": "fly"}',
              b'{"type": "press"}', b'{"type": "press", "id": "111"}', b'{"type": "press", "id": 1.5}',
              b'{"type": "press", "id": 1e400}', b'{"type": "set", "id": 5, "value": -1e400}',
              b'{"type": "press", "id": 99999999999}', b'{"type": "press", "id": 111, "extra": 1}',
              b'{"type": "press", "id": 111, "id": 110}', b'{"type": "press", "type": "cancel", "id": 111}',
              b'{"type": "page", "page": 2}\xff\xfe', b'{"type": "\xc3\x28"}', b'{"type": "page", "page": 99}',
              b'{"type": "set", "id": 424242, "value": 1}', b"[" * 5000 + b"]" * 5000]
    if short:
        bodies = bodies[::2]
    for body in bodies:
        status = event(h, port, body, token)
        found = [] if status is not None and 400 <= status < 500 else [f"answered {status}, expected 4xx"]
        score.check(f"malformed event {body[:60]!r}", found, [repro_base, f"POST /api/event {body[:200]!r}"])


def trickling(score, h, port, repro_base, events):
    """TRICKLING connections each send a byte a second of a request they never finish, while the
    driving tab sends its events one after another."""
    token = getattr(score, "token", None)
    socks = []
    stop = threading.Event()
    start = f"GET /api/state HTTP/1.1\r\nHost: {h}\r\nX-Slow: ".encode()
    try:
        for _ in range(TRICKLING):
            s = socket.create_connection(("127.0.0.1", port), timeout=5)
            s.sendall(start)
            socks.append(s)

        def trickle():
            while not stop.wait(1.0):  # pacing the slow clients, not synchronisation
                for s in socks:
                    try:
                        s.send(b"x")
                    except OSError:
                        pass

        thread = threading.Thread(target=trickle, daemon=True)
        thread.start()
        waits, found = [], []
        for i in range(events):
            status, _, seconds = exchange(port, request(h, "POST", "/api/event",
                                                        ["Content-Type: application/json", f"X-Flarimond-Token: {token}"],
                                                        json.dumps({"type": "set", "id": 5, "value": 10 + i % 5}).encode()),
                                          timeout=10)
            waits.append(seconds)
            if status != 200:
                found.append(f"event {i + 1} answered {status} after {seconds:.2f} s")
                break
        stop.set()
        thread.join(5)
    except OSError as e:
        found = [f"could not open the slow connections: {e}"]
        waits = []
    finally:
        stop.set()
        for s in socks:
            s.close()
    if waits:
        waits.sort()
        median, worst = waits[len(waits) // 2], waits[-1]
        score.notes.append(f"{TRICKLING} trickling connections: the tab's {len(waits)} events answered in a median "
                           f"of {median * 1000:.1f} ms, at worst {worst * 1000:.1f} ms")
        if median > TAB_MEDIAN:
            found.append(f"the median answer took {median * 1000:.0f} ms (at most {TAB_MEDIAN * 1000:.0f})")
        if worst > WAIT_LIMIT:
            found.append(f"an answer took {worst:.2f} s (at most {WAIT_LIMIT})")
    score.check(f"{TRICKLING} connections sending a byte a second leave the tab answered", found,
                [repro_base, f"{TRICKLING} connections sending 'GET /api/state' a byte a second, then the "
                             "claiming tab's events"])


def concurrent(score, h, port, repro_base, n):
    results = []
    lock = threading.Lock()

    def one(i):
        path = "/api/state" if i % 2 else "/"
        status, _, seconds = exchange(port, request(h, "GET", path))
        with lock:
            results.append((status, seconds))

    threads = [threading.Thread(target=one, args=(i,)) for i in range(n)]
    for t in threads:
        t.start()
    for t in threads:
        t.join(ANSWER_LIMIT + 10)
    bad = [s for s, _ in results if s != 200]
    found = []
    if len(results) != n or bad:
        found.append(f"{n - len(results) + len(bad)} of {n} not answered 200 ({sorted(set(map(str, bad)))[:5]})")
    score.check(f"{n} concurrent requests all answered", found,
                [repro_base, f"{n} concurrent GET / and GET /api/state"])
