"""Runs a PHP script under the built extension in one of the remote modes and
talks to it with the reference client, for the end-to-end tests.

The php binary, the extension and the sanitizer runtime to preload (if any)
come from the command line: --php PATH --module PATH [--preload PATH].
"""

import argparse
import os
import socket
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
REPOSITORY = os.path.normpath(os.path.join(HERE, "..", "..", "..", "..", ".."))
SCRIPTS = os.path.join(HERE, "scripts")
sys.path.insert(0, os.path.join(REPOSITORY, "tools"))

import ludbg_client  # noqa: E402  (found through the path set above)

CONFIG = {"php": "php", "module": "", "preload": ""}
SANITIZER_MARKS = ("ERROR: AddressSanitizer", "runtime error:", "ERROR: LeakSanitizer")


def script(name):
    return os.path.join(SCRIPTS, name)


def free_port():
    """A port nobody listens on right now."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def refused(port):
    """True when nothing accepts connections on `port`."""
    try:
        socket.create_connection(("127.0.0.1", port), timeout=5).close()
        return False
    except ConnectionRefusedError:
        return True


def values(result):
    """{name: (type, value)} of a struct holding "propertyInfo" records."""
    return {p["name"]["name"]: (p["type"], p["value"]) for p in result["propertyInfo"]}


class PhpRun:
    """One php process debugging `script_path` in `mode`; use with `with`."""

    def __init__(self, script_path, mode, cookie=None, port=None, signalled=True,
                 remote_port=None):
        """Signalled runs announce themselves to a listener of this object, or
        to `remote_port` when one is given."""
        self.script = script_path
        self.port = free_port() if port is None else port
        self.listener = ludbg_client.listen(0) if signalled and remote_port is None else None
        if self.listener:
            remote_port = self.listener.getsockname()[1]
        settings = ["lucentdebug.enabled=%d" % mode, "lucentdebug.port=%d" % self.port]
        if remote_port is not None:
            settings.append("lucentdebug.remoteport=%d" % remote_port)
        if cookie is not None:
            settings.append("lucentdebug.cookie=" + cookie)
        command = [CONFIG["php"], "-n", "-d", "extension=" + CONFIG["module"]]
        for setting in settings:
            command += ["-d", setting]
        command.append(script_path)
        env = {k: v for k, v in os.environ.items() if not k.startswith("LUDBG_")}
        if CONFIG["preload"]:
            env["LD_PRELOAD"] = CONFIG["preload"]
            # php itself is not instrumented and keeps memory to its end; the
            # library that lets RTLD_DEEPBIND loads through comes before the runtime.
            env["ASAN_OPTIONS"] = "detect_leaks=0:verify_asan_link_order=0"
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        env=env)
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
        """Waits for php to end; returns (exit status, stdout, stderr)."""
        out, err = self.process.communicate(timeout=timeout)
        out, err = out.decode(errors="replace"), err.decode(errors="replace")
        for mark in SANITIZER_MARKS:
            if mark in err:
                raise AssertionError("sanitizer report from php:\n" + err)
        return self.process.returncode, out, err

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.process.poll() is None:
            self.process.kill()
            self.process.communicate()
        if self.listener:
            self.listener.close()
        return False


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--php", required=True)
    parser.add_argument("--module", required=True)
    parser.add_argument("--preload", default="")
    args, rest = parser.parse_known_args()
    CONFIG.update(php=args.php, module=args.module, preload=args.preload)
    unittest.main(module="__main__", argv=[sys.argv[0]] + rest, verbosity=2)
