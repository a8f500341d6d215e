"""A check that runs out of memory says so: under an address-space limit the program ends with
status 0 and one code 3 record, whether its own copies or the XML library ran out."""
import os
import resource
import subprocess
import unittest

PROGRAM = os.environ["STYLEWARDEN"]
STATES = os.path.join(os.environ["STYLEWARDEN_ROOT"], "data", "xslt10-states.xml")
XSLT = "http://www.w3.org/1999/XSL/Transform"
# Far above what the program needs to start and load the state file, far below what the two
# stylesheets below need.
LIMIT = 400 * 1024 * 1024
FAILED = (b'Error #: """The check could not complete: out of memory""" [3] @ (1, 1) => (1, 1)\n')


def sanitized():
    """The sanitizer runtime reserves terabytes of shadow memory and ends the process itself
    when an allocation fails, so an address-space limit cannot exercise these paths there."""
    with open(PROGRAM, "rb") as program:
        return b"__asan_init" in program.read()


def nested_entities(name, leaf, fanout=10, depth=4):
    """A DTD whose entity `name`<depth> expands to fanout**depth copies of `leaf`, with few
    enough expansions to pass the parser's expansion limit."""
    levels = ['<!ENTITY %s0 "%s">' % (name, leaf)]
    levels += ['<!ENTITY %s%d "%s">' % (name, level, ("&%s%d;" % (name, level - 1)) * fanout)
               for level in range(1, depth + 1)]
    return "".join(levels)


def run_limited(stylesheet):
    def limit():
        resource.setrlimit(resource.RLIMIT_AS, (LIMIT, LIMIT))
    return subprocess.run([PROGRAM, STATES], input=stylesheet.encode(), capture_output=True,
                          timeout=120, preexec_fn=limit)


@unittest.skipIf(sanitized(), "the sanitizer build cannot run under an address-space limit")
class OutOfMemoryTest(unittest.TestCase):
    def test_records_outgrowing_memory_end_in_one_failure_record(self):
        # Ten million misplaced elements from a 10 kB text: the parser streams them, the
        # walker's records fill memory, and std::bad_alloc is thrown in the checker's code.
        stylesheet = '<!DOCTYPE x:stylesheet [%s]><x:stylesheet xmlns:x="%s" version="1.0">' \
                     '&e4;</x:stylesheet>' % (nested_entities("e", "<x:bogus/>" * 1000), XSLT)
        result = run_limited(stylesheet)
        self.assertEqual((result.returncode, result.stdout), (0, FAILED), result.stderr)

    def test_parser_running_out_ends_in_one_failure_record(self):
        # An attribute value of a hundred million characters: the parser's own buffer cannot
        # grow, and the library reports that with its out-of-memory exception.
        stylesheet = '<!DOCTYPE x:stylesheet [%s]><x:stylesheet xmlns:x="%s" version="1.0" ' \
                     'id="&a4;"/>' % (nested_entities("a", "y" * 10000), XSLT)
        result = run_limited(stylesheet)
        self.assertEqual((result.returncode, result.stdout), (0, FAILED), result.stderr)

    def test_small_stylesheet_is_checked_under_the_same_limit(self):
        result = run_limited('<x:stylesheet xmlns:x="%s" version="1.0"><x:bogus/>'
                             '</x:stylesheet>' % XSLT)
        self.assertEqual(result.returncode, 0)
        self.assertIn(b'"x:bogus" is not valid in this context""" [4]', result.stdout)


if __name__ == "__main__":
    unittest.main()
