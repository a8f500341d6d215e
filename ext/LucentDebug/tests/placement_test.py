"""Where the engine can stop, with and without opcache and its JIT: the JIT
stays on where no session runs, breakpoints move to the next line that can
stop, stepping meets the same lines in every configuration, and a breakpoint
keeps the markers of other files quiet. Runs real scripts through php -n with
opcache loaded explicitly."""
import os
import re
import subprocess
import sys
import unittest
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


def step_lines(script, last_line, settings):
    """(file, line) of every stop when stepping into each statement up to the
    top level's `last_line`."""
    stops = []
    with PhpRun(script, mode=3, settings=settings) as php:
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


if __name__ == "__main__":
    remote_session.main()
