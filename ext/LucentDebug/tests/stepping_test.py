"""Stops that a debugger whose statement markers stay quiet until needed
could miss: breakpoints set at a stop in a file compiled earlier and in one
included later, a step into a function that already ran, breakpoints removed
and added again, and two requests in one process (the built-in web server).
Runs real scripts through php in the remote step mode."""
import os
import re
import subprocess
import sys
import threading
import time
import unittest
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "remote", "e2e"))

import remote_session  # noqa: E402
from remote_session import PhpRun, free_port  # noqa: E402

SCRIPTS = os.path.join(HERE, "stepping")
MAIN = os.path.join(SCRIPTS, "main.php")
LIB = os.path.join(SCRIPTS, "lib.php")
LATER = os.path.join(SCRIPTS, "later.php")
OUTPUT = "a=3 b=5 c=9 d=9\n"


def where(php):
    """(file, line, function) of each frame, innermost first."""
    return [(f["file"], f["lineno"], f["where"]) for f in php.call("getFrames")["frames"]]


def add(php, file, line):
    return php.call("addBreakpoint", file=file, lineno=line, temporary=False,
                    cond="")["breakpointNumber"]


def resume(php, mode):
    php.call("resumeExecution", request=mode)


class QuietMarkers(unittest.TestCase):
    def test_breakpoints_set_at_a_stop_in_earlier_and_later_files(self):
        with PhpRun(MAIN, mode=3) as php:
            php.handshake()
            self.assertEqual(where(php), [(MAIN, 2, "__main__")])
            add(php, MAIN, 4)
            resume(php, 4)
            # work() ran once in go mode before any breakpoint named its file.
            self.assertEqual(where(php)[0], (MAIN, 4, "__main__"))
            add(php, LIB, 3)
            add(php, LATER, 4)
            resume(php, 4)
            self.assertEqual(where(php), [(LIB, 3, "work"), (MAIN, 4, "__main__")])
            resume(php, 4)
            self.assertEqual(where(php), [(LATER, 4, "later"), (MAIN, 6, "__main__")])
            resume(php, 4)
            self.assertEqual(where(php), [(LIB, 3, "work"), (MAIN, 7, "__main__")])
            resume(php, 4)
            self.assertEqual(php.finish()[:2], (0, OUTPUT))

    def test_step_into_a_function_compiled_and_run_before_the_step(self):
        with PhpRun(MAIN, mode=3) as php:
            php.handshake()
            add(php, MAIN, 4)
            resume(php, 4)
            resume(php, 1)
            self.assertEqual(where(php), [(LIB, 3, "work"), (MAIN, 4, "__main__")])
            resume(php, 3)
            self.assertEqual(where(php), [(MAIN, 5, "__main__")])
            resume(php, 2)
            resume(php, 2)
            self.assertEqual(where(php), [(MAIN, 7, "__main__")])
            resume(php, 4)
            self.assertEqual(php.finish()[:2], (0, OUTPUT))

    def test_breakpoint_removed_while_running_then_added_again(self):
        with PhpRun(MAIN, mode=3) as php:
            php.handshake()
            number = add(php, LIB, 3)
            add(php, MAIN, 6)
            resume(php, 4)
            self.assertEqual(where(php)[1], (MAIN, 3, "__main__"))
            php.call("removeBreakpoint", breakpointNumber=number)
            resume(php, 4)
            # work(2) ran without stopping.
            self.assertEqual(where(php), [(MAIN, 6, "__main__")])
            add(php, LIB, 3)
            resume(php, 4)
            self.assertEqual(where(php), [(LIB, 3, "work"), (MAIN, 7, "__main__")])
            resume(php, 4)
            self.assertEqual(php.finish()[:2], (0, OUTPUT))

    def test_script_initiated_session_stops_in_code_that_ran_before_it(self):
        script = os.path.join(SCRIPTS, "self_break.php")
        with PhpRun(script, mode=1) as php:
            php.handshake()
            # Stopped inside ludbg_break: its caller is shown once, at the call.
            self.assertEqual(where(php), [(script, 4, "__main__")])
            add(php, LIB, 3)
            resume(php, 4)
            self.assertEqual(where(php), [(LIB, 3, "work"), (script, 5, "__main__")])
            resume(php, 1)
            self.assertEqual(where(php)[0], (LIB, 4, "work"))
            resume(php, 4)
            self.assertEqual(php.finish()[:2], (0, "a=3 b=5\n"))


class Generators(unittest.TestCase):
    def test_steps_through_delegating_generators_leave_the_call_stepped_over_quiet(self):
        script = os.path.join(SCRIPTS, "generators.php")
        with PhpRun(script, mode=3, env={"LUDBG_STATS": "1"}) as php:
            php.handshake()
            stops = []
            for mode in (2, 1, 1, 1, 1, 2, 2, 3):  # over, in ×4, over ×2, out
                resume(php, mode)
                stops.append(where(php)[0][1:])
            resume(php, 4)
            status, out, err = php.finish()
        self.assertEqual(stops, [(16, "__main__"), (9, "drive"), (10, "drive"), (11, "drive"),
                                 (3, "walk"), (4, "walk"), (11, "drive"), (17, "__main__")])
        self.assertEqual((status, out), (0, "t=1200 u=6\n"))
        # drive(200), stepped over, drove 2,400 generator passes without a
        # decision: its generators' markers were quiet too.
        reached = int(re.search(r"(\d+) statements reached", err).group(1))
        self.assertLess(reached, 100)


class Globals(unittest.TestCase):
    def test_globals_after_an_exception_out_of_a_generator_body(self):
        script = os.path.join(HERE, "cases", "exceptions_through_generators_and_magic_leave"
                              "_sound_frames", "script.php")
        with PhpRun(script, mode=3) as php:
            php.handshake()
            add(php, script, 16)
            resume(php, 4)
            self.assertEqual(where(php)[0], (script, 16, "inspect"))
            php.call("setDebugProperty", context="globals", frame_index=0, lhs="$top",
                     rhs='"after"', radix=10)
            variables = remote_session.values(
                php.call("getContext", context="globals", frame_index=0, radix=10))
            self.assertEqual(variables["$top"], ("IS_STRING", "after"))
            self.assertEqual(variables["$caught"], ("IS_STRING", "bad 2"))
            self.assertNotIn("$local", variables)
            resume(php, 4)
            self.assertEqual(php.finish()[:2], (0, "done top=after\n"))


class BuiltInServer(unittest.TestCase):
    def test_two_requests_in_one_process_stop_alike(self):
        listener = remote_session.ludbg_client.listen(0)
        http_port = free_port()
        settings = ["lucentdebug.enabled=3", "lucentdebug.port=%d" % free_port(),
                    "lucentdebug.remoteport=%d" % listener.getsockname()[1]]
        cmd = remote_session.phprun.command(remote_session.ARGS, settings, "-S")[:-1]
        cmd += ["-S", "127.0.0.1:%d" % http_port, "-t", SCRIPTS]
        server = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                  env=remote_session.phprun.environment(remote_session.ARGS))
        try:
            self.wait_until_listening(http_port)
            for line in (3, 4):
                self.one_request(listener, http_port, line)
        finally:
            listener.close()
            server.kill()
            _, err = server.communicate()
        for mark in remote_session.SANITIZER_MARKS:
            self.assertNotIn(mark, err.decode(errors="replace"))

    def wait_until_listening(self, port):
        deadline = time.time() + 30
        while time.time() < deadline:
            if not remote_session.refused(port):
                return
            time.sleep(0.1)
        self.fail("the built-in server did not listen")

    def one_request(self, listener, http_port, line):
        body = {}

        def fetch():
            url = "http://127.0.0.1:%d/main.php" % http_port
            with urllib.request.urlopen(url, timeout=60) as answer:
                body["text"] = answer.read().decode()

        client = threading.Thread(target=fetch)
        client.start()
        try:
            port, cookie = remote_session.ludbg_client.wait_for_handshake(listener, 30)
            php = remote_session.ludbg_client.Debugger(port, cookie, timeout=60)
            self.assertEqual(php.call("getFrames")["frames"][0]["lineno"], 2)
            php.call("addBreakpoint", file=LIB, lineno=line, temporary=False, cond="")
            php.call("resumeExecution", request=4)
            frames = php.call("getFrames")["frames"]
            self.assertEqual([(f["file"], f["lineno"]) for f in frames],
                             [(LIB, line), (MAIN, 3)])
            php.call("resumeExecution", request=4)
            frames = php.call("getFrames")["frames"]
            self.assertEqual([(f["file"], f["lineno"]) for f in frames],
                             [(LIB, line), (MAIN, 4)])
            php.call("resumeExecution", request=4)
            php.call("resumeExecution", request=4)
        finally:
            client.join(60)
        self.assertEqual(body.get("text"), OUTPUT)


if __name__ == "__main__":
    remote_session.main()
