#!/usr/bin/env python3
"""Times stylewarden over every .xsl file of the docbook-xsl stylesheets, one process per
file as the IDE runs it and in one multi-file run (one thread, and one per core), and prints
the time as a ratio to a bare SAX2 parse of the same files and to `xmllint --noout`, and peak memory on the largest file as a ratio to the bare
parse. All numbers come from this run; rounds alternate the tools to spread out noise."""
import argparse
import os
import random
import subprocess
import tempfile
import sys
import time

CORPUS_CANDIDATES = [
    "/usr/share/xml/docbook/stylesheet/docbook-xsl",
    "/usr/share/xml/docbook/stylesheet/nwalsh",
    "/usr/share/xml/docbook/stylesheet/docbook-xsl-nons",
]
TIME_GOAL = 1.3
MEMORY_GOAL = 2.0


def find_corpus(explicit):
    for candidate in [explicit] if explicit else CORPUS_CANDIDATES:
        if candidate and os.path.isdir(candidate):
            return os.path.realpath(candidate)
    sys.exit("docbook-xsl stylesheets not found; install docbook-xsl or pass --corpus")


def stylesheets(corpus):
    found = set()
    for folder, _, names in os.walk(corpus):
        found.update(os.path.realpath(os.path.join(folder, n)) for n in names if n.endswith(".xsl"))
    return sorted(found)


def spawn(argv):
    """Runs one process with its output discarded; returns its exit status and resource
    usage."""
    devnull = os.open(os.devnull, os.O_RDWR)
    try:
        actions = [(os.POSIX_SPAWN_DUP2, devnull, 0), (os.POSIX_SPAWN_DUP2, devnull, 1),
                   (os.POSIX_SPAWN_DUP2, devnull, 2)]
        pid = os.posix_spawn(argv[0], argv, os.environ, file_actions=actions)
    finally:
        os.close(devnull)
    _, status, usage = os.wait4(pid, 0)
    code = os.waitstatus_to_exitcode(status)
    if code < 0:
        sys.exit("%s was killed by a signal" % " ".join(argv))
    return code, usage


def corpus_seconds(command, files):
    """Wall-clock and CPU (user + system) seconds for the whole corpus."""
    cpu = 0.0
    start = time.perf_counter()
    for path in files:
        usage = spawn(command + [path])[1]
        cpu += usage.ru_utime + usage.ru_stime
    return time.perf_counter() - start, cpu


def peak_kib(launcher, command, runs):
    """Least peak RSS over several runs, measured by the small launcher."""
    peaks = []
    for _ in range(runs):
        result = subprocess.run([launcher] + command, capture_output=True, text=True, check=False)
        peaks.append(int(result.stdout.split()[0]))
    return min(peaks)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--stylewarden", required=True)
    parser.add_argument("--bare-parse", required=True)
    parser.add_argument("--peak-rss", required=True, help="the peak-memory launcher")
    parser.add_argument("--states", required=True, help="state file stylewarden loads")
    parser.add_argument("--corpus", help="folder of .xsl files (default: docbook-xsl)")
    parser.add_argument("--rounds", type=int, default=5)
    args = parser.parse_args()

    files = stylesheets(find_corpus(args.corpus))
    xmllint = next((os.path.join(d, "xmllint") for d in os.environ["PATH"].split(os.pathsep)
                    if os.access(os.path.join(d, "xmllint"), os.X_OK)), None)
    if xmllint is None:
        sys.exit("xmllint not found; install libxml2-utils")
    commands = {
        "stylewarden": [os.path.abspath(args.stylewarden), os.path.abspath(args.states)],
        "bare SAX2 parse": [os.path.abspath(args.bare_parse)],
        "xmllint --noout": [xmllint, "--noout"],
    }
    # A wrong state file would make stylewarden stop early and look fast.
    if spawn(commands["stylewarden"] + [files[0]])[0] != 0:
        sys.exit("stylewarden failed to start with %s" % args.states)

    seconds = {name: [] for name in commands}
    cpu_seconds = {name: [] for name in commands}
    for _ in range(args.rounds):
        order = list(commands)
        random.shuffle(order)
        for name in order:
            wall, cpu = corpus_seconds(commands[name], files)
            seconds[name].append(wall)
            cpu_seconds[name].append(cpu)
    # The multi-file mode: every file in one process, on one thread and on every core.
    batch = {"multi-file, 1 job": ["--jobs", "1"], "multi-file, all cores": []}
    for name, options in batch.items():
        seconds[name], cpu_seconds[name] = [], []
        for _ in range(args.rounds):
            start = time.perf_counter()
            usage = spawn([commands["stylewarden"][0]] + options + commands["stylewarden"][1:] +
                          files)[1]
            seconds[name].append(time.perf_counter() - start)
            cpu_seconds[name].append(usage.ru_utime + usage.ru_stime)
    best = {name: min(values) for name, values in seconds.items()}
    best_cpu = {name: min(values) for name, values in cpu_seconds.items()}

    # The fixed cost of one run (start-up, state file, shut-down) on a one-element document.
    with tempfile.NamedTemporaryFile("w", suffix=".xml") as tiny:
        tiny.write("<x/>")
        tiny.flush()
        fixed = {name: min(corpus_seconds(commands[name], [tiny.name] * 50)[1]
                           for _ in range(args.rounds)) / 50 for name in commands}

    largest = max(files, key=os.path.getsize)
    launcher = os.path.abspath(args.peak_rss)
    peak = {name: peak_kib(launcher, commands[name] + [largest], 5) for name in commands}
    floor = peak_kib(launcher, ["/bin/true"], 5)

    print("corpus: %d files in %s, best of %d rounds" % (len(files), find_corpus(args.corpus),
                                                         args.rounds))
    for name in list(commands) + list(batch):
        print("  %-21s wall %6.2f s (%.1f ms per file), CPU %6.2f s; rounds: %s" % (
            name, best[name], 1000 * best[name] / len(files), best_cpu[name],
            ", ".join("%.2f" % s for s in seconds[name])))
    for label, table in (("wall", best), ("CPU ", best_cpu)):
        print("time (%s) stylewarden / bare SAX2 parse: %.3f  (goal <= %.1f)" % (
            label, table["stylewarden"] / table["bare SAX2 parse"], TIME_GOAL))
        print("time (%s) stylewarden / xmllint --noout: %.3f" % (
            label, table["stylewarden"] / table["xmllint --noout"]))
        for name in batch:
            print("time (%s) stylewarden %s / bare SAX2 parse: %.3f" % (
                label, name, table[name] / table["bare SAX2 parse"]))
    print("fixed CPU cost per run on a one-element document: %s" % ", ".join(
        "%s %.1f ms" % (name, 1000 * fixed[name]) for name in commands))
    print("largest file: %s (%d bytes)" % (largest, os.path.getsize(largest)))
    for name in commands:
        print("  %-16s peak RSS %d KiB" % (name, peak[name]))
    print("  (%d KiB of it is the launcher's own, as /bin/true shows)" % floor)
    memory_ratio = peak["stylewarden"] / peak["bare SAX2 parse"]
    print("memory stylewarden / bare SAX2 parse: %.3f  (goal <= %.1f)" % (memory_ratio,
                                                                          MEMORY_GOAL))
    print("memory stylewarden / xmllint --noout: %.3f" %
          (peak["stylewarden"] / peak["xmllint --noout"]))


if __name__ == "__main__":
    main()
