#!/usr/bin/env python3
"""Signalled mode announces the request to a listening IDE; without one the
script runs normally."""
import os
import re
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import phprun  # noqa: E402

ARGS = None
SCRIPT = "<?php\n$a = 1;\necho \"done $a\\n\";\n"


class SignalledMode(unittest.TestCase):
    def setUp(self):
        handle, self.script = tempfile.mkstemp(suffix=".php")
        os.write(handle, SCRIPT.encode())
        os.close(handle)

    def tearDown(self):
        os.unlink(self.script)

    def settings(self, remote_port, own_port):
        return ["lucentdebug.enabled=3", "lucentdebug.remoteport=%d" % remote_port,
                "lucentdebug.port=%d" % own_port]

    def announcement(self, own_port):
        """What one request in mode 3 sends to a listening IDE."""
        with phprun.Listener() as ide:
            php = phprun.start(phprun.command(ARGS, self.settings(ide.port, own_port), self.script),
                               stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, env=phprun.environment(ARGS))
            try:
                return ide.receive(timeout=20, line=True).decode()
            finally:
                # The request now waits for the IDE on its own port; end it.
                phprun.stop(php)

    def test_listener_receives_port_and_cookie_in_one_line(self):
        own_port = phprun.free_port()
        self.assertRegex(self.announcement(own_port), r"^PHP:%d:[a-zA-Z0-9]{19}\n$" % own_port)

    def test_cookies_of_two_requests_differ(self):
        cookies = [re.sub(r"^PHP:\d+:", "", self.announcement(phprun.free_port()))
                   for _ in range(2)]
        self.assertNotEqual(cookies[0], cookies[1])

    def test_trigger_mode_announces_only_a_request_carrying_the_trigger(self):
        with phprun.Listener() as ide:
            settings = ["lucentdebug.enabled=6", "lucentdebug.remoteport=%d" % ide.port,
                        "lucentdebug.trigger_value=s3cret"]
            for value in ("no", None):
                env = {"LUDBG_SESSION": value} if value else {}
                result = phprun.run(ARGS, settings, self.script, env=env)
                self.assertEqual(result.stdout.decode(), "done 1\n")
                self.assertIsNone(ide.receive(timeout=0))
            php = phprun.start(phprun.command(ARGS, settings, self.script),
                               stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE,
                               env=phprun.environment(ARGS, {"LUDBG_SESSION": "s3cret"}))
            try:
                self.assertRegex(ide.receive(timeout=20, line=True).decode(),
                                 r"^PHP:\d+:[a-zA-Z0-9]{19}\n$")
            finally:
                phprun.stop(php)

    def test_every_request_mode_announces_on_a_port_the_system_chose(self):
        with phprun.Listener() as ide:
            php = phprun.start(phprun.command(ARGS, ["lucentdebug.enabled=7",
                                                     "lucentdebug.remoteport=%d" % ide.port],
                                              self.script),
                               stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, env=phprun.environment(ARGS))
            try:
                port = int(ide.receive(timeout=20, line=True).decode().split(":")[1])
                self.assertNotEqual(port, 9001)
            finally:
                phprun.stop(php)

    def test_without_listener_script_runs_normally(self):
        settings = self.settings(phprun.free_port(), phprun.free_port())
        result = phprun.run(ARGS, settings, self.script)
        self.assertEqual(result.stdout.decode(), "done 1\n")
        self.assertEqual(result.returncode, 0)


if __name__ == "__main__":
    ARGS, remaining = phprun.parse_known()
    unittest.main(argv=sys.argv[:1] + remaining)
