#!/usr/bin/env python3
"""Real web servers running PHP with opcache on a free loopback port, from
temporary configurations only (no system configuration, no system service):
php-fpm behind nginx ("fpm"), Apache with mod_php ("apache") and php's own
server with workers ("cli").

As a module: `with WebServer("fpm", docroot, ini=[...]) as server: server.port`.
As a program: `web_servers.py KIND --docroot D --ini k=v ...` prints one JSON
line {"kind", "port", "logs"} and serves until stdin closes or it is killed.
"""
import argparse
import ctypes
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from phprun import free_port  # noqa: E402

KINDS = ("fpm", "apache", "cli")
PHP = "php8.2"
PHP_FPM = "/usr/sbin/php-fpm8.2"
NGINX = "/usr/sbin/nginx"
APACHE = "/usr/sbin/apache2"
APACHE_MODULES = "/usr/lib/apache2/modules"
OPCACHE = ["zend_extension=opcache.so", "opcache.enable=1", "opcache.enable_cli=1"]


# Runs a server as its child, in a process group of its own, and ends the whole
# group when told to or when the harness goes however it goes: servers such as
# php -S fork workers that would outlive their master.
GUARD = """
import os, signal, subprocess, sys
server = subprocess.Popen(sys.argv[1:])
def end(*_):
    try:
        os.killpg(server.pid, signal.SIGKILL)  # a server that made itself a session (php-fpm)
    except OSError:
        pass
    os.killpg(0, signal.SIGKILL)
signal.signal(signal.SIGTERM, end)
sys.exit(server.wait())
"""


def _guard_dies_with_parent():
    os.setpgrp()
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def _write(path, text):
    with open(path, "w") as handle:
        handle.write(text)


FASTCGI_PARAMS = """
    fastcgi_param SCRIPT_FILENAME $document_root$fastcgi_script_name;
    fastcgi_param SCRIPT_NAME $fastcgi_script_name;
    fastcgi_param QUERY_STRING $query_string;
    fastcgi_param REQUEST_METHOD $request_method;
    fastcgi_param CONTENT_TYPE $content_type;
    fastcgi_param CONTENT_LENGTH $content_length;
    fastcgi_param REQUEST_URI $request_uri;
    fastcgi_param DOCUMENT_URI $document_uri;
    fastcgi_param DOCUMENT_ROOT $document_root;
    fastcgi_param SERVER_PROTOCOL $server_protocol;
    fastcgi_param GATEWAY_INTERFACE CGI/1.1;
    fastcgi_param SERVER_SOFTWARE nginx;
    fastcgi_param REMOTE_ADDR $remote_addr;
    fastcgi_param REMOTE_PORT $remote_port;
    fastcgi_param SERVER_ADDR $server_addr;
    fastcgi_param SERVER_PORT $server_port;
    fastcgi_param SERVER_NAME $server_name;
    fastcgi_param REDIRECT_STATUS 200;
"""


class WebServer:
    """One server of `kind` serving `docroot` (index.php is the front
    controller of paths that name no file) with the php settings `ini`
    ("name=value"), `workers` requests at a time."""

    def __init__(self, kind, docroot, ini=(), workers=10, env=None):
        if kind not in KINDS:
            raise ValueError("unknown server kind %r (one of %s)" % (kind, ", ".join(KINDS)))
        self.kind = kind
        self.docroot = os.path.abspath(docroot)
        self.ini = OPCACHE + list(ini)
        self.workers = workers
        self.env = dict(env or {})
        self.port = None
        self.dir = None
        self.logs = []
        self.processes = []

    @property
    def url(self):
        return "http://127.0.0.1:%d" % self.port

    def start(self, timeout=20):
        self.dir = tempfile.mkdtemp(prefix="web-%s-" % self.kind)
        # Apache's children run as nobody.
        os.chmod(self.dir, 0o755)
        self.port = free_port()
        try:
            getattr(self, "_start_" + self.kind)()
            self._wait_until_serving(timeout)
        except BaseException:
            self.stop()
            raise
        return self

    def _spawn(self, cmd, log_name, env=None):
        log = open(os.path.join(self.dir, log_name), "wb")
        self.logs.append(log.name)
        environment = {k: v for k, v in os.environ.items()
                       if not k.startswith("LUDBG_") and k != "PHP_INI_SCAN_DIR"}
        environment.update(self.env)
        environment.update(env or {})
        process = subprocess.Popen([sys.executable, "-c", GUARD] + cmd, stdin=subprocess.DEVNULL,
                                   stdout=log, stderr=log, env=environment,
                                   preexec_fn=_guard_dies_with_parent)
        log.close()
        self.processes.append(process)
        return process

    def _start_cli(self):
        cmd = [PHP, "-n"]
        for setting in self.ini:
            cmd += ["-d", setting]
        cmd += ["-S", "127.0.0.1:%d" % self.port, "-t", self.docroot]
        self._spawn(cmd, "php-server.log", {"PHP_CLI_SERVER_WORKERS": str(self.workers)})

    def _start_fpm(self):
        socket_path = os.path.join(self.dir, "fpm.sock")
        _write(os.path.join(self.dir, "php-fpm.conf"), """[global]
error_log = {d}/fpm-error.log
daemonize = no
[www]
listen = {sock}
listen.mode = 0666
pm = static
pm.max_children = {workers}
catch_workers_output = yes
decorate_workers_output = no
clear_env = no
""".format(d=self.dir, sock=socket_path, workers=self.workers))
        self.logs.append(os.path.join(self.dir, "fpm-error.log"))
        cmd = [PHP_FPM, "-n", "-F", "-R", "-y", os.path.join(self.dir, "php-fpm.conf")]
        for setting in self.ini:
            cmd += ["-d", setting]
        self._spawn(cmd, "fpm.log")
        _write(os.path.join(self.dir, "nginx.conf"), """daemon off;
user root;
worker_processes 1;
pid {d}/nginx.pid;
error_log {d}/nginx-error.log info;
events {{ worker_connections 1024; }}
http {{
  access_log off;
  client_body_temp_path {d}/body;
  proxy_temp_path {d}/proxy;
  fastcgi_temp_path {d}/fastcgi;
  uwsgi_temp_path {d}/uwsgi;
  scgi_temp_path {d}/scgi;
  server {{
    listen 127.0.0.1:{port};
    root {root};
    index index.php;
    location / {{ try_files $uri $uri/ /index.php$is_args$args; }}
    location ~ \\.php$ {{
      try_files $uri =404;
      fastcgi_pass unix:{sock};
      fastcgi_read_timeout 600s;
{params}
    }}
  }}
}}
""".format(d=self.dir, port=self.port, root=self.docroot, sock=socket_path,
           params=FASTCGI_PARAMS))
        self.logs.append(os.path.join(self.dir, "nginx-error.log"))
        deadline = time.monotonic() + 10
        while not os.path.exists(socket_path) and time.monotonic() < deadline:
            self._check_alive()
            time.sleep(0.02)
        self._spawn([NGINX, "-p", self.dir, "-e", os.path.join(self.dir, "nginx-error.log"),
                     "-c", os.path.join(self.dir, "nginx.conf")], "nginx.log")

    def _start_apache(self):
        ini_dir = os.path.join(self.dir, "php")
        scan_dir = os.path.join(self.dir, "php-scan")
        os.mkdir(ini_dir)
        os.mkdir(scan_dir)
        _write(os.path.join(ini_dir, "php.ini"), "".join(line + "\n" for line in self.ini))
        modules = "".join("LoadModule %s_module %s/mod_%s.so\n" % (m, APACHE_MODULES, m)
                          for m in ("mpm_prefork", "authz_core", "dir", "unixd")
                          if os.path.exists("%s/mod_%s.so" % (APACHE_MODULES, m)))
        _write(os.path.join(self.dir, "httpd.conf"), """ServerRoot {d}
ServerName 127.0.0.1
Listen 127.0.0.1:{port}
PidFile {d}/httpd.pid
DefaultRuntimeDir {d}
Mutex file:{d} default
ErrorLog {d}/apache-error.log
LogLevel warn
{modules}LoadModule php_module {mods}/libphp8.2.so
User nobody
Group nogroup
StartServers {workers}
MinSpareServers {workers}
MaxSpareServers {workers}
MaxRequestWorkers {workers}
ServerLimit {workers}
PHPINIDir {ini}
DocumentRoot {root}
<Directory {root}>
  Require all granted
  DirectoryIndex index.php
  FallbackResource /index.php
</Directory>
<FilesMatch "\\.php$">
  SetHandler application/x-httpd-php
</FilesMatch>
""".format(d=self.dir, port=self.port, modules=modules, mods=APACHE_MODULES, workers=self.workers,
           ini=ini_dir, root=self.docroot))
        self.logs.append(os.path.join(self.dir, "apache-error.log"))
        self._spawn([APACHE, "-DFOREGROUND", "-d", self.dir, "-f",
                     os.path.join(self.dir, "httpd.conf")], "apache.log",
                    {"PHP_INI_SCAN_DIR": scan_dir})

    def _check_alive(self):
        for process in self.processes:
            if process.poll() is not None:
                raise RuntimeError("%s server ended at start (status %s):\n%s"
                                   % (self.kind, process.returncode, self.log_text()))

    def _wait_until_serving(self, timeout):
        deadline = time.monotonic() + timeout
        while True:
            self._check_alive()
            try:
                with socket.create_connection(("127.0.0.1", self.port), timeout=1):
                    return
            except OSError:
                if time.monotonic() > deadline:
                    raise RuntimeError("%s server did not serve within %ss:\n%s"
                                       % (self.kind, timeout, self.log_text()))
                time.sleep(0.05)

    def log_text(self):
        """Everything the server and php logged (LUDBG: lines land here)."""
        text = ""
        for name in self.logs:
            try:
                with open(name, errors="replace") as handle:
                    text += handle.read()
            except OSError:
                pass
        return text

    def stop(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                try:
                    os.killpg(process.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
        for process in reversed(self.processes):
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                try:
                    os.killpg(process.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                process.wait()
        self.processes = []
        if self.dir:
            shutil.rmtree(self.dir, ignore_errors=True)
            self.dir = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
        return False


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("kind", choices=KINDS)
    parser.add_argument("--docroot", required=True)
    parser.add_argument("--ini", action="append", default=[], help="a php setting name=value")
    parser.add_argument("--workers", type=int, default=10)
    args = parser.parse_args()
    server = WebServer(args.kind, args.docroot, args.ini, args.workers)
    server.start()
    # Terminated, not killed: the servers stop too.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    try:
        print(json.dumps({"kind": server.kind, "port": server.port, "logs": server.logs}),
              flush=True)
        sys.stdin.read()
    finally:
        server.stop()


if __name__ == "__main__":
    main()
