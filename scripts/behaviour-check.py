#!/usr/bin/env python3
"""Behaviour preservation of lucentdebug over php's own tests (not in CI).

Runs php-src's Zend/tests and tests/ with its run-tests.php twice against the
installed php: plain (-n) and with the extension loaded in mode 1 (hooks on,
no front end), and lists every test whose outcome (PASS, FAIL, SKIP, BORK, ...)
differs between the two runs. Tests that list the loaded extensions, their
functions or settings are expected to differ and are marked so; nothing is
left out.

  scripts/fetch-php-source.sh          # once: php-src into /tmp/php8.2-src
  bash scripts/build.sh && scripts/behaviour-check.py
  bash scripts/build.sh --sanitize && scripts/behaviour-check.py \
      --module build-asan/ext/LucentDebug/lucentdebug.so --preload auto

The output and diff of each test that does not pass are kept under --keep
(plain/ and module/), for reading why. With a sanitizer build (--preload) both
runs preload the sanitizer runtime and switch php's allocator off, and every
sanitizer report in the module run is listed.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from php_tests import SANITIZER_MARKS, argument_parser, environment, resolve  # noqa: E402

# What a test calls to print the extensions php has loaded, or what they add.
LISTS_EXTENSIONS = re.compile(
    rb"get_loaded_extensions|phpinfo\s*\(|ini_get_all\s*\(|get_defined_functions|"
    rb"get_defined_constants\s*\(\s*true|get_declared_classes|ReflectionExtension|"
    rb"get_extension_funcs|['\"]-m['\"]")


def kept_path(keep_dir, label, test, suffix):
    """Where a run's file of a test is kept; tests outside the source folder
    (named with "..") stay inside keep_dir too."""
    return os.path.join(keep_dir, label, test[:-len(".phpt")].replace("..", "up") + suffix)


def run_suite(args, label, php_options, keep_dir):
    """One run-tests.php run; returns {test path: result}."""
    results_file = os.path.join(tempfile.mkdtemp(), "results.txt")
    cmd = [args.php, "-n", os.path.join(args.src, "run-tests.php"), "-q", "--no-color",
           "--no-progress", "-j%d" % args.jobs, "-p", args.php, "-W", results_file,
           "--set-timeout", str(args.timeout)] + php_options + args.dirs
    env = environment(args.preload)
    env.update({"TEST_PHP_EXECUTABLE": args.php, "NO_INTERACTION": "1",
                "SKIP_ONLINE_TESTS": "1", "SKIP_IO_CAPTURE_TESTS": "1"})
    print("%s run: %s" % (label, " ".join(cmd)), flush=True)
    start = time.monotonic()
    log_path = os.path.join(keep_dir, label + ".log")
    with open(log_path, "wb") as log:
        subprocess.run(cmd, cwd=args.src, env=env, stdout=log, stderr=subprocess.STDOUT,
                       stdin=subprocess.DEVNULL)
    results = {}
    with open(results_file, encoding="utf-8", errors="replace") as handle:
        for line in handle:
            result, _, test = line.rstrip("\n").partition("\t")
            results[os.path.relpath(test, args.src)] = result
    shutil.rmtree(os.path.dirname(results_file))
    # Keep what run-tests left beside each failing test before the next run
    # overwrites it.
    for test, result in results.items():
        if result in ("PASSED", "SKIPPED"):
            continue
        stem = os.path.join(args.src, test)[:-len(".phpt")]
        for suffix in (".out", ".diff", ".exp", ".log"):
            if os.path.exists(stem + suffix):
                target = kept_path(keep_dir, label, test, suffix)
                os.makedirs(os.path.dirname(target), exist_ok=True)
                shutil.copyfile(stem + suffix, target)
    print("  %d tests in %.0f s (log %s)" % (len(results), time.monotonic() - start, log_path),
          flush=True)
    return results


def sanitizer_reports(keep_dir, label, results):
    """Tests whose kept output (run-tests keeps it for every test that did not
    pass) holds a sanitizer report."""
    reports = set()
    for test, result in results.items():
        path = kept_path(keep_dir, label, test, ".out")
        if result in ("PASSED", "SKIPPED") or not os.path.exists(path):
            continue
        with open(path, "rb") as handle:
            if any(mark in handle.read() for mark in SANITIZER_MARKS):
                reports.add(test)
    return reports


def count(results):
    counts = {}
    for result in results.values():
        counts[result] = counts.get(result, 0) + 1
    return " ".join("%s %d" % item for item in sorted(counts.items()))


def main():
    parser = argument_parser(__doc__.split("\n\n")[0])
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--timeout", type=int, default=120, help="seconds per test")
    parser.add_argument("--keep", default=os.path.join(tempfile.gettempdir(),
                                                       "behaviour-check"))
    parser.add_argument("dirs", nargs="*", default=["Zend/tests", "tests"],
                        help="test folders or files, relative to the source folder")
    args = resolve(parser.parse_args())
    args.php = os.path.abspath(shutil.which(args.php) or args.php)
    shutil.rmtree(args.keep, ignore_errors=True)
    os.makedirs(args.keep)

    plain = run_suite(args, "plain", ["-n"], args.keep)
    module = run_suite(args, "module", ["-n", "-d", "extension=" + args.module,
                                        "-d", "lucentdebug.enabled=1"], args.keep)

    reports = sanitizer_reports(args.keep, "module", module)
    differing = []
    for test in sorted(set(plain) | set(module)):
        before, after = plain.get(test, "MISSING"), module.get(test, "MISSING")
        if before != after:
            with open(os.path.join(args.src, test), "rb") as handle:
                found = LISTS_EXTENSIONS.search(handle.read())
            note = ("expected: lists loaded extensions (%s)" % found.group(0).decode()
                    if found else "")
            if test in reports:
                note = "sanitizer report"
            differing.append((test, before, after, note))

    print()
    print("plain:       %d tests: %s" % (len(plain), count(plain)))
    print("module (1):  %d tests: %s" % (len(module), count(module)))
    expected = sum(1 for entry in differing if entry[3].startswith("expected"))
    print("outcomes that differ: %d (%d of them expected, %d unexpected)"
          % (len(differing), expected, len(differing) - expected))
    if args.preload:
        print("sanitizer reports in the module run: %d%s" % (
            len(reports), "".join("\n  " + test for test in sorted(reports))))
    if differing:
        print("\n%-60s %-8s %-8s %s" % ("test", "plain", "module", "note"))
        for test, before, after, note in differing:
            print("%-60s %-8s %-8s %s" % (test, before, after, note))
        print("\noutputs and diffs of tests that did not pass: %s/{plain,module}/" % args.keep)
    return 1 if len(differing) > expected or reports else 0


if __name__ == "__main__":
    sys.exit(main())
