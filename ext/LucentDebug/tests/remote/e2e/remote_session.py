"""Runs a PHP script under the built extension in one of the remote modes and
talks to it with the reference client, for the end-to-end tests.

The php binary, the extension and the sanitizer runtime to preload (if any)
come from the command line: --php PATH --module PATH [--preload PATH].
"""

import os
import socket
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
REPOSITORY = os.path.normpath(os.path.join(HERE, "..", "..", "..", "..", ".."))
SCRIPTS = os.path.join(HERE, "scripts")
sys.path.insert(0, os.path.join(REPOSITORY, "tools"))
sys.path.insert(0, os.path.normpath(os.path.join(HERE, "..", "..")))

import ludbg_client  # noqa: E402  (found through the paths set above)
import phprun  # noqa: E402
from phprun import free_port  # noqa: E402,F401  (also used by the tests)

ARGS = None  # php, module and preload, set by main()
SANITIZER_MARKS = ("ERROR: AddressSanitizer", "runtime error:", "ERROR: LeakSanitizer")


def script(name):
    return os.path.join(SCRIPTS, name)



def refused(port):
    """True when nothing accepts connections on `port`."""
    try:
        socket.create_connection(("127.0.0.1", port), timeout=5).close()
        return False
    except ConnectionRefusedError:
        return True


def read_all(connection):
    """Everything `connection` receives until the peer closes it."""
    data = b""
    while True:
        chunk = connection.recv(65536)
        if not chunk:
            return data
        data += chunk


def exchange(port, data, timeout=20):
    """Sends `data` on a new connection, half-closes it, and returns the reply
    read until the server closes (socket.timeout when it does not)."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as connection:
        connection.sendall(data)
        connection.shutdown(socket.SHUT_WR)
        return read_all(connection)


def stop_state(php):
    """([(file, line)] of the frames, {name: (type, value)} of the locals) of a stopped run."""
    frames = php.call("getFrames")["frames"]
    scope = values(php.call("getContext", context="locals", frame_index=0, radix=10))
    return [(f["file"], f["lineno"]) for f in frames], scope


def values(result):
    """{name: (type, value)} of a struct holding "propertyInfo" records."""
    return {p["name"]["name"]: (p["type"], p["value"]) for p in result["propertyInfo"]}


class PhpRun:
    """One php process debugging `script_path` in `mode`; use with `with`."""

    def __init__(self, script_path, mode, cookie=None, port=None, signalled=True,
                 remote_port=None, settings=(), env=None):
        """Signalled runs announce themselves to a listener of this object, or
        to `remote_port` when one is given."""
        self.script = script_path
        self.port = free_port() if port is None else port
        self.listener = ludbg_client.listen(0) if signalled and remote_port is None else None
        if self.listener:
            remote_port = self.listener.getsockname()[1]
        extra = settings
        settings = ["lucentdebug.enabled=%d" % mode, "lucentdebug.port=%d" % self.port]
        if remote_port is not None:
            settings.append("lucentdebug.remoteport=%d" % remote_port)
        if cookie is not None:
            settings.append("lucentdebug.cookie=" + cookie)
        settings += list(extra)
        # Ends with this object, and also with the test process when ctest's
        # timeout kills it, so no php is left waiting on its port.
        self.process = phprun.start(phprun.command(ARGS, settings, script_path),
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                    env=phprun.environment(ARGS, env))
        self.debugger = None

    def handshake(self, timeout=30):
        """Waits for the handshake line; returns (port, cookie) and connects to them."""
        port, cookie = ludbg_client.wait_for_handshake(self.listener, timeout)
        self.debugger = ludbg_client.Debugger(port, cookie, timeout=60)
        return port, cookie

    def connect(self, cookie):
        self.debugger = ludbg_client.Debugger(self.port, cookie, timeout=60)

    def call(self, method, **members):
        return self.debugger.call(method, **members)

    def finish(self, timeout=60):
        """Waits for php to end; returns (exit status, stdout, stderr). On a
        timeout php is killed."""
        try:
            out, err = self.process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            phprun.stop(self.process)
            raise
        out, err = out.decode(errors="replace"), err.decode(errors="replace")
        for mark in SANITIZER_MARKS:
            if mark in err:
                raise AssertionError("sanitizer report from php:\n" + err)
        return self.process.returncode, out, err

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        phprun.stop(self.process)
        if self.listener:
            self.listener.close()
        return False


def main():
    global ARGS
    ARGS, rest = phprun.parse_known()
    unittest.main(module="__main__", argv=[sys.argv[0]] + rest, verbosity=2)
