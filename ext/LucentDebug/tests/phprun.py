"""Starts php with the built extension, preloading the sanitizer runtime when
the extension was built with it, and ends every php it started: on timeout, on
failure, and when the test itself is killed (ctest's timeout)."""
import argparse
import ctypes
import os
import random
import signal
import socket
import subprocess


def add_arguments(parser):
    parser.add_argument("--php", required=True)
    parser.add_argument("--module", required=True)
    parser.add_argument("--preload", default="")


def parse(extra=None):
    parser = argparse.ArgumentParser()
    add_arguments(parser)
    if extra:
        extra(parser)
    return parser.parse_args()


def parse_known():
    """Options of this module, and the rest for unittest."""
    parser = argparse.ArgumentParser()
    add_arguments(parser)
    return parser.parse_known_args()


def environment(args, extra=None):
    env = {k: v for k, v in os.environ.items() if not k.startswith("LUDBG_")}
    if args.preload:
        env["LD_PRELOAD"] = args.preload
        # php itself is not instrumented and keeps memory to its end; the
        # library that drops RTLD_DEEPBIND must come before the runtime.
        env["ASAN_OPTIONS"] = "detect_leaks=0:verify_asan_link_order=0"
        # The host's own allocator hides use-after-free inside its heap from
        # the sanitizer.
        env["USE_ZEND_ALLOC"] = "0"
    env.update(extra or {})
    return env


def command(args, settings, script, load="extension"):
    cmd = [args.php, "-n", "-d", "%s=%s" % (load, args.module)]
    for setting in settings:
        cmd += ["-d", setting]
    return cmd + [script]


def _die_with_parent():
    """Runs in the child before php starts: its own process group, and SIGKILL
    when the test process goes, however it goes."""
    os.setpgrp()
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


def start(cmd, **options):
    """Popen of `cmd` that dies with the test; end it with stop() or `with`."""
    return subprocess.Popen(cmd, preexec_fn=_die_with_parent, **options)


def stop(process):
    """Kills the process and its group if they still run, and reaps it."""
    if process.poll() is not None:
        return
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    process.communicate()


def run(args, settings, script, stdin="", env=None, cwd=None, timeout=30, load="extension"):
    process = start(command(args, settings, script, load), stdin=subprocess.PIPE,
                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=environment(args, env),
                    cwd=cwd)
    try:
        out, err = process.communicate(stdin.encode(), timeout=timeout)
    finally:
        stop(process)
    return subprocess.CompletedProcess(process.args, process.returncode, out, err)


class Listener:
    """A loopback listener on a free port, as the IDE's handshake listener or a
    collector of redirected output; use with `with`."""

    def __init__(self, backlog=4):
        self.socket = socket.socket()
        self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.socket.bind(("127.0.0.1", 0))
        self.socket.listen(backlog)
        self.port = self.socket.getsockname()[1]

    def receive(self, timeout=20, line=False):
        """Everything the next connection sends until it closes (with `line`,
        until its first line end: a handshake); with timeout 0, None when
        nobody has connected."""
        if timeout == 0:
            self.socket.setblocking(False)
            try:
                connection, _ = self.socket.accept()
            except BlockingIOError:
                return None
        else:
            self.socket.settimeout(timeout)
            connection, _ = self.socket.accept()
        data = b""
        with connection:
            connection.settimeout(timeout or 20)
            while not (line and b"\n" in data):
                chunk = connection.recv(4096)
                if not chunk:
                    break
                data += chunk
            return data

    def close(self):
        self.socket.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False


def _ephemeral_floor():
    try:
        with open("/proc/sys/net/ipv4/ip_local_port_range") as ports:
            return int(ports.read().split()[0])
    except (OSError, ValueError, IndexError):
        return 32768


def free_port():
    """A free loopback port below the kernel's ephemeral range: a port the
    kernel hands out for bind(0) (every debugged request's XML-RPC server
    takes one) could be taken by another process between this check and the
    server's own bind, and the harness would then talk to that process."""
    floor = _ephemeral_floor()
    for _ in range(200):
        port = random.randrange(max(1024, floor - 12000), floor)
        with socket.socket() as probe:
            try:
                probe.bind(("127.0.0.1", port))
                return port
            except OSError:
                continue
    raise RuntimeError("no free loopback port below %d" % floor)
