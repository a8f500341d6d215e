#!/usr/bin/env python3
"""Latency of lucentdebug-dap beside the reference client on the same script:
the time from a "next" request to its "stopped" event, and from "stackTrace"
to the last response of "stackTrace"+"scopes"+"variables" over a scope of
1,000 locals. The reference client does the same over the engine's XML-RPC
methods (resumeExecution 2 and the waiting getFrames; getFrames,
getContextNamesAsString and getContext). Goals: under 10 ms and 50 ms.

    python3 bench/lucentdebug/dap_latency.py --adapter build/ext/LucentDebug/dap/lucentdebug-dap \\
        --php php --module build/ext/LucentDebug/lucentdebug.so
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import queue

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))

import ludbg_client  # noqa: E402  (found through the path set above)

VARIABLES = 1000
STEPS = 60
INSPECTIONS = 30
NEXT_GOAL_MS = 10
INSPECT_GOAL_MS = 50


def write_script(folder):
    """A script with 1,000 locals, then a loop to step through; returns (path, loop line)."""
    lines = ["<?php"] + ["$v%d = %d;" % (i, i) for i in range(VARIABLES)]
    lines += ["$n = 0;", "while (true) {"]
    loop_line = len(lines) + 1
    lines += ["    $n++;", "    $m = $n * 2;", "    if ($n > 100000000) break;", "}"]
    path = os.path.join(folder, "locals.php")
    with open(path, "w") as script:
        script.write("\n".join(lines) + "\n")
    return path, loop_line


class DapClient:
    """A minimal Debug Adapter Protocol client over the adapter's stdio."""

    def __init__(self, adapter):
        self.process = subprocess.Popen([adapter], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.seq = 0
        self.messages = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        stream = self.process.stdout
        while True:
            header = stream.readline()
            if not header:
                self.messages.put(None)
                return
            length = int(header.split(b":")[1])
            stream.readline()
            self.messages.put(json.loads(stream.read(length)))

    def send(self, command, arguments=None):
        self.seq += 1
        body = json.dumps({"seq": self.seq, "type": "request", "command": command,
                           "arguments": arguments or {}}).encode()
        self.process.stdin.write(b"Content-Length: %d\r\n\r\n%s" % (len(body), body))
        self.process.stdin.flush()
        return self.seq

    def wait(self, predicate, timeout=60):
        while True:
            message = self.messages.get(timeout=timeout)
            if message is None:
                raise RuntimeError("the adapter ended")
            if predicate(message):
                return message

    def request(self, command, arguments=None):
        seq = self.send(command, arguments)
        response = self.wait(lambda m: m.get("type") == "response" and m["request_seq"] == seq)
        if not response["success"]:
            raise RuntimeError("%s failed: %s" % (command, response.get("message")))
        return response.get("body", {})

    def event(self, name):
        return self.wait(lambda m: m.get("type") == "event" and m["event"] == name)

    def close(self):
        try:
            self.request("disconnect")
        except (RuntimeError, queue.Empty, BrokenPipeError):
            pass
        self.process.kill()
        self.process.wait()


def measure_adapter(args, script, loop_line):
    client = DapClient(args.adapter)
    try:
        client.request("initialize", {"adapterID": "lucentdebug", "linesStartAt1": True})
        client.request("launch", {"program": script, "runtimeExecutable": args.php,
                                  "runtimeArgs": ["-n"], "extension": args.module})
        client.event("initialized")
        client.request("setBreakpoints", {"source": {"path": script},
                                          "breakpoints": [{"line": loop_line}]})
        client.request("configurationDone")
        client.event("stopped")
        client.request("setBreakpoints", {"source": {"path": script}, "breakpoints": []})
        steps = []
        for _ in range(STEPS):
            start = time.perf_counter()
            seq = client.send("next", {"threadId": 1})
            client.wait(lambda m: m.get("type") == "event" and m["event"] == "stopped")
            steps.append(time.perf_counter() - start)
            assert seq
        inspections = []
        for _ in range(INSPECTIONS):
            start = time.perf_counter()
            frames = client.request("stackTrace", {"threadId": 1})["stackFrames"]
            scopes = client.request("scopes", {"frameId": frames[0]["id"]})["scopes"]
            variables = client.request("variables", {"variablesReference": scopes[0]["variablesReference"]})
            inspections.append(time.perf_counter() - start)
            assert len(variables["variables"]) >= VARIABLES, len(variables["variables"])
        return steps, inspections
    finally:
        client.close()


def measure_reference(args, script, loop_line):
    listener = ludbg_client.listen(0)
    engine_port = ludbg_client.listen(0)
    port = engine_port.getsockname()[1]
    engine_port.close()
    php = subprocess.Popen([args.php, "-n", "-d", "extension=" + args.module,
                            "-d", "lucentdebug.enabled=3", "-d", "lucentdebug.port=%d" % port,
                            "-d", "lucentdebug.remoteport=%d" % listener.getsockname()[1], script],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        engine, cookie = ludbg_client.wait_for_handshake(listener, 30)
        debugger = ludbg_client.Debugger(engine, cookie, timeout=60)
        debugger.call("hello")
        number = debugger.call("addBreakpoint", file=script, lineno=loop_line, temporary=False,
                               cond="")["breakpointNumber"]
        debugger.call("resumeExecution", request=4)
        debugger.call("getFrames")
        debugger.call("removeBreakpoint", breakpointNumber=number)
        steps = []
        for _ in range(STEPS):
            start = time.perf_counter()
            debugger.call("resumeExecution", request=2)
            debugger.call("getFrames")  # answered at the next stop
            steps.append(time.perf_counter() - start)
        inspections = []
        for _ in range(INSPECTIONS):
            start = time.perf_counter()
            debugger.call("getFrames")
            debugger.call("getContextNamesAsString", frame_index=0)
            context = debugger.call("getContext", context="locals", frame_index=0, radix=10)
            inspections.append(time.perf_counter() - start)
            assert len(context["propertyInfo"]) >= VARIABLES
        debugger.call("resumeExecution", request=0)
        return steps, inspections
    finally:
        php.kill()
        php.wait()
        listener.close()


def report(name, adapter, reference, goal_ms):
    adapter_ms = statistics.median(adapter) * 1000
    reference_ms = statistics.median(reference) * 1000
    verdict = "meets" if adapter_ms < goal_ms else "MISSES"
    print("%-40s adapter %7.2f ms   reference client %7.2f ms   ratio %5.2f   %s the goal of %d ms"
          % (name, adapter_ms, reference_ms, adapter_ms / reference_ms, verdict, goal_ms))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--adapter", required=True)
    parser.add_argument("--php", default="php")
    parser.add_argument("--module", required=True)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as folder:
        script, loop_line = write_script(folder)
        reference = measure_reference(args, script, loop_line)
        adapter = measure_adapter(args, script, loop_line)
    print("median of %d steps and %d inspections of %d locals" % (STEPS, INSPECTIONS, VARIABLES))
    report("next -> stopped", adapter[0], reference[0], NEXT_GOAL_MS)
    report("stackTrace+scopes+variables", adapter[1], reference[1], INSPECT_GOAL_MS)


if __name__ == "__main__":
    main()
