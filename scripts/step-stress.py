#!/usr/bin/env python3
"""Stepping stress for lucentdebug over php's own Zend/tests scripts (not in CI).

Each chosen test's --FILE-- section runs plain twice (its expected output, and
a check that the output is deterministic), then under the console front end
(php -n -d extension=lucentdebug.so -d lucentdebug.enabled=4) fed a seeded
random mix of in/over/out/frames/locals/globals/source/pinfo commands; the end
of input steps to the end. A script fails when php dies of a signal, runs past
the time limit, leaves a sanitizer report on stderr, or when its own output or
exit status differs from the plain run (both without the host's displays of
errors: while attached, the engine shows an error that stops in its own
words). Extensions a test lists that php -n
lacks are loaded from php's extension folder when installed there (opcache as a
Zend extension), as run-tests.php does.

  scripts/fetch-php-source.sh                 # once: php-src into /tmp/php8.2-src
  bash scripts/build.sh && scripts/step-stress.py --count 300
  bash scripts/build.sh --sanitize && \\
    scripts/step-stress.py --module build-asan/ext/LucentDebug/lucentdebug.so --preload auto

Separating the script's output from the console's: both reach standard output,
the console's through the C++ stream (flushed at every prompt), the script's
through php's writer. The console prints only while stopped: a stop begins
with a prompt "LINE (FRAMES) : ", every command that does not resume prints
its answer followed by the same prompt again, and a resuming command prints
nothing. Knowing the commands fed, the parser walks the output stop by stop:
text up to a prompt is the script's, each inspection command's answer runs up
to the repeated prompt, and the command that resumes ends the stop. A stop for
an error is preceded by the engine's own "\\nPHP Warning:  ... on line N\\n"
text, which is cut from the end of the script's text before that prompt. A
script that prints digits without a line end right before a stop makes the
prompt's line number ambiguous; the split is chosen that keeps the script's
text a prefix of the plain run's output (a run that already went wrong is
reported whichever split is taken).
"""
import concurrent.futures
import glob
import os
import random
import re
import shutil
import selectors
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from php_tests import SANITIZER_MARKS, argument_parser, environment, resolve  # noqa: E402


# The INI settings run-tests.php gives every test (opcache ones left out).
RUN_TESTS_INI = [
    "output_handler=", "open_basedir=", "disable_functions=", "output_buffering=Off",
    "error_reporting=32767", "display_errors=1", "display_startup_errors=1", "log_errors=0",
    "html_errors=0", "report_memleaks=1", "report_zend_debug=0", "docref_root=",
    "docref_ext=.html", "error_prepend_string=", "error_append_string=", "auto_prepend_file=",
    "auto_append_file=", "ignore_repeated_errors=0", "precision=14", "serialize_precision=-1",
    "memory_limit=128M", "zend.assertions=1", "zend.exception_ignore_args=0",
    "zend.exception_string_param_max_len=15", "short_open_tag=0",
]

# Sections this harness cannot reproduce with a plain command line.
UNSUPPORTED_SECTIONS = {
    "STDIN", "ARGS", "CGI", "POST", "POST_RAW", "GZIP_POST", "DEFLATE_POST", "PUT", "GET",
    "COOKIE", "ENV", "REDIRECTTEST", "CAPTURE_STDIO", "PHPDBG", "FILE_EXTERNAL", "FILEEOF",
    "EXPECTHEADERS", "FLAKY", "HEADERS",
}

PROMPT = re.compile(rb"(\d+) \((\d+)\) : ")
ERROR_STOP_TEXT = re.compile(rb"\nPHP [A-Z][A-Za-z ]{1,40}:  ")
# How the host displays an error (php -n: on standard output, no HTML). While a
# front end is attached an error that stops is shown by the engine's own text
# instead, so both runs are compared without the host's displays.
HOST_ERROR_DISPLAY = re.compile(
    rb"\n(?:PHP )?(?:Fatal error|Warning|Notice|Deprecated|Parse error|Recoverable fatal error"
    rb"|Unknown error):  ?.*? on line \d+\n(?: in [^\n]* on line \d+\n)*", re.S)
RESUMING = {"in", "step", "over", "out", "go", "stop", ""}
# Relative weights of the commands fed at each stop.
COMMAND_WEIGHTS = [("in", 30), ("over", 15), ("out", 6), ("frames", 8), ("locals", 8),
                   ("globals", 5), ("source", 3), ("pinfo", 10)]
VARIABLE = re.compile(rb"\$[A-Za-z_][A-Za-z0-9_]*")


def parse_phpt(path):
    """A .phpt file's sections by name, as bytes."""
    sections = {}
    current = None
    with open(path, "rb") as handle:
        for line in handle:
            match = re.match(rb"^--([A-Z_]+)--\r?\n$", line)
            if match:
                current = match.group(1).decode()
                sections[current] = b""
            elif current is not None:
                sections[current] += line
    return sections


def ini_settings(sections, test_dir):
    """The --INI-- section as -d settings."""
    settings = []
    for raw in sections.get("INI", b"").decode("utf-8", "replace").splitlines():
        line = raw.strip()
        if not line or line.startswith(";"):
            continue
        line = line.replace("{PWD}", test_dir).replace("{TMP}", tempfile.gettempdir())
        settings.append(line)
    return settings


def loaded_extensions(php):
    out = subprocess.run([php, "-n", "-m"], stdout=subprocess.PIPE, check=True).stdout
    return {line.strip().lower() for line in out.decode().splitlines()
            if line.strip() and not line.startswith("[")}


def shared_extensions(php):
    """Extensions installed as shared libraries, which a test may load as
    run-tests.php does; never Xdebug."""
    folder = subprocess.run([php, "-n", "-r", "echo ini_get('extension_dir');"],
                            stdout=subprocess.PIPE, check=True).stdout.decode()
    return {name[:-len(".so")] for name in os.listdir(folder)
            if name.endswith(".so") and name != "xdebug.so"}


def extension_loads(sections, extensions):
    """Settings that load the extensions a test needs and php -n lacks."""
    return ["%s=%s" % ("zend_extension" if name == "opcache" else "extension", name)
            for name in sections.get("EXTENSIONS", b"").decode().lower().split()
            if name not in extensions]


def why_unsupported(sections, extensions, shared):
    if "FILE" not in sections:
        return "no --FILE--"
    unsupported = sorted(UNSUPPORTED_SECTIONS & set(sections))
    if unsupported:
        return "section --%s--" % unsupported[0]
    for name in sections.get("EXTENSIONS", b"").decode().split():
        if name.lower() not in extensions and name.lower() not in shared:
            return "extension %s" % name
    return None


class Runner:
    def __init__(self, args):
        self.args = args
        self.env = environment(args.preload)

    def command(self, settings, script, module):
        cmd = [self.args.php, "-n"]
        if module:
            cmd += ["-d", "extension=" + self.args.module, "-d", "lucentdebug.enabled=4"]
        for setting in RUN_TESTS_INI + settings:
            cmd += ["-d", setting]
        return cmd + [script]

    def php(self, settings, script, timeout):
        """A plain run: status, output, whether time ran out."""
        process = subprocess.Popen(self.command(settings, script, False),
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, env=self.env,
                                   cwd=os.path.dirname(script), start_new_session=True)
        try:
            out, _ = process.communicate(timeout=timeout)
            return process.returncode, out, False
        except subprocess.TimeoutExpired:
            process.kill()
            out, _ = process.communicate()
            return process.returncode, out, True

    def debug(self, settings, script, rng, source):
        """A console run driven by drive_console."""
        process = subprocess.Popen(self.command(settings, script, True), stdin=subprocess.PIPE,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                   env=self.env, cwd=os.path.dirname(script),
                                   start_new_session=True)
        try:
            out, err, sent, timed_out = drive_console(process, rng, source, self.args.timeout)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
            for stream in (process.stdin, process.stdout, process.stderr):
                try:
                    stream.close()
                except BrokenPipeError:
                    pass
        return process.returncode, out, err, sent, timed_out


def choose_command(rng, names, frames):
    """One command for a stop with that many frames; "out" only below the top
    level, where it would run the script to its end."""
    words, weights = zip(*[(w, n) for w, n in COMMAND_WEIGHTS if w != "out" or frames > 1])
    word = rng.choices(words, weights)[0]
    if word == "pinfo":
        word = "pinfo 0 %s" % rng.choice(names).decode()
    return word


def drive_console(process, rng, source, timeout):
    """Answers each prompt with a command until the command budget is spent,
    then closes standard input so that the rest steps to the end. Returns
    standard output, standard error, the commands sent and whether time ran
    out."""
    names = sorted(set(VARIABLE.findall(source))) + [b"$x"]
    budget = rng.randint(20, 300)
    sent = []
    streams = {process.stdout.fileno(): bytearray(), process.stderr.fileno(): bytearray()}
    out = streams[process.stdout.fileno()]
    answered = -1
    deadline = time.monotonic() + timeout
    with selectors.DefaultSelector() as selector:
        for fd in streams:
            selector.register(fd, selectors.EVENT_READ)
        while selector.get_map():
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                process.kill()
                process.wait()
                return bytes(out), bytes(streams[process.stderr.fileno()]), sent, True
            for key, _ in selector.select(min(remaining, 1.0)):
                data = os.read(key.fd, 1 << 16)
                if data:
                    streams[key.fd] += data
                else:
                    selector.unregister(key.fd)
            if process.stdin.closed or len(out) == answered:
                continue
            # A prompt at the very end of the output: php waits for a command.
            prompt = PROMPT.search(out, max(0, len(out) - 40))
            while prompt and prompt.end() != len(out):
                prompt = PROMPT.search(out, prompt.end())
            if not prompt:
                continue
            answered = len(out)
            try:
                if len(sent) >= budget:
                    process.stdin.close()
                    continue
                command = choose_command(rng, names, int(prompt.group(2)))
                process.stdin.write(command.encode() + b"\n")
                process.stdin.flush()
                sent.append(command)
            except BrokenPipeError:
                pass
    process.wait()
    return bytes(out), bytes(streams[process.stderr.fileno()]), sent, False


def strip_error_text(segment):
    """The engine writes an error's text to the page right before stopping."""
    starts = [m.start() for m in ERROR_STOP_TEXT.finditer(segment)]
    return segment[:starts[-1]] if starts else segment


def split_output(output, commands):
    """The console run cut into the script's pieces of text (see the file's
    comment), each with the digits of the prompt that follows it, of which
    the first may be the script's own; and the number of stops."""
    pieces = []
    position = 0
    next_command = 0
    while True:
        match = PROMPT.search(output, position)
        if not match:
            pieces.append((output[position:], b""))
            return pieces, len(pieces) - 1
        pieces.append((strip_error_text(output[position:match.start()]), match.group(1)))
        # The same prompt again, found by its last digit on: the line number's
        # first digits may be the script's.
        prompt = output[match.end(1) - 1:match.end()]
        position = match.end()
        while True:
            if next_command < len(commands):
                command = commands[next_command]
                next_command += 1
            else:
                command = ""
            if command.split(" ")[0] in RESUMING:
                break
            again = output.find(prompt, position)
            if again < 0:
                fallback = PROMPT.search(output, position)
                if not fallback:
                    pieces.append((b"", b""))
                    return pieces, len(pieces) - 1
                position = fallback.end()
            else:
                position = again + len(prompt)


def script_output(pieces, expected):
    """The script's output: the expected one when some choice of the digits
    before each prompt gives it, otherwise the pieces with no digits."""
    reachable = {0}
    for text, digits in pieces:
        following = set()
        for start in reachable:
            for keep in range(max(len(digits), 1)):
                # The line number keeps at least one digit and no leading zero.
                if keep and digits[keep:keep + 1] == b"0":
                    continue
                candidate = text + digits[:keep]
                if expected.startswith(candidate, start):
                    following.add(start + len(candidate))
        reachable = following
    if len(expected) in reachable:
        return expected
    return b"".join(text for text, _ in pieces)


def run_test(runner, path, seed):
    args = runner.args
    sections = parse_phpt(path)
    test_dir = os.path.dirname(path)
    base = os.path.join(test_dir, os.path.basename(path)[:-len(".phpt")])
    settings = extension_loads(sections, runner.extensions) + ini_settings(sections, test_dir)
    result = {"test": os.path.relpath(path, args.src), "status": "passed", "detail": ""}
    written = []

    def write(suffix, text):
        name = base + suffix
        with open(name, "wb") as handle:
            handle.write(text)
        written.append(name)
        return name

    def clean():
        if "CLEAN" in sections:
            runner.php(settings, write(".clean.php", sections["CLEAN"]), 20)

    try:
        if "SKIPIF" in sections:
            _, out, _ = runner.php(settings, write(".skip.php", sections["SKIPIF"]), 20)
            if out.strip().lower().startswith(b"skip"):
                result["status"] = "skipped"
                result["detail"] = "SKIPIF: " + out.strip().decode("utf-8", "replace")[:80]
                return result
        script = write(".php", sections["FILE"])
        plain = []
        for _ in range(2):
            clean()
            code, out, timed_out = runner.php(settings, script, args.plain_timeout)
            if timed_out:
                result["status"] = "skipped"
                result["detail"] = "plain run takes longer than %d s" % args.plain_timeout
                return result
            plain.append((code, out))
        deterministic = plain[0] == plain[1]
        expected_code, expected = plain[0]

        clean()
        rng = random.Random("%s:%s" % (seed, result["test"]))
        code, out, err, commands, timed_out = runner.debug(settings, script, rng,
                                                           sections["FILE"])
        stdin = "".join(c + "\n" for c in commands).encode()
        clean()
        pieces, stops = split_output(out, commands)
        expected = HOST_ERROR_DISPLAY.sub(b"", expected)
        pieces = [(HOST_ERROR_DISPLAY.sub(b"", text), digits) for text, digits in pieces]
        actual = script_output(pieces, expected)
        result["stops"] = stops
        reasons = []
        if timed_out:
            result["status"] = "hung"
            reasons.append("no end after %d s (%d stops)" % (args.timeout, stops))
        elif any(mark in err for mark in SANITIZER_MARKS):
            result["status"] = "sanitizer"
            line = next(l for l in err.splitlines() if any(m in l for m in SANITIZER_MARKS))
            reasons.append(line.decode("utf-8", "replace")[:160])
        elif code < 0 or (code != expected_code and code in (134, 136, 139)):
            result["status"] = "crashed"
            reasons.append("status %d (plain %d) after %d stops" % (code, expected_code, stops))
        elif not deterministic:
            result["status"] = "nondeterministic"
            reasons.append("two plain runs differ; output not compared")
        elif code != expected_code or actual != expected:
            result["status"] = "differs"
            reasons.append("status %d, plain %d; %s" % (code, expected_code,
                                                         first_difference(expected, actual)))
        result["detail"] = "; ".join(reasons)
        if result["status"] not in ("passed", "nondeterministic") and args.keep:
            keep(args.keep, result["test"], sections["FILE"], stdin, expected, out, actual, err)
        return result
    finally:
        for name in written:
            if os.path.exists(name):
                os.unlink(name)


def first_difference(expected, actual):
    index = next((i for i, (a, b) in enumerate(zip(expected, actual)) if a != b),
                 min(len(expected), len(actual)))
    return "first difference at byte %d: plain %r, debugged %r" % (
        index, expected[index:index + 40], actual[index:index + 40])


def keep(folder, test, source, stdin, expected, output, actual, err):
    target = os.path.join(folder, test.replace("/", "_"))
    os.makedirs(target, exist_ok=True)
    for name, text in (("script.php", source), ("input.txt", stdin), ("plain.out", expected),
                       ("console.out", output), ("script.out", actual), ("stderr", err)):
        with open(os.path.join(target, name), "wb") as handle:
            handle.write(text)


def main():
    parser = argument_parser(__doc__.split("\n\n")[0])
    parser.add_argument("--count", type=int, default=400, help="number of scripts to run")
    parser.add_argument("--seed", default="1", help="seed of the choice and the commands")
    parser.add_argument("--timeout", type=int, default=60, help="seconds per debugged run")
    parser.add_argument("--plain-timeout", type=int, default=10)
    parser.add_argument("--jobs", type=int, default=1)
    parser.add_argument("--keep", default=os.path.join(tempfile.gettempdir(),
                                                       "step-stress-failures"),
                        help="folder for the input and output of each failing script")
    parser.add_argument("--match", default="", help="only tests whose name contains this")
    args = resolve(parser.parse_args())
    if args.keep:
        shutil.rmtree(args.keep, ignore_errors=True)

    extensions = loaded_extensions(args.php)
    shared = shared_extensions(args.php)
    eligible, unsupported = [], {}
    for path in sorted(glob.glob(os.path.join(args.src, "Zend", "tests", "**", "*.phpt"),
                                 recursive=True)):
        if args.match and args.match not in path:
            continue
        reason = why_unsupported(parse_phpt(path), extensions, shared)
        if reason:
            unsupported[reason] = unsupported.get(reason, 0) + 1
        else:
            eligible.append(path)
    chosen = sorted(random.Random(args.seed).sample(eligible, min(args.count, len(eligible))))
    print("%d Zend tests, %d runnable here, %d chosen (seed %s); module %s%s"
          % (len(eligible) + sum(unsupported.values()), len(eligible), len(chosen), args.seed,
             args.module, ", preload " + args.preload if args.preload else ""), flush=True)

    runner = Runner(args)
    runner.extensions = extensions
    results = []
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        for result in pool.map(lambda p: run_test(runner, p, args.seed), chosen):
            results.append(result)
            if result["status"] != "passed":
                print("  %-10s %s  %s" % (result["status"], result["test"], result["detail"]),
                      flush=True)

    counts = {}
    for result in results:
        counts[result["status"]] = counts.get(result["status"], 0) + 1
    ran = len(results) - counts.get("skipped", 0)
    print()
    print("scripts run: %d (skipped by SKIPIF or slow plain: %d; not runnable here: %d: %s)"
          % (ran, counts.get("skipped", 0), sum(unsupported.values()),
             ", ".join("%s %d" % item for item in sorted(unsupported.items()))))
    print("stops: %d" % sum(r.get("stops", 0) for r in results))
    for status, label in (("passed", "passed"), ("crashed", "crashed"), ("hung", "hung"),
                          ("sanitizer", "sanitizer reports"), ("differs", "output differences"),
                          ("nondeterministic", "nondeterministic plain output (not compared)")):
        print("%-46s %d" % (label + ":", counts.get(status, 0)))
    failing = [r for r in results if r["status"] in ("crashed", "hung", "sanitizer", "differs")]
    if failing:
        print("\nfailing (inputs and outputs kept under %s):" % args.keep)
        for result in failing:
            print("  %-10s %s" % (result["status"], result["test"]))
    return 1 if failing else 0


if __name__ == "__main__":
    sys.exit(main())
