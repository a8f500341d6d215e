#!/usr/bin/env python3
"""Requests per second of a small real page (Debian's php-twig rendering a
template) through nginx + php-fpm with opcache, measured with ab on loopback:
plain, lucentdebug loaded in trigger mode with no session, and Xdebug
(xdebug.mode=debug, xdebug.start_with_request=trigger) without a trigger,
side by side in one run; then callgrind's instruction counts of one request of
the same page under the command line (opcache on). Prints the ratios to plain."""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "ext", "LucentDebug", "tests", "web"))
import web_servers  # noqa: E402

PAGE = r"""<?php
require_once '/usr/share/php/Twig/autoload.php';
$loader = new \Twig\Loader\ArrayLoader([
    'page' => '<h1>{{ title }}</h1><ul>{% for item in items %}'
            . '<li class="{{ cycle(["odd", "even"], loop.index0) }}">{{ item.name|upper }}:'
            . ' {{ item.price|number_format(2) }}</li>{% endfor %}</ul>',
]);
$twig = new \Twig\Environment($loader, ['cache' => __DIR__ . '/cache']);
$items = [];
for ($i = 0; $i < 50; $i++) {
    $items[] = ['name' => "item $i", 'price' => $i * 1.25];
}
echo $twig->render('page', ['title' => 'Catalogue', 'items' => $items]);
"""
# What Twig needs beside the core, loaded in every configuration.
BASE = ["extension=ctype.so", "extension=mbstring.so"]


def rps(port, requests, concurrency):
    out = subprocess.run(["ab", "-q", "-k", "-n", str(requests), "-c", str(concurrency),
                          "http://127.0.0.1:%d/page.php" % port],
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, check=True).stdout
    text = out.decode()
    if re.search(r"Failed requests:\s+[1-9]", text) or "Non-2xx" in text:
        raise RuntimeError("ab saw failures:\n" + text)
    return float(re.search(r"Requests per second:\s+([\d.]+)", text).group(1))


def instructions(php, settings, page):
    with tempfile.TemporaryDirectory() as out_dir:
        out = os.path.join(out_dir, "callgrind.out")
        cmd = ["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out, php, "-n"]
        for setting in web_servers.OPCACHE + BASE + settings:
            cmd += ["-d", setting]
        subprocess.run(cmd + [page], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       check=True)
        with open(out) as handle:
            return int(re.search(r"^summary: (\d+)", handle.read(), re.M).group(1))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--module", required=True)
    parser.add_argument("--php", default="php8.2")
    parser.add_argument("--requests", type=int, default=3000)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--concurrency", type=int, default=2)
    args = parser.parse_args()
    extension_dir = subprocess.run([args.php, "-n", "-r", "echo ini_get('extension_dir');"],
                                   stdout=subprocess.PIPE, check=True).stdout.decode()
    xdebug = os.path.join(extension_dir, "xdebug.so")
    configs = [("plain", []),
               ("lucentdebug, no session", ["extension=" + os.path.abspath(args.module),
                                            "lucentdebug.enabled=6"])]
    if os.path.exists(xdebug):
        configs.append(("Xdebug, no trigger", ["zend_extension=" + xdebug, "xdebug.mode=debug",
                                               "xdebug.start_with_request=trigger"]))
    root = os.path.realpath(tempfile.mkdtemp(prefix="bench-web-"))
    os.chmod(root, 0o755)
    try:
        page = os.path.join(root, "page.php")
        with open(page, "w") as handle:
            handle.write(PAGE)
        servers = [web_servers.WebServer("fpm", root, BASE + ini, workers=2).start()
                   for _, ini in configs]
        try:
            for server in servers:  # warm-up: opcache and Twig's cache filled
                with urllib.request.urlopen(server.url + "/page.php") as response:
                    body = response.read().decode()
                if "<h1>Catalogue</h1>" not in body:
                    raise RuntimeError("the page does not render:\n" + body[:2000])
                rps(server.port, 200, args.concurrency)
            best = [0.0] * len(configs)
            for _ in range(args.rounds):  # interleaved, so drift hits all alike
                for i, server in enumerate(servers):
                    best[i] = max(best[i], rps(server.port, args.requests, args.concurrency))
        finally:
            for server in servers:
                server.stop()
        print("requests/s:", ", ".join("%s %.0f" % (name, value)
                                       for (name, _), value in zip(configs, best)), flush=True)
        counts = [instructions(args.php, ini, page) for _, ini in configs]
    finally:
        shutil.rmtree(root, ignore_errors=True)
    print("| nginx + php-fpm, opcache, Twig page | requests/s (best of %d) | ratio | "
          "callgrind Ir, one request (CLI) | ratio |" % args.rounds)
    print("|---|---|---|---|---|")
    for (name, _), value, count in zip(configs, best, counts):
        print("| %s | %.0f | %.3f | %d | %.3f |" % (name, value, value / best[0], count,
                                                  count / counts[0]))


if __name__ == "__main__":
    main()
