// Checks run beside the request thread: a long check does not hold up answers, a newer
// version of its document cancels it (nothing stale is published), shutdown is answered at
// once, a check over its time budget ends with the one code 3 record, and so does a document
// nested deeper than the checker's limit.
'use strict';

const { test } = require('node:test');
const assert = require('node:assert/strict');
const { Session, programDiagnostics } = require('./lsclient');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const STYLESHEET_START =
  '<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">\n';
// Several megabytes of flat template body: its check takes far longer than a request does.
const LONG =
  STYLESHEET_START +
  '<xsl:template match="/">' +
  '<xsl:if test="1"/>'.repeat(400000) +
  '</xsl:template>\n</xsl:stylesheet>\n';
const BOGUS = STYLESHEET_START + '<xsl:bogus/>\n</xsl:stylesheet>\n';
const BOGUS_DIAGNOSTIC = {
  range: { start: { line: 1, character: 0 }, end: { line: 1, character: 12 } },
  severity: 1,
  code: 4,
  source: 'stylewarden',
  message: 'The element "xsl:bogus" is not valid in this context',
};
const METHOD_NOT_FOUND = -32601;

function open(session, uri, text, version = 1) {
  return session.notify('textDocument/didOpen', {
    textDocument: { uri, languageId: 'xslt', version, text },
  });
}

function replace(session, uri, version, text) {
  return session.notify('textDocument/didChange', {
    textDocument: { uri, version },
    contentChanges: [{ text }],
  });
}

test('a newer version cancels the long check; requests and shutdown are answered meanwhile', async () => {
  const session = new Session();
  try {
    await session.initialize();
    const uri = 'file:///long.xsl';
    const events = [];
    const published = session.nextDiagnostics(uri).then((p) => {
      events.push(`diagnostics ${p.version}`);
      return p;
    });
    await open(session, uri, LONG);
    const answered = session
      .request('textDocument/completion', {})
      .catch((error) => events.push(`answer ${error.code}`));
    await replace(session, uri, 2, BOGUS);
    await answered;
    assert.deepEqual((await published).diagnostics, [BOGUS_DIAGNOSTIC]);
    assert.deepEqual(events, [`answer ${METHOD_NOT_FOUND}`, 'diagnostics 2']);
    assert.equal(session.published.get(uri)?.length ?? 0, 0);

    // Shutdown in the middle of a long check is answered before it ends (no diagnostics of
    // version 3 came first), and exit stops it.
    await replace(session, uri, 3, LONG);
    await session.request('shutdown');
    assert.equal(session.published.get(uri)?.length ?? 0, 0);
    await session.notify('exit');
    assert.deepEqual(await session.exit, { code: 0, signal: null });
  } finally {
    session.kill();
  }
});

test('a check over its time budget publishes why instead of findings', async () => {
  const session = new Session(['--time-budget', '0.001']);
  try {
    await session.initialize();
    await open(session, 'file:///long.xsl', LONG);
    assert.deepEqual((await session.nextDiagnostics('file:///long.xsl')).diagnostics, [
      {
        range: { start: { line: 0, character: 0 }, end: { line: 0, character: 0 } },
        severity: 1,
        code: 3,
        source: 'stylewarden',
        message: 'The check could not complete: it ran out of time',
      },
    ]);
    // The budget is per check: a short one still completes.
    await open(session, 'file:///short.xsl', BOGUS);
    assert.deepEqual((await session.nextDiagnostics('file:///short.xsl')).diagnostics, [
      BOGUS_DIAGNOSTIC,
    ]);
    assert.deepEqual(await session.shutdown(), { code: 0, signal: null });
  } finally {
    session.kill();
  }
});

test('a hundred thousand nested elements end in the one depth record, as for the program', async () => {
  const depth = 100000;
  const text =
    STYLESHEET_START +
    '<xsl:template match="/">' +
    '<xsl:if test="1">'.repeat(depth) +
    '</xsl:if>'.repeat(depth) +
    '</xsl:template>\n</xsl:stylesheet>\n';
  const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'stylewarden-ls-'));
  const session = new Session();
  try {
    const file = path.join(scratch, 'deep.xsl');
    fs.writeFileSync(file, text);
    const expected = await programDiagnostics(file);
    assert.deepEqual(expected.map((d) => d.code), [3]);
    assert.match(expected[0].message, /nest deeper than/);
    await session.initialize();
    await open(session, 'file:///deep.xsl', text);
    assert.deepEqual((await session.nextDiagnostics('file:///deep.xsl')).diagnostics, expected);
    assert.deepEqual(await session.shutdown(), { code: 0, signal: null });
  } finally {
    session.kill();
    fs.rmSync(scratch, { recursive: true, force: true });
  }
});
