// Life of the server through a real client: initialize and its capabilities, the state file
// choice, requests out of turn, shutdown and exit statuses.
'use strict';

const { test, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { ErrorCodes } = require('vscode-languageserver-protocol/node');
const { Session, startProcess, exited, withTimeout, STATES } = require('./lsclient');

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'stylewarden-ls-'));
after(() => fs.rmSync(scratch, { recursive: true, force: true }));

const BOGUS =
  '<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">' +
  '<xsl:bogus/></xsl:stylesheet>';

// A state file under which xsl:bogus is allowed at the start of the top level: the shipped
// one with one more child state.
function permissiveStates() {
  const text = fs.readFileSync(STATES, 'utf8');
  const patched = text.replace(
    /(<children-states identifier="top-level-with-imports"[^>]*>)/,
    '$1\n    <child-state element-name="bogus" parent-state="ELEMENTSTATE_UNCHANGED" ' +
      'state="top-level-data"/>',
  );
  const file = path.join(scratch, 'permissive-states.xml');
  fs.writeFileSync(file, patched);
  return { file, changed: patched !== text };
}

async function expectError(promise, code) {
  await assert.rejects(withTimeout(promise, 'an error response'), (error) => {
    assert.equal(error.code, code, error.message);
    return true;
  });
}

test('initialize announces open/close, incremental change and save', async () => {
  const session = new Session();
  try {
    const result = await session.initialize();
    assert.deepEqual(result.capabilities.textDocumentSync, {
      openClose: true,
      change: 2,
      save: { includeText: false },
    });
    assert.equal(result.serverInfo.name, 'stylewarden-ls');
    await expectError(session.request('initialize', { capabilities: {} }), ErrorCodes.InvalidRequest);
    await expectError(session.request('textDocument/completion', {}), ErrorCodes.MethodNotFound);
    assert.deepEqual(await session.shutdown(), { code: 0, signal: null });
  } finally {
    session.kill();
  }
});

test('requests before initialize are refused, notifications dropped', async () => {
  const session = new Session();
  try {
    await expectError(session.request('shutdown'), -32002);
    await session.notify('textDocument/didOpen', {
      textDocument: { uri: 'file:///early.xsl', languageId: 'xslt', version: 1, text: BOGUS },
    });
    await session.initialize();
    const published = await session.open('file:///late.xsl', BOGUS);
    assert.equal(published.diagnostics.length, 1);
    assert.equal(session.published.has('file:///early.xsl'), false);
    assert.deepEqual(await session.shutdown(), { code: 0, signal: null });
  } finally {
    session.kill();
  }
});

test('requests after shutdown are invalid, and exit without shutdown ends with 1', async () => {
  const orderly = new Session();
  const abrupt = new Session();
  try {
    await orderly.initialize();
    await orderly.request('shutdown');
    await expectError(orderly.request('shutdown'), ErrorCodes.InvalidRequest);
    await orderly.notify('exit');
    assert.deepEqual(await withTimeout(orderly.exit, 'exit'), { code: 0, signal: null });

    await abrupt.initialize();
    await abrupt.notify('exit');
    assert.deepEqual(await withTimeout(abrupt.exit, 'exit'), { code: 1, signal: null });
  } finally {
    orderly.kill();
    abrupt.kill();
  }
});

test('the state file comes from initializationOptions, then --states, then the default', async () => {
  const permissive = permissiveStates();
  assert.ok(permissive.changed, 'the shipped state file no longer has a top-level state');
  const cases = [
    { args: [], options: undefined, expected: 1 },
    { args: ['--states', permissive.file], options: undefined, expected: 0 },
    { args: [], options: { stateFile: permissive.file }, expected: 0 },
    { args: ['--states', permissive.file], options: { stateFile: STATES }, expected: 1 },
  ];
  for (const { args, options, expected } of cases) {
    const session = new Session(args);
    try {
      await session.initialize(options);
      const published = await session.open('file:///bogus.xsl', BOGUS);
      assert.equal(published.diagnostics.length, expected, JSON.stringify({ args, options }));
      assert.deepEqual(await session.shutdown(), { code: 0, signal: null });
    } finally {
      session.kill();
    }
  }
});

test('a state file that cannot be loaded fails initialize for good', async () => {
  const session = new Session();
  try {
    const missing = path.join(scratch, 'missing.xml');
    await expectError(session.initialize({ stateFile: missing }), -32803);
    await expectError(session.initialize(), -32803);
    await expectError(session.request('shutdown'), -32002);
    await session.notify('exit');
    assert.deepEqual(await withTimeout(session.exit, 'exit'), { code: 1, signal: null });
    assert.match(session.child.stderrText, /state machine/);
  } finally {
    session.kill();
  }
});

test('a wrongly typed state file option is invalid params and initialize can follow', async () => {
  const session = new Session();
  try {
    await expectError(session.initialize({ stateFile: 7 }), ErrorCodes.InvalidParams);
    await session.initialize();
    assert.deepEqual(await session.shutdown(), { code: 0, signal: null });
  } finally {
    session.kill();
  }
});

test('a bad command line ends with status 2 and says why', async () => {
  for (const [args, complaint] of [
    [['--bogus'], /unknown argument "--bogus"/],
    [['--states'], /--states needs a path/],
  ]) {
    const child = startProcess(args);
    try {
      assert.deepEqual(await withTimeout(exited(child), 'exit'), { code: 2, signal: null });
      assert.match(child.stderrText, complaint);
    } finally {
      child.kill('SIGKILL');
    }
  }
});
