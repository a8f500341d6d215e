"""Why the script stopped, exception and function breakpoints, paged and
described variables and honest assignments, on real scripts."""

import unittest
import xmlrpc.client

from remote_session import PhpRun, main, script

STOPS = script("stops.php")
SOURCE = open(STOPS).read().splitlines()


def line_of(text):
    """The 1-based line of stops.php holding `text`."""
    return next(i + 1 for i, line in enumerate(SOURCE) if text in line)


def where(php):
    """(qualified frame names, line of the innermost frame) of the stop."""
    frames = php.call("getFrames")["frames"]
    return [f["qualifiedName"] for f in frames], frames[0]["lineno"]


def go(php):
    php.call("resumeExecution", request=4)
    return php.call("getStopInfo")


def children(php, expr, **members):
    return php.call("getChildrenInfos", context="locals", frame_index=0, parent_expr=expr,
                    radix=10, **members)["propertyInfo"]


class StopInfo(unittest.TestCase):
    def test_each_stop_says_why(self):
        with PhpRun(STOPS, mode=3) as php:
            php.handshake()
            self.assertEqual(php.call("getStopInfo")["reason"], "entry")
            php.call("resumeExecution", request=1)
            self.assertEqual(php.call("getStopInfo")["reason"], "step")
            number = php.call("addBreakpoint", file=STOPS, lineno=line_of('$big = range'),
                              temporary=False, cond="")["breakpointNumber"]
            # The notice of trigger_error first: type, message and place; its
            # frame is shown once.
            info = go(php)
            self.assertEqual((info["reason"], info["type"], info["message"], info["line"]),
                             ("error", "Notice", "told", line_of("trigger_error")))
            self.assertEqual(info["file"], STOPS)
            self.assertEqual(where(php), (["__main__"], line_of("trigger_error")))
            info = go(php)
            self.assertEqual((info["reason"], info["breakpoint"]), ("breakpoint", number))
            php.call("resumeExecution", request=0)
            _, out, _ = php.finish()
            # The error reaches the output once, in the debugger's words.
            self.assertEqual(out.count("told"), 1, out)
            self.assertIn("\nPHP Notice:  told in %s on line %d\n"
                          % (STOPS, line_of("trigger_error")), out)


class ExceptionStops(unittest.TestCase):
    def stops(self, path=STOPS, **filter_members):
        """(class, message, line, frames) of each exception stop."""
        seen = []
        with PhpRun(path, mode=3) as php:
            port, cookie = php.handshake()
            # Without the reference client's patience: the port closes at the end.
            proxy = xmlrpc.client.ServerProxy("http://127.0.0.1:%d/RPC2" % port)
            php.call("setExceptionBreakpoints", **filter_members)
            while True:
                php.call("resumeExecution", request=4)
                try:
                    info = proxy.Requester.getStopInfo({"cookie": cookie})
                except (ConnectionError, OSError, xmlrpc.client.ProtocolError):
                    break
                if info["reason"] == "exception":
                    names, line = where(php)
                    seen.append((info["type"], info["message"], line, names))
                    self.stop_places.append((info["file"], info["line"]))
            status, out, _ = php.finish()
            self.assertIn("caught\n", out)
            self.output = out
            return seen

    def setUp(self):
        self.stop_places = []

    def test_uncaught_stops_at_the_throw_with_the_whole_stack(self):
        throw = line_of("throw new NotFound")
        self.assertEqual(self.stops(uncaught=True),
                         [("App\\Model\\NotFound", "no user 3", throw,
                           ["App\\Model\\find", "__main__"])])

    def test_all_stops_at_caught_ones_too_and_classes_filter(self):
        throw = line_of("throw new NotFound")
        self.assertEqual([s[1] for s in self.stops(all=True)], ["no user 2", "no user 3"])
        # An interface, namespaced, any case, leading "\" or not.
        self.assertEqual(len(self.stops(all=True, classes=["\\app\\model\\MARKED"])), 2)
        self.assertEqual(self.stops(all=True, classes=["LogicException"]), [])
        self.assertEqual(self.stops(uncaught=True, classes=["RuntimeException"])[0][2], throw)

    def test_without_a_filter_nothing_changes(self):
        self.assertEqual(self.stops(), [])

    def test_parse_errors_stop_as_exceptions_where_the_code_is_compiled(self):
        path = script("parse_errors.php")
        broken = script("broken_syntax.inc")
        caught = ("ParseError", 'syntax error, unexpected token ";"', 3, ["__main__"])
        uncaught = ("ParseError", 'syntax error, unexpected token ";"', 7, ["__main__"])
        self.assertEqual(self.stops(path, all=True), [caught, uncaught])
        self.assertEqual(self.stop_places[1], (broken, 2))
        self.stop_places = []
        self.assertEqual(self.stops(path, uncaught=True), [uncaught])
        # The host still reports the uncaught one, once, and nothing else stops.
        self.assertEqual(self.output.count("Parse error"), 1, self.output)
        self.assertNotIn("not reached", self.output)


class FunctionBreakpoints(unittest.TestCase):
    def test_methods_and_functions_by_name_with_condition(self):
        with PhpRun(STOPS, mode=3) as php:
            php.handshake()
            make = php.call("addFunctionBreakpoint", name="APP\\Model\\user::make")
            save = php.call("addFunctionBreakpoint", name="\\App\\Model\\User->save")
            find = php.call("addFunctionBreakpoint", name="app\\model\\find", cond="$id == 3")
            self.assertEqual(php.call("addFunctionBreakpoint", name=" ")["breakpointNumber"], 0)
            info = go(php)
            self.assertEqual((info["reason"], info["breakpoint"]),
                             ("function", make["breakpointNumber"]))
            self.assertEqual(where(php), (["App\\Model\\User::make", "__main__"],
                                          line_of("return new User")))
            php.call("removeBreakpoint", breakpointNumber=make["breakpointNumber"])
            info = go(php)
            self.assertEqual(info["breakpoint"], save["breakpointNumber"])
            self.assertEqual(where(php)[0][0], "App\\Model\\User->save")
            info = go(php)  # the notice, then find(3): find(2) fails the condition
            self.assertEqual(info["reason"], "error")
            info = go(php)
            self.assertEqual(info["breakpoint"], find["breakpointNumber"])
            value = php.call("getDebugPropertyInfo", frame_index=0, expr="$id", radix=10)
            self.assertEqual(value["propertyInfo"]["value"], "3")


    def test_empty_functions_stop_once_on_entry(self):
        """Also after ludbg_break() under opcache, for a function that ran before it."""
        path = script("empty_functions.php")
        opcache = ["zend_extension=opcache.so", "opcache.enable_cli=1"]
        for settings in ([], opcache):
            with self.subTest(settings), PhpRun(path, mode=1, settings=settings) as php:
                php.handshake()
                empty = php.call("addFunctionBreakpoint", name="nothing")["breakpointNumber"]
                method = php.call("addFunctionBreakpoint", name="Box->open")["breakpointNumber"]
                info = go(php)
                self.assertEqual((info["reason"], info["breakpoint"]), ("function", empty))
                self.assertEqual(where(php), (["nothing", "__main__"], 2))
                info = go(php)
                self.assertEqual((info["reason"], info["breakpoint"]), ("function", method))
                self.assertEqual(where(php), (["Box->open", "__main__"], 5))
                php.call("resumeExecution", request=4)
                self.assertEqual(php.finish()[:2], (0, "done\n"))


class Variables(unittest.TestCase):
    def test_pages_counts_classes_visibility_statics_and_bytes(self):
        with PhpRun(STOPS, mode=3) as php:
            php.handshake()
            php.call("addBreakpoint", file=STOPS, lineno=line_of('echo "before'),
                     temporary=False, cond="")
            php.call("addFunctionBreakpoint", name="App\\Model\\User::save")
            go(php)
            this = php.call("getContext", context="locals", frame_index=0, radix=10)
            record = this["propertyInfo"][0]
            self.assertEqual((record["display"], record["className"], record["namedCount"]),
                             ("App\\Model\\User", "App\\Model\\User", 3))
            props = {p["name"]["name"]: p["visibility"] for p in children(php, "$this")}
            self.assertEqual(props, {"name": "public", "age": "protected", "secret": "private"})
            statics = children(php, "$this", statics=True)
            self.assertEqual([(p["name"]["name"], p["visibility"], p["static"], p["value"])
                              for p in statics],
                             [("count", "public", True, "2"), ("hidden", "private", True, "h")])
            self.assertEqual(children(php, statics[1]["name"]["fullName"]), [])
            go(php)  # the notice
            go(php)
            big = php.call("getDebugPropertyInfo", frame_index=0, expr="$big",
                           radix=10)["propertyInfo"]
            self.assertEqual((big["display"], big["indexedCount"], big["namedCount"]),
                             ("array(10000)", 10000, 0))
            page = children(php, "$big", start=9950, count=100)
            self.assertEqual([p["name"]["name"] for p in page[:2]], ["[9950]", "[9951]"])
            self.assertEqual(len(page), 50)
            self.assertEqual(len(children(php, "$big")), 10000)
            bad = php.call("getDebugPropertyInfo", frame_index=0, expr="$bad",
                           radix=10)["propertyInfo"]
            self.assertEqual(bad["display"], "bad\\xff\\xfe(bytes")
            with self.assertRaises(xmlrpc.client.Fault):
                children(php, "$big", start=-1)
            php.call("resumeExecution", request=0)


class Assignments(unittest.TestCase):
    def test_private_properties_are_assigned_and_failures_are_faults(self):
        with PhpRun(STOPS, mode=3) as php:
            php.handshake()
            php.call("addBreakpoint", file=STOPS, lineno=line_of("$u->save(1)"),
                     temporary=False, cond="")
            go(php)

            def assign(lhs, rhs):
                return php.call("setDebugProperty", context="locals", frame_index=0, lhs=lhs,
                                rhs=rhs, radix=10)

            self.assertEqual(assign("$u->secret", '"new" . 1'), {"setResultString": ""})
            value = php.call("getDebugPropertyInfo", frame_index=0, expr="$u->secret", radix=10)
            self.assertEqual(value["propertyInfo"]["value"], "new1")
            for lhs, rhs in (("$u->secret", '"open'), ("$u->", "1"), ("$big[", "2")):
                with self.assertRaises(xmlrpc.client.Fault) as fault:
                    assign(lhs, rhs)
                self.assertEqual(fault.exception.faultCode, 2)
            self.assertEqual(assign("$x", "41 + 1"), {"setResultString": ""})
            value = php.call("getDebugPropertyInfo", frame_index=0, expr="$x", radix=10)
            self.assertEqual(value["propertyInfo"]["value"], "42")
            php.call("resumeExecution", request=0)


if __name__ == "__main__":
    main()
