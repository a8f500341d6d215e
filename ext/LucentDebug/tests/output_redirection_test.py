#!/usr/bin/env python3
"""Output redirection: after "Requester.redirectStdout" every byte the script
prints also reaches a listening socket, while the page still gets it; a second
redirection changes nothing. Driven through the remote front end."""
import os
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "..", "..", "tools"))
import ludbg_client  # noqa: E402
import phprun  # noqa: E402

ARGS = None
SCRIPT = """<?php
echo "one\\n";
print "two\\n";
printf("%s\\n", "three");
?>
inline
<?php
echo "end\\n";
"""
PAGE = "one\ntwo\nthree\ninline\nend\n"


class OutputRedirection(unittest.TestCase):
    def test_every_echo_reaches_socket_and_page_and_second_redirection_changes_nothing(self):
        folder = os.path.dirname(os.path.abspath(__file__))
        script = os.path.join(os.environ.get("TMPDIR", "/tmp"), "ludbg_redirect_%d.php" % os.getpid())
        with open(script, "w") as handle:
            handle.write(SCRIPT)
        first, second = phprun.Listener(), phprun.Listener()
        ide = ludbg_client.listen(0)
        try:
            settings = ["lucentdebug.enabled=3", "lucentdebug.port=%d" % phprun.free_port(),
                        "lucentdebug.remoteport=%d" % ide.getsockname()[1]]
            php = phprun.start(phprun.command(ARGS, settings, script),
                               stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, env=phprun.environment(ARGS), cwd=folder)
            try:
                port, cookie = ludbg_client.wait_for_handshake(ide, 20)
                debugger = ludbg_client.Debugger(port, cookie, timeout=20)
                debugger.call("redirectStdout", port=first.port)
                debugger.call("redirectStdout", port=second.port)
                debugger.call("resumeExecution", request=4)
                page, errors = php.communicate(timeout=30)
            finally:
                phprun.stop(php)
        finally:
            ide.close()
            os.unlink(script)
        self.assertEqual(page.decode(), PAGE, errors.decode())
        try:
            self.assertEqual(first.receive(timeout=0), PAGE.encode())
            self.assertIsNone(second.receive(timeout=0))
        finally:
            first.close()
            second.close()


if __name__ == "__main__":
    ARGS, remaining = phprun.parse_known()
    unittest.main(argv=sys.argv[:1] + remaining)
