// Web requests through the adapter's attach mode, on a real server started by
// ../../../tests/web/web_servers.py (WEB_KIND: fpm, apache or cli) with opcache
// and the extension in trigger mode: every request is a thread of one session.
'use strict';
const assert = require('node:assert');
const cp = require('node:child_process');
const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');
const readline = require('node:readline');
const { test, before, after } = require('node:test');
const h = require('./harness');

const KIND = process.env.WEB_KIND || 'cli';
const WEB_SERVERS = path.join(__dirname, '..', '..', '..', 'tests', 'web', 'web_servers.py');
const FRONT = `<?php
require __DIR__ . '/lib/Greeter.php';
$name = $_GET['name'] ?? 'world';
$greeter = new Greeter();
echo $greeter->greet($name), "\\n";
`;
const FRONT_LINE = 4;
const GREETER = `<?php
class Greeter {
    public function greet($name) {
        $text = "hello " . $name;
        return $text;
    }
}
`;
const GREETER_LINE = 4;

let root;      // the folder the server serves
let copy;      // the same project elsewhere, as an editor may have it
let idePort;   // where the extension looks for the adapter
let server;    // web_servers.py
let webPort;

function writeProject(folder) {
  fs.mkdirSync(path.join(folder, 'lib'), { recursive: true, mode: 0o755 });
  fs.writeFileSync(path.join(folder, 'index.php'), FRONT);
  fs.writeFileSync(path.join(folder, 'lib', 'Greeter.php'), GREETER);
}

before(async () => {
  root = fs.realpathSync(fs.mkdtempSync(path.join(os.tmpdir(), 'dap-web-')));
  fs.chmodSync(root, 0o755);
  writeProject(path.join(root, 'site'));
  writeProject(path.join(root, 'checkout'));
  copy = path.join(root, 'checkout');
  // A copy the server's user (Apache's nobody) may read.
  const module = path.join(root, 'lucentdebug.so');
  fs.copyFileSync(h.MODULE, module);
  idePort = await h.freePort();
  server = cp.spawn('python3', [WEB_SERVERS, KIND, '--docroot', path.join(root, 'site'),
    '--ini', `extension=${module}`, '--ini', 'lucentdebug.enabled=6',
    '--ini', `lucentdebug.remoteport=${idePort}`, '--ini', 'lucentdebug.connect_timeout_ms=2000'],
  { stdio: ['pipe', 'pipe', 'inherit'] });
  const line = await new Promise((resolve, reject) => {
    readline.createInterface({ input: server.stdout }).once('line', resolve);
    server.once('exit', (code) => reject(new Error(`web_servers.py ended (${code})`)));
  });
  webPort = JSON.parse(line).port;
});

after(async () => {
  if (server) {
    const ended = new Promise((resolve) => server.once('exit', resolve));
    server.stdin.end();
    await ended;
  }
  fs.rmSync(root, { recursive: true, force: true });
});

// One GET; resolves with its status and body.
function get(query) {
  return new Promise((resolve, reject) => {
    // A connection of its own: a worker stopped on one request cannot answer
    // another that a kept-alive connection would bring it.
    const request = http.get({ host: '127.0.0.1', port: webPort, path: `/index.php?${query}`, agent: false },
      (response) => {
        let body = '';
        response.setEncoding('utf8');
        response.on('data', (chunk) => { body += chunk; });
        response.on('end', () => resolve({ status: response.statusCode, body }));
      });
    request.on('error', reject);
  });
}

function debugged(name) {
  return get(`LUDBG_SESSION=1&name=${name}`);
}

async function assertBody(response, name) {
  assert.deepStrictEqual(await response, { status: 200, body: `hello ${name}\n` });
}

// Events of one kind from now on, with a wait for the first `count` of them
// that `match`.
function events(client, type) {
  const seen = [];
  const waiting = [];
  client.on(type, (event) => {
    seen.push(event);
    for (const w of waiting.slice()) w();
  });
  seen.until = (count, match = () => true, ms = 20000) => new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`${count} ${type} events not seen in ${ms} ms (${seen.filter(match).length} were)`)), ms);
    const check = () => {
      const found = seen.filter(match);
      if (found.length < count) return;
      clearTimeout(timer);
      waiting.splice(waiting.indexOf(check), 1);
      resolve(found.slice(0, count));
    };
    waiting.push(check);
    check();
  });
  return seen;
}

// An adapter attached on idePort, configured with `breakpoints` (path → lines)
// when the first request arrives; `first` starts that request.
async function attach(breakpoints, first, extra = {}) {
  const client = await h.startClient();
  client.stops = events(client, 'stopped');
  client.threads = events(client, 'thread');
  const configured = client.waitForEvent('initialized').then(async () => {
    for (const [file, lines] of Object.entries(breakpoints)) {
      await client.setBreakpointsRequest({ source: { path: file }, breakpoints: lines.map((line) => ({ line })) });
    }
    await client.configurationDoneRequest();
  });
  await client.initializeRequest();
  await client.attachRequest(Object.assign({ port: idePort }, extra));
  const response = first();
  await configured;
  return { client, response };
}

async function topOf(client, threadId) {
  const trace = await client.stackTraceRequest({ threadId });
  return trace.body.stackFrames[0];
}

async function evaluate(client, frameId, expression) {
  return (await client.evaluateRequest({ expression, frameId, context: 'watch' })).body.result;
}

// Waits for the stop of `threadId` at `file`:`line` and lets it go on.
async function stopsAndGoes(client, stopsBefore, file, line) {
  const stop = (await client.stops.until(stopsBefore + 1))[stopsBefore];
  const top = await topOf(client, stop.body.threadId);
  assert.deepStrictEqual([top.source.path, top.line], [file, line]);
  assert.strictEqual(stop.body.allThreadsStopped, false);
  await client.continueRequest({ threadId: stop.body.threadId });
  return stop.body.threadId;
}

test(`${KIND}: requests one after another and at once, each a thread`, async () => {
  const site = path.join(root, 'site');
  const front = path.join(site, 'index.php');
  const greeter = path.join(site, 'lib', 'Greeter.php');
  const { client, response } = await attach({ [front]: [FRONT_LINE], [greeter]: [GREETER_LINE] }, () => debugged('a'));
  try {
    // The front controller, then the class it includes.
    const [stop] = await client.stops.until(1);
    assert.strictEqual(stop.body.reason, 'breakpoint');
    const [started] = await client.threads.until(1, (e) => e.body.reason === 'started');
    assert.strictEqual(started.body.threadId, stop.body.threadId);
    const threads = (await client.threadsRequest()).body.threads;
    assert.deepStrictEqual(threads, [{ id: stop.body.threadId, name: 'GET /index.php?LUDBG_SESSION=1&name=a' }]);
    assert.strictEqual((await topOf(client, stop.body.threadId)).line, FRONT_LINE);
    await client.continueRequest({ threadId: stop.body.threadId });
    await stopsAndGoes(client, 1, greeter, GREETER_LINE);
    await assertBody(response, 'a');
    await client.threads.until(1, (e) => e.body.reason === 'exited');
    await client.setBreakpointsRequest({ source: { path: greeter }, breakpoints: [] });

    // Twenty in a row: each stops at the breakpoint and completes.
    for (let i = 0; i < 20; i++) {
      const next = debugged(`n${i}`);
      await stopsAndGoes(client, client.stops.length, front, FRONT_LINE);
      await assertBody(next, `n${i}`);
    }
    await client.threads.until(21, (e) => e.body.reason === 'exited');

    // Without the trigger nothing connects.
    await assertBody(get('name=plain'), 'plain');

    // Two, then eight at once: all stop side by side, each inspected on its own.
    for (const count of [2, 8]) {
      const stopsBefore = client.stops.length;
      const names = Array.from({ length: count }, (_, k) => `c${count}x${k}`);
      const responses = names.map((name) => debugged(name));
      const gone = new Set();
      // Inspects the requests stopped now and lets them go on.
      const inspectAndGo = async () => {
        const stopped = client.stops.slice(stopsBefore).map((s) => s.body.threadId).filter((id) => !gone.has(id));
        const listed = (await client.threadsRequest()).body.threads;
        for (const id of stopped) {
          const thread = listed.find((t) => t.id === id);
          assert.ok(thread, `thread ${id} is not listed`);
          const top = await topOf(client, id);
          assert.strictEqual(top.line, FRONT_LINE);
          assert.strictEqual(await evaluate(client, top.id, '$name'), `"${thread.name.replace(/.*name=/, '')}"`);
        }
        stopped.forEach((id) => gone.add(id));
        await Promise.all(stopped.map((threadId) => client.continueRequest({ threadId })));
        return stopped.length;
      };
      while (client.stops.length - stopsBefore < count) {
        try {
          await client.stops.until(stopsBefore + count, () => true, KIND === 'cli' ? 3000 : 20000);
        } catch (error) {
          // A php -S worker may have taken two connections and runs them one
          // after the other: the first must go on.
          if (KIND !== 'cli' || client.stops.length === stopsBefore) throw error;
          await inspectAndGo();
        }
      }
      const together = await inspectAndGo();
      if (KIND !== 'cli') assert.strictEqual(together, count);
      assert.strictEqual(gone.size, count);
      await Promise.all(names.map((name, k) => assertBody(responses[k], name)));
    }
    const startedAll = client.threads.filter((e) => e.body.reason === 'started').length;
    assert.strictEqual(startedAll, 1 + 20 + 2 + 8, 'a request without the trigger connected');
  } finally {
    await client.stop();
  }
});

test(`${KIND}: disconnect, a killed adapter or none at all leave requests to complete`, async () => {
  const front = path.join(root, 'site', 'index.php');
  // Disconnecting lets every stopped request go on, and the adapter ends.
  const first = await attach({ [front]: [FRONT_LINE] }, () => debugged('d0'));
  await first.client.stops.until(1);
  const second = debugged('d1');
  await first.client.stops.until(2);
  await first.client.disconnectRequest({});
  await assertBody(first.response, 'd0');
  await assertBody(second, 'd1');
  assert.strictEqual(await first.client.adapterEnded, 0);
  first.client.stopAdapter();

  const { client, response } = await attach({ [front]: [FRONT_LINE] }, () => debugged('k'));
  await client.stops.until(1);
  client._adapterProcess.kill('SIGKILL');
  // The closed control line lets the request go on at once.
  const late = setTimeout(() => assert.fail('the request did not complete within 10 s'), 10000);
  await assertBody(response, 'k');
  clearTimeout(late);
  client.stopAdapter();
  // Nobody listens now.
  await assertBody(debugged('alone'), 'alone');
});

test(`${KIND}: pathMappings show the server's files as the editor's copy`, async () => {
  const { client, response } = await attach({ [path.join(copy, 'lib', 'Greeter.php')]: [GREETER_LINE] },
    () => debugged('m'), { pathMappings: { [path.join(root, 'site')]: copy } });
  try {
    const [stop] = await client.stops.until(1);
    assert.strictEqual(stop.body.reason, 'breakpoint');
    const trace = (await client.stackTraceRequest({ threadId: stop.body.threadId })).body.stackFrames;
    assert.deepStrictEqual(trace.map((f) => [f.source.path, f.line]),
      [[path.join(copy, 'lib', 'Greeter.php'), GREETER_LINE], [path.join(copy, 'index.php'), 5]]);
    // Evaluated file names read as the copy's, and the copy's names typed in reach the server's.
    const evaluate = async (expression) => (await client.evaluateRequest({ expression, frameId: trace[0].id })).body.result;
    assert.strictEqual(await evaluate('get_included_files()[1]'), JSON.stringify(path.join(copy, 'lib', 'Greeter.php')));
    assert.strictEqual(await evaluate(`in_array('${path.join(copy, 'index.php')}', get_included_files())`), 'true');
    await client.continueRequest({ threadId: stop.body.threadId });
    await assertBody(response, 'm');
  } finally {
    await client.stop();
  }
});

