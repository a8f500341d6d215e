"""The reference client in tools/: its member typing, and a scripted session
through its command loop against a real script."""

import os
import subprocess
import sys
import unittest

from remote_session import REPOSITORY, PhpRun, free_port, ludbg_client, main, phprun, script

TYPICAL = script("typical.php")
CLIENT = os.path.join(REPOSITORY, "tools", "ludbg_client.py")


class Members(unittest.TestCase):
    def test_members_are_typed_by_the_method_and_defaults_filled(self):
        self.assertEqual(ludbg_client.members_of("setDebugProperty", ["lhs=$a", "rhs=7"]),
                         {"lhs": "$a", "rhs": "7", "context": "locals", "frame_index": 0,
                          "radix": 10})
        self.assertEqual(ludbg_client.members_of("addBreakpoint",
                                                 ["file=/t.php", "lineno=0x10", "temporary=yes"]),
                         {"file": "/t.php", "lineno": 16, "temporary": True, "cond": ""})

    def test_required_member_and_malformed_words_are_refused(self):
        with self.assertRaises(ValueError):
            ludbg_client.members_of("getSourceCode", [])
        with self.assertRaises(ValueError):
            ludbg_client.members_of("hello", ["nonsense"])
        with self.assertRaises(ValueError):
            ludbg_client.members_of("resumeExecution", ["request=four"])

    def test_handshake_line_is_parsed(self):
        self.assertEqual(ludbg_client.parse_handshake("PHP:9001:abc:d"), (9001, "abc:d"))
        with self.assertRaises(ValueError):
            ludbg_client.parse_handshake("HTTP/1.0 200 OK")


class ScriptedSession(unittest.TestCase):
    def test_commands_from_standard_input_drive_the_stopped_script(self):
        listen_port = free_port()
        client = phprun.start([sys.executable, CLIENT, "--listen", str(listen_port)],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True)
        try:
            self.assertIn("waiting", client.stderr.readline())
            with PhpRun(TYPICAL, mode=3, remote_port=listen_port) as php:
                commands = "\n".join([
                    "hello",
                    "Requester.addBreakpoint file=%s lineno=10" % TYPICAL,
                    "resumeExecution",
                    "getContext",
                    "resumeExecution request=5",
                    "getSourceCode",
                    "resumeExecution",
                    "quit",
                    "hello",
                ]) + "\n"
                out, err = client.communicate(commands, timeout=60)
                status, php_out, _ = php.finish()
        finally:
            phprun.stop(client)
        self.assertIn("cookie", err)
        self.assertEqual(out.count("{'status': 'hello'}"), 1)
        self.assertIn("{'breakpointNumber': 1}", out)
        self.assertIn("'name': {'fullName': '$count', 'name': '$count'}", out)
        self.assertIn("fault 1: Bad resume type", out)
        self.assertIn("error: getSourceCode needs filename=...", out)
        self.assertEqual((status, php_out), (0, "count=6 name=lucent\n"))


if __name__ == "__main__":
    main()
