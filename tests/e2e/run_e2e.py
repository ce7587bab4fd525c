#!/usr/bin/env python3
"""Runs the end-to-end tests (tests/e2e/e2e_*.py) against a build, the way
`python3 -m unittest discover` would, and can leave the counts in a JSON file
for scripts/test.sh. Selecting tests: see e2elib.py.

    run_e2e.py --build build/win32 [--result FILE] [-k PATTERN]... [-f] [NAME]...
"""
import argparse
import json
import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))


def counts(result):
    """Tests, not reports: a test whose subtests fail counts once, and so does
    a class or module whose set-up failed."""
    def test_id(test):
        return getattr(test, "test_case", test).id()

    failed = {test_id(t) for t, _ in result.failures + result.errors} | {
        test_id(t) for t in result.unexpectedSuccesses}
    skipped = {test_id(t) for t, _ in result.skipped} - failed
    ran_and_failed = len([t for t in failed if not t.startswith(("setUpClass", "tearDownClass", "setUpModule",
                                                                  "tearDownModule"))])
    return {"passed": max(result.testsRun - ran_and_failed - len(skipped), 0), "failed": len(failed),
            "skipped": len(skipped)}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True, help="the Windows build folder (Zeb.exe, zebprobe.exe, ...)")
    parser.add_argument("--result", help="writes {passed, failed, skipped} as JSON to this file")
    parser.add_argument("-k", dest="patterns", action="append", default=[],
                        help="only tests whose name matches (a text in it, or a pattern with *)")
    parser.add_argument("-f", "--failfast", action="store_true")
    parser.add_argument("names", nargs="*", help="modules, classes or tests, e.g. e2e_widget.FirstRun")
    args = parser.parse_args()
    if "WINEPREFIX" not in os.environ or "DISPLAY" not in os.environ:
        sys.exit("run_e2e.py needs WINEPREFIX and DISPLAY (scripts/test.sh sets them)")
    os.environ["ZEB_E2E_BUILD"] = os.path.abspath(args.build)
    sys.path.insert(0, HERE)

    loader = unittest.TestLoader()
    loader.testNamePatterns = [p if "*" in p else "*%s*" % p for p in args.patterns] or None
    suite = (loader.loadTestsFromNames(args.names) if args.names
             else loader.discover(HERE, pattern="e2e_*.py", top_level_dir=HERE))
    result = unittest.TextTestRunner(verbosity=2, failfast=args.failfast).run(suite)
    if args.result:
        with open(args.result, "w") as f:
            json.dump(counts(result), f)
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
