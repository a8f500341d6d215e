"""The typical remote run and every method of the requester against a real script."""

import socket
import unittest

from remote_session import PhpRun, main, refused, script, values

TYPICAL = script("typical.php")
FIRST_LINE = 6  # $count = 3;
CALL_LINE = 9  # $count = twice($count);
ECHO_LINE = 10
INSIDE_LINE = 3  # $result = $n * 2;


class TypicalRun(unittest.TestCase):
    def test_handshake_breakpoint_frames_context_and_end(self):
        with PhpRun(TYPICAL, mode=3) as run:
            port, cookie = run.handshake()
            self.assertEqual(port, run.port)
            self.assertRegex(cookie, r"^[a-zA-Z0-9]{19}$")
            self.assertEqual(run.call("hello"), {"status": "hello"})
            number = run.call("addBreakpoint", file=TYPICAL, lineno=ECHO_LINE, temporary=False,
                              cond="")["breakpointNumber"]
            self.assertGreater(number, 0)
            self.assertEqual(run.call("resumeExecution", request=4), {})

            frames = run.call("getFrames")["frames"]
            self.assertEqual([(f["file"], f["lineno"], f["where"]) for f in frames],
                             [(TYPICAL, ECHO_LINE, "__main__")])
            context = values(run.call("getContext", context="locals", frame_index=0, radix=10))
            self.assertEqual(context["$count"], ("IS_LONG", "6"))
            self.assertEqual(context["$name"], ("IS_STRING", "lucent"))
            self.assertEqual(run.call("resumeExecution", request=4), {})

            status, out, _ = run.finish()
            self.assertEqual((status, out), (0, "count=6 name=lucent\n"))
            self.assertTrue(refused(run.port))


class EveryMethod(unittest.TestCase):
    """One run stopped inside twice(), called from line 9."""

    @classmethod
    def setUpClass(cls):
        cls.output = socket.socket()
        cls.output.bind(("127.0.0.1", 0))
        cls.output.listen(1)
        cls.php = PhpRun(TYPICAL, mode=3)
        try:
            cls.php.handshake()
            cls.php.call("addBreakpoint", file=TYPICAL, lineno=INSIDE_LINE, temporary=False,
                         cond="")
            cls.php.call("resumeExecution", request=4)
        except BaseException:
            # tearDownClass does not run after a failed setUpClass.
            cls.php.__exit__(None)
            cls.output.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.php.__exit__(None)
        cls.output.close()

    def call(self, method, **members):
        return self.php.call(method, **members)

    def test_a_redirects_answer_empty_structs(self):
        for method in ("redirectStdin", "redirectStderr"):
            self.assertEqual(self.call(method, port=1), {})
        self.assertEqual(self.call("redirectStdout", port=self.output.getsockname()[1]), {})

    def test_frames_innermost_first(self):
        self.assertEqual(self.call("getNumFrames"), {"numFrames": 2})
        frames = self.call("getFrames")["frames"]
        self.assertEqual([(f["lineno"], f["where"]) for f in frames],
                         [(INSIDE_LINE, "twice"), (CALL_LINE, "__main__")])
        self.assertEqual(frames[0]["data"], {"file": "", "lineno": 0, "where": ""})

    def test_source_code_of_the_script_and_of_a_missing_file(self):
        with open(TYPICAL) as source:
            self.assertEqual(self.call("getSourceCode", filename=TYPICAL), {"source": source.read()})
        self.assertEqual(self.call("getSourceCode", filename="/no/such/file.php"),
                         {"source": "# Souce code unavailable"})

    def test_property_info_of_an_expression(self):
        info = self.call("getDebugPropertyInfo", frame_index=0, expr=" $n ", radix=10)
        self.assertEqual(info, {"propertyInfo": {"name": {"name": "$n", "fullName": "$n"},
                                                 "value": "3", "type": "IS_LONG",
                                                 "hasChildren": False, "display": "3"}})

    def test_children_of_an_array_in_the_caller(self):
        children = self.call("getChildrenInfos", context="locals", frame_index=1,
                             parent_expr="$list", radix=10)["propertyInfo"]
        self.assertEqual([(c["name"]["name"], c["name"]["fullName"], c["value"]) for c in children],
                         [('["k"]', '$list["k"]', "1"), ("[5]", "$list[5]", "2")])

    def test_context_names_and_contexts(self):
        self.assertEqual(self.call("getContextNamesAsString", frame_index=0),
                         {"names": "locals globals"})
        local = values(self.call("getContext", context="locals", frame_index=0, radix=10))
        self.assertEqual(local["$n"], ("IS_LONG", "3"))
        self.assertNotIn("$name", local)
        outer = values(self.call("getContext", context="globals", frame_index=0, radix=10))
        self.assertEqual(outer["$name"], ("IS_STRING", "lucent"))

    def test_set_breakpoint_attribute_is_unsupported(self):
        self.assertEqual(self.call("setBreakpointAttribute"), {"supported": False})

    def test_extra_members_are_ignored(self):
        self.assertEqual(self.call("getNumFrames", unused="x", more=3), {"numFrames": 2})

    def test_z_set_property_and_breakpoints_change_the_run(self):
        self.assertEqual(self.call("setDebugProperty", context="", frame_index=0, lhs="$n",
                                   rhs="20", radix=10), {"setResultString": ""})
        number = self.call("addBreakpoint", file=TYPICAL, lineno=ECHO_LINE, temporary=False,
                           cond="")["breakpointNumber"]
        self.assertEqual(self.call("addBreakpoint", file=TYPICAL, lineno=ECHO_LINE,
                                   temporary=False, cond=""), {"breakpointNumber": 0})
        self.assertEqual(self.call("removeBreakpoint", breakpointNumber=number), {})
        self.assertEqual(self.call("resumeExecution", request=4), {})
        status, out, _ = self.php.finish()
        # The removed breakpoint did not stop the run; the new $n did count.
        self.assertEqual((status, out), (0, "count=40 name=lucent\n"))
        copy, _ = self.output.accept()
        with copy:
            copy.settimeout(10)
            self.assertIn(b"count=40", copy.recv(4096))


if __name__ == "__main__":
    main()
