"""What crosses the remote front end's boundaries: characters beyond U+FFFF in
both directions, a 20,000-variable scope read by the reference client, the
interfaces a cookie-less waiting request listens on, and the output socket,
which programs the script starts must not inherit."""

import os
import shutil
import socket
import tempfile
import time
import unittest

from remote_session import PhpRun, main, read_all, script, values

GRIN = "\U0001F600"
WIDE = "\U00020000"


def listening_address(port):
    """The IPv4 address a socket listening on `port` is bound to, or None."""
    with open("/proc/net/tcp") as table:
        next(table)
        for line in table:
            fields = line.split()
            address, bound_port = fields[1].split(":")
            if int(bound_port, 16) == port and fields[3] == "0A":
                return socket.inet_ntoa(bytes.fromhex(address)[::-1])
    return None


class WideCharacters(unittest.TestCase):
    def test_values_names_files_and_source_travel_intact(self):
        with tempfile.TemporaryDirectory() as directory:
            folder = os.path.join(directory, "dir" + GRIN)
            os.mkdir(folder)
            path = os.path.join(folder, "wide" + WIDE + ".php")
            shutil.copy(script("wide_chars.php"), path)
            with PhpRun(path, mode=3) as php:
                php.handshake()
                php.call("addBreakpoint", file=path, lineno=6, temporary=False, cond="")
                php.call("resumeExecution", request=4)
                frame = php.call("getFrames")["frames"][0]
                self.assertEqual((frame["file"], frame["lineno"]), (path, 6))
                scope = values(php.call("getContext", context="locals", frame_index=0, radix=10))
                self.assertEqual(scope["$grin"], ("IS_STRING", "a%sb%sc" % (GRIN, WIDE)))
                self.assertEqual(scope["$" + GRIN], ("IS_STRING", "named"))
                self.assertEqual(scope["$plain"], ("IS_STRING", "\u00e9\u4e2d"))
                source = php.call("getSourceCode", filename=path)["source"]
                self.assertIn("// %s %s in the source too" % (GRIN, WIDE), source)
                php.call("setDebugProperty", context="locals", frame_index=0, lhs="$plain",
                         rhs='"x%sy"' % GRIN, radix=10)
                info = php.call("getDebugPropertyInfo", frame_index=0, expr="$plain",
                                radix=10)["propertyInfo"]
                self.assertEqual(info["value"], "x%sy" % GRIN)
                info = php.call("getDebugPropertyInfo", frame_index=0, expr="$" + GRIN,
                                radix=10)["propertyInfo"]
                self.assertEqual(info["value"], "named")
                php.call("resumeExecution", request=4)
                self.assertEqual(php.finish()[:2], (0, "wide done\n"))


class LargeScope(unittest.TestCase):
    def test_reference_client_reads_twenty_thousand_variables(self):
        path = script("many_variables.php")
        with PhpRun(path, mode=3) as php:
            php.handshake()
            php.call("addBreakpoint", file=path, lineno=5, temporary=False, cond="")
            php.call("resumeExecution", request=4)
            scope = values(php.call("getContext", context="locals", frame_index=0, radix=10))
            self.assertEqual(scope["$v19999"], ("IS_STRING", "value 19999"))
            self.assertGreaterEqual(len(scope), 20000)
            php.call("resumeExecution", request=4)
            self.assertEqual(php.finish()[:2], (0, "made 20000\n"))


class WaitingInterfaces(unittest.TestCase):
    def wait_listening(self, php):
        deadline = time.monotonic() + 20
        while listening_address(php.port) is None and time.monotonic() < deadline:
            time.sleep(0.05)
        return listening_address(php.port)

    def test_without_a_cookie_only_loopback_is_served_and_a_warning_says_so(self):
        with PhpRun(script("typical.php"), mode=2, signalled=False) as php:
            self.assertEqual(self.wait_listening(php), "127.0.0.1")
            php.connect("")
            php.call("resumeExecution", request=4)
            status, out, err = php.finish()
        self.assertEqual((status, out), (0, "count=6 name=lucent\n"))
        self.assertIn("LUDBG: ", err)
        self.assertIn("127.0.0.1", err)

    def test_with_a_cookie_every_interface_is_served(self):
        with PhpRun(script("typical.php"), mode=2, cookie="s3cret", signalled=False) as php:
            self.assertEqual(self.wait_listening(php), "0.0.0.0")
            php.connect("s3cret")
            php.call("resumeExecution", request=4)
            status, out, err = php.finish()
        self.assertEqual((status, out), (0, "count=6 name=lucent\n"))
        self.assertNotIn("LUDBG: ", err)


class OutputSocket(unittest.TestCase):
    def test_programs_the_script_starts_do_not_inherit_it(self):
        with socket.socket() as listener:
            listener.bind(("127.0.0.1", 0))
            listener.listen(1)
            with PhpRun(script("spawn.php"), mode=3) as php:
                php.handshake()
                php.call("redirectStdout", port=listener.getsockname()[1])
                listener.settimeout(20)
                output, _ = listener.accept()
                php.call("resumeExecution", request=4)
                self.assertEqual(php.finish()[:2], (0, "spawned\n"))
                ended = time.monotonic()
                output.settimeout(20)
                with output:
                    received = read_all(output)
                # The background sleep lives on for seconds; the socket closed with php.
                self.assertLess(time.monotonic() - ended, 3)
                self.assertEqual(received, b"spawned\n")


if __name__ == "__main__":
    main()
