// Shared helpers of the end-to-end tests: start stylewarden-ls under Microsoft's protocol
// client, wait for its diagnostics, and run the command-line program for comparison.
'use strict';

const assert = require('node:assert/strict');
const { spawn, execFile } = require('node:child_process');
const path = require('node:path');
const {
  createProtocolConnection,
  StreamMessageReader,
  StreamMessageWriter,
  InitializeRequest,
  InitializedNotification,
  ShutdownRequest,
  ExitNotification,
  PublishDiagnosticsNotification,
} = require('vscode-languageserver-protocol/node');

const SERVER = process.env.STYLEWARDEN_LS;
const PROGRAM = process.env.STYLEWARDEN;
const ROOT = process.env.STYLEWARDEN_ROOT;
assert.ok(SERVER && PROGRAM && ROOT, 'STYLEWARDEN_LS, STYLEWARDEN and STYLEWARDEN_ROOT must be set');
const STATES = path.join(ROOT, 'data', 'xslt10-states.xml');
const WAIT_MS = 60000;

// Every server a test starts; killed when the test process ends, also after a failure.
const running = new Set();
process.on('exit', () => {
  for (const child of running) child.kill('SIGKILL');
});

function withTimeout(promise, what, ms = WAIT_MS) {
  let timer;
  return Promise.race([
    promise,
    new Promise((_, reject) => {
      timer = setTimeout(() => reject(new Error(`timed out waiting for ${what}`)), ms);
    }),
  ]).finally(() => clearTimeout(timer));
}

// Resolves with {code, signal} when the child has ended and its output is all read.
function exited(child) {
  return child.closed;
}

function startProcess(args = []) {
  const child = spawn(SERVER, args, { stdio: ['pipe', 'pipe', 'pipe'] });
  running.add(child);
  child.on('exit', () => running.delete(child));
  child.closed = new Promise((resolve) => {
    child.once('close', (code, signal) => resolve({ code, signal }));
  });
  child.stderrText = '';
  child.stderr.setEncoding('utf8');
  child.stderr.on('data', (chunk) => {
    child.stderrText += chunk;
  });
  // A server that is gone must fail the test through its checks, not through EPIPE.
  child.stdin.on('error', () => {});
  return child;
}

// A server with a protocol connection. Diagnostics are queued per document URI.
class Session {
  constructor(args = []) {
    this.child = startProcess(args);
    this.exit = exited(this.child);
    this.connection = createProtocolConnection(
      new StreamMessageReader(this.child.stdout),
      new StreamMessageWriter(this.child.stdin),
    );
    this.published = new Map();
    this.waiters = new Map();
    this.logMessages = [];
    this.connection.onNotification(PublishDiagnosticsNotification.type, (params) => {
      const waiting = this.waiters.get(params.uri);
      if (waiting && waiting.length > 0) {
        waiting.shift()(params);
      } else {
        if (!this.published.has(params.uri)) this.published.set(params.uri, []);
        this.published.get(params.uri).push(params);
      }
    });
    this.connection.onNotification('window/logMessage', (params) => this.logMessages.push(params));
    this.connection.onError(() => {});
    this.connection.onClose(() => {});
    this.connection.listen();
  }

  async initialize(initializationOptions) {
    const result = await withTimeout(
      this.connection.sendRequest(InitializeRequest.type, {
        processId: process.pid,
        rootUri: null,
        capabilities: {},
        initializationOptions,
      }),
      'initialize',
    );
    await this.connection.sendNotification(InitializedNotification.type, {});
    return result;
  }

  // The next diagnostics published for `uri`.
  nextDiagnostics(uri) {
    const queued = this.published.get(uri);
    if (queued && queued.length > 0) return Promise.resolve(queued.shift());
    return withTimeout(
      new Promise((resolve) => {
        if (!this.waiters.has(uri)) this.waiters.set(uri, []);
        this.waiters.get(uri).push(resolve);
      }),
      `diagnostics of ${uri}`,
    );
  }

  notify(method, params) {
    return this.connection.sendNotification(method, params);
  }

  request(method, params) {
    return withTimeout(this.connection.sendRequest(method, params), method);
  }

  async open(uri, text, version = 1) {
    await this.notify('textDocument/didOpen', {
      textDocument: { uri, languageId: 'xslt', version, text },
    });
    return this.nextDiagnostics(uri);
  }

  async change(uri, version, contentChanges) {
    await this.notify('textDocument/didChange', { textDocument: { uri, version }, contentChanges });
    return this.nextDiagnostics(uri);
  }

  // Orderly end; resolves with the exit status.
  async shutdown() {
    await withTimeout(this.connection.sendRequest(ShutdownRequest.type), 'shutdown');
    await this.connection.sendNotification(ExitNotification.type);
    return withTimeout(this.exit, 'exit');
  }

  kill() {
    this.connection.dispose();
    this.child.kill('SIGKILL');
  }
}

// The command-line program's records for a stylesheet, as the diagnostics the server must
// publish for it: positions moved from 1-based to 0-based.
const RECORD = /^Error #: """(.*)""" \[(\d+)\] @ \((-?\d+), (-?\d+)\) => \((-?\d+), (-?\d+)\)$/;

function programDiagnostics(file) {
  return new Promise((resolve, reject) => {
    execFile(PROGRAM, [STATES, file], { maxBuffer: 64 << 20 }, (error, stdout) => {
      if (error) {
        reject(error);
        return;
      }
      const lines = stdout.split('\n').filter((line) => line !== '');
      resolve(
        lines.map((line) => {
          const match = RECORD.exec(line);
          assert.ok(match, `unexpected program output ${line}`);
          const [, message, code, l1, c1, l2, c2] = match;
          return {
            range: {
              start: { line: Math.max(+l1 - 1, 0), character: Math.max(+c1 - 1, 0) },
              end: { line: Math.max(+l2 - 1, 0), character: Math.max(+c2 - 1, 0) },
            },
            severity: +code === 1 ? 2 : 1,
            code: +code,
            source: 'stylewarden',
            message,
          };
        }),
      );
    });
  });
}

module.exports = {
  Session,
  startProcess,
  exited,
  withTimeout,
  programDiagnostics,
  SERVER,
  PROGRAM,
  ROOT,
  STATES,
};
