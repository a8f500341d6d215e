// Attaching to a php started elsewhere, the TCP transport, and bad input of
// every kind: unsupported requests, broken framing, a php that never announces
// itself.
'use strict';
const assert = require('node:assert');
const cp = require('node:child_process');
const fs = require('node:fs');
const net = require('node:net');
const os = require('node:os');
const path = require('node:path');
const { test } = require('node:test');
const { DebugClient } = require('@vscode/debugadapter-testsupport');
const h = require('./harness');

// Runs php with the extension in `mode` (3: stops at the first statement,
// 5: waits before it), announcing itself to `remotePort`.
function startPhp(name, remotePort, mode = 3, host = '127.0.0.1') {
  return h.freePort().then((enginePort) => {
    const php = cp.spawn(h.PHP, ['-n', '-d', `extension=${h.MODULE}`, '-d', `lucentdebug.enabled=${mode}`,
      '-d', `lucentdebug.port=${enginePort}`, '-d', `lucentdebug.remoteport=${remotePort}`,
      '-d', `lucentdebug.host=${host}`, h.script(name)],
    { env: Object.assign({}, process.env, h.phpEnvironment()), stdio: ['ignore', 'pipe', 'pipe'] });
    php.stdoutText = '';
    php.stdout.on('data', (d) => { php.stdoutText += d; });
    // 'close', unlike 'exit', comes only once the output pipes are drained.
    php.ended = new Promise((resolve) => php.on('close', (code) => resolve(code)));
    return php;
  });
}

// Runs the adapter with raw bytes on its input; resolves with its exit code and stderr.
function runAdapterWithInput(bytes) {
  return new Promise((resolve, reject) => {
    const adapter = cp.spawn(h.ADAPTER, [], { stdio: ['pipe', 'pipe', 'pipe'] });
    let stderr = '';
    adapter.stderr.on('data', (d) => { stderr += d; });
    adapter.stdout.resume();
    const timer = setTimeout(() => { adapter.kill('SIGKILL'); reject(new Error('the adapter did not end')); }, 20000);
    adapter.on('close', (code) => { clearTimeout(timer); resolve({ code, stderr }); });
    adapter.stdin.end(bytes);
  });
}

// The next "thread" event of `reason` ("started", "exited").
function threadEvent(client, reason) {
  return new Promise((resolve) => {
    const listener = (event) => {
      if (event.body.reason !== reason) return;
      client.removeListener('thread', listener);
      resolve(event);
    };
    client.on('thread', listener);
  });
}

function frame(body) {
  return `Content-Length: ${Buffer.byteLength(body)}\r\n\r\n${body}`;
}

// Continues request 1, which then ends with main.php's whole output.
async function continueToEnd(client, php) {
  const exited = threadEvent(client, 'exited');
  await client.continueRequest({ threadId: 1 });
  assert.strictEqual((await exited).body.threadId, 1);
  assert.strictEqual(await php.ended, 0);
  assert.strictEqual(php.stdoutText, 'total=15\ndone\n');
}

test('attach to a php started outside the adapter', async () => {
  const remotePort = await h.freePort();
  let php;
  await h.withClient(async (client) => {
    const stopped = h.nextStop(client);
    const configured = client.waitForEvent('initialized').then(async () => {
      const response = await client.setBreakpointsRequest({ source: { path: h.script('helper.php') }, breakpoints: [{ line: 4 }] });
      assert.ok(response.body.breakpoints[0].verified);
      await client.configurationDoneRequest();
    });
    await client.initializeRequest();
    await client.attachRequest({ port: remotePort, timeout: 20 });
    php = await startPhp('main.php', remotePort);
    try {
      await configured;
      const stop = await stopped;
      assert.strictEqual(stop.event.body.reason, 'breakpoint');
      assert.strictEqual(stop.top.line, 4);
      const locals = await h.localsOfTopFrame(client, stop.top.id);
      assert.strictEqual(locals.$sum.value, '1');
      // The request is a thread named by its script; it ends, the session waits on.
      assert.strictEqual(stop.event.body.threadId, 1);
      assert.strictEqual(stop.event.body.allThreadsStopped, false);
      const threads = await client.threadsRequest();
      assert.deepStrictEqual(threads.body.threads, [{ id: 1, name: h.script('main.php') }]);
      await client.setBreakpointsRequest({ source: { path: h.script('helper.php') }, breakpoints: [] });
      await continueToEnd(client, php);
    } finally {
      php.kill('SIGKILL');
    }
  });
});

test('attach serves requests side by side, each a thread stopped and inspected on its own', async () => {
  const remotePort = await h.freePort();
  const phps = [];
  await h.withClient(async (client) => {
    const stops = h.collect(client, 'stopped');
    const threads = h.collect(client, 'thread');
    const configured = client.waitForEvent('initialized').then(async () => {
      await client.setBreakpointsRequest({ source: { path: h.script('helper.php') }, breakpoints: [{ line: 4, hitCondition: '2' }] });
      await client.configurationDoneRequest();
    });
    await client.initializeRequest();
    await client.attachRequest({ port: remotePort });
    try {
      phps.push(await startPhp('main.php', remotePort));
      await configured;
      phps.push(await startPhp('main.php', remotePort));
      // Both stop at their own second hit, while the other may run.
      const until = async (count) => { while (stops.length < count) await client.waitForEvent('stopped'); };
      await until(2);
      const ids = stops.map((e) => e.body.threadId).sort();
      assert.deepStrictEqual(ids, [1, 2]);
      const listed = (await client.threadsRequest()).body.threads;
      assert.deepStrictEqual(listed.map((t) => t.name), [h.script('main.php'), h.script('main.php')]);
      // Stepping one leaves the other where it is.
      const before = (await client.stackTraceRequest({ threadId: 2 })).body.stackFrames[0];
      await client.nextRequest({ threadId: 1 });
      await until(3);
      assert.strictEqual(stops[2].body.threadId, 1);
      const top1 = (await client.stackTraceRequest({ threadId: 1 })).body.stackFrames[0];
      assert.deepStrictEqual([top1.source.path, top1.line], [h.script('main.php'), 4]);
      assert.strictEqual((await client.evaluateRequest({ expression: '$total', frameId: top1.id })).body.result, '3');
      const locals2 = await h.localsOfTopFrame(client, before.id);
      assert.strictEqual(locals2.$sum.value, '3');
      await assert.rejects(client.stackTraceRequest({ threadId: 7 }), /no script is stopped/);
      await client.setBreakpointsRequest({ source: { path: h.script('helper.php') }, breakpoints: [] });
      await Promise.all([1, 2].map((threadId) => client.continueRequest({ threadId })));
      for (const php of phps) {
        assert.strictEqual(await php.ended, 0);
        assert.strictEqual(php.stdoutText, 'total=15\ndone\n');
      }
      while (threads.filter((e) => e.body.reason === 'exited').length < 2) await client.waitForEvent('thread');
      assert.deepStrictEqual(threads.filter((e) => e.body.reason === 'started').map((e) => e.body.threadId).sort(), [1, 2]);
    } finally {
      phps.forEach((php) => php.kill('SIGKILL'));
    }
  });
});

test('attach listens on the address "hostname" names', async () => {
  const remotePort = await h.freePort();
  let php;
  await h.withClient(async (client) => {
    const stopped = h.nextStop(client);
    const configured = client.waitForEvent('initialized').then(() => client.configurationDoneRequest());
    await client.initializeRequest();
    await client.attachRequest({ hostname: '127.0.0.2', port: remotePort, stopOnEntry: true });
    php = await startPhp('main.php', remotePort, 3, '127.0.0.2');
    try {
      await configured;
      assert.strictEqual((await stopped).top.line, 2);
      await continueToEnd(client, php);
    } finally {
      php.kill('SIGKILL');
    }
  });
});

test('disconnect ends the adapter while an attached request runs on', async () => {
  const remotePort = await h.freePort();
  const client = await h.startClient();
  let php;
  try {
    const configured = client.waitForEvent('initialized').then(() => client.configurationDoneRequest());
    await client.initializeRequest();
    await client.attachRequest({ port: remotePort });
    php = await startPhp('endless.php', remotePort);
    await configured;
    await client.disconnectRequest({});
    assert.strictEqual(await client.adapterEnded, 0);
    assert.strictEqual(php.exitCode, null, 'the request was ended');
  } finally {
    if (php) php.kill('SIGKILL');
    client.stopAdapter();
  }
});

test('over TCP with --port the adapter serves one client after another', async () => {
  const port = await h.freePort();
  const adapter = cp.spawn(h.ADAPTER, ['--port', String(port)], { stdio: ['ignore', 'ignore', 'pipe'] });
  try {
    await new Promise((resolve) => adapter.stderr.once('data', resolve));  // listening
    for (let round = 0; round < 2; round++) {
      const client = new DebugClient('env', h.ADAPTER, 'lucentdebug');
      client.defaultTimeout = 20000;
      await client.start(port);
      try {
        const stopped = h.nextStop(client);
        await Promise.all([client.configurationSequence(), client.launch(h.launchArgs('main.php', { stopOnEntry: true }))]);
        const stop = await stopped;
        assert.strictEqual(stop.top.line, 2);
      } finally {
        await client.stop();
      }
    }
  } finally {
    adapter.kill('SIGKILL');
  }
});

test('an unsupported request gets an error response and the session goes on', async () => {
  await h.withClient(async (client) => {
    await client.initializeRequest();
    await assert.rejects(client.customRequest('fooBar', {}), /unsupported request: fooBar/);
    await assert.rejects(client.send('pause', { threadId: 1 }), /no script is running/);
    const threads = await client.threadsRequest();
    assert.strictEqual(threads.body.threads.length, 1);
  });
});

test('bad launch arguments are refused with a message', async () => {
  await h.withClient(async (client) => {
    await client.initializeRequest();
    await assert.rejects(client.launchRequest({}), /"program".*required/);
    await assert.rejects(client.launchRequest({ program: h.script('main.php'), runtimeExecutable: '/no/such/php' }),
      /cannot run \/no\/such\/php/);
    await assert.rejects(client.launchRequest({ program: h.script('main.php'), args: 'not a list' }), /"args" has the wrong type/);
  });
});

test('a launch that cannot work is refused before the script runs, with the reason', async () => {
  const mark = path.join(os.tmpdir(), `lucentdebug-mark-${process.pid}`);
  fs.rmSync(mark, { force: true });
  const marking = (extra) => h.launchArgs('marks_file.php', Object.assign({ env: Object.assign(h.phpEnvironment(), { LUCENTDEBUG_MARK: mark }) }, extra));
  await h.withClient(async (client) => {
    await client.initializeRequest();
    await assert.rejects(client.launchRequest(marking({ extension: '/no/such/extension.so' })),
      /php does not load the extension \/no\/such\/extension\.so: .*Unable to load dynamic library/);
    await assert.rejects(client.launchRequest(marking({ runtimeExecutable: h.script('main.php') })),
      /cannot run .*main\.php: Permission denied/);
    await assert.rejects(client.launchRequest(h.launchArgs('no_such_script.php')),
      /the program .*no_such_script\.php does not exist/);
    await assert.rejects(client.launchRequest(h.launchArgs('syntax_error.php')),
      /the program .*syntax_error\.php does not compile: .*syntax error.* on line 4/);
  });
  assert.ok(!fs.existsSync(mark), 'a refused launch ran the script');
});

test('malformed framing ends the adapter with a message on stderr; bad bodies do not', async () => {
  for (const input of ['Content-Length: abc\r\n\r\n{}', 'no header at all\r\n\r\n']) {
    const { code, stderr } = await runAdapterWithInput(input);
    assert.strictEqual(code, 1, `exit status for ${JSON.stringify(input)}`);
    assert.match(stderr, /lucentdebug-dap: unreadable input/);
  }
  // Bodies that are no requests are answered with errors; the end of input ends cleanly.
  for (const input of [frame('{not json'), frame('[1,2]'), frame('{"type":"request","seq":1}')]) {
    const { code, stderr } = await runAdapterWithInput(input);
    assert.strictEqual(code, 0, `exit status for ${JSON.stringify(input)}`);
    assert.strictEqual(stderr, '');
  }
  const clean = await runAdapterWithInput('');
  assert.strictEqual(clean.code, 0);
});

test('a php that never announces itself times out with an error and the adapter ends cleanly', async () => {
  await h.withClient(async (client) => {
    const output = h.collect(client, 'output');
    const terminated = client.waitForEvent('terminated');
    await client.launch(h.launchArgs('main.php', { runtimeExecutable: h.script('never_announces.sh'), timeout: 1 }));
    await terminated;
    const stderr = output.filter((e) => e.body.category === 'stderr').map((e) => e.body.output).join('');
    assert.match(stderr, /php did not announce itself within 1000 ms/);
    // The adapter ends by itself, with status 0, once the client disconnects.
    await client.disconnectRequest({});
    assert.strictEqual(await client.adapterEnded, 0);
  });
});

test('a php that ends before announcing itself is reported', async () => {
  await h.withClient(async (client) => {
    const output = h.collect(client, 'output');
    const terminated = client.waitForEvent('terminated');
    await client.launch(h.launchArgs('main.php', { runtimeExecutable: h.script('ends_at_once.sh') }));
    await terminated;
    const stderr = output.filter((e) => e.body.category === 'stderr').map((e) => e.body.output).join('');
    assert.match(stderr, /php ended \(status \d+\) before its debugger announced itself/);
  });
});

test('detaching from an attached request lets it run to its end without stopping', async () => {
  const remotePort = await h.freePort();
  const client = await h.startClient();
  let php;
  try {
    const stopped = h.nextStop(client);
    const configured = client.waitForEvent('initialized').then(async () => {
      await client.setBreakpointsRequest({ source: { path: h.script('helper.php') }, breakpoints: [{ line: 3 }] });
      await client.configurationDoneRequest();
    });
    await client.initializeRequest();
    await client.attachRequest({ port: remotePort, timeout: 20 });
    php = await startPhp('main.php', remotePort);
    await configured;
    await stopped;
    await client.disconnectRequest({ terminateDebuggee: false });
    assert.strictEqual(await php.ended, 0);
    assert.strictEqual(php.stdoutText, 'total=15\ndone\n');
    assert.strictEqual(await client.adapterEnded, 0);
  } finally {
    if (php) php.kill('SIGKILL');
    client.stopAdapter();
  }
});

test('terminate while the script runs ends it', async () => {
  await h.withClient(async (client) => {
    const output = h.collect(client, 'output');
    const stopped = h.nextStop(client);
    await Promise.all([client.configurationSequence(), client.launch(h.launchArgs('slow_loop.php', { stopOnEntry: true }))]);
    await stopped;
    const terminated = client.waitForEvent('terminated');
    await client.continueRequest({ threadId: 1 });
    await client.terminateRequest({});
    await terminated;
    assert.ok(!output.some((e) => e.body.output.includes('end')), 'the script ran to its end');
  });
});

test('attach with stopOnEntry to a request that waits before its first statement', async () => {
  const remotePort = await h.freePort();
  let php;
  await h.withClient(async (client) => {
    const stopped = h.nextStop(client);
    const configured = client.waitForEvent('initialized').then(() => client.configurationDoneRequest());
    await client.initializeRequest();
    await client.attachRequest({ port: remotePort, timeout: 20, stopOnEntry: true });
    php = await startPhp('main.php', remotePort, 5);
    try {
      await configured;
      const stop = await stopped;
      assert.strictEqual(stop.event.body.reason, 'entry');
      // Frames of this mode carry file URLs; the editor gets paths.
      assert.strictEqual(stop.top.source.path, h.script('main.php'));
      assert.strictEqual(stop.top.line, 2);
      const exited = threadEvent(client, 'exited');
      await client.continueRequest({ threadId: 1 });
      await exited;
      assert.strictEqual(await php.ended, 0);
    } finally {
      php.kill('SIGKILL');
    }
  });
});
