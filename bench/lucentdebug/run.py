#!/usr/bin/env python3
"""Debugger overhead: runs a CPU-bound script plain, with the extension loaded
but off, with hooks only, and attached in go mode with ten breakpoints that
are never hit (and, given an extension with empty hooks, the host's own cost
of statement and call markers, which no debugger on these hooks can go below); then the cost of one stop in a deep script ("locals", "frames",
one "pinfo"). Prints each as a ratio to the plain run of the same script."""
import argparse
import os
import resource
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))
CPU = os.path.join(HERE, "cpu.php")
DEEP = os.path.join(HERE, "deep.php")
# Lines of cpu.php inside functions that never run, and lines past its end.
UNHIT_LINES = [8, 9, 13, 14, 200, 201, 202, 203, 204, 205]


def child_cpu_seconds():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed(cmd, stdin, env):
    """CPU time of one run: other work on a shared machine disturbs it less
    than wall-clock time."""
    start = child_cpu_seconds()
    result = subprocess.run(cmd, input=stdin.encode(), stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, env=env, timeout=600)
    elapsed = child_cpu_seconds() - start
    if result.returncode != 0:
        raise SystemExit("failed: %s\n%s" % (" ".join(cmd), result.stderr.decode()))
    return elapsed, result.stdout.decode()


def best_of(runs, jobs, env):
    """Minimum time of each job over interleaved rounds, so that load from
    elsewhere on the machine spreads over all of them alike."""
    times = {name: [] for name, _, _ in jobs}
    outputs = {}
    for _ in range(runs):
        for name, cmd, stdin in jobs:
            elapsed, outputs[name] = timed(cmd, stdin, env)
            times[name].append(elapsed)
    return {name: min(values) for name, values in times.items()}, outputs


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--php", default="php")
    parser.add_argument("--module", required=True)
    parser.add_argument("--empty-hooks", help="Zend extension with hooks that do nothing")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    # php looks for relative extension paths in its own extension folder.
    args.module = os.path.abspath(args.module)
    if args.empty_hooks:
        args.empty_hooks = os.path.abspath(args.empty_hooks)
    env = {k: v for k, v in os.environ.items() if not k.startswith("LUDBG_")}
    plain = [args.php, "-n"]
    loaded = plain + ["-d", "extension=" + args.module]

    breakpoints = "".join("bp %d\n" % line for line in UNHIT_LINES) + "go\n"
    cpu_jobs = [
        ("plain php", plain + [CPU], ""),
        ("module loaded, enabled 0", loaded + ["-d", "lucentdebug.enabled=0", CPU], ""),
        ("enabled 1 (hooks only)", loaded + ["-d", "lucentdebug.enabled=1", CPU], ""),
        ("console, go, 10 breakpoints never hit",
         loaded + ["-d", "lucentdebug.enabled=4", CPU], breakpoints),
    ]
    if args.empty_hooks:
        cpu_jobs.insert(1, ("host markers, empty hooks (floor)",
                            plain + ["-d", "zend_extension=" + args.empty_hooks, CPU], ""))
    times, outputs = best_of(args.runs, cpu_jobs, env)
    base = times["plain php"]
    print("cpu.php plain run: %.3f s CPU" % base)
    for name, _, _ in cpu_jobs[1:]:
        if not outputs[name].endswith(outputs["plain php"]):
            raise SystemExit("%s: output differs" % name)
        print("%-40s ratio %.3f" % (name, times[name] / base))

    deep_jobs = [
        ("plain php", plain + [DEEP], ""),
        ("go only", loaded + ["-d", "lucentdebug.enabled=4", DEEP], "go\ngo\n"),
        ("stop", loaded + ["-d", "lucentdebug.enabled=4", DEEP],
         "go\nlocals\nframes\npinfo 0 $v500\ngo\n"),
    ]
    times, outputs = best_of(args.runs * 3, deep_jobs, env)
    if outputs["stop"].count("Name:") < 1000:
        raise SystemExit("deep.php: locals did not list the scope")
    print("deep.php plain run: %.3f s CPU" % times["plain php"])
    print("%-40s ratio %.3f (the three commands: %.1f ms)"
          % ("one stop: locals, frames, pinfo", times["stop"] / times["plain php"],
             (times["stop"] - times["go only"]) * 1000))


if __name__ == "__main__":
    main()
