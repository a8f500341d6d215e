#!/usr/bin/env python3
"""What lucentdebug costs where PHP runs: without opcache, with opcache, and
with opcache and its tracing JIT, as callgrind instruction counts net of
start-up (the same configuration running an empty script is subtracted),
each a ratio to plain php with the same opcache and JIT settings.

Workloads (workloads/*.php; each requires its hot file on line 3):
cpu.php and typical.php (the scripts of run.py), a page rendered by Debian's
php-twig, and object-oriented code with closures, generators and exceptions.
Configurations: plain php; the extension loaded with enabled=0; hooks only, no
session (enabled=1); a console session running with 10 breakpoints that are
never hit in the hot file; a console session stepping over the hot file's
inclusion, then running; Xdebug (mode=debug, start_with_request=trigger, no
IDE). Then the CPU time of one stop (a breakpoint, and a step "in") at depths
3, 2,000 (recursion) and 20,000 ("yield from"), through the remote front end.
Prints every ratio and each one that falls short of its goal.

  bench/lucentdebug/cost.py --module build/ext/LucentDebug/lucentdebug.so [--quick]
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
WORK = os.path.join(HERE, "workloads")
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "ext", "LucentDebug", "tests"))

import ludbg_client  # noqa: E402
from phprun import free_port  # noqa: E402

OPCACHE = ["-d", "zend_extension=opcache.so", "-d", "opcache.enable_cli=1"]
SETTINGS = {
    "no opcache": [],
    "opcache": OPCACHE,
    "opcache+JIT": OPCACHE + ["-d", "opcache.jit=tracing", "-d", "opcache.jit_buffer_size=32M"],
}
NEVER_CALLED = lambda first: list(range(first + 1, first + 11))  # noqa: E731
WORKLOADS = [
    # name, wrapper, hot file's never-run lines, callgrind count, quick count, php options
    ("cpu.php", "cpu.php", [8, 9, 13, 14, 200, 201, 202, 203, 204, 205], 200000, 20000, []),
    ("typical.php", "typical.php", [62, 63, 64, 91, 92, 93, 112, 113, 200, 201], 4000, 400, []),
    ("Twig page", "twig.php", NEVER_CALLED(21), 40, 5,
     ["-d", "extension=ctype", "-d", "extension=mbstring"]),
    ("OO code", "oo.php", NEVER_CALLED(38), 1500, 150, []),
]
# Goals: (configuration, settings) -> highest ratio; None: no goal.
GOALS = {
    "enabled=0": {"no opcache": 1.03, "opcache": 1.05, "opcache+JIT": 1.05},
    "hooks only, no session": {"no opcache": 1.03, "opcache": 1.05, "opcache+JIT": 1.05},
    "session, 10 breakpoints never hit": {"no opcache": 1.07, "opcache": 1.07},
    "session, step over the hot call, run": {"no opcache": 1.5, "opcache": 1.5,
                                              "opcache+JIT": 1.5},
}
STOP_GOAL_US = 50.0


def configs(args, lines):
    module = ["-d", "zend_extension=" + args.module]
    into_hot = "in\nin\n"  # wrapper line 2, the require on line 3, then the hot file
    result = [
        ("plain php", [], b""),
        ("enabled=0", module + ["-d", "lucentdebug.enabled=0"], b""),
        ("hooks only, no session", module + ["-d", "lucentdebug.enabled=1"], b""),
        ("session, 10 breakpoints never hit", module + ["-d", "lucentdebug.enabled=4"],
         (into_hot + "".join("bp %d\n" % line for line in lines) + "go\n").encode()),
        ("session, step over the hot call, run", module + ["-d", "lucentdebug.enabled=4"],
         b"over\nover\ngo\n"),
    ]
    if args.xdebug:
        result.append(("Xdebug debug, trigger, no IDE",
                       ["-d", "zend_extension=" + args.xdebug, "-d", "xdebug.mode=debug",
                        "-d", "xdebug.start_with_request=trigger"], b""))
    return result


def environment():
    return {k: v for k, v in os.environ.items()
            if not k.startswith("LUDBG_") and not k.startswith("XDEBUG")}


def callgrind(cmd, stdin, out_file):
    result = subprocess.run(["valgrind", "--tool=callgrind", "-q",
                             "--callgrind-out-file=" + out_file] + cmd, input=stdin,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            env=environment(), timeout=3600)
    if result.returncode != 0:
        raise SystemExit("failed: %s\n%s" % (" ".join(cmd), result.stderr.decode()))
    with open(out_file, encoding="utf-8", errors="replace") as handle:
        return int(re.search(r"^summary:\s*(\d+)", handle.read(), re.M).group(1)), result


def instruction_table(args):
    shortfalls = []
    rows = []
    with tempfile.TemporaryDirectory() as folder:
        out_file = os.path.join(folder, "callgrind.out")
        for name, wrapper, lines, count, quick_count, options in WORKLOADS:
            if args.workload and args.workload != name:
                continue
            count = quick_count if args.quick else max(1, int(count * args.scale))
            for setting, setting_args in SETTINGS.items():
                base = None
                for config, config_args, stdin in configs(args, lines):
                    cmd = [args.php, "-n"] + options + setting_args + config_args
                    work, result = callgrind(cmd + [os.path.join(WORK, wrapper), str(count)],
                                             stdin, out_file)
                    empty, _ = callgrind(cmd + [os.path.join(WORK, "empty.php")], stdin,
                                         out_file)
                    out = result.stdout.decode(errors="replace")
                    if base is None:
                        base, expected = work - empty, out
                    elif not out.endswith(expected.splitlines()[-1] + "\n"):
                        raise SystemExit("%s, %s, %s: output differs from plain php"
                                         % (name, setting, config))
                    warned = "JIT" in result.stderr.decode(errors="replace") + out
                    ratio = (work - empty) / base
                    rows.append((name, setting, config, ratio))
                    goal = GOALS.get(config, {}).get(setting)
                    if goal is not None and (ratio > goal or warned):
                        shortfalls.append("%s, %s, %s: %.3f (goal %.2f%s)" % (
                            name, setting, config, ratio, goal, ", JIT warning" if warned else ""))
                    print("%-12s %-12s %-40s %.3f" % (name, setting, config, ratio), flush=True)
    return rows, shortfalls


def cpu_of(process):
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    return usage.ru_utime + usage.ru_stime


def stop_run(args, depth, kind, iterations, steps=None, hellos=0):
    """CPU seconds of php running the leaf loop `iterations` times at `depth`,
    stopping at a breakpoint in it at every pass, or (steps given) once, then
    stepping into `steps` statements; `hellos` calls at the first stop measure
    the round trips alone."""
    listener = ludbg_client.listen(0)
    stops_php = os.path.join(WORK, "stops.php")
    cmd = [args.php, "-n", "-d", "zend_extension=" + args.module, "-d", "lucentdebug.enabled=3",
           "-d", "lucentdebug.port=%d" % free_port(),
           "-d", "lucentdebug.remoteport=%d" % listener.getsockname()[1],
           stops_php, str(depth), str(iterations), kind]
    process = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               env=environment())
    try:
        port, cookie = ludbg_client.wait_for_handshake(listener, 30)
        debugger = ludbg_client.Debugger(port, cookie, timeout=120)
        number = debugger.call("addBreakpoint", file=stops_php, lineno=8, temporary=False,
                               cond="")["breakpointNumber"]
        debugger.call("resumeExecution", request=4)
        for _ in range(hellos):
            debugger.call("hello")
        if steps is None:
            for _ in range(iterations - 1):
                debugger.call("resumeExecution", request=4)
        else:
            debugger.call("removeBreakpoint", breakpointNumber=number)
            for _ in range(steps):
                debugger.call("resumeExecution", request=1)
        debugger.call("removeBreakpoint", breakpointNumber=number)
        debugger.call("resumeExecution", request=4)
        return cpu_of(process)
    finally:
        listener.close()
        if process.returncode is None:
            process.kill()
            process.wait()


def stop_costs(args):
    shortfalls = []
    stops = 50 if args.quick else 400
    runs = 1 if args.quick else 3
    print("\nCPU of one stop (µs), net of the remote front end's round trip:")
    for depth, kind in ((3, "recurse"), (2000, "recurse"), (20000, "yield")):
        best = lambda *run: min(stop_run(args, depth, kind, *run) for _ in range(runs))  # noqa
        # Net of as many round trips that stop nothing ("hello").
        costs = {"breakpoint": (best(stops) - best(1, None, stops - 1)) / (stops - 1),
                 "step in": (best(2 * stops + 2, stops) - best(2 * stops + 2, 0, stops)) / stops}
        for what, cost in costs.items():
            cost *= 1e6
            print("  depth %5d (%s), %-10s %7.1f" % (depth, kind, what, cost), flush=True)
            if cost > STOP_GOAL_US:
                shortfalls.append("stop at depth %d, %s: %.1f µs (goal %.0f)"
                                  % (depth, what, cost, STOP_GOAL_US))
    return shortfalls


def ensure_xdebug():
    path = "/usr/lib/php/20220829/xdebug.so"
    if not os.path.exists(path) and os.geteuid() == 0:
        env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        subprocess.run(["apt-get", "install", "-y", "--no-install-recommends", "php8.2-xdebug"],
                       env=env, stdout=subprocess.DEVNULL, check=False)
        if shutil.which("phpdismod"):
            subprocess.run(["phpdismod", "-v", "8.2", "-s", "ALL", "xdebug"], check=False)
    return path if os.path.exists(path) else None


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--php", default=shutil.which("php") or "php")
    parser.add_argument("--module", required=True)
    parser.add_argument("--quick", action="store_true", help="small counts, a smoke run")
    parser.add_argument("--scale", type=float, default=1.0,
                        help="multiplies the work counts (callgrind runs are slow)")
    parser.add_argument("--no-stops", action="store_true", help="skip the per-stop costs")
    parser.add_argument("--workload", choices=[w[0] for w in WORKLOADS],
                        help="measure this workload alone")
    args = parser.parse_args()
    args.module = os.path.abspath(args.module)
    args.xdebug = ensure_xdebug()
    if not args.xdebug:
        print("php8.2-xdebug is not installed (run as root to install it): no Xdebug rows")
    _, shortfalls = instruction_table(args)
    if not args.no_stops:
        shortfalls += stop_costs(args)
    print("\nShort of the goals:" if shortfalls else "\nAll goals met.")
    for line in shortfalls:
        print("  " + line)


if __name__ == "__main__":
    main()
