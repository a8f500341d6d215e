// A hostile or broken client: every message the adapter cannot serve gets an
// error response and the session goes on; only unreadable framing ends it.
'use strict';
const assert = require('node:assert');
const net = require('node:net');
const { spawn } = require('node:child_process');
const { test } = require('node:test');
const h = require('./harness');

function frame(body) {
  return `Content-Length: ${Buffer.byteLength(body)}\r\n\r\n${body}`;
}

// Every response the adapter writes from now on, parsed beside DebugClient's reader.
function responses(stream) {
  const seen = [];
  let pending = Buffer.alloc(0);
  stream.on('data', (chunk) => {
    pending = Buffer.concat([pending, chunk]);
    for (;;) {
      const end = pending.indexOf('\r\n\r\n');
      if (end < 0) return;
      const length = Number(/Content-Length: (\d+)/.exec(pending.subarray(0, end).toString())[1]);
      if (pending.length < end + 4 + length) return;
      const message = JSON.parse(pending.subarray(end + 4, end + 4 + length).toString());
      pending = pending.subarray(end + 4 + length);
      if (message.type === 'response') seen.push(message);
    }
  });
  return seen;
}

const deep = '['.repeat(100000) + ']'.repeat(100000);
const malformed = [
  '{"seq":901,"type":5,"command":"threads"}',
  '{"seq":"901","type":"request","command":"threads"}',
  '{"seq":902,"type":"request","command":7}',
  '{"seq":903,"type":"request","command":"threads","arguments":[]}',
  '{"seq":904,"type":"event","event":"x"}',
  'not json',
  '[1,2]',
  `{"seq":905,"type":"request","command":"evaluate","arguments":{"expression":${deep}}}`,
  '{"seq":906,"type":"request","command":"setBreakpoints","arguments":{"source":{"path":"/x.php"},"breakpoints":[{"line":"3"}]}}',
  '{"seq":907,"type":"request","command":"setBreakpoints","arguments":{"breakpoints":5}}',
  '{"seq":908,"type":"request","command":"stackTrace","arguments":{"startFrame":1e300}}',
  '{"seq":909,"type":"request","command":"launch","arguments":{"program":["x"]}}',
  '{"seq":910,"type":"request","command":"frobnicate"}',
  '{"seq":911,"type":"request","command":"setFunctionBreakpoints","arguments":{"breakpoints":[5]}}',
  '{"seq":912,"type":"request","command":"setFunctionBreakpoints","arguments":{"breakpoints":[{"name":5}]}}',
  '{"seq":913,"type":"request","command":"setExceptionBreakpoints","arguments":{"filters":[],"filterOptions":[{"condition":"X"}]}}',
  '{"seq":914,"type":"request","command":"restart","arguments":{"arguments":5}}',
  '{"seq":915,"type":"request","command":"restart"}',
];

test('each malformed message gets an error response and initialize is still answered', async () => {
  await h.withClient(async (client) => {
    const seen = responses(client._adapterProcess.stdout);
    client._adapterProcess.stdin.write(malformed.map(frame).join(''));
    const init = await client.initializeRequest();
    assert.ok(init.success);
    const errors = seen.filter((r) => r.success === false);
    assert.strictEqual(errors.length, malformed.length, JSON.stringify(seen, null, 1));
    for (const error of errors) assert.ok(error.message, JSON.stringify(error));
    assert.match(errors[0].message, /not a request/);
    assert.match(errors[7].message, /nested deeper/);
    assert.match(errors[12].message, /unsupported request: frobnicate/);
    assert.match(errors[15].message, /"filterId" is required/);
    assert.match(errors[17].message, /restart is for launched scripts/);
  });
});

test('out-of-range breakpoint lines are refused with a reason', async () => {
  await h.withClient(async (client) => {
    await client.initializeRequest();
    const response = await client.setBreakpointsRequest({
      source: { path: h.script('main.php') },
      breakpoints: [{ line: 1000000000000 }, { line: 0 }, { line: 3 }],
    });
    const [huge, zero, good] = response.body.breakpoints;
    assert.strictEqual(huge.verified, false);
    assert.strictEqual(huge.line, 1000000000000);
    assert.match(huge.message, /out of range/);
    assert.strictEqual(zero.verified, false);
    assert.strictEqual(good.line, 3);
  });
});

// Runs the adapter on `input` (then end of input) and resolves with its exit and stderr.
function runAdapter(input) {
  return new Promise((resolve) => {
    const adapter = spawn(h.ADAPTER, [], { stdio: ['pipe', 'pipe', 'pipe'] });
    let stderr = '';
    adapter.stderr.on('data', (chunk) => { stderr += chunk; });
    adapter.stdout.resume();
    adapter.on('close', (code) => resolve({ code, stderr }));
    adapter.stdin.end(input);
  });
}

test('input that ends inside a body or in a broken header ends the adapter with a message', async () => {
  const short = await runAdapter('Content-Length: 500\r\n\r\n{"seq":1}');
  assert.strictEqual(short.code, 1);
  assert.match(short.stderr, /unreadable input.*inside a message body/);
  const garbled = await runAdapter('Content-Length: x\r\n\r\n{}');
  assert.strictEqual(garbled.code, 1);
  assert.match(garbled.stderr, /Content-Length/);
});

test('in --port mode a bad client never takes the server down', async () => {
  const port = await h.freePort();
  const adapter = spawn(h.ADAPTER, ['--port', String(port)], { stdio: ['ignore', 'ignore', 'pipe'] });
  try {
    await new Promise((resolve) => adapter.stderr.on('data', (c) => { if (/listening/.test(c)) resolve(); }));
    const exchange = (input) => new Promise((resolve, reject) => {
      const socket = net.connect(port, '127.0.0.1', () => socket.end(input));
      const seen = responses(socket);
      socket.on('close', () => resolve(seen));
      socket.on('error', reject);
    });
    const bad = await exchange(malformed.slice(0, 3).map(frame).join('') + 'Content-Length: x\r\n\r\n');
    assert.strictEqual(bad.length, 3);
    const good = await exchange(frame('{"seq":1,"type":"request","command":"initialize","arguments":{}}'));
    assert.strictEqual(good[0].success, true);
    assert.strictEqual(good[0].command, 'initialize');
  } finally {
    adapter.kill();
  }
});
