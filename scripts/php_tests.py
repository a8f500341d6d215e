"""Shared by the runs over php's own tests: where the built extension and the
php source folder are, and how php runs a sanitizer build of the extension."""
import argparse
import glob
import os
import subprocess

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def default_module():
    """The plain build's extension, when there is one."""
    found = sorted(glob.glob(os.path.join(ROOT, "build", "**", "lucentdebug.so"), recursive=True))
    return found[0] if found else None


def php_source(src):
    """The given php source folder, or the one fetch-php-source.sh fetches
    (once) and names."""
    if src:
        return os.path.abspath(src)
    fetched = subprocess.run(["bash", os.path.join(ROOT, "scripts", "fetch-php-source.sh")],
                             stdout=subprocess.PIPE, check=True)
    return os.path.abspath(fetched.stdout.decode().strip().splitlines()[-1])


SANITIZER_MARKS = (b"AddressSanitizer", b"LeakSanitizer", b"runtime error:",
                   b"UndefinedBehaviorSanitizer")


def sanitizer_preload(module):
    """The preload the tests use for a sanitizer build: the library that drops
    RTLD_DEEPBIND, then the sanitizer runtime."""
    build = module.split(os.sep + "ext" + os.sep)[0]
    no_deep_bind = glob.glob(os.path.join(build, "**", "libno_deep_bind.so"), recursive=True)
    if not no_deep_bind:
        raise SystemExit("no libno_deep_bind.so under %s: build with --sanitize first" % build)
    runtime = subprocess.run(["c++", "-print-file-name=libasan.so"], stdout=subprocess.PIPE,
                             check=True).stdout.decode().strip()
    return no_deep_bind[0] + ":" + runtime


def environment(preload):
    """The environment php runs in, with and without the extension alike
    (scripts see it): the sanitizer runtime preloaded when given, and the
    host's own allocator off so that use-after-free inside its heap shows."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("LUDBG_")}
    if preload:
        env["LD_PRELOAD"] = preload
        env["ASAN_OPTIONS"] = "detect_leaks=0:verify_asan_link_order=0"
        env["USE_ZEND_ALLOC"] = "0"
    return env


def argument_parser(description):
    """The options every run over php's tests takes: php, the extension, its
    sanitizer preload and the source folder."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--php", default="php")
    parser.add_argument("--module", default=default_module())
    parser.add_argument("--preload", default="",
                        help="LD_PRELOAD for a sanitizer build; 'auto' finds the tests' one")
    parser.add_argument("--src", help="php source folder (default: fetch it)")
    return parser


def resolve(args):
    """Makes the shared options concrete: an absolute extension path, the
    preload when asked for, and the source folder (fetched when not given)."""
    if not args.module:
        raise SystemExit("no lucentdebug.so found: build first or give --module")
    args.module = os.path.abspath(args.module)
    if args.preload == "auto":
        args.preload = sanitizer_preload(args.module)
    args.src = php_source(args.src)
    return args
