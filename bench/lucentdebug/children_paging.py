#!/usr/bin/env python3
"""Time of one "getChildrenInfos" call on a 10,000-element array: a 100-child
page served by the engine (start/count) beside the whole array, which is all
a client could ask for before, measured in the same run; printed with their
ratio. Each figure is the median of repeated calls on a fresh connection.

    python3 bench/lucentdebug/children_paging.py --module build/ext/LucentDebug/lucentdebug.so
"""

import argparse
import os
import statistics
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))

import ludbg_client  # noqa: E402  (found through the path set above)
from xmlrpc_roundtrip import raw_call, raw_request, stopped_at  # noqa: E402  (beside this file)

ELEMENTS = 10000
PAGE = 100
SCRIPT = "<?php\n$big = array();\nfor ($i = 0; $i < %d; $i++) { $big[] = \"item $i\"; }\n$done = 1;\n"


def median_ms(call, repeats):
    call()
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        call()
        times.append((time.perf_counter() - start) * 1000)
    return statistics.median(times)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--php", default="php")
    parser.add_argument("--module", required=True)
    parser.add_argument("--repeats", type=int, default=20)
    args = parser.parse_args()

    listener = ludbg_client.listen(0)
    php = None
    try:
        with tempfile.TemporaryDirectory() as directory:
            script = os.path.join(directory, "big.php")
            with open(script, "w") as handle:
                handle.write(SCRIPT % ELEMENTS)
            php, port, cookie, remote = stopped_at(args.php, args.module, listener, script, 4,
                                                   timeout=60)

            def children(**page):
                return remote.call("getChildrenInfos", context="locals", frame_index=0,
                                   parent_expr="$big", radix=10, **page)["propertyInfo"]

            if len(children()) != ELEMENTS or len(children(start=5000, count=PAGE)) != PAGE:
                raise SystemExit("unexpected number of children")
            whole = median_ms(children, max(3, args.repeats // 4))
            page = median_ms(lambda: children(start=5000, count=PAGE), args.repeats)
            hello = median_ms(lambda: remote.call("hello"), args.repeats)
            request = raw_request("Requester.getChildrenInfos",
                                  {"cookie": cookie, "context": "locals", "frame_index": 0,
                                   "parent_expr": "$big", "radix": 10, "start": 5000,
                                   "count": PAGE})
            unparsed = median_ms(lambda: raw_call(port, request), args.repeats)
            remote.call("resumeExecution", request=4)
            php.wait(timeout=30)

        print("baseline: the whole %d-element array: %.1f ms" % (ELEMENTS, whole))
        print("a %d-child page from element 5000: %.2f ms, ratio %.4f" % (PAGE, page, page / whole))
        print("  the page's reply read but not parsed by the client: %.2f ms" % unparsed)
        print("  one \"hello\" round trip: %.2f ms" % hello)
    finally:
        if php and php.poll() is None:
            php.kill()
        listener.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
