#!/usr/bin/env python3
"""Web requests under lucentdebug's trigger mode on a real server (php-fpm
behind nginx, Apache with mod_php or php -S with workers, opcache on), with
this script as the IDE: breakpoints in a front controller and in a class it
includes, many requests one after another and at once, an IDE that goes away,
no IDE at all, and requests without the trigger."""
import argparse
import http.client
import os
import select
import shutil
import socket
import sys
import tempfile
import threading
import time
import unittest
import xmlrpc.client

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [HERE, os.path.join(HERE, "..", "..", "..", "..", "tools")]
import ludbg_client  # noqa: E402
import web_servers  # noqa: E402

ARGS = None
FRONT = """<?php
require __DIR__ . '/lib/Greeter.php';
$name = $_GET['name'] ?? 'world';
$greeter = new Greeter();
echo $greeter->greet($name), "\\n";
"""
FRONT_LINE = 4
GREETER = """<?php
class Greeter {
    public function greet($name) {
        $text = "hello " . $name;
        return $text;
    }
}
"""
GREETER_LINE = 4
WAITER = """<?php
while (!file_exists(__DIR__ . '/go')) {
    usleep(1000);
}
echo "went\\n";
"""
RESUME_GO = 4


class Session:
    """One request's debugging session: its control line and XML-RPC port."""

    def __init__(self, control, port, cookie):
        self.control = control
        self.port = port
        self.cookie = cookie
        self.proxy = xmlrpc.client.ServerProxy("http://127.0.0.1:%d/RPC2" % port)

    def call(self, method, **members):
        members["cookie"] = self.cookie
        return getattr(self.proxy, "Requester." + method)(members)

    def stop_line(self):
        frame = self.call("getFrames")["frames"][0]
        return os.path.basename(frame["file"]), frame["lineno"]

    def close(self):
        self.control.close()


class Ide:
    """A handshake listener on a free loopback port."""

    def __init__(self, port=0):
        self.socket = socket.socket()
        self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.socket.bind(("127.0.0.1", port))
        self.port = self.socket.getsockname()[1]
        self.socket.listen(64)

    def accept(self, timeout=20):
        self.socket.settimeout(timeout)
        control, _ = self.socket.accept()
        control.settimeout(timeout)
        port, cookie = ludbg_client.read_handshake(control, watch=True)
        return Session(control, port, cookie)

    def pending(self):
        """True when a connection waits to be accepted."""
        return bool(select.select([self.socket], [], [], 0)[0])

    def close(self):
        self.socket.close()

    def reopen(self):
        self.__init__(self.port)


class Request(threading.Thread):
    """One HTTP request (a GET, or a POST of `form`) on its own thread;
    `result` is (status, body)."""

    def __init__(self, port, path, headers=None, form=None):
        super().__init__(daemon=True)
        self.port, self.path, self.result, self.error = port, path, None, None
        self.headers, self.form = dict(headers or {}), form
        self.start()

    def run(self):
        try:
            connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=60)
            if self.form is None:
                connection.request("GET", self.path, headers=self.headers)
            else:
                self.headers["Content-Type"] = "application/x-www-form-urlencoded"
                connection.request("POST", self.path, body=self.form, headers=self.headers)
            response = connection.getresponse()
            self.result = (response.status, response.read().decode(errors="replace"))
            connection.close()
        except Exception as error:  # reported by outcome()
            self.error = error

    def outcome(self, timeout=30):
        self.join(timeout)
        if self.is_alive():
            raise AssertionError("request %s did not complete" % self.path)
        if self.error:
            raise self.error
        return self.result


class WebRequests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = os.path.realpath(tempfile.mkdtemp(prefix="web-root-"))
        os.chmod(cls.root, 0o755)
        os.mkdir(os.path.join(cls.root, "lib"), 0o755)
        for name, text in (("index.php", FRONT), ("lib/Greeter.php", GREETER),
                           ("wait.php", WAITER)):
            with open(os.path.join(cls.root, name), "w") as handle:
                handle.write(text)
        # A copy the server's user (Apache's nobody) may read.
        module = os.path.join(cls.root, "lucentdebug.so")
        shutil.copy(ARGS.module, module)
        cls.ide = Ide()
        cls.server = web_servers.WebServer(ARGS.kind, cls.root, ini=[
            "extension=" + module, "lucentdebug.enabled=6",
            "lucentdebug.remoteport=%d" % cls.ide.port,
            # Time to ask for the control line even on a busy machine.
            "lucentdebug.connect_timeout_ms=2000"], workers=10)
        cls.server.start()

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        cls.ide.close()
        shutil.rmtree(cls.root, ignore_errors=True)

    def tearDown(self):
        # Sessions a failed case left behind are let go, so the next case
        # meets only its own.
        while self.ide.pending():
            self.ide.accept().close()

    def request(self, path):
        return Request(self.server.port, path)

    def debugged(self, name):
        return self.request("/index.php?LUDBG_SESSION=1&name=" + name)

    def assertBody(self, request, body):
        self.assertEqual(request.outcome(), (200, body), self.server.log_text()[-2000:])

    def test_breakpoints_in_the_front_controller_and_an_included_class(self):
        request = self.debugged("a")
        session = self.ide.accept()
        self.assertEqual(session.stop_line(), ("index.php", 2))  # stops at the first statement
        info = session.call("getRequestInfo")
        self.assertEqual((info["method"], info["uri"]), ("GET", "/index.php?LUDBG_SESSION=1&name=a"))
        self.assertEqual(info["script"], os.path.join(self.root, "index.php"))
        self.assertIn(info["sapi"], ("fpm-fcgi", "apache2handler", "cli-server"))
        for name, line in (("index.php", FRONT_LINE), ("lib/Greeter.php", GREETER_LINE)):
            session.call("addBreakpoint", file=os.path.join(self.root, name), lineno=line,
                         temporary=False, cond="")
        session.call("resumeExecution", request=RESUME_GO)
        self.assertEqual(session.stop_line(), ("index.php", FRONT_LINE))
        session.call("resumeExecution", request=RESUME_GO)
        self.assertEqual(session.stop_line(), ("Greeter.php", GREETER_LINE))
        session.call("resumeExecution", request=RESUME_GO)
        self.assertBody(request, "hello a\n")
        session.close()

    def test_twenty_requests_one_after_another(self):
        for i in range(20):
            request = self.debugged("n%d" % i)
            session = self.ide.accept()
            self.assertEqual(session.stop_line(), ("index.php", 2))
            session.call("resumeExecution", request=RESUME_GO)
            self.assertBody(request, "hello n%d\n" % i)
            session.close()

    def test_concurrent_requests_stop_at_once_on_ports_of_their_own(self):
        for count in (2, 8):
            requests = [self.debugged("c%d" % i) for i in range(count)]
            ports, stopped = set(), []
            while len(ports) < count:
                try:
                    session = self.ide.accept(timeout=5 if ARGS.kind == "cli" else 20)
                except socket.timeout:
                    # A php -S worker may have taken two connections and runs
                    # them one after the other: the first must go on.
                    self.assertEqual(ARGS.kind, "cli")
                    self.assertTrue(stopped)
                    self.resume_all(stopped)
                    continue
                self.assertEqual(session.stop_line(), ("index.php", 2))
                ports.add(session.port)
                stopped.append(session)
            self.assertEqual(len(ports), count)
            self.resume_all(stopped)
            for i, request in enumerate(requests):
                self.assertBody(request, "hello c%d\n" % i)

    @staticmethod
    def resume_all(sessions):
        while sessions:
            session = sessions.pop()
            session.call("resumeExecution", request=RESUME_GO)
            session.close()

    def test_ide_gone_while_stopped_lets_the_request_finish(self):
        request = self.debugged("gone")
        session = self.ide.accept()
        session.call("addBreakpoint", file=os.path.join(self.root, "lib/Greeter.php"),
                     lineno=GREETER_LINE, temporary=False, cond="")
        session.close()  # no resume: the IDE just goes
        self.assertBody(request, "hello gone\n")

    def test_pause_stops_a_running_request(self):
        go = os.path.join(self.root, "go")
        request = self.request("/wait.php?LUDBG_SESSION=1")
        session = self.ide.accept()
        session.call("resumeExecution", request=RESUME_GO)
        session.control.sendall(b"pause\n")
        # The call is answered once the script has stopped.
        self.assertEqual(session.stop_line()[0], "wait.php")
        open(go, "w").close()
        try:
            session.call("resumeExecution", request=RESUME_GO)
            self.assertBody(request, "went\n")
        finally:
            os.unlink(go)
        session.close()

    def test_without_an_ide_requests_run_on(self):
        self.ide.close()
        try:
            for i in range(3):
                self.assertBody(self.debugged("alone%d" % i), "hello alone%d\n" % i)
        finally:
            self.ide.reopen()

    def test_a_cookie_or_a_post_field_triggers_too(self):
        # One request at a time, so the session accepted is that request's.
        for path, headers, form in (("/index.php?name=cookie", {"Cookie": "a=b; LUDBG_SESSION=1"},
                                     None), ("/index.php?name=post", None, "LUDBG_SESSION=1")):
            request = Request(self.server.port, path, headers=headers, form=form)
            session = self.ide.accept()
            session.call("resumeExecution", request=RESUME_GO)
            session.close()
            self.assertEqual(request.outcome()[0], 200)

    def test_a_request_without_the_trigger_never_connects(self):
        self.assertBody(self.request("/index.php?name=plain"), "hello plain\n")
        self.assertBody(self.request("/other/path?LUDBG_SESSION_X=1"), "hello world\n")
        self.assertFalse(self.ide.pending())

    def test_a_busy_port_is_told_in_the_log_never_in_the_body(self):
        with socket.socket() as busy:
            busy.bind(("127.0.0.1", 0))
            busy.listen(1)
            ini = ["extension=" + os.path.join(self.root, "lucentdebug.so"),
                   "lucentdebug.enabled=7", "lucentdebug.remoteport=%d" % self.ide.port,
                   "lucentdebug.port=%d" % busy.getsockname()[1]]
            with web_servers.WebServer(ARGS.kind, self.root, ini, workers=2) as server:
                request = Request(server.port, "/index.php?name=busy")
                self.assertEqual(request.outcome(), (200, "hello busy\n"))
                message = "LUDBG: Unable to serve the remote debugger on port %d." % (
                    busy.getsockname()[1])
                for _ in range(50):  # the server may write its log a moment later
                    if message in server.log_text():
                        break
                    time.sleep(0.1)
                self.assertIn(message, server.log_text())
        self.assertFalse(self.ide.pending())


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--kind", choices=web_servers.KINDS, required=True)
    parser.add_argument("--module", required=True)
    ARGS, remaining = parser.parse_known_args()
    unittest.main(argv=sys.argv[:1] + remaining)
