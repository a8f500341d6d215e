#!/usr/bin/env python3
"""Reference client of the lucentdebug remote debugger (Python standard library only).

Waits for the handshake line "PHP:<port>:<cookie>" that a debugged PHP request
sends, then calls the requester's XML-RPC methods by name from a small command
loop, interactively or from a script on standard input:

    python3 tools/ludbg_client.py --listen 9000
    (ludbg) addBreakpoint file=/srv/t.php lineno=4
    (ludbg) resumeExecution request=4
    (ludbg) getContext context=locals

Without a handshake (a request in mode 2, with a configured cookie):

    python3 tools/ludbg_client.py --connect 9001 --cookie secret
"""

import argparse
import http.client
import pprint
import shlex
import socket
import sys
import time
import xmlrpc.client

# Members of each method in the order of the server's table, with their types
# and the defaults this client fills in when a command leaves them out.
METHODS = {
    "redirectStdin": {"port": (int, None)},
    "redirectStdout": {"port": (int, None)},
    "redirectStderr": {"port": (int, None)},
    "hello": {},
    "resumeExecution": {"request": (int, 4)},
    "getNumFrames": {},
    "getFrames": {},
    "getSourceCode": {"filename": (str, None)},
    "getDebugPropertyInfo": {"frame_index": (int, 0), "expr": (str, None), "radix": (int, 10)},
    "setDebugProperty": {
        "context": (str, "locals"),
        "frame_index": (int, 0),
        "lhs": (str, None),
        "rhs": (str, None),
        "radix": (int, 10),
    },
    "getChildrenInfos": {
        "context": (str, "locals"),
        "frame_index": (int, 0),
        "parent_expr": (str, None),
        "radix": (int, 10),
    },
    "getContextNamesAsString": {"frame_index": (int, 0)},
    "getContext": {"context": (str, "locals"), "frame_index": (int, 0), "radix": (int, 10)},
    "addBreakpoint": {
        "file": (str, None),
        "lineno": (int, None),
        "temporary": (bool, False),
        "cond": (str, ""),
    },
    "setBreakpointAttribute": {},
    "removeBreakpoint": {"breakpointNumber": (int, None)},
}

HANDSHAKE_TIMEOUT = 60.0
CONNECT_PATIENCE = 10.0


def parse_handshake(line):
    """Returns (port, cookie) of a "PHP:<port>:<cookie>" line."""
    prefix, port, cookie = line.split(":", 2)
    if prefix != "PHP":
        raise ValueError("not a handshake line: %r" % line)
    return int(port), cookie


def listen(port, host="127.0.0.1"):
    """A socket listening for handshakes; port 0 picks a free one."""
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind((host, port))
    listener.listen(4)
    return listener


def wait_for_handshake(listener, timeout=HANDSHAKE_TIMEOUT):
    """Accepts one handshake connection and returns (port, cookie)."""
    return accept_handshake(listener, timeout)[1:]


def accept_handshake(listener, timeout=HANDSHAKE_TIMEOUT):
    """Accepts one handshake connection and returns (sender's address, port, cookie)."""
    listener.settimeout(timeout)
    connection, (address, _) = listener.accept()
    with connection:
        connection.settimeout(timeout)
        # Closing the control line without a "watch" means nothing to the engine.
        return (address,) + read_handshake(connection)


def read_handshake(connection):
    """(port, cookie) of the handshake line on an accepted connection, which
    the engine keeps open after the line end as its control line."""
    data = b""
    while b"\n" not in data:
        chunk = connection.recv(256)
        if not chunk:
            break
        data += chunk
    return parse_handshake(data.decode("ascii", "replace").strip())


class PatientTransport(xmlrpc.client.Transport):
    """Retries a refused connection for a while: without a handshake (waiting
    mode) the client may start before php listens. Every call uses a new
    connection."""

    def __init__(self, patience=CONNECT_PATIENCE, timeout=None):
        super().__init__()
        self.patience = patience
        self.timeout = timeout

    def make_connection(self, host):
        connection = http.client.HTTPConnection(host, timeout=self.timeout)
        deadline = time.monotonic() + self.patience
        while True:
            try:
                connection.connect()
                return connection
            except ConnectionRefusedError:
                if time.monotonic() >= deadline:
                    raise
                time.sleep(0.05)

    def close(self):
        super().close()


class Debugger:
    """Calls the requester's methods, adding the cookie to every call.

    Replies may be large (a scope of 20,000 variables is several megabytes):
    xmlrpc.client reads a reply of any length (only gzip-encoded replies are
    capped, and the server sends none), so no limit needs raising here, unlike
    in a client on xmlrpc-c, whose 512 KiB default must be raised with
    xmlrpc_limit_set(XMLRPC_XML_SIZE_LIMIT_ID, ...). Characters beyond U+FFFF
    arrive as character references, which xmlrpc.client decodes."""

    def __init__(self, port, cookie, host="127.0.0.1", timeout=None):
        self.cookie = cookie
        self.proxy = xmlrpc.client.ServerProxy(
            "http://%s:%d/RPC2" % (host, port),
            transport=PatientTransport(timeout=timeout),
            allow_none=False,
        )

    def call(self, method, **members):
        """Calls "Requester.<method>" with the cookie and `members`; returns the result struct."""
        members.setdefault("cookie", self.cookie)
        return getattr(self.proxy, "Requester." + method)(members)


def members_of(method, words):
    """Turns key=value words into the method's typed members, with defaults."""
    schema = METHODS.get(method, {})
    given = {}
    for word in words:
        key, sep, text = word.partition("=")
        if not sep:
            raise ValueError("expected key=value, got %r" % word)
        kind = schema.get(key, (str, None))[0]
        if kind is bool:
            given[key] = text.lower() in ("1", "true", "yes", "on")
        elif kind is int:
            given[key] = int(text, 0)
        else:
            given[key] = text
    for key, (_, default) in schema.items():
        if key not in given:
            if default is None:
                raise ValueError("%s needs %s=..." % (method, key))
            given[key] = default
    return given


def usage():
    lines = ["Methods (members in brackets have defaults):"]
    for method, schema in METHODS.items():
        parts = []
        for key, (kind, default) in schema.items():
            part = "%s=<%s>" % (key, kind.__name__)
            parts.append(part if default is None else "[%s]" % part)
        lines.append("  %s %s" % (method, " ".join(parts)))
    lines.append("Also: help, quit. Any other Requester method can be called as NAME key=value ...")
    return "\n".join(lines)


def run_command(debugger, line, out):
    """Runs one command line; returns False when the loop should end."""
    words = shlex.split(line)
    if not words:
        return True
    name = words[0]
    if name in ("quit", "exit"):
        return False
    if name == "help":
        print(usage(), file=out)
        return True
    method = name[len("Requester."):] if name.startswith("Requester.") else name
    try:
        result = debugger.call(method, **members_of(method, words[1:]))
        print(pprint.pformat(result), file=out)
    except xmlrpc.client.Fault as fault:
        print("fault %d: %s" % (fault.faultCode, fault.faultString), file=out)
    except (ValueError, OSError, xmlrpc.client.ProtocolError) as error:
        print("error: %s" % error, file=out)
    return True


def command_loop(debugger, source=sys.stdin, out=sys.stdout):
    interactive = source.isatty()
    while True:
        if interactive:
            out.write("(ludbg) ")
            out.flush()
        line = source.readline()
        if not line:
            return
        if not run_command(debugger, line, out):
            return
        out.flush()


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--listen", type=int, default=9000,
                        help="port on which to wait for the handshake (default 9000)")
    parser.add_argument("--bind", default="127.0.0.1",
                        help="address to wait on for the handshake (default 127.0.0.1)")
    parser.add_argument("--host", help="address of the PHP side (default: the handshake's sender,"
                        " or 127.0.0.1 with --connect)")
    parser.add_argument("--connect", type=int, help="skip the handshake: the requester's port")
    parser.add_argument("--cookie", default="", help="cookie to send with --connect")
    args = parser.parse_args(argv)

    if args.connect is not None:
        host, port, cookie = args.host or "127.0.0.1", args.connect, args.cookie
    else:
        with listen(args.listen, args.bind) as listener:
            print("waiting for a debugged request on port %d ..." % args.listen, file=sys.stderr)
            sender, port, cookie = accept_handshake(listener)
        host = args.host or sender
        print("PHP requester at %s:%d, cookie %s" % (host, port, cookie), file=sys.stderr)
    command_loop(Debugger(port, cookie, host=host))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        sys.exit(130)
