#!/usr/bin/env python3
"""XML-RPC round trips per second of the remote debugger on loopback: "hello",
and "getContext" of a scope of 1,000 variables, each printed as a ratio to the
same client calling a Python standard-library XML-RPC server that answers
"hello" in the same run. Every call opens a new connection on both sides.

    python3 bench/lucentdebug/xmlrpc_roundtrip.py --module build/ext/LucentDebug/lucentdebug.so
"""

import argparse
import os
import socket
import subprocess
import sys
import tempfile
import time
import xmlrpc.client

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "ext", "LucentDebug", "tests"))

import ludbg_client  # noqa: E402  (found through the path set above)
from phprun import free_port  # noqa: E402

VARIABLES = 1000

# The baseline: a stdlib server in its own process, so that it does not share
# the client's interpreter lock.
BASELINE_SERVER = r"""
import sys
from xmlrpc.server import SimpleXMLRPCRequestHandler, SimpleXMLRPCServer

class Quiet(SimpleXMLRPCRequestHandler):
    def log_message(self, *args):
        pass

server = SimpleXMLRPCServer(("127.0.0.1", 0), requestHandler=Quiet, logRequests=False)
server.register_function(lambda members: {"status": "hello"}, "Requester.hello")
print(server.server_address[1], flush=True)
server.serve_forever()
"""


def rate(call, seconds):
    """Calls per second of `call` over about `seconds`, after one warm-up call."""
    call()
    count = 0
    start = time.perf_counter()
    while True:
        call()
        count += 1
        elapsed = time.perf_counter() - start
        if elapsed >= seconds:
            return count / elapsed


def raw_call(port, request):
    """One call over a plain socket, reading the whole reply but not parsing it."""
    with socket.create_connection(("127.0.0.1", port), timeout=30) as connection:
        connection.sendall(request)
        while connection.recv(1 << 16):
            pass


def raw_request(method, members):
    """The HTTP bytes of one call of `method` with `members`, for raw_call."""
    body = xmlrpc.client.dumps((members,), method).encode()
    return (b"POST /RPC2 HTTP/1.0\r\nContent-Type: text/xml\r\n"
            b"Content-Length: %d\r\n\r\n" % len(body)) + body


def stopped_at(php_binary, module, listener, script, line, timeout):
    """php running `script` in the announced stepping mode, handshaken on
    `listener` and run to `line`: (process, port, cookie, Debugger)."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("LUDBG_")}
    php = subprocess.Popen(
        [php_binary, "-n", "-d", "extension=" + module,
         "-d", "lucentdebug.enabled=3", "-d", "lucentdebug.port=%d" % free_port(),
         "-d", "lucentdebug.remoteport=%d" % listener.getsockname()[1], script],
        stdout=subprocess.DEVNULL, env=env)
    try:
        port, cookie = ludbg_client.wait_for_handshake(listener, timeout=30)
        remote = ludbg_client.Debugger(port, cookie, timeout=timeout)
        remote.call("addBreakpoint", file=script, lineno=line, temporary=False, cond="")
        remote.call("resumeExecution", request=4)
    except BaseException:
        php.kill()
        raise
    return php, port, cookie, remote


def scope_script(directory):
    path = os.path.join(directory, "scope.php")
    with open(path, "w") as script:
        script.write("<?php\n")
        for index in range(VARIABLES):
            script.write("$v%d = %d;\n" % (index, index))
        script.write("$done = 1;\n")
    return path, VARIABLES + 2


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--php", default="php")
    parser.add_argument("--module", required=True)
    parser.add_argument("--seconds", type=float, default=3.0, help="length of each measurement")
    args = parser.parse_args()

    baseline = subprocess.Popen([sys.executable, "-c", BASELINE_SERVER], stdout=subprocess.PIPE)
    listener = ludbg_client.listen(0)
    php = None
    try:
        stdlib = ludbg_client.Debugger(int(baseline.stdout.readline()), "", timeout=30)
        with tempfile.TemporaryDirectory() as directory:
            script, stop_line = scope_script(directory)
            php, port, cookie, remote = stopped_at(args.php, args.module, listener, script,
                                                   stop_line, timeout=30)
            context = remote.call("getContext", context="locals", frame_index=0, radix=10)
            named = [p for p in context["propertyInfo"] if p["name"]["name"].startswith("$v")]
            if len(named) != VARIABLES:
                raise SystemExit("expected %d variables, got %d" % (VARIABLES, len(named)))

            base = rate(lambda: stdlib.call("hello"), args.seconds)
            hello = rate(lambda: remote.call("hello"), args.seconds)
            scope = rate(lambda: remote.call("getContext", context="locals", frame_index=0,
                                             radix=10), args.seconds)
            request = raw_request("Requester.getContext", {"cookie": cookie, "context": "locals",
                                                           "frame_index": 0, "radix": 10})
            unparsed = rate(lambda: raw_call(port, request), args.seconds)
            remote.call("resumeExecution", request=4)
            php.wait(timeout=30)

        print("baseline: Python stdlib XML-RPC server, \"hello\": %.0f calls/s" % base)
        print("lucentdebug \"hello\": %.0f calls/s, ratio %.2f" % (hello, hello / base))
        print("lucentdebug \"getContext\" of %d variables: %.1f calls/s, ratio %.3f"
              % (VARIABLES, scope, scope / base))
        print("  the same, reply read but not parsed by the client: %.1f calls/s, ratio %.3f"
              % (unparsed, unparsed / base))
    finally:
        if php and php.poll() is None:
            php.kill()
        baseline.kill()
        listener.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
