#!/usr/bin/env python3
"""Inspecting a stopped script never changes what the script does. Each
script under side_effects/ reports what it can observe of itself (its error
and exception handlers' calls, its magic methods' calls, what the garbage
collector frees) on standard error; the console session in the .txt beside
it reads variables, properties, children and scopes at its stops. Standard
error must be the same with the session, with the bare stops and without
the debugger."""
import os
import re
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "remote", "e2e"))
import phprun  # noqa: E402
import remote_session  # noqa: E402

ARGS = None
CASES = os.path.join(HERE, "side_effects")

# What each script reports on its own, without the debugger.
EXPECTED = {
    "error_handler": "log after stop: 0\n"
                     "log at end: 2 Undefined variable $undefinedAfterStop | "
                     "outer: Undefined variable $undefinedAfterRestore\n"
                     "uncaught: end, log 2\n",
    "magic_methods": "calls: \n",
    "garbage_cycles": "collected after the call: 2\ncollected: 4\n",
}


def run(name, settings, commands=""):
    return phprun.run(ARGS, settings, name + ".php", commands, cwd=CASES)


def session(name):
    with open(os.path.join(CASES, name + ".txt"), encoding="utf-8") as handle:
        return handle.read()


def bare_stops(commands):
    """The same stops without any inspection: only the breakpoints and go."""
    return "".join(line + "\n" for line in commands.splitlines()
                   if re.match(r"(bp \d+|go)$", line))


class ScriptUnchangedByInspection(unittest.TestCase):
    def check(self, name):
        plain = run(name, [])
        self.assertEqual(plain.stderr.decode(), EXPECTED[name])
        commands = session(name)
        stopped = run(name, ["lucentdebug.enabled=4"], bare_stops(commands))
        inspected = run(name, ["lucentdebug.enabled=4"], commands)
        self.assertEqual(stopped.stderr.decode(), EXPECTED[name])
        self.assertEqual(inspected.stderr.decode(), EXPECTED[name])
        # The session did inspect: its records are in the output.
        self.assertGreater(inspected.stdout.decode().count("Name:     "), 10)

    def test_reading_never_calls_the_error_handlers(self):
        self.check("error_handler")

    def test_reading_never_calls_magic_methods(self):
        self.check("magic_methods")

    def test_reading_leaves_the_garbage_collector_as_it_was(self):
        self.check("garbage_cycles")


class RemoteReadsChangeNothing(unittest.TestCase):
    """The same reads through the XML-RPC methods of the remote front end."""

    def check(self, name, line, expressions, parents):
        remote_session.ARGS = ARGS
        path = os.path.join(CASES, name + ".php")
        with remote_session.PhpRun(path, 3) as run:
            run.handshake()
            run.call("addBreakpoint", file=path, lineno=line, temporary=False, cond="")
            run.call("resumeExecution", request=4)
            self.assertEqual(run.call("getFrames")["frames"][0]["lineno"], line)
            for expression in expressions:
                run.call("getDebugPropertyInfo", frame_index=0, expr=expression, radix=10)
            for parent in parents:
                run.call("getChildrenInfos", context="locals", frame_index=0, parent_expr=parent,
                         radix=10)
            run.call("getContext", context="locals", frame_index=0, radix=10)
            run.call("getContext", context="globals", frame_index=0, radix=10)
            run.call("resumeExecution", request=4)
            _, _, stderr = run.finish()
        self.assertEqual(stderr, EXPECTED[name])

    def test_reading_never_calls_the_error_handlers(self):
        self.check("error_handler", 18, ["$nope", '$arr["missing"]', "$o->missing", "$nope+1"],
                   ["$nope", "$o"])

    def test_reading_never_calls_magic_methods(self):
        self.check("magic_methods", 14, ["$this->virtual", "$this", "$this->secret"],
                   ["$this", "$this->guarded"])


class ReadValues(unittest.TestCase):
    """What the side-effect free reads show."""

    def records(self, name):
        output = run(name, ["lucentdebug.enabled=4"], session(name)).stdout.decode()
        return re.findall(r'Name:     "(.*)"\nFullname: "(.*)"\nType:     "(.*)"\n'
                          r'Value:    "(.*)"\nChildren: (Yes|No)\n', output)

    def test_missing_names_read_as_null_and_bad_expressions_fail(self):
        records = self.records("error_handler")
        by_name = {record[0]: record for record in records}
        for missing in ("$nope", '$arr["missing"]', "$arr['k']['deeper']", "$o->missing"):
            self.assertEqual(by_name[missing][2:4], ("IS_NULL", ""), missing)
        self.assertEqual(by_name["$s[10]"][2:4], ("IS_STRING", ""))
        self.assertEqual(by_name["$nope+1"][2:4], ("IS_LONG", "1"))
        self.assertEqual(by_name["intdiv(1,0)"][2], "IS_UNKNOWN")

    def test_private_and_protected_properties_and_statics_are_read_in_place(self):
        records = self.records("magic_methods")
        by_name = {}
        for record in records:
            by_name.setdefault(record[0], record)
        self.assertEqual(by_name["$this->secret"][2:4], ("IS_STRING", "hidden"))
        self.assertEqual(by_name["$this->guarded['in']"][2:4], ("IS_LONG", "2"))
        self.assertEqual(by_name["$this->virtual"][2:4], ("IS_NULL", ""))
        self.assertEqual(by_name["Magic::$calls"][2:5], ("IS_ARRAY", "", "No"))
        # A class's own __debugInfo is not run: its real properties are listed.
        children = [record[1] for record in records if record[0] in ("plain", "secret", "guarded")]
        self.assertIn("$this->secret", children)
        self.assertIn("$m->guarded", children)


if __name__ == "__main__":
    ARGS, remaining = phprun.parse_known()
    unittest.main(argv=sys.argv[:1] + remaining)
