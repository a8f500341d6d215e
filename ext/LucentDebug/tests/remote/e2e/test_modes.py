"""The remote modes of a request: waiting, signalled, script-initiated, and a taken port."""

import socket
import time
import unittest

from remote_session import PhpRun, main, phprun, refused, script

TYPICAL = script("typical.php")
SELF_BREAK = script("self_break.php")
SLOW = script("slow.php")
ECHO_LINE = 10


class Modes(unittest.TestCase):
    def run_to_echo_line(self, php, file):
        php.call("addBreakpoint", file=file, lineno=ECHO_LINE, temporary=False, cond="")
        php.call("resumeExecution", request=4)
        frames = php.call("getFrames")["frames"]
        php.call("resumeExecution", request=4)
        self.assertEqual(php.finish()[:2], (0, "count=6 name=lucent\n"))
        return frames[0]

    def test_waiting_mode_lets_breakpoints_be_set_before_the_first_statement(self):
        with PhpRun(TYPICAL, mode=2, cookie="c", signalled=False) as php:
            php.connect("c")
            self.assertEqual(php.call("getNumFrames"), {"numFrames": 0})
            self.assertEqual(php.call("getFrames"), {"frames": []})
            self.assertEqual(php.call("getContext", context="locals", frame_index=0, radix=10),
                             {"propertyInfo": []})
            self.assertEqual(self.run_to_echo_line(php, TYPICAL)["lineno"], ECHO_LINE)

    def test_signalled_waiting_mode_announces_itself_and_waits(self):
        with PhpRun(TYPICAL, mode=5) as php:
            port, _ = php.handshake()
            self.assertEqual(port, php.port)
            self.assertEqual(php.call("getNumFrames"), {"numFrames": 0})
            frame = self.run_to_echo_line(php, TYPICAL)
            self.assertEqual(frame["lineno"], ECHO_LINE)
            self.assertTrue(frame["file"].startswith("file:"), frame["file"])

    def test_signalled_step_mode_stops_at_the_first_statement_with_plain_names(self):
        with PhpRun(TYPICAL, mode=3) as php:
            php.handshake()
            self.assertEqual(php.call("getFrames")["frames"][0]["file"], TYPICAL)
            self.assertEqual(php.call("resumeExecution", request=1), {})
            self.assertEqual(php.call("getFrames")["frames"][0]["lineno"], 7)
            self.assertEqual(php.call("resumeExecution", request=0), {})
            status, out, _ = php.finish()
            self.assertEqual(out, "")

    def test_port_listens_before_it_is_announced(self):
        for mode in (3, 5):
            with phprun.Listener(backlog=0) as ide:
                # Fill the IDE's accept queue, so php waits inside its handshake connect.
                fillers = [socket.socket() for _ in range(2)]
                for filler in fillers:
                    filler.setblocking(False)
                    filler.connect_ex(("127.0.0.1", ide.port))
                # The IDE gets long enough to take the connection.
                with PhpRun(TYPICAL, mode=mode, remote_port=ide.port,
                            settings=["lucentdebug.connect_timeout_ms=30000"]) as php:
                    deadline = time.monotonic() + 10
                    while refused(php.port) and time.monotonic() < deadline:
                        time.sleep(0.05)
                    self.assertFalse(refused(php.port), "mode %d: port closed" % mode)
                    for filler in fillers:
                        filler.close()
                    line = b""
                    while not line:  # the fillers' connections come first, empty
                        line = ide.receive(timeout=30, line=True)
                    php.connect(line.decode().split(":", 2)[2].strip())
                    php.call("resumeExecution", request=4)
                    self.assertEqual(php.finish()[0], 0)

    def test_call_made_while_the_script_runs_is_answered_at_the_next_stop(self):
        with PhpRun(SLOW, mode=3) as php:
            php.handshake()
            php.call("addBreakpoint", file=SLOW, lineno=4, temporary=False, cond="")
            php.call("resumeExecution", request=4)
            started = time.monotonic()
            self.assertEqual(php.call("getFrames")["frames"][0]["lineno"], 4)
            self.assertGreater(time.monotonic() - started, 0.2)
            php.call("resumeExecution", request=4)
            self.assertEqual(php.finish()[:2], (0, "finished\n"))

    def test_script_initiated_debugging_announces_a_port_the_system_chose(self):
        with PhpRun(SELF_BREAK, mode=1, port=1) as php:
            port, _ = php.handshake()
            self.assertNotIn(port, (0, 1))
            self.assertEqual(php.call("hello"), {"status": "hello"})
            self.assertEqual(php.call("resumeExecution", request=4), {})
            self.assertEqual(php.finish()[:2], (0, "attached=true\n"))
            self.assertTrue(refused(port))

    def test_taken_port_runs_the_script_without_a_front_end_and_warns(self):
        with socket.socket() as taken:
            taken.bind(("0.0.0.0", 0))
            taken.listen(1)
            port = taken.getsockname()[1]
            with PhpRun(TYPICAL, mode=2, port=port, signalled=False) as php:
                status, out, err = php.finish()
        self.assertEqual(status, 0)
        self.assertIn("LUDBG: Unable to serve the remote debugger on port %d." % port, out + err)
        self.assertIn("count=6 name=lucent\n", out)


if __name__ == "__main__":
    main()
