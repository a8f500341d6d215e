"""Cookie checks and faults against a stopped script: nothing changes, nothing resumes."""

import unittest
import xmlrpc.client

from remote_session import PhpRun, ludbg_client, main, script, values

TYPICAL = script("typical.php")
FIRST_LINE = 6

ALL_MEMBERS = {"port": 1, "request": 4, "filename": TYPICAL, "frame_index": 0, "expr": "$count",
               "radix": 10, "context": "locals", "lhs": "$count", "rhs": "99",
               "parent_expr": "$list", "file": TYPICAL, "lineno": 7, "temporary": False,
               "cond": "", "breakpointNumber": 1}


class FaultAssertions(unittest.TestCase):
    def assertFault(self, code, text, function, *args, **kwargs):
        with self.assertRaises(xmlrpc.client.Fault) as caught:
            function(*args, **kwargs)
        self.assertEqual(caught.exception.faultCode, code)
        if text is not None:
            self.assertEqual(caught.exception.faultString, text)


class Faults(FaultAssertions):
    @classmethod
    def setUpClass(cls):
        cls.php = PhpRun(TYPICAL, mode=3)
        _, cls.cookie = cls.php.handshake()
        cls.port = cls.php.port

    @classmethod
    def tearDownClass(cls):
        cls.php.__exit__(None)

    def with_cookie(self, cookie):
        return ludbg_client.Debugger(self.port, cookie, timeout=60)

    def assertStillStopped(self):
        frames = self.php.call("getFrames")["frames"]
        self.assertEqual([f["lineno"] for f in frames], [FIRST_LINE])
        self.assertNotIn("$count",
                         values(self.php.call("getContext", context="locals", frame_index=0,
                                              radix=10)))

    def test_wrong_cookie_answers_fault_zero_for_every_method(self):
        for cookie in ("", self.cookie.upper(), self.cookie + "x", self.cookie[:-1]):
            intruder = self.with_cookie(cookie)
            for method in ludbg_client.METHODS:
                members = {k: ALL_MEMBERS[k] for k in ludbg_client.METHODS[method]}
                with self.subTest(cookie=cookie, method=method):
                    self.assertFault(0, "Incorrect authorization from client", intruder.call,
                                     method, **members)
        self.assertStillStopped()

    def test_missing_or_mistyped_cookie_answers_fault_zero(self):
        proxy = self.php.debugger.proxy
        self.assertFault(0, "Incorrect authorization from client", proxy.Requester.hello, {})
        self.assertFault(0, None, proxy.Requester.hello, {"cookie": 5})
        self.assertFault(0, None, proxy.Requester.hello, self.cookie)
        self.assertFault(0, None, proxy.Requester.hello, {"cookie": self.cookie}, 2)
        self.assertFault(0, None, proxy.Requester.hello)
        self.assertStillStopped()

    def test_bad_resume_type_answers_fault_one_and_stays_stopped(self):
        for request in (5, -1):
            self.assertFault(1, "Bad resume type", self.php.call, "resumeExecution",
                             request=request)
        self.assertStillStopped()

    def test_unknown_method_and_missing_member_answer_library_faults(self):
        proxy = self.php.debugger.proxy
        self.assertFault(-506, None, proxy.Requester.nothing, {"cookie": self.cookie})
        with self.assertRaises(xmlrpc.client.Fault) as caught:
            self.php.call("resumeExecution")
        self.assertNotIn(caught.exception.faultCode, (0, 1))
        with self.assertRaises(xmlrpc.client.Fault) as caught:
            self.php.call("resumeExecution", request="4")
        self.assertNotIn(caught.exception.faultCode, (0, 1))
        self.assertStillStopped()


class EmptyCookie(FaultAssertions):
    def test_without_a_cookie_every_call_still_sends_an_empty_one(self):
        with PhpRun(TYPICAL, mode=2, signalled=False) as php:
            php.connect("")
            self.assertEqual(php.call("hello"), {"status": "hello"})
            self.assertFault(0, None, php.debugger.proxy.Requester.hello, {})
            self.assertFault(0, None, ludbg_client.Debugger(php.port, " ").call, "hello")
            php.call("resumeExecution", request=4)
            self.assertEqual(php.finish()[:2], (0, "count=6 name=lucent\n"))

    def test_configured_cookie_is_demanded(self):
        with PhpRun(TYPICAL, mode=2, cookie="s3cret", signalled=False) as php:
            php.connect("s3cret")
            self.assertEqual(php.call("hello"), {"status": "hello"})
            self.assertFault(0, None, ludbg_client.Debugger(php.port, "").call, "hello")
            php.call("resumeExecution", request=4)
            self.assertEqual(php.finish()[0], 0)


if __name__ == "__main__":
    main()
