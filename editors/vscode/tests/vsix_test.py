#!/usr/bin/env python3
"""Builds the .vsix with the real adapter and reads it back as VS Code would:
the manifest's debugger program must be the packaged, executable adapter, and
the launch and attach contributions must be whole. Exits 77 (skipped) when node
or @vscode/vsce is not installed."""
import json
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
PACKAGER = os.path.join(os.path.dirname(HERE), "package_vsix.py")
VSCE = os.path.join(os.path.dirname(HERE), "node_modules", "@vscode", "vsce", "vsce")
ADAPTER = None


class VsixTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="lucentdebug-vsix-test-")
        vsix = os.path.join(cls.folder, "lucentdebug.vsix")
        subprocess.run([sys.executable, PACKAGER, "--adapter", ADAPTER, "--output", vsix],
                       check=True, stdout=subprocess.DEVNULL, timeout=100)
        cls.zip = zipfile.ZipFile(vsix)

    @classmethod
    def tearDownClass(cls):
        cls.zip.close()
        shutil.rmtree(cls.folder)

    def manifest(self):
        return json.loads(self.zip.read("extension/package.json"))

    def test_holds_the_manifest_and_only_the_runtime_files(self):
        names = set(self.zip.namelist())
        self.assertIn("extension.vsixmanifest", names)
        self.assertIn("extension/package.json", names)
        self.assertIn("extension/bin/lucentdebug-dap", names)
        self.assertFalse([n for n in names if "node_modules" in n or n.endswith(".py")], names)

    def test_debugger_program_is_the_executable_adapter(self):
        program = self.manifest()["contributes"]["debuggers"][0]["program"]
        entry = self.zip.getinfo(os.path.normpath(os.path.join("extension", program)))
        mode = entry.external_attr >> 16
        self.assertTrue(mode & stat.S_IXUSR and mode & stat.S_IXOTH, oct(mode))
        with open(ADAPTER, "rb") as built:
            self.assertEqual(self.zip.read(entry), built.read())

    def test_launch_and_attach_contributions(self):
        debugger = self.manifest()["contributes"]["debuggers"][0]
        self.assertEqual(debugger["type"], "lucentdebug")
        attributes = debugger["configurationAttributes"]
        for request in ("launch", "attach"):
            self.assertLessEqual({"hostname", "stopOnEntry", "timeout"},
                                 set(attributes[request]["properties"]), request)
        self.assertIn("pathMappings", attributes["attach"]["properties"])
        self.assertEqual(attributes["launch"]["required"], ["program"])
        requests = sorted(s["body"]["request"] for s in debugger["configurationSnippets"])
        self.assertEqual(requests, ["attach", "launch"])
        attach = [s["body"] for s in debugger["configurationSnippets"] if s["body"]["request"] == "attach"]
        self.assertIn("pathMappings", attach[0])


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: vsix_test.py LUCENTDEBUG_DAP")
    ADAPTER = sys.argv.pop()
    if not (shutil.which("node") or shutil.which("nodejs")) or not os.path.isfile(VSCE):
        print("skipped: node or @vscode/vsce is not installed")
        sys.exit(77)
    unittest.main()
