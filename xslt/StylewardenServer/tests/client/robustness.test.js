// A hostile client: malformed JSON, wrong types, unknown methods, random damage, huge
// documents and broken framing. Every request gets its error response and the server never
// dies of a signal.
'use strict';

const { test } = require('node:test');
const assert = require('node:assert/strict');
const { startProcess, exited, withTimeout } = require('./lsclient');

const PARSE_ERROR = -32700;
const INVALID_REQUEST = -32600;
const METHOD_NOT_FOUND = -32601;
const INVALID_PARAMS = -32602;
const SERVER_NOT_INITIALIZED = -32002;

function frame(body) {
  const bytes = Buffer.isBuffer(body) ? body : Buffer.from(typeof body === 'string' ? body : JSON.stringify(body));
  return Buffer.concat([Buffer.from(`Content-Length: ${bytes.length}\r\n\r\n`), bytes]);
}

// Talks to the server in raw frames and collects everything it answers.
class RawClient {
  constructor(args) {
    this.child = startProcess(args);
    this.exit = exited(this.child);
    this.buffer = Buffer.alloc(0);
    this.messages = [];
    this.waiters = [];
    this.child.stdout.on('data', (chunk) => {
      this.buffer = Buffer.concat([this.buffer, chunk]);
      this.parse();
    });
  }

  parse() {
    for (;;) {
      const headerEnd = this.buffer.indexOf('\r\n\r\n');
      if (headerEnd < 0) return;
      const header = this.buffer.subarray(0, headerEnd).toString('ascii');
      const match = /^Content-Length: (\d+)$/.exec(header);
      assert.ok(match, `bad header from the server: ${header}`);
      const length = Number(match[1]);
      if (this.buffer.length < headerEnd + 4 + length) return;
      const body = this.buffer.subarray(headerEnd + 4, headerEnd + 4 + length).toString('utf8');
      this.buffer = this.buffer.subarray(headerEnd + 4 + length);
      this.messages.push(JSON.parse(body));
      this.waiters = this.waiters.filter((waiter) => !waiter());
    }
  }

  send(body) {
    this.child.stdin.write(frame(body));
  }

  // Resolves with the first message that `predicate` accepts.
  waitFor(predicate, what) {
    return withTimeout(
      new Promise((resolve) => {
        const check = () => {
          const found = this.messages.find(predicate);
          if (found) resolve(found);
          return Boolean(found);
        };
        if (!check()) this.waiters.push(check);
      }),
      what,
      120000,
    );
  }

  response(id) {
    return this.waitFor((m) => m.id === id && !('method' in m), `response ${JSON.stringify(id)}`);
  }

  async end() {
    this.send({ jsonrpc: '2.0', id: 'end', method: 'shutdown' });
    assert.equal((await this.response('end')).result, null);
    this.send({ jsonrpc: '2.0', method: 'exit' });
    return withTimeout(this.exit, 'exit', 120000);
  }
}

function request(id, method, params) {
  return { jsonrpc: '2.0', id, method, params };
}

function notification(method, params) {
  return { jsonrpc: '2.0', method, params };
}

// A small deterministic generator, so that a failure can be replayed.
function random(seed) {
  let state = seed >>> 0;
  return () => {
    state = (state * 1664525 + 1013904223) >>> 0;
    return state / 2 ** 32;
  };
}

test('bad messages get the right error responses and the server carries on', async () => {
  const client = new RawClient();
  try {
    client.send(request(1, 'textDocument/hover', {}));
    assert.equal((await client.response(1)).error.code, SERVER_NOT_INITIALIZED);
    client.send(request(2, 'initialize', { capabilities: {} }));
    assert.ok((await client.response(2)).result.capabilities);
    client.send(notification('initialized', {}));

    const cases = [
      [request(10, 'no/such/method', {}), METHOD_NOT_FOUND],
      [request(11, 'textDocument/definition', { textDocument: { uri: 'x' } }), METHOD_NOT_FOUND],
      [request(12, 'initialize', 'params as a string'), INVALID_PARAMS],
      [request(13, 'initialize', { initializationOptions: 'x' }), INVALID_REQUEST],
      [{ jsonrpc: '2.0', id: 14, method: 42 }, INVALID_REQUEST],
      [{ jsonrpc: '1.0', id: 15, method: 'shutdown' }, INVALID_REQUEST],
      [{ jsonrpc: '2.0', id: 16 }, INVALID_REQUEST],
      [{ jsonrpc: '2.0', id: 17, method: 'no/such', params: 3 }, INVALID_PARAMS],
      [{ jsonrpc: '2.0', id: '18', method: 'no/such' }, METHOD_NOT_FOUND],
    ];
    for (const [message] of cases) client.send(message);
    for (const [message, code] of cases) {
      const response = await client.response(message.id);
      assert.equal(response.error.code, code, JSON.stringify(message));
      assert.equal(typeof response.error.message, 'string');
    }

    // Bodies that carry no usable id are answered with a null id, one response each.
    const unanswerable = [
      '{"jsonrpc":"2.0","id":20,"method":',
      'not json at all',
      Buffer.from([0x7b, 0xff, 0xfe, 0x7d]),
      '',
      '[]',
      '[{"jsonrpc":"2.0","id":21,"method":"shutdown"}]',
      '{"jsonrpc":"2.0","id":{"nested":1},"method":"shutdown"}',
      '['.repeat(200000) + ']'.repeat(200000),
      '{"a":' + '['.repeat(200000),
    ];
    for (const body of unanswerable) client.send(body);
    // A lone surrogate is text (U+FFFD), not a parse error: this unknown notification is
    // ignored like any other.
    client.send('{"jsonrpc":"2.0","method":"x","params":{"s":"\\ud800"}}');
    client.send(request(22, 'after/garbage', {}));
    await client.response(22);
    const nullAnswers = client.messages.filter((m) => m.id === null);
    assert.equal(nullAnswers.length, unanswerable.length);
    assert.deepEqual(
      nullAnswers.map((m) => m.error.code),
      [PARSE_ERROR, PARSE_ERROR, PARSE_ERROR, PARSE_ERROR, INVALID_REQUEST,
        INVALID_REQUEST, INVALID_REQUEST, INVALID_REQUEST, PARSE_ERROR],
    );

    // Notifications with wrong types are not answered; each is logged and changes nothing.
    const uri = 'file:///typed.xsl';
    const badNotifications = [
      notification('textDocument/didOpen', { textDocument: { uri, version: 1, text: 5 } }),
      notification('textDocument/didOpen', { textDocument: { uri, version: 'one', text: '<a/>' } }),
      notification('textDocument/didOpen', { textDocument: 'file:///x' }),
      notification('textDocument/didOpen', []),
      notification('textDocument/didChange', { textDocument: { uri, version: 2 }, contentChanges: {} }),
      notification('textDocument/didChange', {
        textDocument: { uri, version: 2 },
        contentChanges: [{ range: { start: { line: -1, character: 0 }, end: { line: 0, character: 0 } }, text: '' }],
      }),
      notification('textDocument/didChange', {
        textDocument: { uri, version: 2 },
        contentChanges: [{ range: { start: { line: 0, character: 1e12 }, end: {} }, text: '' }],
      }),
      notification('textDocument/didSave', { textDocument: { uri: null } }),
      notification('textDocument/didClose', {}),
    ];
    const logsBefore = client.messages.filter((m) => m.method === 'window/logMessage').length;
    for (const message of badNotifications) client.send(message);
    client.send(request(30, 'sync', {}));
    await client.response(30);
    const logs = client.messages.filter((m) => m.method === 'window/logMessage');
    assert.equal(logs.length - logsBefore, badNotifications.length);
    assert.ok(!client.messages.some((m) => m.method === 'textDocument/publishDiagnostics' && m.params.uri === uri));

    // Unknown notifications, "$/" ones included, are ignored without a word.
    client.send(notification('$/cancelRequest', { id: 3 }));
    client.send(notification('$/setTrace', { value: 'verbose' }));
    client.send(notification('workspace/didChangeConfiguration', { settings: null }));
    client.send(request(31, 'sync', {}));
    await client.response(31);
    assert.equal(client.messages.filter((m) => m.method === 'window/logMessage').length, logs.length);

    assert.deepEqual(await client.end(), { code: 0, signal: null });
  } finally {
    client.child.kill('SIGKILL');
  }
});

test('randomly damaged messages never kill the server', async () => {
  const client = new RawClient();
  try {
    client.send(request(1, 'initialize', { capabilities: {} }));
    await client.response(1);
    const uri = 'file:///fuzz.xsl';
    const text =
      '<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">\n' +
      '<xsl:template match="/">é😀<xsl:value-of select="."/></xsl:template>\n</xsl:stylesheet>\n';
    const seeds = [
      notification('textDocument/didOpen', { textDocument: { uri, languageId: 'xslt', version: 1, text } }),
      notification('textDocument/didChange', {
        textDocument: { uri, version: 2 },
        contentChanges: [{ range: { start: { line: 1, character: 25 }, end: { line: 1, character: 27 } }, text: '<x/>' }],
      }),
      notification('textDocument/didChange', { textDocument: { uri, version: 3 }, contentChanges: [{ text }] }),
      notification('textDocument/didSave', { textDocument: { uri } }),
      request(5, 'textDocument/hover', { textDocument: { uri }, position: { line: 0, character: 0 } }),
      notification('textDocument/didClose', { textDocument: { uri } }),
    ].map((m) => Buffer.from(JSON.stringify(m)));
    const next = random(20261208);
    for (let i = 0; i < 3000; ++i) {
      const body = Buffer.from(seeds[Math.floor(next() * seeds.length)]);
      const damage = Math.floor(next() * 4);
      for (let k = 0; k <= damage; ++k) {
        body[Math.floor(next() * body.length)] = Math.floor(next() * 256);
      }
      client.send(next() < 0.1 ? body.subarray(0, Math.floor(next() * body.length)) : body);
    }
    client.send(request('last', 'sync', {}));
    assert.equal((await client.response('last')).error.code, METHOD_NOT_FOUND);
    assert.deepEqual(await client.end(), { code: 0, signal: null });
  } finally {
    client.child.kill('SIGKILL');
  }
});

test('huge documents are checked, and a message over the size limit is refused', async () => {
  const client = new RawClient();
  try {
    client.send(request(1, 'initialize', { capabilities: {} }));
    await client.response(1);
    // About 4 MB with 20000 findings, on one line and on many.
    const body = '<xsl:template match="a"><xsl:bogus/></xsl:template>'.repeat(20000);
    for (const [uri, separator] of [['file:///long-line.xsl', ''], ['file:///many-lines.xsl', '\n']]) {
      const huge =
        '<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">' +
        separator + body.split('</xsl:template>').join('</xsl:template>' + separator) + '</xsl:stylesheet>';
      client.send(notification('textDocument/didOpen', { textDocument: { uri, languageId: 'xslt', version: 1, text: huge } }));
      const published = await client.waitFor((m) => m.method === 'textDocument/publishDiagnostics' && m.params.uri === uri, uri);
      assert.equal(published.params.diagnostics.length, 20000);
      assert.ok(published.params.diagnostics.every((d) => d.code === 4));
    }

    // 65 MiB is over the 64 MiB limit: read, dropped and answered with a null id.
    const oversized = Buffer.alloc(65 << 20, 0x20);
    client.child.stdin.write(frame(oversized));
    const refusal = await client.waitFor((m) => m.id === null, 'refusal of the oversized message');
    assert.equal(refusal.error.code, INVALID_REQUEST);
    assert.match(refusal.error.message, /over the limit/);
    assert.deepEqual(await client.end(), { code: 0, signal: null });
  } finally {
    client.child.kill('SIGKILL');
  }
});

test('broken framing ends the server with status 1 and a message, never a signal', async () => {
  const inputs = [
    'Content-Length: twelve\r\n\r\n{}',
    'Content-Type: application/json\r\n\r\n{}',
    'no colon here\r\n\r\n',
    'X'.repeat(100000),
    'Content-Length: 100\r\n\r\n{"jsonrpc":"2.0"',
    'Content-Length: 999999999999999999999999\r\n\r\n{}',
    'Content-Length: 2\r\nContent-Type: x',
  ];
  for (const input of inputs) {
    const client = new RawClient();
    try {
      client.child.stdin.end(input);
      const { code, signal } = await withTimeout(client.exit, 'exit');
      assert.equal(signal, null, input.slice(0, 40));
      assert.equal(code, 1, input.slice(0, 40));
      assert.match(client.child.stderrText, /stylewarden-ls: unreadable input/);
    } finally {
      client.child.kill('SIGKILL');
    }
  }
  // Input that ends between messages is an ordinary end: 1 without shutdown.
  const quiet = new RawClient();
  quiet.child.stdin.end();
  assert.deepEqual(await withTimeout(quiet.exit, 'exit'), { code: 1, signal: null });
});
