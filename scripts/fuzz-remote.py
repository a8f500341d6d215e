#!/usr/bin/env python3
"""Fuzzes the lucentdebug remote front end with requests (raw bytes, XML-RPC
structure, HTTP heads) against a script stopped at a breakpoint, by default in
the sanitizer build (build-asan/). Not part of CI.

    python3 scripts/fuzz-remote.py [--count 100000] [--minutes 30] [--seed N]

Every input goes on its own connection, which is half-closed after sending: the
server must answer or close within --hang seconds, or the input counts as a
hang. Every 100 inputs a proper "Requester.hello" must be answered within a
second and php must still run; every 1000 the stop (frames and variables) must
be unchanged. At the end the script is resumed and its output must be its own.
Prints the counts; exits 1 on any crash, hang, failed liveness check or
sanitizer report. Inputs that found a fault are written to build-asan/findings/.
"""

import argparse
import os
import random
import socket
import subprocess
import sys
import tempfile
import time
import xmlrpc.client

REPOSITORY = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
sys.path.insert(0, os.path.join(REPOSITORY, "tools"))
sys.path.insert(0, os.path.join(REPOSITORY, "ext", "LucentDebug", "tests"))
sys.path.insert(0, os.path.join(REPOSITORY, "ext", "LucentDebug", "tests", "remote", "e2e"))

import ludbg_client  # noqa: E402
import phprun  # noqa: E402
import remote_session  # noqa: E402

COOKIE = "fuzzC00kie"
SCRIPT = remote_session.script("typical.php")
STOP_LINE = 10
OUTPUT = "count=6 name=lucent\n"
SANITIZER_MARKS = ("ERROR: AddressSanitizer", "runtime error:", "ERROR: LeakSanitizer")

# Methods that read only, with members that evaluate nothing: safe to call
# with the real cookie. Any method may be called with a wrong cookie.
SAFE_METHODS = {
    "Requester.hello": {},
    "Requester.getNumFrames": {},
    "Requester.getFrames": {},
    "Requester.getContextNamesAsString": {"frame_index": 0},
    "Requester.getContext": {"context": "locals", "frame_index": 0, "radix": 10},
    "Requester.getSourceCode": {"filename": "/dev/null"},
    "Requester.setBreakpointAttribute": {},
}
ALL_METHODS = ["Requester." + m for m in ludbg_client.METHODS] + [
    "system.listMethods", "system.multicall", "system.methodHelp", "system.methodSignature",
    "system.getCapabilities", "system.shutdown", "system.capabilities", "", "Requester.",
    "requester.hello", "Requester.hello\x00", "x" * 300]
TYPES = ["string", "int", "i4", "boolean", "double", "i8", "ex:i8", "nil", "ex:nil", "base64",
         "dateTime.iso8601", "struct", "array", "ex:i1", "ex:dom", "foo", "STRING", ""]
STRINGS = ["", "x", "\U0001F600", "&#x1F600;", "&#128512;", "&#xFDD0;", "\ufdd0", "\ufdd001F600",
           "&#xD800;", "&#0;", "&#x110000;", "&#99999999999;", "&lt;&amp;", "&a;", "&#x;", "]]>",
           "\u00e9\u4e2d", "99999999999999999999", "-2147483649", "2147483647", " 5", "0x10",
           "1e999", "nan", "%s%s%n", "<![CDATA[x]]>", "<!--c-->", "<?pi?>", "\t\r\n", "'\"",
           "\\x", "A" * 70000]
RAW_BYTES = [b"\xff", b"\xc0\x80", b"\xed\xa0\x80", b"\xf4\x90\x80\x80", b"\xf0\x9f\x98",
             b"\x00", b"\x01", b"\x7f", b"\xef\xbf\xbe", b"\xef\xbb\xbf"]
HTTP_TOKENS = [b"\r\n", b"\n", b"\r\n\r\n", b": ", b"Content-Length: ", b"Content-Type: text/xml",
               b"Transfer-Encoding: chunked", b"Expect: 100-continue", b"-1", b"4294967296",
               b"99999999999999999999", b"0", b" ", b"\t", b"\x00", b"HTTP/1.1", b"/RPC2",
               b"<methodCall>", b"</value>", b"<!DOCTYPE x [<!ENTITY a \"&a;&a;\">]>", b"&a;"]


def escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;")


class Generator:
    def __init__(self, rng):
        self.rng = rng

    def string(self):
        pick = self.rng.choice(STRINGS)
        if self.rng.random() < 0.3:
            pick = escape(pick)
        return pick

    def value(self, depth=0):
        kind = self.rng.choice(TYPES)
        if kind in ("struct", "array") and depth > self.rng.randint(1, 40):
            kind = "string"
        if kind == "struct":
            members = "".join("<member><name>%s</name>%s</member>" % (self.string(),
                                                                    self.value(depth + 1))
                              for _ in range(self.rng.randint(0, 3)))
            inner = "<struct>%s</struct>" % members
        elif kind == "array":
            items = "".join(self.value(depth + 1) for _ in range(self.rng.randint(0, 3)))
            inner = "<array><data>%s</data></array>" % items
        elif kind == "":
            inner = self.string()
        elif self.rng.random() < 0.2:
            inner = "<%s/>" % kind
        else:
            inner = "<%s>%s</%s>" % (kind, self.string(), kind)
        return "<value>%s</value>" % inner

    def call_xml(self):
        """A call of any method with a wrong cookie, or of a safe one with the real one."""
        real = self.rng.random() < 0.4
        if real:
            method = self.rng.choice(sorted(SAFE_METHODS))
            members = dict(SAFE_METHODS[method], cookie=COOKIE)
        else:
            method = self.rng.choice(ALL_METHODS)
            members = {"cookie": self.rng.choice(["", "wrong", COOKIE[:-1], COOKIE.upper()])}
        body = "".join("<member><name>%s</name>%s</member>" % (
            name, "<value><string>%s</string></value>" % value if isinstance(value, str)
            else "<value><int>%d</int></value>" % value) for name, value in members.items())
        extra = "".join("<member><name>%s</name>%s</member>" % (self.string(), self.value(1))
                        for _ in range(self.rng.randint(0, 3)))
        param = "<value><struct>%s%s</struct></value>" % (body, extra)
        params = [param] + [self.value() for _ in range(self.rng.randint(0, 1) if not real else 0)]
        xml = ("<?xml version=\"1.0\"?><methodCall><methodName>%s</methodName><params>%s</params>"
               "</methodCall>" % (escape(method), "".join("<param>%s</param>" % p
                                                          for p in params)))
        data = xml.encode("utf-8", "surrogatepass")
        if self.rng.random() < 0.2:
            data = self.structural(data, real)
        return data, real

    def structural(self, data, real):
        """Inserts declarations, foreign markup or raw bytes somewhere."""
        inserts = [b"<!DOCTYPE methodCall [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>",
                   b"<!ENTITY x SYSTEM \"file:///etc/passwd\">", b"<?xml-stylesheet x?>",
                   b"<![CDATA[<value>]]>", b"<!-- x -->", b"<x:y xmlns:x=\"u\"/>", b"&b;",
                   b"</value>", b"<value>", b"<struct>", b"<i8>1</i8>", b"<ex:i8>x</ex:i8>",
                   b"<value><i8>99999999999999999999</i8></value>"] + RAW_BYTES
        where = self.rng.randint(0, len(data))
        if real and self.rng.random() < 0.5:
            where = 0
        return data[:where] + self.rng.choice(inserts) + data[where:]

    def head(self, body):
        method = self.rng.choice([b"POST"] * 6 + [b"GET", b"OPTIONS", b"PUT", b"HEAD", b"post",
                                                 b"POST POST", b""])
        path = self.rng.choice([b"/RPC2"] * 6 + [b"/", b"/rpc2", b"/RPC2?x=1", b"http://h/RPC2",
                                               b"/RPC2/..", b"*", b"/" + b"a" * 5000])
        version = self.rng.choice([b"HTTP/1.0", b"HTTP/1.1", b"HTTP/1.1", b"HTTP/2", b"", b"HTTP"])
        length = self.rng.choice([str(len(body)).encode()] * 8 + [
            b"-1", b"4294967296", b"0", b"", b"abc", b"99999999999999999999", b"600000",
            str(len(body) + 10).encode(), str(max(0, len(body) - 10)).encode(), b" 12 "])
        ctype = self.rng.choice([b"text/xml"] * 6 + [b"text/plain", b"Text/XML; charset=utf-8",
                                                   b"", b"text/xmlx", b"application/xml"])
        lines = [method + b" " + path + b" " + version]
        if self.rng.random() < 0.95:
            lines.append(b"Content-Type: " + ctype)
        if self.rng.random() < 0.95:
            lines.append(b"Content-Length: " + length)
        for _ in range(self.rng.randint(0, 3)):
            lines.append(self.rng.choice([b"Content-Length: 5", b"Expect: 100-continue",
                                          b"Transfer-Encoding: chunked", b" folded", b"NoColon",
                                          b"X-Long: " + b"y" * 20000, b"Host: x", b": empty"]))
        end = self.rng.choice([b"\r\n"] * 5 + [b"\n"])
        return end.join(lines) + end + end

    def mutate(self, data):
        data = bytearray(data)
        for _ in range(self.rng.randint(1, 8)):
            choice = self.rng.random()
            where = self.rng.randint(0, len(data))
            if choice < 0.3 and data:
                data[min(where, len(data) - 1)] = self.rng.randrange(256)
            elif choice < 0.5:
                del data[where:where + self.rng.randint(1, 16)]
            elif choice < 0.7:
                token = self.rng.choice(HTTP_TOKENS + RAW_BYTES)
                data[where:where] = token
            elif choice < 0.85 and data:
                start = self.rng.randint(0, len(data) - 1)
                data[where:where] = data[start:start + self.rng.randint(1, 64)]
            else:
                del data[where:]
        return bytes(data)

    def request(self):
        """(bytes, kind, uses the real cookie)."""
        body, real = self.call_xml()
        kind = self.rng.choice(["xml", "xml", "http", "bytes"])
        if kind == "xml":
            return self.fixed_head(body) + body, kind, real
        if kind == "http":
            return self.head(body) + body, kind, real
        # Raw byte mutations only of calls that cannot resume, change or evaluate anything.
        if real:
            body, _ = self.call_xml()
        return self.mutate(self.fixed_head(body) + body), kind, False

    @staticmethod
    def fixed_head(body):
        return (b"POST /RPC2 HTTP/1.0\r\nContent-Type: text/xml\r\nContent-Length: %d\r\n\r\n"
                % len(body))


def default_preload():
    runtime = subprocess.run(["g++", "-print-file-name=libasan.so"], capture_output=True,
                             text=True).stdout.strip()
    shim = os.path.join(REPOSITORY, "build-asan", "ext", "LucentDebug", "tests",
                        "libno_deep_bind.so")
    return "%s:%s" % (shim, runtime)


def answer(port, data, hang):
    """The reply to `data` read until the server closes, or None on a hang."""
    try:
        return remote_session.exchange(port, data, timeout=hang)
    except socket.timeout:
        return None
    except (ConnectionResetError, BrokenPipeError):
        return b""


def snapshot(debugger):
    frames = debugger.call("getFrames")["frames"]
    scope = debugger.call("getContext", context="locals", frame_index=0, radix=10)["propertyInfo"]
    return ([(f["file"], f["lineno"]) for f in frames],
            sorted((p["name"]["name"], p["type"], p["value"]) for p in scope))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--php", default="php")
    parser.add_argument("--module",
                        default=os.path.join(REPOSITORY, "build-asan", "ext", "LucentDebug",
                                             "lucentdebug.so"))
    parser.add_argument("--preload", default=None)
    parser.add_argument("--count", type=int, default=100000)
    parser.add_argument("--minutes", type=float, default=30.0)
    parser.add_argument("--seed", type=int, default=int(time.time()))
    parser.add_argument("--hang", type=float, default=10.0, help="seconds an input may take")
    args = parser.parse_args()
    if args.preload is None:
        args.preload = default_preload() if "build-asan" in args.module else ""

    rng = random.Random(args.seed)
    generator = Generator(rng)
    findings = os.path.join(REPOSITORY, "build-asan", "findings")
    work = tempfile.mkdtemp(prefix="fuzz-remote-")
    script_path = SCRIPT
    port = phprun.free_port()
    settings = ["lucentdebug.enabled=2", "lucentdebug.port=%d" % port,
                "lucentdebug.cookie=" + COOKIE]
    out_path, err_path = os.path.join(work, "stdout"), os.path.join(work, "stderr")
    with open(out_path, "wb") as out, open(err_path, "wb") as err:
        php = subprocess.Popen(phprun.command(args, settings, script_path), stdout=out, stderr=err,
                               env=phprun.environment(args))
    counts = {"inputs": 0, "crashes": 0, "hangs": 0, "liveness checks": 0,
              "liveness failures": 0, "state changes": 0}
    replies = {}
    last = b""

    def keep(name, data):
        os.makedirs(findings, exist_ok=True)
        path = os.path.join(findings, "%s-%d-%d" % (name, args.seed, counts["inputs"]))
        with open(path, "wb") as handle:
            handle.write(data)
        return path

    try:
        debugger = ludbg_client.Debugger(port, COOKIE, timeout=60)
        debugger.call("addBreakpoint", file=script_path, lineno=STOP_LINE, temporary=False,
                      cond="")
        debugger.call("resumeExecution", request=4)
        state = snapshot(debugger)
        print("seed %d; stopped at %s; fuzzing up to %d inputs for at most %.0f minutes"
              % (args.seed, state[0], args.count, args.minutes), flush=True)
        deadline = time.monotonic() + args.minutes * 60
        started = time.monotonic()
        while counts["inputs"] < args.count and time.monotonic() < deadline:
            data, kind, _ = generator.request()
            last = data
            counts["inputs"] += 1
            reply = answer(port, data, args.hang)
            if reply is None:
                counts["hangs"] += 1
                print("hang: %s" % keep("hang", data), flush=True)
            else:
                status = reply.split(b" ", 2)[1][:3].decode("ascii", "replace") if reply else "closed"
                if status == "200":
                    status += " fault" if b"<fault>" in reply else " result"
                replies[status] = replies.get(status, 0) + 1
            if php.poll() is not None:
                counts["crashes"] += 1
                print("php ended with status %s: %s" % (php.returncode, keep("crash", data)))
                break
            if counts["inputs"] % 100 == 0:
                counts["liveness checks"] += 1
                begun = time.monotonic()
                try:
                    alive = ludbg_client.Debugger(port, COOKIE, timeout=5).call("hello") == {
                        "status": "hello"}
                except (OSError, xmlrpc.client.Error):
                    alive = False
                if not alive or time.monotonic() - begun > 1.0:
                    counts["liveness failures"] += 1
                    print("liveness failed after: %s" % keep("liveness", data), flush=True)
            if counts["inputs"] % 1000 == 0:
                if snapshot(debugger) != state:
                    counts["state changes"] += 1
                    print("stop changed after: %s" % keep("state", data), flush=True)
            if counts["inputs"] % 10000 == 0:
                print("%d inputs, %.0f s, %s" % (counts["inputs"], time.monotonic() - started,
                                                 counts), flush=True)
        if php.poll() is None:
            debugger.call("resumeExecution", request=4)
            php.wait(timeout=60)
    except Exception as error:  # report what was reached, then fail
        print("fuzzer stopped: %r" % (error,))
        if php.poll() is not None and counts["crashes"] == 0:
            counts["crashes"] += 1
            keep("crash", last)
    finally:
        if php.poll() is None:
            php.kill()
            php.wait()
    with open(out_path, errors="replace") as handle:
        output = handle.read()
    with open(err_path, errors="replace") as handle:
        errors = handle.read()
    reports = [mark for mark in SANITIZER_MARKS if mark in errors]
    print("counts: %s" % counts)
    print("answers: %s" % dict(sorted(replies.items())))
    print("php exit status %s; output %s; sanitizer reports: %s"
          % (php.returncode, "its own" if output == OUTPUT else repr(output[:300]),
             reports or "none"))
    if reports:
        print(errors[-4000:])
    failed = (counts["crashes"] or counts["hangs"] or counts["liveness failures"]
              or counts["state changes"] or reports or output != OUTPUT or php.returncode != 0)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
