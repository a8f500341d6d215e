"""End-to-end tests of the stylewarden program: command line, exit statuses, standard input
and the printed records."""
import json
import os
import subprocess
import tempfile
import time
import unittest

PROGRAM = os.environ["STYLEWARDEN"]
HERE = os.path.join(os.environ["STYLEWARDEN_TESTS"], "program")
STATES = os.path.join(HERE, "states.xml")
XSLT = "http://www.w3.org/1999/XSL/Transform"


def run(*args, stdin=b""):
    return subprocess.run([PROGRAM, *args], input=stdin, capture_output=True, timeout=60)


def record(message, code, start, end):
    return 'Error #: """%s""" [%d] @ (%d, %d) => (%d, %d)' % (message, code, *start, *end)


class CommandLineTest(unittest.TestCase):
    def test_no_argument_prints_usage_and_exits_1(self):
        result = run()
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stdout, b"Stylewarden:\n\t<state file>\n\t<XML file>\n")

    def test_unreadable_state_file_is_bad_initialization_with_status_3(self):
        result = run(os.path.join(HERE, "no-such-states.xml"), os.path.join(HERE, "all-codes.xsl"))
        self.assertEqual(result.returncode, 3)
        self.assertEqual(result.stdout, b"Bad initialization\n")
        self.assertIn(b"Could not parse state machine.", result.stderr)

    def test_inconsistent_state_file_is_bad_initialization(self):
        with tempfile.NamedTemporaryFile("w", suffix=".xml", delete=False) as states:
            states.write("<empty/>")
        try:
            result = run(states.name, stdin=b"<a/>")
        finally:
            os.unlink(states.name)
        self.assertEqual(result.returncode, 3)
        self.assertEqual(result.stdout, b"Bad initialization\n")

    def test_arguments_after_the_stylesheet_are_more_stylesheets(self):
        # Extra paths used to be ignored; each is now checked in turn, its lines prefixed.
        stylesheet = os.path.join(HERE, "all-codes.xsl")
        result = run(STATES, stylesheet, os.path.join(HERE, "no-such.xsl"))
        lines = result.stdout.decode().splitlines()
        self.assertEqual(result.returncode, 4)
        self.assertEqual(lines[:-1], [stylesheet + ": " + line for line in
                                      run(STATES, stylesheet).stdout.decode().splitlines()])
        self.assertRegex(lines[-1], r'no-such\.xsl: Error #: .*\[3\]')


class ManyFilesTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        root = self.folder.name
        self.files = {
            "b.xsl": '<x:stylesheet xmlns:x="%s" version="1"><x:choose/></x:stylesheet>',
            "a/z.XSLT": '<x:stylesheet xmlns:x="%s" version="1"><loose/></x:stylesheet>',
            "a/ok.xsl": '<x:stylesheet xmlns:x="%s" version="1"/>',
            "a/notes.txt": "not a stylesheet %s",
            "c.xsl": '<x:stylesheet xmlns:x="%s" version="1"><x:output indent="&#10;"/>',
        }
        for name, text in self.files.items():
            os.makedirs(os.path.dirname(os.path.join(root, name)), exist_ok=True)
            with open(os.path.join(root, name), "w") as out:
                out.write(text % XSLT)

    def tearDown(self):
        self.folder.cleanup()

    def path(self, name):
        return os.path.join(self.folder.name, name)

    def test_files_and_trees_are_reported_in_order_with_each_files_records(self):
        expected = []
        for name in ("c.xsl", "a/ok.xsl", "a/z.XSLT", "b.xsl", "c.xsl"):
            expected += [self.path(name) + ": " + line for line in
                         run(STATES, self.path(name)).stdout.decode().splitlines()]
        for jobs in ("1", "3"):
            result = run("--jobs", jobs, STATES, self.path("c.xsl"), self.folder.name)
            with self.subTest(jobs=jobs):
                self.assertEqual(result.returncode, 4)
                self.assertEqual(result.stdout.decode().splitlines(), expected)
        clean = run(STATES, self.path("a/ok.xsl"), self.path("a/ok.xsl"))
        self.assertEqual((clean.returncode, clean.stdout), (0, b""))

    def test_bad_options_print_the_usage_with_status_1(self):
        for arguments in (["--jobs", "0", STATES, "x"], ["--jobs"], ["--what", STATES],
                          ["--sarif", STATES]):
            with self.subTest(arguments=arguments):
                result = run(*arguments)
                self.assertEqual((result.returncode, result.stdout), (1, b""))
                self.assertIn(b"usage: stylewarden", result.stderr)

    def test_sarif_log_has_the_rules_and_one_result_per_record(self):
        result = run("--sarif", STATES, self.folder.name)
        self.assertEqual(result.returncode, 4)
        log = json.loads(result.stdout)
        self.assertEqual(log["version"], "2.1.0")
        self.assertEqual(len(log["runs"]), 1)
        run_ = log["runs"][0]
        rules = run_["tool"]["driver"]["rules"]
        self.assertEqual(run_["tool"]["driver"]["name"], "stylewarden")
        self.assertEqual([rule["id"] for rule in rules], ["SW%d" % code for code in range(1, 10)])
        for rule in rules:
            self.assertTrue(rule["shortDescription"]["text"])
            self.assertIn(rule["defaultConfiguration"]["level"], ("warning", "error"))
        found = []
        for entry in run_["results"]:
            self.assertEqual(rules[entry["ruleIndex"]]["id"], entry["ruleId"])
            self.assertIn(entry["level"], ("warning", "error"))
            (location,) = entry["locations"]
            region = location["physicalLocation"]["region"]
            self.assertGreaterEqual(region["startLine"], 1)
            self.assertGreaterEqual(region["startColumn"], 1)
            self.assertGreaterEqual((region["endLine"], region["endColumn"]),
                                    (region["startLine"], region["startColumn"]))
            uri = location["physicalLocation"]["artifactLocation"]["uri"]
            self.assertTrue(uri.startswith("file://" + self.folder.name), uri)
            found.append((uri[len("file://" + self.folder.name) + 1:], entry["ruleId"],
                          entry["message"]["text"], region["startLine"], region["startColumn"]))
        self.assertEqual(found, [
            ("a/z.XSLT", "SW4", 'The element "loose" is not valid in this context', 1, 74),
            ("b.xsl", "SW5", 'The element "x:choose" is missing a required child element',
             1, 85),
            ("c.xsl", "SW8", 'The attribute "indent" cannot have the value "\n" in this context.',
             1, 74),
            ("c.xsl", "SW3", found[3][2], 1, 100),
        ])


class RecordsTest(unittest.TestCase):
    def test_each_finding_code_is_printed_in_document_order(self):
        result = run(STATES, os.path.join(HERE, "all-codes.xsl"))
        self.assertEqual(result.returncode, 0)
        self.assertEqual(result.stdout.decode().splitlines(), [
            record('The element is missing the required attribute "version"', 6, (1, 1), (1, 62)),
            record('The element "x:choose" is missing a required child element', 5,
                   (2, 14), (2, 14)),
            record('The attribute "indent" cannot have the value "maybe" in this context.', 8,
                   (3, 3), (3, 29)),
            record('The attribute "extra" is not allowed in this context.', 7, (4, 3), (4, 24)),
            record('The element "loose" is not valid in this context', 4, (5, 3), (5, 11)),
        ])

    def test_correct_stylesheet_prints_nothing(self):
        result = run(STATES, stdin=(
            '<x:stylesheet xmlns:x="%s" version="1"><x:output indent="no"/></x:stylesheet>'
            % XSLT).encode())
        self.assertEqual((result.returncode, result.stdout), (0, b""))

    def test_missing_stylesheet_file_is_a_parser_record_with_status_0(self):
        result = run(STATES, os.path.join(HERE, "no-such.xsl"))
        self.assertEqual(result.returncode, 0)
        lines = result.stdout.decode().splitlines()
        self.assertEqual(len(lines), 1)
        self.assertRegex(lines[0], r'^Error #: """.*no-such\.xsl.*""" \[3\] @ ')

    def test_ill_formed_stylesheet_reports_parser_error_after_findings(self):
        result = run(STATES, stdin=b"<x:stylesheet xmlns:x='%s'>\n</x:other>" % XSLT.encode())
        lines = result.stdout.decode().splitlines()
        self.assertEqual(result.returncode, 0)
        self.assertEqual(len(lines), 2)
        self.assertIn("[6]", lines[0])
        self.assertIn("[3] @ (2, 1) => ", lines[1])


class HostileInputTest(unittest.TestCase):
    def test_nested_entity_expansion_ends_in_a_parser_record(self):
        # Ten levels of ten references each would expand to 10**10 characters.
        entities = ['<!ENTITY e0 "x">'] + [
            '<!ENTITY e%d "%s">' % (level, ("&e%d;" % (level - 1)) * 10) for level in range(1, 11)]
        document = "<!DOCTYPE d [%s]><d>&e10;</d>" % "".join(entities)
        result = run(STATES, stdin=document.encode())
        self.assertEqual(result.returncode, 0)
        self.assertRegex(result.stdout.decode().splitlines()[-1], r'entity expansions.*\[3\]')

    def test_nesting_past_the_depth_limit_ends_with_one_code_3_record(self):
        # A million levels: the check stops at the thousandth, after the records above it.
        document = "<x:stylesheet xmlns:x='%s' version='1'>%s%s</x:stylesheet>" % (
            XSLT, "<x:output>" * 1000000, "</x:output>" * 1000000)
        result = run(STATES, stdin=document.encode())
        self.assertEqual(result.returncode, 0)
        lines = result.stdout.decode().splitlines()
        self.assertEqual(len(lines), 999)
        self.assertRegex(lines[-2], r'"x:output" is not valid.*\[4\]')
        self.assertEqual(lines[-1], record(
            "The elements nest deeper than 1000 levels; the check stops here", 3,
            (1, 10064), (1, 10074)))

    def test_external_entities_are_read_only_from_regular_files(self):
        with tempfile.TemporaryDirectory() as folder:
            fifo = os.path.join(folder, "entity.fifo")
            os.mkfifo(fifo)
            plain = os.path.join(folder, "plain.ent")
            with open(plain, "w") as entity:
                entity.write("<x:output/>")
            for target, expected in ((fifo, "it is not a regular file"),
                                     (folder, "it is not a regular file"),
                                     ("/dev/zero", "it is not a regular file"),
                                     ("http://127.0.0.1:9/e", "only local files are")):
                document = os.path.join(folder, "with-entity.xsl")
                with open(document, "w") as stylesheet:
                    stylesheet.write(
                        "<!DOCTYPE x:stylesheet [<!ENTITY e SYSTEM '%s'><!ENTITY p SYSTEM "
                        "'plain.ent'>]>\n<x:stylesheet xmlns:x='%s' version='1'>&p;<loose/>"
                        "\n&e;<x:bogus/></x:stylesheet>" % (target, XSLT))
                with self.subTest(target=target):
                    result = run(STATES, document)
                    self.assertEqual(result.returncode, 0)
                    lines = result.stdout.decode().splitlines()
                    # The records before the entity stay; the check ends at its reference.
                    self.assertEqual(len(lines), 2)
                    self.assertRegex(lines[0], r'"loose" is not valid.*\[4\]')
                    self.assertEqual(lines[1], record(
                        'The external entity "%s" is not read: %s' % (target, expected), 3,
                        (3, 2), (3, 4)))

    def test_state_file_on_a_fifo_is_bad_initialization(self):
        with tempfile.TemporaryDirectory() as folder:
            fifo = os.path.join(folder, "states.fifo")
            os.mkfifo(fifo)
            result = run(fifo, stdin=b"<a/>")
        self.assertEqual((result.returncode, result.stdout), (3, b"Bad initialization\n"))
        self.assertIn(b"is not a regular file", result.stderr)
        self.assertIn(b"Could not parse state machine.", result.stderr)

    def test_stylesheet_on_a_fifo_is_read_from_its_writer_or_as_empty_without_one(self):
        with tempfile.TemporaryDirectory() as folder:
            fifo = os.path.join(folder, "sheet.fifo")
            os.mkfifo(fifo)
            # No writer at all: an empty document at once, not a wait in open.
            alone = subprocess.run([PROGRAM, STATES, fifo], capture_output=True, timeout=10)
            self.assertRegex(alone.stdout.decode(), r'^Error #: """.+""" \[3\] @ \(1, 1\) => ')
            # A writer that is slow to send: everything it sends is checked. A reader of the
            # test's own lets the writer open before the checker does.
            placeholder = os.open(fifo, os.O_RDONLY | os.O_NONBLOCK)
            with open(fifo, "w") as writer:
                checker = subprocess.Popen([PROGRAM, STATES, fifo], stdout=subprocess.PIPE)
                time.sleep(0.3)
                writer.write("<x:stylesheet xmlns:x='%s' version='1'>" % XSLT)
                writer.flush()
                time.sleep(0.3)
                writer.write("<x:bogus/></x:stylesheet>")
            out, _ = checker.communicate(timeout=10)
            os.close(placeholder)
        self.assertEqual(out.decode(), record('The element "x:bogus" is not valid in this context',
                                              4, (1, 74), (1, 84)) + "\n")

    def test_control_characters_in_a_message_are_escaped_onto_one_line(self):
        result = run(STATES, stdin=(
            "<x:stylesheet xmlns:x='%s' version='1'><x:output indent='a&#10;b&#9;c&#13;"
            "&#x85;d'/></x:stylesheet>" % XSLT).encode())
        self.assertEqual(result.stdout.decode("utf-8"), record(
            'The attribute "indent" cannot have the value "a\\nb\\tc\\r\\u0085d" in this '
            'context.', 8, (1, 74), (1, 119)) + "\n")


class StandardInputTest(unittest.TestCase):
    def test_empty_input_is_parsed_as_an_empty_document(self):
        result = run(STATES)
        self.assertEqual(result.returncode, 0)
        self.assertRegex(result.stdout.decode(), r'^Error #: """.+""" \[3\] @ \(1, 1\) => ')

    def test_utf16_input_with_nul_and_ff_bytes_is_read_to_its_end(self):
        # Little-endian UTF-16 with its byte order mark: 0xFF first, a NUL after every
        # ASCII character; the name is found only if every byte arrived.
        text = '<x:stylesheet xmlns:x="%s" version="1"><x:bogus/></x:stylesheet>' % XSLT
        result = run(STATES, stdin=b"\xff\xfe" + text.encode("utf-16-le"))
        self.assertEqual(result.stdout.decode().splitlines(), [
            record('The element "x:bogus" is not valid in this context', 4, (1, 74), (1, 84))])

    def test_latin1_input_keeps_byte_ff_as_a_character(self):
        result = run(STATES, stdin=b'<?xml version="1.0" encoding="ISO-8859-1"?><\xff/>')
        self.assertEqual(result.stdout.decode("utf-8").splitlines(), [
            record('The element "\u00ff" is not valid in this context', 4, (1, 1), (1, 48))])

    def test_input_with_nul_byte_reports_like_the_same_file(self):
        data = b"<x:stylesheet xmlns:x='%s' version='1'>\x00<x:output/></x:stylesheet>" % (
            XSLT.encode())
        with tempfile.NamedTemporaryFile(suffix=".xsl", delete=False) as stylesheet:
            stylesheet.write(data)
        try:
            from_file = run(STATES, stylesheet.name).stdout
        finally:
            os.unlink(stylesheet.name)
        from_input = run(STATES, stdin=data).stdout
        self.assertNotEqual(from_input, b"")
        self.assertEqual(from_input, from_file)


SHIPPED = os.path.join(os.environ["STYLEWARDEN_ROOT"], "data")


class ModulesTest(unittest.TestCase):
    """--modules follows xsl:include and xsl:import, each module checked by its own version."""

    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.folder.cleanup()

    def write(self, name, version, body):
        path = os.path.join(self.folder.name, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as out:
            out.write('<x:stylesheet xmlns:x="%s" version="%s">\n%s\n</x:stylesheet>\n'
                      % (XSLT, version, body))
        return path

    def test_a_module_is_checked_by_its_own_version(self):
        main = self.write("main.xsl", "1.0", '<x:include href="lib/m%2030.xsl"/>')
        module = self.write("lib/m 30.xsl", "3.0", '<x:output indent="true"/>\n'
                            '<x:mode on-no-match="shallow-copy"/>')
        # Under the 1.0 rules the module's values are wrong; under its own, 3.0, they are not.
        self.assertNotEqual(run(os.path.join(SHIPPED, "xslt10-states.xml"), module).stdout, b"")
        result = run("--modules", "--shipped", main)
        self.assertEqual((result.returncode, result.stdout, result.stderr), (0, b"", b""))

    def test_a_broken_module_is_reported_with_its_path_once(self):
        main = self.write("main.xsl", "1.0", '<x:import href="lib/bad.xsl"/>\n'
                          '<x:include href="file://%s/lib/./bad.xsl"/>' % self.folder.name)
        bad = self.write("lib/bad.xsl", "2.0", "<x:choose/>")
        own = run("--shipped", bad).stdout.decode().splitlines()
        self.assertRegex(own[0], r'"x:choose" is not valid.*\[4\]')
        # Without the option the including file alone is checked, as before.
        self.assertEqual(run("--shipped", main).stdout, b"")
        # Named on the command line too, the module is still checked and reported once.
        for paths in ([main], [main, bad]):
            with self.subTest(paths=paths):
                result = run("--modules", "--shipped", *paths)
                self.assertEqual(result.returncode, 4)
                self.assertEqual(result.stdout.decode().splitlines(),
                                 [bad + ": " + line for line in own])
        log = json.loads(run("--modules", "--sarif", "--shipped", main).stdout)
        self.assertEqual({entry["locations"][0]["physicalLocation"]["artifactLocation"]["uri"]
                          for entry in log["runs"][0]["results"]}, {"file://" + bad})

    def test_a_cycle_a_package_and_unreadable_modules_are_records_on_the_reference(self):
        fifo = os.path.join(self.folder.name, "pipe.xsl")
        os.mkfifo(fifo)
        a = self.write("a.xsl", "1.0", '<x:import href="pipe.xsl"/>\n<x:include href="b.xsl"/>'
                       '\n<x:include href="nope.xsl"/>\n<x:include href="http://127.0.0.1:9/c"/>')
        b = self.write("b.xsl", "1.0", '<x:import href="./a.xsl"/>\n<x:include href="p.xsl"/>')
        with open(os.path.join(self.folder.name, "p.xsl"), "w") as package:
            package.write('<x:package xmlns:x="%s" name="urn:p" version="3.0"/>' % XSLT)
        result = run("--modules", "--shipped", a, b)
        self.assertEqual(result.returncode, 4)
        self.assertEqual(result.stdout.decode().splitlines(), [
            a + ": " + record('The module "pipe.xsl" is not read: it is not a regular file', 3,
                              (2, 1), (2, 28)),
            a + ": " + record('The module "nope.xsl" is not read: there is no such file', 3,
                              (4, 1), (4, 29)),
            a + ": " + record('The module "http://127.0.0.1:9/c" is not read: only local files '
                              'are read', 3, (5, 1), (5, 41)),
            b + ": " + record('The module "./a.xsl" includes or imports this module, directly '
                              'or through others: a cycle', 8, (2, 1), (2, 27)),
            b + ": " + record('The module "p.xsl" is a package (xsl:package): xsl:use-package '
                              'uses it, xsl:include and xsl:import take stylesheet modules', 8,
                              (3, 1), (3, 26)),
        ])

    def test_use_package_is_for_the_principal_level_only(self):
        main = self.write("main.xsl", "3.0", '<x:import href="imported.xsl"/>\n'
                          '<x:include href="included.xsl"/>')
        uses = '<x:use-package name="urn:p"/>'
        self.write("included.xsl", "3.0", uses)
        # Imported from an included module or directly: another stylesheet level.
        self.write("imported.xsl", "3.0", '<x:include href="deeper.xsl"/>\n' + uses)
        deeper = self.write("deeper.xsl", "3.0", uses)
        imported = os.path.join(self.folder.name, "imported.xsl")
        message = ('The element "xsl:use-package" is not valid in an imported module: it '
                   "belongs to the package's principal module or a module that one includes")
        result = run("--modules", "--shipped", main)
        self.assertEqual(result.stdout.decode().splitlines(), [
            imported + ": " + record(message, 4, (3, 1), (3, 30)),
            deeper + ": " + record(message, 4, (2, 1), (2, 30)),
        ])

    def test_modules_need_a_file(self):
        result = run("--modules", STATES, stdin=b"<a/>")
        self.assertEqual((result.returncode, result.stdout), (1, b""))


if __name__ == "__main__":
    unittest.main()
