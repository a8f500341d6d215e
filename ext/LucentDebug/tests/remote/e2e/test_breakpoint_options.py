"""Conditions and temporary breakpoints of "Requester.addBreakpoint" on a real script."""

import unittest
import xmlrpc.client

from remote_session import PhpRun, main, script

LOOP = script("loop.php")
INSIDE_LINE = 3  # $seen = $i * 10;, run once for each $i from 1 to 4


def next_stop_frames(port, cookie):
    """Frames of the next stop, or None when the request ends first: a call made
    while the script runs is answered at its next stop, and the port closes at
    its end."""
    proxy = xmlrpc.client.ServerProxy("http://127.0.0.1:%d/RPC2" % port)
    try:
        return proxy.Requester.getFrames({"cookie": cookie})["frames"]
    except (ConnectionError, OSError, xmlrpc.client.ProtocolError):
        return None


class BreakpointOptions(unittest.TestCase):
    def values_of_i_at_stops(self, cond="", temporary=False, remove_after_first=False):
        """Runs the loop with one breakpoint inside visit(); the $i of every stop."""
        with PhpRun(LOOP, mode=3) as php:
            port, cookie = php.handshake()
            number = php.call("addBreakpoint", file=LOOP, lineno=INSIDE_LINE, temporary=temporary,
                              cond=cond)["breakpointNumber"]
            self.assertGreater(number, 0)
            seen = []
            php.call("resumeExecution", request=4)
            while len(seen) <= 4:
                frames = next_stop_frames(port, cookie)
                if frames is None:
                    break
                self.assertEqual(frames[0]["lineno"], INSIDE_LINE)
                info = php.call("getDebugPropertyInfo", frame_index=0, expr="$i", radix=10)
                seen.append(info["propertyInfo"]["value"])
                if remove_after_first:
                    php.call("removeBreakpoint", breakpointNumber=number)
                php.call("resumeExecution", request=4)
            status, out, _ = php.finish()
            self.assertEqual(status, 0)
            return seen, out

    def test_without_condition_every_pass_stops(self):
        seen, out = self.values_of_i_at_stops()
        self.assertEqual(seen, ["1", "2", "3", "4"])
        self.assertEqual(out, "sum=100\n")

    def test_condition_stops_only_where_it_holds(self):
        seen, out = self.values_of_i_at_stops(cond="$i == 3")
        self.assertEqual(seen, ["3"])
        self.assertEqual(out, "sum=100\n")

    def test_condition_counts_by_php_truth(self):
        seen, _ = self.values_of_i_at_stops(cond="$i % 2")
        self.assertEqual(seen, ["1", "3"])

    def test_condition_that_never_holds_never_stops(self):
        seen, out = self.values_of_i_at_stops(cond="$i > 10")
        self.assertEqual(seen, [])
        self.assertEqual(out, "sum=100\n")

    def test_temporary_breakpoint_stops_once(self):
        seen, _ = self.values_of_i_at_stops(temporary=True)
        self.assertEqual(seen, ["1"])

    def test_temporary_breakpoint_with_condition_goes_at_the_stop_it_makes(self):
        seen, _ = self.values_of_i_at_stops(cond="$i >= 2", temporary=True)
        self.assertEqual(seen, ["2"])

    def test_condition_that_fails_stops_with_a_message(self):
        seen, out = self.values_of_i_at_stops(cond="$i ==", remove_after_first=True)
        self.assertEqual(seen, ["1"])
        self.assertIn("\nPHP Breakpoint condition error:  $i == cannot be evaluated in %s on line %d\n"
                      % (LOOP, INSIDE_LINE), out)
        self.assertTrue(out.endswith("sum=100\n"), out)

    def test_condition_errors_are_not_shown_as_script_errors(self):
        # An undefined variable in a condition is false, quietly.
        seen, out = self.values_of_i_at_stops(cond="$missing == 1")
        self.assertEqual(seen, [])
        self.assertEqual(out, "sum=100\n")


if __name__ == "__main__":
    main()
