#!/usr/bin/env python3
"""Settings outlive requests, request state does not: under the built-in web
server (one process, many requests) a request that attached through
"ludbg_break" leaves nothing of its front end's port and cookie behind."""
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "..", "..", "tools"))
import ludbg_client  # noqa: E402
import phprun  # noqa: E402

ARGS = None
PAGES = {
    "break.php": "<?php\nvar_dump(ludbg_break());\necho \"after\\n\";\n",
    "info.php": "<?php\nphpinfo(INFO_MODULES);\n",
}


def send_request(port, page):
    """Opens a connection to the web server and sends a GET for `page`."""
    connection = socket.create_connection(("127.0.0.1", port), timeout=30)
    connection.sendall(("GET /%s HTTP/1.0\r\nHost: localhost\r\n\r\n" % page).encode())
    return connection


def read_response(connection):
    with connection:
        data = b""
        while True:
            chunk = connection.recv(65536)
            if not chunk:
                return data.decode(errors="replace")
            data += chunk


def info_row(page, name):
    match = re.search(r'<td class="e">%s </td><td class="v">([^<]*) </td>' % name, page)
    return match.group(1) if match else None


class RequestState(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp()
        for name, text in PAGES.items():
            with open(os.path.join(self.root, name), "w") as handle:
                handle.write(text)
        self.ide = ludbg_client.listen(0)
        self.port = phprun.free_port()
        self.web = phprun.free_port()
        settings = ["lucentdebug.enabled=1", "lucentdebug.port=%d" % self.port,
                    "lucentdebug.remoteport=%d" % self.ide.getsockname()[1]]
        command = phprun.command(ARGS, settings, "-S") + ["127.0.0.1:%d" % self.web,
                                                          "-t", self.root]
        self.server = phprun.start(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, env=phprun.environment(ARGS))
        deadline = time.monotonic() + 20
        while True:
            try:
                socket.create_connection(("127.0.0.1", self.web), timeout=5).close()
                break
            except ConnectionRefusedError:
                if time.monotonic() > deadline or self.server.poll() is not None:
                    self.tearDown()
                    self.fail("the web server did not start")
                time.sleep(0.05)

    def tearDown(self):
        phprun.stop(self.server)
        self.ide.close()
        shutil.rmtree(self.root, ignore_errors=True)

    def test_next_request_shows_the_configured_port_after_ludbg_break(self):
        before = read_response(send_request(self.web, "info.php"))
        self.assertEqual(info_row(before, "port"), str(self.port))

        attached = send_request(self.web, "break.php")
        port, cookie = ludbg_client.wait_for_handshake(self.ide, 20)
        # ludbg_break serves on a port the system chose, not the setting's.
        self.assertNotEqual(port, self.port)
        debugger = ludbg_client.Debugger(port, cookie, timeout=20)
        debugger.call("resumeExecution", request=4)
        self.assertIn("bool(true)\nafter\n", read_response(attached))

        after = read_response(send_request(self.web, "info.php"))
        self.assertEqual(info_row(after, "port"), str(self.port))
        self.assertEqual(info_row(after, "enabled"), "1")


if __name__ == "__main__":
    ARGS, remaining = phprun.parse_known()
    unittest.main(argv=sys.argv[:1] + remaining)
