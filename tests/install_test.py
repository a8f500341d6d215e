#!/usr/bin/env python3
"""Installs the build into a temporary root (cmake --install with DESTDIR) and
runs each installed deliverable from there: stylewarden and stylewarden-ls with
their installed state file, lucentdebug.so loaded by php from its installed place, and the shims
through the installed xpcomhost, which must find their XPCOM layer beside them
($ORIGIN), never in the build tree."""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ARGS = None
PREFIX = "/opt/brightwater"


def run(cmd, **options):
    return subprocess.run(cmd, capture_output=True, text=True, timeout=120, **options)


class Installed(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp()
        env = dict(os.environ, DESTDIR=cls.root)
        result = run(["cmake", "--install", ARGS.build, "--prefix", PREFIX], env=env)
        if result.returncode != 0:
            shutil.rmtree(cls.root)
            raise AssertionError("cmake --install failed:\n" + result.stdout + result.stderr)
        cls.prefix = cls.root + PREFIX

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def installed(self, *parts):
        path = os.path.join(*parts)
        self.assertTrue(os.path.exists(path), path + " was not installed")
        return path

    def assert_no_build_tree_paths(self, binary):
        dynamic = run(["readelf", "-d", binary]).stdout
        for line in dynamic.splitlines():
            if "RPATH" in line or "RUNPATH" in line:
                self.assertNotIn(os.path.realpath(ARGS.build), line, binary)
                self.assertNotIn(ARGS.source, line, binary)

    @unittest.skipUnless(os.environ.get("INSTALL_STYLEWARDEN"), "stylewarden not built")
    def test_stylewarden_checks_an_example_with_its_installed_state_file(self):
        program = self.installed(self.prefix, "bin", "stylewarden")
        states = self.installed(self.prefix, "share", "stylewarden", "xslt10-states.xml")
        self.assert_no_build_tree_paths(program)
        example = os.path.join(ARGS.source, "examples", "empty-choose.xsl")
        result = run([program, states, example], cwd=self.root)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertRegex(result.stdout,
                         r'"xsl:choose" is missing a required child element""" \[5\]')

    @unittest.skipUnless(os.environ.get("INSTALL_STYLEWARDEN"), "stylewarden not built")
    def test_stylewarden_ls_finds_the_installed_state_file_by_itself(self):
        server = self.installed(self.prefix, "bin", "stylewarden-ls")
        # The shipped set: the folder that holds the state file of each XSLT version.
        for version in ("10", "20", "30"):
            self.installed(self.prefix, "share", "stylewarden", "xslt%s-states.xml" % version)
        states = os.path.join(self.prefix, "share", "stylewarden")
        self.assert_no_build_tree_paths(server)
        with open(os.path.join(ARGS.source, "examples", "empty-choose.xsl")) as handle:
            text = handle.read()
        def framed(*messages):
            return "".join("Content-Length: %d\r\n\r\n%s" % (len(body.encode()), body)
                           for body in map(json.dumps, messages)).encode()
        server_process = subprocess.Popen([server], stdin=subprocess.PIPE,
                                          stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                          cwd=self.root)
        try:
            server_process.stdin.write(framed(
                {"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {"capabilities": {}}},
                {"jsonrpc": "2.0", "method": "textDocument/didOpen", "params": {"textDocument": {
                    "uri": "file:///empty-choose.xsl", "languageId": "xslt", "version": 1,
                    "text": text}}}))
            server_process.stdin.flush()
            # Checks run beside the requests: shut down once the diagnostics are in.
            heard = b""
            while b"publishDiagnostics" not in heard:
                chunk = server_process.stdout.read1(65536)
                if not chunk:
                    break
                heard += chunk
            rest, errors = server_process.communicate(
                framed({"jsonrpc": "2.0", "id": 2, "method": "shutdown"},
                       {"jsonrpc": "2.0", "method": "exit"}), timeout=120)
        finally:
            if server_process.poll() is None:
                server_process.kill()
        stdout, stderr = (heard + rest).decode(), errors.decode()
        self.assertEqual(server_process.returncode, 0, stderr)
        self.assertEqual(os.path.realpath(states),
                         os.path.realpath(stderr.split("state file ")[1].split("\n")[0]))
        self.assertRegex(stdout, r'"code":5,"message":"The element \\"xsl:choose\\" is missing')

    @unittest.skipUnless(os.environ.get("INSTALL_LUCENTDEBUG"), "lucentdebug not built")
    def test_php_loads_the_installed_extension_and_its_console_runs(self):
        folder = (self.root + ARGS.extension_dir if os.path.isabs(ARGS.extension_dir)
                  else os.path.join(self.prefix, ARGS.extension_dir))
        module = self.installed(folder, "lucentdebug.so")
        snippet = self.installed(self.prefix, "share", "lucentdebug", "lucentdebug.ini")
        with open(snippet) as handle:
            self.assertIn("extension=lucentdebug.so\n", handle.read())
        script = os.path.join(self.root, "quick.php")
        with open(script, "w") as handle:
            handle.write("<?php\n$a = 1;\necho \"a=$a\\n\";\n")
        env = {k: v for k, v in os.environ.items() if not k.startswith("LUDBG_")}
        if ARGS.preload:
            env["LD_PRELOAD"] = ARGS.preload
            env["ASAN_OPTIONS"] = "detect_leaks=0:verify_asan_link_order=0"
        result = run([ARGS.php, "-n", "-d", "extension=" + module, "-d", "lucentdebug.enabled=4",
                      script], input="go\n", env=env)
        self.assertEqual((result.returncode, result.stdout), (0, "2 (1) : a=1\n"), result.stderr)

    @unittest.skipUnless(os.environ.get("INSTALL_SHIMS"), "shims not built")
    def test_installed_host_loads_the_installed_shims_and_their_layer(self):
        host = self.installed(self.prefix, "bin", "xpcomhost")
        components = os.path.join(self.prefix, "lib", "brightwater")
        layer = self.installed(components, "libxpcomlite.so")
        for name, implementations, contract in (
                ("libregexshim.so", ARGS.regex_impl, "@brightwater.example/quRxEvalManager;1"),
                ("libperldbgshim.so", ARGS.perldbg_impl,
                 "@brightwater.example/quPerlDebuggerListener;1")):
            shim = self.installed(components, name)
            for binary in (host, shim, layer):
                self.assert_no_build_tree_paths(binary)
            # Only the implementation library comes from outside the installation.
            env = dict(os.environ, LD_LIBRARY_PATH=implementations)
            result = run([host, shim], env=env)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertIn(contract, result.stdout)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--php", default="")
    parser.add_argument("--extension-dir", default="")
    parser.add_argument("--preload", default="")
    parser.add_argument("--regex-impl", default="")
    parser.add_argument("--perldbg-impl", default="")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=sys.argv[:1] + rest, verbosity=2)
