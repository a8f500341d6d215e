"""Runs xpcomhost on a component library and reads libraries' exported symbols, for the
load tests of the component libraries."""
import os
import subprocess


def run_host(host, library, library_dir, *args):
    """xpcomhost on `library` with only `library_dir` on the loader's search path."""
    env = dict(os.environ, LD_LIBRARY_PATH=library_dir)
    return subprocess.run([host, library, *args], env=env, capture_output=True, text=True,
                          timeout=30)


def exported_symbols(library):
    """The names the dynamic symbol table of `library` defines."""
    listing = subprocess.run(["nm", "-D", "--defined-only", library], capture_output=True,
                             text=True, check=True, timeout=30).stdout
    return {line.split()[-1] for line in listing.splitlines() if line.strip()}
