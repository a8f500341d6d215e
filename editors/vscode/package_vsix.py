#!/usr/bin/env python3
"""Builds the VS Code extension package (.vsix) of lucentdebug with @vscode/vsce.

The manifest and README are copied with the adapter into a fresh folder, so the
package holds exactly those and never this folder's node_modules."""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
VSCE = os.path.join(HERE, "node_modules", "@vscode", "vsce", "vsce")
PACKAGED_FILES = ("package.json", "README.md")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--adapter", required=True, help="the lucentdebug-dap binary")
    parser.add_argument("--output", required=True, help="the .vsix file to write")
    parser.add_argument("--node", default=shutil.which("node") or shutil.which("nodejs"))
    args = parser.parse_args()
    if not args.node:
        sys.exit("package_vsix: node is not installed")
    if not os.path.isfile(VSCE):
        sys.exit("package_vsix: @vscode/vsce is missing; run scripts/install-deps.sh")
    if not os.access(args.adapter, os.X_OK):
        sys.exit("package_vsix: %s is not an executable adapter" % args.adapter)

    with tempfile.TemporaryDirectory(prefix="lucentdebug-vsix-") as stage:
        for name in PACKAGED_FILES:
            shutil.copy(os.path.join(HERE, name), stage)
        os.mkdir(os.path.join(stage, "bin"))
        # copy2 keeps the executable bit, which vsce stores in the zip.
        shutil.copy2(args.adapter, os.path.join(stage, "bin", "lucentdebug-dap"))
        output = os.path.abspath(args.output)
        os.makedirs(os.path.dirname(output), exist_ok=True)
        # The package is unpublished and unlicensed; without these flags vsce
        # stops to ask on the terminal.
        command = [args.node, VSCE, "package", "--no-dependencies", "--allow-missing-repository",
                   "--skip-license", "--out", output]
        result = subprocess.run(command, cwd=stage, stdin=subprocess.DEVNULL)
        if result.returncode != 0:
            sys.exit("package_vsix: vsce failed with status %d" % result.returncode)


if __name__ == "__main__":
    main()
