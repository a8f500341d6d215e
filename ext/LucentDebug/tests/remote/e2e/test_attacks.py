"""Hostile clients of a stopped script's port, with and without the cookie:
php survives every one, the stop is unchanged, a proper call is answered
within a second meanwhile, memory stays bounded, and the script's output
holds nothing but its own."""

import os
import socket
import struct
import tempfile
import threading
import time
import unittest
import xmlrpc.client

import remote_session
from remote_session import PhpRun, exchange, ludbg_client, main, script, stop_state

TYPICAL = script("typical.php")
STOP_LINE = 10
PROMPT = 1.0  # seconds a proper call may take during an attack


def call_body(method, value_xml):
    return ("<?xml version=\"1.0\"?><methodCall><methodName>%s</methodName><params><param>"
            "<value>%s</value></param></params></methodCall>" % (method, value_xml)).encode()


def cookie_struct(cookie, extra=""):
    return ("<struct><member><name>cookie</name><value><string>%s</string></value></member>%s"
            "</struct>" % (cookie, extra))


def post(body, length=None, method="POST"):
    length = len(body) if length is None else length
    return ("%s /RPC2 HTTP/1.0\r\nContent-Type: text/xml\r\nContent-Length: %s\r\n\r\n"
            % (method, length)).encode() + body


def resident_kib(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


class Attacks(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.php = PhpRun(TYPICAL, mode=3)
        cls.php.handshake()
        cls.cookie = cls.php.debugger.cookie
        cls.php.call("addBreakpoint", file=TYPICAL, lineno=STOP_LINE, temporary=False, cond="")
        cls.php.call("resumeExecution", request=4)
        cls.state = cls.snapshot()
        cls.memory = resident_kib(cls.php.process.pid)

    @classmethod
    def tearDownClass(cls):
        try:
            growth = resident_kib(cls.php.process.pid) - cls.memory
            cls.php.call("resumeExecution", request=4)
            status, out, err = cls.php.finish()
            assert (status, out) == (0, "count=6 name=lucent\n"), (status, out, err)
            assert "Abyss" not in err and "Failed to read" not in err, err
            assert growth < cls.memory_bound_kib(), "php grew by %d KiB" % growth
        finally:
            cls.php.__exit__(None)

    @staticmethod
    def memory_bound_kib():
        # The sanitizer runtime holds freed memory in its quarantine (256 MiB at most).
        return (320 if remote_session.ARGS.preload else 64) * 1024

    @classmethod
    def snapshot(cls):
        return stop_state(cls.php)

    def tearDown(self):
        self.assertIsNone(self.php.process.poll(), "php ended")
        self.assertEqual(self.snapshot(), self.state)

    def assertPromptHello(self):
        started = time.monotonic()
        self.assertEqual(ludbg_client.Debugger(self.php.port, self.cookie, timeout=10).call("hello"),
                         {"status": "hello"})
        self.assertLess(time.monotonic() - started, PROMPT)

    def connect(self):
        return socket.create_connection(("127.0.0.1", self.php.port), timeout=20)

    def exchange(self, data):
        return exchange(self.php.port, data)

    def test_values_that_crashed_the_library_answer_faults(self):
        for value in ("<i8>99999999999999999999</i8>", "<i8>x</i8>", "<ex:i8>1</ex:i8>",
                      "<nil/>", "<double>1e999</double>"):
            for cookie in ("", self.cookie):
                body = call_body("Requester.hello",
                                 cookie_struct(cookie, "<member><name>n</name><value>%s</value>"
                                                       "</member>" % value))
                reply = self.exchange(post(body))
                self.assertIn(b" 200 ", reply.split(b"\r\n")[0])
                self.assertIn(b"<name>faultCode</name>", reply)
        self.assertPromptHello()

    def test_nested_entities_are_refused_at_once(self):
        entities = "<!ENTITY a0 \"%s\">" % ("x" * 10)
        for level in range(1, 10):
            entities += "<!ENTITY a%d \"%s\">" % (level, ("&a%d;" % (level - 1)) * 10)
        body = ("<?xml version=\"1.0\"?><!DOCTYPE m [%s]>" % entities).encode() + call_body(
            "Requester.hello", cookie_struct("&a9;"))
        before = resident_kib(self.php.process.pid)
        started = time.monotonic()
        reply = self.exchange(post(body))
        self.assertLess(time.monotonic() - started, PROMPT)
        self.assertIn(b"<name>faultCode</name>", reply)
        self.assertLess(resident_kib(self.php.process.pid) - before, 16 * 1024)
        self.assertPromptHello()

    def test_library_methods_are_not_served(self):
        proxy = xmlrpc.client.ServerProxy("http://127.0.0.1:%d/RPC2" % self.php.port)
        for name in ("system.listMethods", "system.methodHelp", "system.methodSignature",
                     "system.getCapabilities", "system.shutdown"):
            with self.assertRaises(xmlrpc.client.Fault) as caught:
                getattr(proxy, name)("Requester.hello")
            self.assertEqual(caught.exception.faultCode, -506, name)
        guesses = [{"methodName": "Requester.hello", "params": [{"cookie": "guess%d" % i}]}
                   for i in range(1500)]
        with self.assertRaises(xmlrpc.client.Fault) as caught:
            proxy.system.multicall(guesses)
        self.assertEqual(caught.exception.faultCode, -506)
        self.assertPromptHello()

    def test_drip_fed_body_holds_nobody_up(self):
        body = call_body("Requester.hello", cookie_struct(self.cookie))
        stop = threading.Event()

        def drip():
            with self.connect() as connection:
                connection.sendall(post(b"", length=len(body)))
                for byte in body:
                    if stop.wait(0.25):
                        return
                    connection.sendall(bytes([byte]))

        dripper = threading.Thread(target=drip)
        dripper.start()
        try:
            for _ in range(4):
                time.sleep(0.3)
                self.assertPromptHello()
        finally:
            stop.set()
            dripper.join()

    def test_fifty_idle_or_slow_connections_hold_nobody_up(self):
        connections = []
        try:
            for index in range(50):
                connection = self.connect()
                if index % 3 == 1:
                    connection.sendall(b"POST /RPC2 HTTP/1.1\r\nContent-")
                elif index % 3 == 2:
                    connection.sendall(post(b"<methodCall>", length=500))
                connections.append(connection)
            for _ in range(3):
                self.assertPromptHello()
        finally:
            for connection in connections:
                connection.close()

    def test_reset_connections_leave_no_trace(self):
        for index in range(120):
            connection = self.connect()
            connection.sendall(post(b"<methodCall><methodName>", length=300)[: 20 + index % 60])
            # Closing with linger 0 resets the connection.
            connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            connection.close()
        self.assertPromptHello()

    def test_unread_large_answer_holds_nobody_up(self):
        with tempfile.NamedTemporaryFile("w", suffix=".php") as large:
            large.write("<?php\n" + "// filler line of the large source\n" * 200000)
            large.flush()
            body = call_body("Requester.getSourceCode", cookie_struct(
                self.cookie, "<member><name>filename</name><value>%s</value></member>"
                % large.name))
            with self.connect() as connection:
                connection.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
                connection.sendall(post(body))
                time.sleep(0.3)
                for _ in range(3):
                    self.assertPromptHello()

    def test_source_of_a_fifo_does_not_block(self):
        with tempfile.TemporaryDirectory() as directory:
            fifo = os.path.join(directory, "pipe.php")
            os.mkfifo(fifo)
            started = time.monotonic()
            self.assertEqual(self.php.call("getSourceCode", filename=fifo),
                             {"source": "# Souce code unavailable"})
            self.assertLess(time.monotonic() - started, PROMPT)
        self.assertPromptHello()

    def test_malformed_lengths_and_options_answer_their_statuses(self):
        body = call_body("Requester.hello", cookie_struct(self.cookie))
        for length, status in (("-1", 400), (str(2 ** 32), 400), ("", 400), ("1x", 400)):
            reply = self.exchange(post(body, length=length))
            self.assertEqual(int(reply.split(b" ", 2)[1]), status, length)
        self.assertEqual(int(self.exchange(b"OPTIONS /RPC2 HTTP/1.1\r\n\r\n").split(b" ", 2)[1]),
                         405)
        self.assertPromptHello()


if __name__ == "__main__":
    main()
