#!/usr/bin/env python3
"""Debugger overhead, as ratios to plain `php -n` measured in the same run.

Two scripts, a CPU-bound one (cpu.php) and a typical one (typical.php:
objects, methods, arrays, strings), each in these configurations: plain; the
host's own marker cost (a Zend extension with empty hooks: the floor for any
debugger on those hooks); the extension loaded but off (enabled 0); hooks only
(enabled 1); attached in the console, "go" with ten breakpoints on lines that
never run; Xdebug's step debugger left on with no IDE (xdebug.mode=debug and
the default xdebug.start_with_request, which starts a session only on a
trigger: what a user who leaves it switched on pays on every request); and
phpdbg running the script (phpdbg -qrr). Stepping ("in" at every statement:
the console's empty input) runs a shorter count of the same script; its wall
ratio is per unit of work against the plain run of the full count (a short
plain run is too quick to time), its Ir ratio against a plain run of the same
short count.

Two ratios for each, both net of start-up (the same configuration running a
one-statement script is subtracted):
  wall: elapsed time, runs of all configurations interleaved, best of --runs;
  Ir:   instructions counted by valgrind's callgrind, with a smaller count of
        work (the same for every configuration), noise-free.
Then the cost of one stop in a deep script ("locals", "frames", one "pinfo").

Set-up: installs valgrind, php8.2-xdebug and php8.2-phpdbg with apt-get when
missing, and switches Xdebug's ini file off again (everything here and in the
tests runs php -n, which ignores it; the switch-off keeps a plain `php` on the
machine free of it too).

  cmake --build build --target bench_lucentdebug
  bench/lucentdebug/run.py --module build/ext/LucentDebug/lucentdebug.so [--quick]
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
DEEP = os.path.join(HERE, "deep.php")
BENCH_PACKAGES = ["valgrind", "php8.2-xdebug", "php8.2-phpdbg"]


class Script:
    def __init__(self, name, file_name, counts, unhit_lines):
        self.name = name
        self.path = os.path.join(HERE, file_name)
        # Units of work: about a second of plain run; under callgrind; stepping
        # (about a second of it) and stepping under callgrind.
        self.count, self.callgrind_count, self.step_count, self.step_callgrind_count = counts
        self.unhit_lines = unhit_lines


SCRIPTS = [
    # Lines of cpu.php inside functions that never run, and lines past its end.
    Script("CPU-bound (cpu.php)", "cpu.php", (10000000, 200000, 5000, 1000),
           [8, 9, 13, 14, 200, 201, 202, 203, 204, 205]),
    # Lines of typical.php that never run, and two past its end.
    Script("typical (typical.php)", "typical.php", (200000, 4000, 600, 150),
           [62, 63, 64, 91, 92, 93, 112, 113, 200, 201]),
]


def ensure_packages():
    missing = [name for name in BENCH_PACKAGES if subprocess.run(
        ["dpkg-query", "-W", "-f", "${Status}", name], stdout=subprocess.PIPE,
        stderr=subprocess.DEVNULL).stdout.decode().split()[-1:] != ["installed"]]
    if not missing:
        return
    print("installing %s" % " ".join(missing), flush=True)
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(["apt-get", "update"], env=env, stdout=subprocess.DEVNULL, check=True)
    subprocess.run(["apt-get", "install", "-y", "--no-install-recommends"] + missing, env=env,
                   stdout=subprocess.DEVNULL, check=True)
    if "php8.2-xdebug" in missing and shutil.which("phpdismod"):
        subprocess.run(["phpdismod", "-v", "8.2", "-s", "ALL", "xdebug"], check=False)


class Config:
    """One way of running a script: the command before the script's path, and
    what standard input it gets for a given script."""

    def __init__(self, name, prefix, stdin=lambda script: b"", check_output=True):
        self.name = name
        self.prefix = prefix
        self.stdin = stdin
        self.check_output = check_output


def configs(args):
    plain = [args.php, "-n"]
    loaded = plain + ["-d", "extension=" + args.module]

    def breakpoints(script):
        lines = script.unhit_lines if script else []
        return ("".join("bp %d\n" % line for line in lines) + "go\n").encode()

    main = [Config("plain php -n", plain)]
    if args.empty_hooks:
        main.append(Config("host markers, empty hooks (floor)",
                           plain + ["-d", "zend_extension=" + args.empty_hooks]))
    main += [
        Config("idle (enabled 0)", loaded + ["-d", "lucentdebug.enabled=0"]),
        Config("hooks only (enabled 1)", loaded + ["-d", "lucentdebug.enabled=1"]),
        Config("console go, 10 breakpoints never hit", loaded + ["-d", "lucentdebug.enabled=4"],
               breakpoints),
    ]
    if args.xdebug:
        main.append(Config("Xdebug 3 debug mode, no IDE",
                           plain + ["-d", "zend_extension=" + args.xdebug,
                                    "-d", "xdebug.mode=debug"]))
    if args.phpdbg:
        main.append(Config("phpdbg -qrr", [args.phpdbg, "-n", "-qrr"]))
    stepping = Config("stepping (in at every statement)",
                      loaded + ["-d", "lucentdebug.enabled=4"], check_output=False)
    return main, stepping


def environment():
    return {k: v for k, v in os.environ.items()
            if not k.startswith("LUDBG_") and not k.startswith("XDEBUG")}


def run(cmd, stdin, env, wrapper=()):
    result = subprocess.run(list(wrapper) + cmd, input=stdin, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, env=env, timeout=1800)
    if result.returncode != 0:
        raise SystemExit("failed: %s\n%s" % (" ".join(cmd), result.stderr.decode()))
    return result.stdout


def wall_times(script, jobs, empty, runs, env):
    """Best elapsed time of each (configuration, work count) job, net of its
    start-up; runs interleave so that load from elsewhere spreads over all
    alike."""
    best = {}
    outputs = {}
    for _ in range(runs):
        for config, count in jobs:
            for path, arguments, key in ((script.path, [str(count)], "work"),
                                         (empty, [], "empty")):
                start = time.perf_counter()
                out = run(config.prefix + [path] + arguments, config.stdin(script), env)
                elapsed = time.perf_counter() - start
                best[config.name, key] = min(best.get((config.name, key), elapsed), elapsed)
                if key == "work":
                    outputs[config.name] = out
    expected = outputs[jobs[0][0].name]
    for config, _ in jobs[1:]:
        if config.check_output and not outputs[config.name].endswith(expected):
            raise SystemExit("%s, %s: output differs from the plain run" % (script.name,
                                                                           config.name))
    return {config.name: best[config.name, "work"] - best[config.name, "empty"]
            for config, _ in jobs}


def instructions(script, count, empty, config_list, env, prefix=""):
    """Instructions each configuration executes, net of its start-up, keyed
    by prefix and configuration name."""
    counts = {}
    with tempfile.TemporaryDirectory() as folder:
        out_file = os.path.join(folder, "callgrind.out")
        wrapper = ["valgrind", "--tool=callgrind", "-q", "--callgrind-out-file=" + out_file]
        for config in config_list:
            total = {}
            for path, arguments, key in ((script.path, [str(count)], "work"),
                                         (empty, [], "empty")):
                run(config.prefix + [path] + arguments, config.stdin(script), env, wrapper)
                with open(out_file, encoding="utf-8", errors="replace") as handle:
                    total[key] = int(re.search(r"^summary:\s*(\d+)", handle.read(),
                                               re.M).group(1))
            counts[prefix + config.name] = total["work"] - total["empty"]
    return counts


def deep_stop(args, env):
    plain = [args.php, "-n"]
    loaded = plain + ["-d", "extension=" + args.module, "-d", "lucentdebug.enabled=4"]
    jobs = [("plain", plain, b""), ("go only", loaded, b"go\ngo\n"),
            ("stop", loaded, b"go\nlocals\nframes\npinfo 0 $v500\ngo\n")]
    best = {}
    outputs = {}
    for _ in range(args.runs * 3):
        for name, prefix, stdin in jobs:
            start = time.perf_counter()
            outputs[name] = run(prefix + [DEEP], stdin, env)
            elapsed = time.perf_counter() - start
            best[name] = min(best.get(name, elapsed), elapsed)
    if outputs["stop"].count(b"Name:") < 1000:
        raise SystemExit("deep.php: locals did not list the scope")
    print("\nOne stop in deep.php (30 frames, 1,000 variables): locals, frames, pinfo: "
          "%.1f ms (ratio %.3f to the plain run)"
          % ((best["stop"] - best["go only"]) * 1000, best["stop"] / best["plain"]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--php", default="php")
    parser.add_argument("--module", required=True)
    parser.add_argument("--empty-hooks", help="Zend extension with hooks that do nothing")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--quick", action="store_true",
                        help="a tenth of the work, two runs, no set-up: a smoke run")
    parser.add_argument("--no-setup", action="store_true",
                        help="install nothing; leave out what is missing")
    args = parser.parse_args()
    # php looks for relative extension paths in its own extension folder.
    args.module = os.path.abspath(args.module)
    if args.empty_hooks:
        args.empty_hooks = os.path.abspath(args.empty_hooks)
    if not (args.quick or args.no_setup):
        ensure_packages()
    extension_dir = subprocess.run([args.php, "-n", "-r", "echo ini_get('extension_dir');"],
                                   stdout=subprocess.PIPE, check=True).stdout.decode()
    args.xdebug = os.path.join(extension_dir, "xdebug.so")
    if not os.path.exists(args.xdebug):
        args.xdebug = None
    args.phpdbg = shutil.which("phpdbg8.2") or shutil.which("phpdbg")
    use_callgrind = shutil.which("valgrind") is not None
    if args.quick:
        args.runs = 2
        for script in SCRIPTS:
            script.count //= 10
            script.callgrind_count //= 10
            script.step_count //= 10
            script.step_callgrind_count //= 10
    env = environment()
    main_configs, stepping = configs(args)

    rows = []
    with tempfile.NamedTemporaryFile("w", suffix=".php") as empty:
        empty.write("<?php\n$unused = 0;\n")
        empty.flush()
        for script in SCRIPTS:
            print("%s: %d wall-time runs of each configuration..." % (script.name, args.runs),
                  flush=True)
            jobs = [(config, script.count) for config in main_configs]
            wall = wall_times(script, jobs + [(stepping, script.step_count)], empty.name,
                              args.runs, env)
            ir = None
            if use_callgrind:
                print("%s: callgrind..." % script.name, flush=True)
                ir = instructions(script, script.callgrind_count, empty.name, main_configs, env)
                ir.update(instructions(script, script.step_callgrind_count, empty.name,
                                       [main_configs[0], stepping], env, "step "))
            base = main_configs[0].name
            print("%s: plain %.3f s net wall for %d units, %s instructions net for %d units"
                  % (script.name, wall[base], script.count,
                     "{:,}".format(ir[base]) if ir else "no", script.callgrind_count),
                  flush=True)
            for config in main_configs:
                rows.append((script.name, config.name, wall[config.name] / wall[base],
                             ir[config.name] / ir[base] if ir else None))
            # Stepping runs less work; its wall time compares per unit of work.
            step_wall = (wall[stepping.name] / script.step_count) / (wall[base] / script.count)
            step_ir = ir["step " + stepping.name] / ir["step " + base] if ir else None
            rows.append((script.name, "%s, %d units (wall), %d (Ir)" % (
                stepping.name, script.step_count, script.step_callgrind_count),
                step_wall, step_ir))

    print("\nRatios to plain php -n, net of start-up (wall: best of %d interleaved runs; "
          "Ir: callgrind instruction counts)\n" % args.runs)
    print("| Script | Mode | wall ratio | Ir ratio |")
    print("|---|---|---|---|")
    for script, mode, wall_ratio, ir_ratio in rows:
        print("| %s | %s | %.3f | %s |" % (script, mode, wall_ratio,
                                           "%.3f" % ir_ratio if ir_ratio is not None else "-"))
    missing = [name for name, found in (("Xdebug", args.xdebug), ("phpdbg", args.phpdbg),
                                        ("valgrind", use_callgrind)) if not found]
    if missing:
        print("\nnot measured (not installed): %s" % ", ".join(missing))
    deep_stop(args, env)


if __name__ == "__main__":
    sys.exit(main())
