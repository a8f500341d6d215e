"""Abuse of a stopped script's port: every case leaves the script stopped, its
variables unchanged, and the next correct call served."""

import concurrent.futures
import socket
import time
import unittest
import xmlrpc.client

from remote_session import PhpRun, ludbg_client, main, script, values

TYPICAL = script("typical.php")
STOP_LINE = 10
CALL = xmlrpc.client.dumps(({"cookie": "x"},), "Requester.hello").encode()


def post(body, path="/RPC2", content_type="text/xml", length=None):
    head = "POST %s HTTP/1.0\r\n" % path
    if content_type is not None:
        head += "Content-Type: %s\r\n" % content_type
    if length is not None:
        head += "Content-Length: %s\r\n" % length
    return head.encode() + b"\r\n" + body


class Robustness(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.php = PhpRun(TYPICAL, mode=3)
        cls.php.handshake()
        cls.php.call("addBreakpoint", file=TYPICAL, lineno=STOP_LINE, temporary=False, cond="")
        cls.php.call("resumeExecution", request=4)
        cls.state = cls.snapshot()

    @classmethod
    def tearDownClass(cls):
        try:
            cls.php.call("resumeExecution", request=4)
            assert cls.php.finish()[:2] == (0, "count=6 name=lucent\n")
        finally:
            cls.php.__exit__(None)

    @classmethod
    def snapshot(cls):
        frames = cls.php.call("getFrames")["frames"]
        scope = values(cls.php.call("getContext", context="locals", frame_index=0, radix=10))
        return [(f["file"], f["lineno"]) for f in frames], scope

    def setUp(self):
        self.assertEqual(self.state[0], [(TYPICAL, STOP_LINE)])

    def tearDown(self):
        self.assertEqual(self.php.call("hello"), {"status": "hello"})
        self.assertEqual(self.snapshot(), self.state)

    def exchange(self, data, half_close=True, wait=20):
        """Sends `data` on a new connection; returns what comes back until close."""
        with socket.create_connection(("127.0.0.1", self.php.port), timeout=wait) as connection:
            reply = b""
            try:
                connection.sendall(data)
                if half_close:
                    connection.shutdown(socket.SHUT_WR)
                while True:
                    chunk = connection.recv(4096)
                    if not chunk:
                        break
                    reply += chunk
            except OSError as error:
                # A refused oversized body may be cut off while still being sent.
                if isinstance(error, socket.timeout):
                    raise
        return reply

    def status(self, data):
        return int(self.exchange(data).split(b" ", 2)[1])

    def test_other_path_is_not_found(self):
        self.assertEqual(self.status(post(CALL, path="/other", length=len(CALL))), 404)

    def test_get_is_not_allowed(self):
        self.assertEqual(self.status(b"GET /RPC2 HTTP/1.0\r\n\r\n"), 405)

    def test_other_content_type_is_refused(self):
        self.assertEqual(self.status(post(CALL, content_type="text/plain", length=len(CALL))), 400)
        self.assertEqual(self.status(post(CALL, content_type=None, length=len(CALL))), 400)

    def test_missing_or_zero_content_length_is_refused(self):
        self.assertEqual(self.status(post(CALL)), 411)
        self.assertEqual(self.status(post(b"", length=0)), 400)

    def test_body_over_the_size_limit_is_refused(self):
        reply = self.exchange(post(b"", length=600000), half_close=False)
        self.assertIn(b" 500 ", reply.split(b"\r\n")[0])
        self.assertIn(b"XML-RPC request too large", reply)
        self.exchange(post(b"<" * 600000, length=600000))

    def test_body_that_never_comes_times_out(self):
        started = time.monotonic()
        reply = self.exchange(post(b"<methodCall>", length=len(CALL)), half_close=False, wait=40)
        self.assertIn(b" 408 ", reply.split(b"\r\n")[0])
        self.assertGreaterEqual(time.monotonic() - started, 14)

    def test_client_leaving_mid_request_is_forgotten(self):
        with socket.create_connection(("127.0.0.1", self.php.port)) as connection:
            connection.sendall(post(CALL[:40], length=len(CALL)))
        with socket.create_connection(("127.0.0.1", self.php.port)) as connection:
            connection.sendall(b"POST /RP")
        socket.create_connection(("127.0.0.1", self.php.port)).close()

    def test_malformed_xml_answers_a_fault(self):
        body = b"<methodCall><methodName>Requester.hello</methodName><params><param>"
        reply = self.exchange(post(body, length=len(body)))
        self.assertIn(b" 200 ", reply.split(b"\r\n")[0])
        self.assertIn(b"<fault>", reply)

    def test_fifty_connections_at_once_are_all_served(self):
        good = ludbg_client.Debugger(self.php.port, self.php.debugger.cookie, timeout=60)
        bad = ludbg_client.Debugger(self.php.port, "wrong", timeout=60)

        def hello(index):
            try:
                return (good if index % 2 else bad).call("hello")
            except xmlrpc.client.Fault as fault:
                return fault.faultCode

        with concurrent.futures.ThreadPoolExecutor(max_workers=50) as pool:
            answers = list(pool.map(hello, range(50)))
        self.assertEqual(answers, [0, {"status": "hello"}] * 25)

    def test_thousand_wrong_cookie_calls_in_a_row(self):
        intruder = ludbg_client.Debugger(self.php.port, "wrong", timeout=60)
        codes = set()
        for _ in range(1000):
            try:
                intruder.call("resumeExecution", request=4)
            except xmlrpc.client.Fault as fault:
                codes.add(fault.faultCode)
        self.assertEqual(codes, {0})


if __name__ == "__main__":
    main()
