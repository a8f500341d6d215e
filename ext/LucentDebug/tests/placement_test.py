"""Where the engine can stop, with and without opcache and its JIT: the JIT
stays on where no session runs, breakpoints move to the next line that can
stop, stepping meets the same lines in every configuration, and a breakpoint
keeps the markers of other files quiet. Runs real scripts through php -n with
opcache loaded explicitly."""
import os
import re
import subprocess
import sys
import threading
import time
import unittest
import urllib.error
import urllib.request
import xmlrpc.client

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "remote", "e2e"))

import phprun  # noqa: E402
import remote_session  # noqa: E402
from remote_session import PhpRun  # noqa: E402

SCRIPTS = os.path.join(HERE, "placement")
LINES = os.path.join(SCRIPTS, "lines.php")
STEPPING = os.path.join(HERE, "stepping")
OPCACHE = ["zend_extension=opcache.so", "opcache.enable_cli=1"]
JIT = OPCACHE + ["opcache.jit=tracing", "opcache.jit_buffer_size=32M"]
CONFIGURATIONS = {"plain": [], "opcache": OPCACHE, "jit": JIT}


def where(php):
    frame = php.call("getFrames")["frames"][0]
    return frame["file"], frame["lineno"]


def add(php, file, line, cond=""):
    return php.call("addBreakpoint", file=file, lineno=line, temporary=False,
                    cond=cond)["breakpointNumber"]


def breakpoint_info(address, number):
    """Requester.getBreakpointInfo through Python's own XML-RPC client."""
    port, cookie = address
    proxy = xmlrpc.client.ServerProxy("http://127.0.0.1:%d/RPC2" % port)
    return proxy.Requester.getBreakpointInfo({"cookie": cookie, "breakpointNumber": number})


def step_lines(script, last_line, settings, mode=3):
    """(file, line) of every stop when stepping into each statement up to the
    top level's `last_line`."""
    stops = []
    with PhpRun(script, mode=mode, settings=settings) as php:
        php.handshake()
        while len(stops) < 100:
            stops.append(where(php))
            if stops[-1] == (script, last_line) and php.call("getNumFrames")["numFrames"] == 1:
                break
            php.call("resumeExecution", request=1)
        php.call("resumeExecution", request=4)
        php.finish()
    return stops


def run_php(settings, script, env=None):
    cmd = [remote_session.ARGS.php, "-n"]
    for setting in settings:
        cmd += ["-d", setting]
    return subprocess.run(cmd + [script], capture_output=True, text=True, timeout=60,
                          env=phprun.environment(remote_session.ARGS, env))


class Jit(unittest.TestCase):
    def test_jit_stays_on_and_output_unchanged_without_a_session(self):
        script = os.path.join(SCRIPTS, "jit.php")
        plain = run_php(JIT, script)
        self.assertIn("jit=true", plain.stdout)
        module = "zend_extension=" + remote_session.ARGS.module
        for mode in (0, 1):
            for load in (JIT + [module], [module] + JIT):
                run = run_php(load + ["lucentdebug.enabled=%d" % mode], script)
                self.assertEqual((run.stdout, run.stderr), (plain.stdout, plain.stderr))


class Placement(unittest.TestCase):
    def test_breakpoints_move_to_the_next_line_that_can_stop(self):
        for name, settings in CONFIGURATIONS.items():
            with self.subTest(name), PhpRun(LINES, mode=3, settings=settings) as php:
                address = php.handshake()
                blank = add(php, LINES, 3)  # blank line before a comment
                dead = add(php, LINES, 13)  # a store never read
                beyond = add(php, LINES, 40)
                php.call("resumeExecution", request=4)
                self.assertEqual(where(php), (LINES, 5))
                info = breakpoint_info(address, blank)
                self.assertEqual(info, {"id": blank, "file": LINES, "line": 3,
                                        "resolvedLine": 5, "verified": True})
                self.assertEqual(breakpoint_info(address, beyond)["verified"], False)
                php.call("resumeExecution", request=4)
                self.assertEqual(where(php), (LINES, 13))
                self.assertEqual(breakpoint_info(address, dead)["resolvedLine"], 13)
                php.call("resumeExecution", request=4)
                self.assertEqual(php.finish()[:2], (0, "total=1\n2\n"))

    def test_unknown_breakpoint_is_a_fault(self):
        with PhpRun(LINES, mode=3) as php:
            address = php.handshake()
            with self.assertRaises(xmlrpc.client.Fault):
                breakpoint_info(address, 999)
            php.call("resumeExecution", request=4)
            php.finish()

    def test_stepping_meets_the_same_lines_in_every_configuration(self):
        expected = [(LINES, line) for line in (2, 5, 6, 9, 6, 7, 11, 16)]
        for script, last_line in ((LINES, 16), (os.path.join(STEPPING, "main.php"), 8)):
            lines = {name: step_lines(script, last_line, settings)
                     for name, settings in CONFIGURATIONS.items()}
            self.assertEqual(lines["opcache"], lines["plain"])
            self.assertEqual(lines["jit"], lines["plain"])
            if script == LINES:
                self.assertEqual(lines["plain"], expected)

    def test_breakpoints_before_and_after_compiling_under_opcache(self):
        main, lib, later = (os.path.join(STEPPING, name)
                            for name in ("main.php", "lib.php", "later.php"))
        for name in ("opcache", "jit"):
            with self.subTest(name), PhpRun(main, mode=3, settings=CONFIGURATIONS[name]) as php:
                php.handshake()
                add(php, lib, 3)  # not compiled yet
                php.call("resumeExecution", request=4)
                self.assertEqual(where(php), (lib, 3))
                add(php, later, 4)  # included later
                add(php, main, 7)  # compiled
                stops = []
                for _ in range(4):
                    php.call("resumeExecution", request=4)
                    stops.append(where(php))
                self.assertEqual(stops, [(lib, 3), (later, 4), (main, 7), (lib, 3)])
                php.call("resumeExecution", request=4)
                self.assertEqual(php.finish()[:2], (0, "a=3 b=5 c=9 d=9\n"))

    def test_a_breakpoint_keeps_other_files_markers_quiet(self):
        loop, other = (os.path.join(SCRIPTS, name) for name in ("loop.php", "other.php"))
        counts = []
        for file in (other, loop):
            with PhpRun(loop, mode=3, env={"LUDBG_STATS": "1"}) as php:
                php.handshake()
                # Line 3: the loop of loop.php, a return in other.php.
                add(php, file, 3, cond="false")
                php.call("resumeExecution", request=4)
                status, out, err = php.finish()
                self.assertEqual((status, out), (0, "sum=1999000\n"))
                counts.append(int(re.search(r"(\d+) statements reached", err).group(1)))
        # Every pass of the loop reaches the decision when its own file holds
        # the breakpoint, none when another file's line 3 does.
        self.assertLess(counts[0], 20)
        self.assertGreater(counts[1], 2000)


class ScriptInitiatedSession(unittest.TestCase):
    """ludbg_break() with hooks only: opcache's cached code carries no
    statement markers, yet the session it starts stops where plain php does."""

    SCRIPT = os.path.join(STEPPING, "break_in_function.php")
    LIB = os.path.join(STEPPING, "lib.php")
    OUTPUT = "a=3 b=6 c=7\n"

    def test_stepping_after_the_break_meets_the_same_lines(self):
        lines = {name: step_lines(self.SCRIPT, 11, settings, mode=1)
                 for name, settings in CONFIGURATIONS.items()}
        script, lib = self.SCRIPT, self.LIB
        self.assertEqual(lines["plain"], [(script, 4), (script, 5), (lib, 3), (lib, 4),
                                          (script, 6), (script, 10), (lib, 3), (lib, 4),
                                          (script, 11)])
        self.assertEqual(lines["opcache"], lines["plain"])
        self.assertEqual(lines["jit"], lines["plain"])

    def test_breakpoint_set_at_the_break_in_a_file_compiled_before(self):
        for name, settings in CONFIGURATIONS.items():
            with self.subTest(name), PhpRun(self.SCRIPT, mode=1, settings=settings) as php:
                php.handshake()
                add(php, self.LIB, 4)
                stops = []
                for _ in range(2):
                    php.call("resumeExecution", request=4)
                    frames = php.call("getFrames")["frames"]
                    stops.append([(f["file"], f["lineno"]) for f in frames])
                self.assertEqual(stops, [[(self.LIB, 4), (self.SCRIPT, 5), (self.SCRIPT, 9)],
                                         [(self.LIB, 4), (self.SCRIPT, 10)]])
                php.call("resumeExecution", request=4)
                self.assertEqual(php.finish()[:2], (0, self.OUTPUT))

    def test_requests_served_from_the_cache_stop_alike(self):
        """php -S keeps opcache's cache: the second request gets the file from it."""
        listener = remote_session.ludbg_client.listen(0)
        http_port = remote_session.free_port()
        settings = OPCACHE[:1] + ["opcache.enable=1", "lucentdebug.enabled=1",
                                  "lucentdebug.remoteport=%d" % listener.getsockname()[1]]
        cmd = phprun.command(remote_session.ARGS, settings, "-S")[:-1]
        cmd += ["-S", "127.0.0.1:%d" % http_port, "-t", STEPPING]
        server = phprun.start(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              env=phprun.environment(remote_session.ARGS))
        try:
            for _ in range(2):
                self.assertEqual(self.one_request(listener, http_port), self.OUTPUT)
        finally:
            listener.close()
            phprun.stop(server)
            _, err = server.communicate()
        for mark in remote_session.SANITIZER_MARKS:
            self.assertNotIn(mark, err.decode(errors="replace"))

    def one_request(self, listener, http_port):
        body = {}

        def fetch():
            url = "http://127.0.0.1:%d/%s" % (http_port, os.path.basename(self.SCRIPT))
            deadline = time.time() + 30
            while True:
                try:
                    with urllib.request.urlopen(url, timeout=60) as answer:
                        body["text"] = answer.read().decode()
                    return
                except urllib.error.URLError:
                    if time.time() > deadline:
                        raise
                    time.sleep(0.1)

        client = threading.Thread(target=fetch)
        client.start()
        try:
            port, cookie = remote_session.ludbg_client.wait_for_handshake(listener, 30)
            php = remote_session.ludbg_client.Debugger(port, cookie, timeout=60)
            stops = []
            for _ in range(3):
                stops.append(where(php))
                php.call("resumeExecution", request=1)
            self.assertEqual(stops, [(self.SCRIPT, 4), (self.SCRIPT, 5), (self.LIB, 3)])
            php.call("resumeExecution", request=4)
        finally:
            client.join(60)
        return body.get("text")


if __name__ == "__main__":
    remote_session.main()
