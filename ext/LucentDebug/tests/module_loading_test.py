#!/usr/bin/env python3
"""The module loads and debugs in every way php can load it: as extension= and
as zend_extension=, before and after opcache (with opcache.enable_cli on and
off), with and without RTLD_DEEPBIND. Each combination runs the same console
session over module_loading/script.php and must stop exactly as expected."""
import argparse
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import phprun  # noqa: E402

ARGS = None
HERE = os.path.dirname(os.path.abspath(__file__))
CASE = os.path.join(HERE, "module_loading")


def read(name):
    with open(os.path.join(CASE, name), encoding="utf-8") as handle:
        return handle.read()


def session(load, opcache, deep_bind, enable_cli):
    """Output of the console session in one loading combination."""
    module = ["-d", "%s=%s" % (load, ARGS.module)]
    if opcache == "before":
        extensions = ["-d", "zend_extension=opcache"] + module
    elif opcache == "after":
        extensions = module + ["-d", "zend_extension=opcache"]
    else:
        extensions = module
    settings = ["-d", "lucentdebug.enabled=4"]
    if opcache:
        settings += ["-d", "opcache.enable_cli=%d" % enable_cli]
    env = {}
    if not deep_bind and not ARGS.preload:
        env["LD_PRELOAD"] = ARGS.no_deep_bind
    cmd = [ARGS.php, "-n"] + extensions + settings + ["script.php"]
    result = subprocess.run(cmd, input=read("input.txt").encode(), stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, env=phprun.environment(ARGS, env), cwd=CASE,
                            timeout=30)
    return result


def combinations():
    # A sanitizer build runs only without RTLD_DEEPBIND (its runtime refuses
    # the flag; the preload that drops it is already in place).
    binds = [False] if ARGS.preload else [True, False]
    for load in ("extension", "zend_extension"):
        for deep_bind in binds:
            yield load, None, deep_bind, 0
            for opcache in ("before", "after"):
                for enable_cli in (0, 1):
                    yield load, opcache, deep_bind, enable_cli


class LoadingMatrix(unittest.TestCase):
    def test_every_combination_stops_and_steps_alike(self):
        expected = read("expected.txt").replace("%DIR%", CASE)
        for load, opcache, deep_bind, enable_cli in combinations():
            label = "%s opcache=%s deep_bind=%s enable_cli=%d" % (load, opcache, deep_bind,
                                                                  enable_cli)
            with self.subTest(label):
                result = session(load, opcache, deep_bind, enable_cli)
                stderr = result.stderr.decode("utf-8", "replace")
                self.assertEqual(result.returncode, 0, stderr)
                self.assertNotIn("AddressSanitizer", stderr)
                self.assertEqual(result.stdout.decode("utf-8", "replace"), expected, stderr)

    def test_opcache_caches_the_script_when_enabled(self):
        # Guards the matrix itself: opcache must really be active in the
        # enable_cli=1 rows, or they would repeat the rows without it.
        probe = "<?php var_dump(opcache_get_status() !== false);"
        result = subprocess.run([ARGS.php, "-n", "-d", "zend_extension=opcache", "-d",
                                 "opcache.enable_cli=1", "-d", "extension=%s" % ARGS.module],
                                input=probe.encode(), stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, env=phprun.environment(ARGS))
        self.assertEqual(result.stdout.decode(), "bool(true)\n", result.stderr.decode())


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    phprun.add_arguments(parser)
    parser.add_argument("--no-deep-bind", required=True)
    ARGS, remaining = parser.parse_known_args()
    unittest.main(argv=sys.argv[:1] + remaining)
