"""Starts php with the built extension, preloading the sanitizer runtime when
the extension was built with it."""
import argparse
import os
import socket
import subprocess


def add_arguments(parser):
    parser.add_argument("--php", required=True)
    parser.add_argument("--module", required=True)
    parser.add_argument("--preload", default="")


def parse(extra=None):
    parser = argparse.ArgumentParser()
    add_arguments(parser)
    if extra:
        extra(parser)
    return parser.parse_args()


def parse_known():
    """Options of this module, and the rest for unittest."""
    parser = argparse.ArgumentParser()
    add_arguments(parser)
    return parser.parse_known_args()


def environment(args, extra=None):
    env = {k: v for k, v in os.environ.items() if not k.startswith("LUDBG_")}
    if args.preload:
        env["LD_PRELOAD"] = args.preload
        # php itself is not instrumented and keeps memory to its end; the
        # library that drops RTLD_DEEPBIND must come before the runtime.
        env["ASAN_OPTIONS"] = "detect_leaks=0:verify_asan_link_order=0"
        # The host's own allocator hides use-after-free inside its heap from
        # the sanitizer.
        env["USE_ZEND_ALLOC"] = "0"
    env.update(extra or {})
    return env


def command(args, settings, script, load="extension"):
    cmd = [args.php, "-n", "-d", "%s=%s" % (load, args.module)]
    for setting in settings:
        cmd += ["-d", setting]
    return cmd + [script]


def run(args, settings, script, stdin="", env=None, cwd=None, timeout=30, load="extension"):
    return subprocess.run(command(args, settings, script, load), input=stdin.encode(),
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          env=environment(args, env), cwd=cwd, timeout=timeout)


def free_port():
    """A loopback port nobody listens on right now."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]
