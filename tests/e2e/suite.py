"""What every end-to-end runner shares: the checks its cases use and the command line that runs a
list of cases in one Environment.

A runner makes a Suite, registers its cases with @suite.case and ends with
sys.exit(suite.main()). Its command line takes --bin BUILD_BIN --driver DRIVER [--case NAME ...]
and any options the runner names. Exit code 0 when every case passed (or was skipped), 1 when one
failed, 77 (skipped as a whole) when the program has not been built.
"""

import argparse
import os
import signal
import time
import traceback

from harness import Environment, Failure, program_file


class Skipped(Exception):
    """A case that cannot run on this machine: reported, not counted as a failure."""


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(predicate, timeout, step=0.2):
    """Polls predicate until it returns something true or timeout seconds have passed; returns
    its last value."""
    deadline = time.time() + timeout
    while True:
        value = predicate()
        if value or time.time() > deadline:
            return value
        time.sleep(step)


def changed(path):
    """A predicate for wait_for that holds once path differs from what it is now: in content, in
    modification time, or in being there at all. A file that is to be written may be there
    already."""
    def state():
        try:
            with open(path, "rb") as f:
                return os.fstat(f.fileno()).st_mtime_ns, f.read()
        except FileNotFoundError:
            return None

    before = state()
    return lambda: state() != before


def _interrupted(number, frame):
    raise SystemExit(128 + number)


class Suite:
    def __init__(self):
        self.cases = []

    def case(self, function):
        self.cases.append(function)
        return function

    def main(self, options=(), arguments=None):
        """Runs the cases chosen on the command line. options: names of further required options
        (such as "--fixtures"). arguments(env, args) gives what each case is called with after
        env, once for the whole run; by default the tone files of env.make_fixtures()."""
        parser = argparse.ArgumentParser()
        parser.add_argument("--bin", required=True)
        parser.add_argument("--driver", required=True)
        parser.add_argument("--case", action="append", default=[])
        for option in options:
            parser.add_argument(option, required=True)
        args = parser.parse_args()

        program = program_file(args.bin)
        if not os.path.exists(program) or not os.path.exists(args.driver):
            print("SKIPPED: the Win32 program is not built (%s, %s); run scripts/build" %
                  (program, args.driver))
            return 77

        # A timeout or Ctrl+C still stops everything the environment started.
        signal.signal(signal.SIGTERM, _interrupted)
        signal.signal(signal.SIGINT, _interrupted)

        selected = [c for c in self.cases if not args.case or c.__name__ in args.case]
        env = Environment(os.path.abspath(args.bin), os.path.abspath(args.driver))
        failed, skipped = [], []
        try:
            env.start()
            given = arguments(env, args) if arguments else (env.make_fixtures(),)
            for test in selected:
                started = time.time()
                try:
                    test(env, *given)
                    print("PASS %s (%.1f s)" % (test.__name__, time.time() - started), flush=True)
                except Skipped as reason:
                    skipped.append(test.__name__)
                    print("SKIP %s: %s" % (test.__name__, reason), flush=True)
                except Exception as error:  # every failure is reported, then the next case runs
                    failed.append(test.__name__)
                    print("FAIL %s (%.1f s): %s" % (test.__name__, time.time() - started, error),
                          flush=True)
                    if not isinstance(error, Failure):
                        traceback.print_exc()
                    try:
                        print("  screen: %s" % env.save_screenshot("failed-" + test.__name__))
                    except Exception:
                        pass
                    # What a failed case left running must not disturb the next one.
                    env.run_logged(["wineserver", "-k"], "wineserver-kill", timeout=30)
        except Exception as error:
            # The environment could not be set up: every case that did not run counts as failed.
            ran = set(failed) | set(skipped)
            failed += [c.__name__ for c in selected if c.__name__ not in ran]
            print("FAIL setting up: %s" % error, flush=True)
            if not isinstance(error, Failure):
                traceback.print_exc()
        finally:
            env.close()
        passed = len(selected) - len(failed) - len(skipped)
        print("%d passed, %d failed, %d skipped" % (passed, len(failed), len(skipped)))
        return 1 if failed else 0
