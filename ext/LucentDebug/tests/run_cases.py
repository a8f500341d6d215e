#!/usr/bin/env python3
"""Runs one real-script case: a folder with script.php, optional input.txt
(standard input), optional settings.txt (one php -d setting per line; a line
"zend_extension" loads the module that way, a line "zend_alloc" keeps the
host's allocator, which memory_limit needs) and expected.txt (standard output,
with %DIR% standing for the folder). By hand:
  cd CASE && php -n -d extension=lucentdebug.so -d <each setting> script.php < input.txt
"""
import difflib
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import phprun  # noqa: E402


def read(path, default=""):
    if not os.path.exists(path):
        return default
    with open(path, encoding="utf-8") as handle:
        return handle.read()


def main():
    args = phprun.parse(lambda p: p.add_argument("case"))
    case = os.path.abspath(args.case)
    settings = [line.strip() for line in read(os.path.join(case, "settings.txt")).splitlines()
                if line.strip()]
    load = "extension"
    if "zend_extension" in settings:
        settings.remove("zend_extension")
        load = "zend_extension"
    env = None
    if "zend_alloc" in settings:
        # memory_limit needs the host's allocator, also in the sanitizer build.
        settings.remove("zend_alloc")
        env = {"USE_ZEND_ALLOC": "1"}
    result = phprun.run(args, settings, "script.php", read(os.path.join(case, "input.txt")),
                        cwd=case, load=load, env=env)
    expected = read(os.path.join(case, "expected.txt")).replace("%DIR%", case)
    actual = result.stdout.decode("utf-8", "replace")
    stderr = result.stderr.decode("utf-8", "replace")
    if "AddressSanitizer" in stderr or "runtime error:" in stderr or result.returncode < 0:
        print(stderr)
        print("php ended abnormally (status %d)" % result.returncode)
        return 1
    if actual != expected:
        sys.stdout.writelines(difflib.unified_diff(
            expected.splitlines(True), actual.splitlines(True), "expected", "actual"))
        print(stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
