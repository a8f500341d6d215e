#!/usr/bin/env python3
"""Times stylewarden-ls from a didChange to the publishDiagnostics it causes, on docbook-xsl's
html/chunk-common.xsl, beside one run of the command-line program on the same text, and
prints both and their ratio. All numbers come from this run."""
import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

CORPUS_CANDIDATES = [
    "/usr/share/xml/docbook/stylesheet/docbook-xsl",
    "/usr/share/xml/docbook/stylesheet/nwalsh",
]
STYLESHEET = os.path.join("html", "chunk-common.xsl")
TIME_GOAL_MS = 5.0
RATIO_GOAL = 5.0


def find_stylesheet(explicit):
    for candidate in [explicit] if explicit else [os.path.join(c, STYLESHEET) for c in CORPUS_CANDIDATES]:
        if candidate and os.path.isfile(candidate):
            return candidate
    sys.exit("docbook-xsl's html/chunk-common.xsl not found; install docbook-xsl or pass --stylesheet")


class Server:
    def __init__(self, argv):
        self.process = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL)

    def send(self, message):
        body = json.dumps(message).encode("utf-8")
        self.process.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
        self.process.stdin.flush()

    def receive(self):
        length = None
        while True:
            line = self.process.stdout.readline()
            if not line:
                sys.exit("the server ended early")
            if line in (b"\r\n", b"\n"):
                break
            name, _, value = line.decode("ascii").partition(":")
            if name.strip().lower() == "content-length":
                length = int(value)
        return json.loads(self.process.stdout.read(length))

    def receive_diagnostics(self, uri):
        while True:
            message = self.receive()
            if message.get("method") == "textDocument/publishDiagnostics" and message["params"]["uri"] == uri:
                return message["params"]

    def close(self):
        try:
            self.send({"jsonrpc": "2.0", "id": 2, "method": "shutdown"})
            self.send({"jsonrpc": "2.0", "method": "exit"})
            self.process.wait(timeout=10)
        finally:
            if self.process.poll() is None:
                self.process.kill()
                self.process.wait()


def cpu_milliseconds(pid):
    """User and system CPU time of a running process so far, from /proc; None elsewhere."""
    try:
        with open("/proc/%d/stat" % pid) as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
    except OSError:
        return None
    return (int(fields[11]) + int(fields[12])) * 1000.0 / os.sysconf("SC_CLK_TCK")


def program_milliseconds(program, states, path, runs):
    """The median of a few runs, each one process start, state file load and check."""
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run([program, states, path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       check=True)
        times.append((time.perf_counter() - start) * 1000)
    return statistics.median(times)


def server_milliseconds(server_program, states, path, rounds):
    """Median time from writing a didChange to reading its diagnostics. The changes alternate
    between inserting and deleting one space at the end of the first line, as typing does."""
    with open(path, encoding="utf-8") as source:
        text = source.read()
    first_line_length = len(text.split("\n", 1)[0].encode("utf-16-le")) // 2
    uri = "file://" + os.path.realpath(path)
    server = Server([server_program, "--states", states])
    try:
        server.send({"jsonrpc": "2.0", "id": 1, "method": "initialize",
                     "params": {"processId": os.getpid(), "rootUri": None, "capabilities": {}}})
        server.receive()
        server.send({"jsonrpc": "2.0", "method": "initialized", "params": {}})
        server.send({"jsonrpc": "2.0", "method": "textDocument/didOpen",
                     "params": {"textDocument": {"uri": uri, "languageId": "xslt", "version": 1,
                                                 "text": text}}})
        expected = server.receive_diagnostics(uri)["diagnostics"]
        cpu_before = cpu_milliseconds(server.process.pid)
        times = []
        for version in range(2, rounds + 2):
            end = first_line_length + (1 if version % 2 else 0)
            change = {"range": {"start": {"line": 0, "character": first_line_length},
                                "end": {"line": 0, "character": end}},
                      "text": " " if version % 2 == 0 else ""}
            start = time.perf_counter()
            server.send({"jsonrpc": "2.0", "method": "textDocument/didChange",
                         "params": {"textDocument": {"uri": uri, "version": version},
                                    "contentChanges": [change]}})
            published = server.receive_diagnostics(uri)
            times.append((time.perf_counter() - start) * 1000)
            if published["version"] != version or published["diagnostics"] != expected:
                sys.exit("the server's diagnostics changed during the benchmark")
        cpu_after = cpu_milliseconds(server.process.pid)
        cpu = None if cpu_before is None else (cpu_after - cpu_before) / rounds
        return statistics.median(times), min(times), max(times), cpu, len(expected)
    finally:
        server.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--stylewarden", required=True)
    parser.add_argument("--server", required=True)
    parser.add_argument("--states", required=True)
    parser.add_argument("--stylesheet")
    parser.add_argument("--rounds", type=int, default=200)
    parser.add_argument("--program-runs", type=int, default=5)
    arguments = parser.parse_args()

    path = find_stylesheet(arguments.stylesheet)
    with open(path, "rb") as source:
        lines = source.read().count(b"\n")
    median, fastest, slowest, cpu, findings = server_milliseconds(arguments.server, arguments.states, path,
                                                           arguments.rounds)
    program = program_milliseconds(arguments.stylewarden, arguments.states, path, arguments.program_runs)
    ratio = program / median
    print("stylesheet: %s (%d lines, %d findings)" % (path, lines, findings))
    print("stylewarden-ls didChange -> publishDiagnostics: median %.2f ms over %d changes "
          "(fastest %.2f, slowest %.2f)" % (median, arguments.rounds, fastest, slowest))
    if cpu is not None:
        # Wall time includes waiting for a core on a busy machine; CPU time does not.
        print("stylewarden-ls CPU time per change: %.2f ms (load average %.1f)"
              % (cpu, os.getloadavg()[0]))
    print("stylewarden, one run on the same text: %.2f ms (median of %d runs)"
          % (program, arguments.program_runs))
    print("ratio program / server: %.1fx" % ratio)
    print("goal: server under %.0f ms and at least %.0fx quicker: %s"
          % (TIME_GOAL_MS, RATIO_GOAL, "met" if median < TIME_GOAL_MS and ratio >= RATIO_GOAL else "NOT met"))


if __name__ == "__main__":
    main()
