#!/usr/bin/env python3
"""Module records, settings and environment as php shows them."""
import os
import re
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import phprun  # noqa: E402

ARGS = None


def info(env=None, settings=()):
    """The debugger's rows of the information page, as (name, value) pairs."""
    handle, script = tempfile.mkstemp(suffix=".php")
    os.write(handle, b"<?php phpinfo(INFO_MODULES);\n")
    os.close(handle)
    try:
        result = phprun.run(ARGS, list(settings), script, env=env)
    finally:
        os.unlink(script)
    text = result.stdout.decode()
    start = text.index("Brightwater Debugger Support")
    rows = []
    for line in text[start:].splitlines():
        if not line.strip():
            break
        name, value = line.split(" => ", 1)
        rows.append((name, value))
    return rows, text


class InformationPage(unittest.TestCase):
    def test_rows_in_order_with_defaults(self):
        rows, _ = info()
        self.assertEqual(rows, [("Brightwater Debugger Support", "active"), ("enabled", "0"),
                                ("port", "9001"), ("remoteport", "9000"),
                                ("host", "127.0.0.1")])

    def test_enabled_setting_shows_its_number_among_directives(self):
        _, text = info(settings=["lucentdebug.enabled=1"])
        self.assertRegex(text, r"lucentdebug\.enabled => 1 => 1")
        _, text = info(settings=["lucentdebug.enabled=4"])
        self.assertRegex(text, r"lucentdebug\.enabled => 4 => 4")

    def test_settings_fill_rows(self):
        rows, _ = info(settings=["lucentdebug.port=7001", "lucentdebug.remoteport=7000",
                                 "lucentdebug.host=10.1.2.3"])
        self.assertEqual(rows[2:], [("port", "7001"), ("remoteport", "7000"),
                                    ("host", "10.1.2.3")])


class Environment(unittest.TestCase):
    def test_port_without_enabled_has_no_effect(self):
        rows, _ = info(env={"LUDBG_PORT": "7777", "LUDBG_REMOTEPORT": "7778"})
        self.assertEqual(rows[2:4], [("port", "9001"), ("remoteport", "9000")])

    def test_enabled_brings_ports_along(self):
        rows, _ = info(env={"LUDBG_ENABLED": "1", "LUDBG_PORT": "7777",
                            "LUDBG_REMOTEPORT": "7778"})
        self.assertEqual(rows[1:4], [("enabled", "1"), ("port", "7777"), ("remoteport", "7778")])

    def test_enabled_four_starts_console_whatever_the_setting_says(self):
        handle, script = tempfile.mkstemp(suffix=".php")
        os.write(handle, b"<?php\n$a = 1;\necho \"end\\n\";\n")
        os.close(handle)
        try:
            result = phprun.run(ARGS, ["lucentdebug.enabled=0"], script, stdin="go\n",
                                env={"LUDBG_ENABLED": "4"})
        finally:
            os.unlink(script)
        self.assertEqual(result.stdout.decode(), "2 (1) : end\n")

    def test_buffering_variable_changes_output_buffering(self):
        handle, script = tempfile.mkstemp(suffix=".php")
        os.write(handle, b"<?php echo ini_get('output_buffering'), ' ', ini_get('implicit_flush');\n")
        os.close(handle)
        try:
            result = phprun.run(ARGS, [], script,
                                env={"LUDBG_BUFFERING": "4096", "LUDBG_FLUSH": "0"})
        finally:
            os.unlink(script)
        self.assertEqual(result.stdout.decode(), "4096 0")


if __name__ == "__main__":
    ARGS, remaining = phprun.parse_known()
    unittest.main(argv=sys.argv[:1] + remaining)
