"""Shared by the runs over php's own tests: where the built extension and the
php source folder are."""
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
