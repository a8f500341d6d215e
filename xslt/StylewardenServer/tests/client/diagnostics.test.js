// Diagnostics through a real client: the examples as the command-line program reports them,
// exact ranges over non-ASCII text and tabs, edits in both sync modes, save and close.
'use strict';

const { test, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const { pathToFileURL } = require('node:url');
const { Session, programDiagnostics, withTimeout, ROOT } = require('./lsclient');

const EXAMPLES = path.join(ROOT, 'examples');
const STYLESHEET_START =
  '<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">\n';
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'stylewarden-ls-'));
after(() => fs.rmSync(scratch, { recursive: true, force: true }));

function notValid(name, line, start, end) {
  return {
    range: { start: { line, character: start }, end: { line, character: end } },
    severity: 1,
    code: 4,
    source: 'stylewarden',
    message: `The element "${name}" is not valid in this context`,
  };
}

// What the program reports for `text` saved as UTF-8.
function programDiagnosticsOfText(name, text) {
  const file = path.join(scratch, name);
  fs.writeFileSync(file, text, 'utf8');
  return programDiagnostics(file);
}

async function withSession(body) {
  const session = new Session();
  try {
    await session.initialize();
    await body(session);
    const { code, signal } = await session.shutdown();
    assert.equal(signal, null);
    assert.equal(code, 0);
  } finally {
    session.kill();
  }
}

test('each example gets exactly the records of the command-line program', async () => {
  await withSession(async (session) => {
    const names = fs.readdirSync(EXAMPLES).filter((name) => name.endsWith('.xsl'));
    assert.ok(names.length >= 5);
    for (const name of names) {
      const file = path.join(EXAMPLES, name);
      const uri = 'file://' + file;
      const published = await session.open(uri, fs.readFileSync(file, 'utf8'));
      assert.equal(published.uri, uri);
      assert.equal(published.version, 1);
      assert.deepEqual(published.diagnostics, await programDiagnostics(file), name);
      if (name !== 'correct.xsl') assert.ok(published.diagnostics.length > 0, name);
    }
  });
});

test('columns count UTF-16 units after non-ASCII text and one per tab', async () => {
  // 2 tabs + <xsl:text> (10) + é (1) + 😀 (2) + </xsl:text> (11) = 26 units.
  const text =
    STYLESHEET_START +
    '\t<xsl:template match="/">\n' +
    '\t\t<xsl:text>é😀</xsl:text><xsl:bogus/>\n' +
    '\t</xsl:template>\n</xsl:stylesheet>\n';
  const expected = [notValid('xsl:bogus', 2, 26, 38)];
  assert.deepEqual(await programDiagnosticsOfText('non-ascii.xsl', text), expected);
  await withSession(async (session) => {
    const published = await session.open('file:///non-ascii.xsl', text);
    assert.deepEqual(published.diagnostics, expected);
  });
});

test('text declared in a single-byte encoding is checked as the editor decoded it', async () => {
  // The editor sends Unicode whatever the declaration says; each é must stay one column
  // (24 + 10 + 3 + 11 = 48), not the two its UTF-8 bytes would be in ISO-8859-1.
  const text =
    '<?xml version="1.0" encoding="ISO-8859-1"?>\n' +
    STYLESHEET_START +
    '<xsl:template match="/"><xsl:text>ééé</xsl:text><xsl:bogus/></xsl:template>\n' +
    '</xsl:stylesheet>\n';
  await withSession(async (session) => {
    const published = await session.open('file:///latin1.xsl', text);
    assert.deepEqual(published.diagnostics, [notValid('xsl:bogus', 2, 48, 60)]);
  });
});

test("a file document's entities resolve beside the file, as for the program", async () => {
  const folder = path.join(scratch, 'with space é');
  fs.mkdirSync(folder);
  fs.writeFileSync(path.join(folder, 'names.ent'), '<!ENTITY greeting "hello">\n');
  const text =
    '<!DOCTYPE xsl:stylesheet [ <!ENTITY % names SYSTEM "names.ent"> %names; ]>\n' +
    STYLESHEET_START +
    '<xsl:template match="/">&greeting;</xsl:template>\n</xsl:stylesheet>\n';
  const file = path.join(folder, 'entities.xsl');
  fs.writeFileSync(file, text);
  assert.deepEqual(await programDiagnostics(file), []);
  await withSession(async (session) => {
    const uri = pathToFileURL(file).href;
    assert.match(uri, /%20/);
    assert.deepEqual((await session.open(uri, text)).diagnostics, []);
    // A document that is not a local file has nothing to resolve against.
    const unsaved = await session.open('untitled:Untitled-1', text);
    assert.equal(unsaved.diagnostics[0].code, 3);
    assert.match(unsaved.diagnostics[0].message, /names\.ent/);
  });
});

test('a stylesheet that is not well-formed gets its parser diagnostics', async () => {
  const text = STYLESHEET_START + '<xsl:template match="/">é</xsl:templat>\n</xsl:stylesheet>\n';
  await withSession(async (session) => {
    const published = await session.open('file:///broken.xsl', text);
    assert.ok(published.diagnostics.length > 0);
    assert.ok(published.diagnostics.every((d) => d.code >= 1 && d.code <= 3));
    assert.ok(published.diagnostics.some((d) => d.code === 3 && d.severity === 1));
    assert.deepEqual(published.diagnostics, await programDiagnosticsOfText('broken.xsl', text));
    // An empty document is not well-formed either, and still answered.
    const empty = await session.open('file:///empty.xsl', '');
    assert.equal(empty.diagnostics.length, 1);
    assert.equal(empty.diagnostics[0].code, 3);
  });
});

test('incremental and full changes, save and close', async () => {
  const file = path.join(EXAMPLES, 'correct.xsl');
  const uri = 'file://' + file;
  const original = fs.readFileSync(file, 'utf8');
  const applyTemplatesLine = original.split('\n').findIndex((l) => l.includes('select="library"'));
  const at = (line, character) => ({ line, character });
  await withSession(async (session) => {
    assert.deepEqual((await session.open(uri, original)).diagnostics, []);

    let published = await session.change(uri, 2, [
      { range: { start: at(applyTemplatesLine, 8), end: at(applyTemplatesLine, 8) }, text: '<xsl:bogus/>' },
    ]);
    assert.equal(published.version, 2);
    assert.deepEqual(published.diagnostics, [notValid('xsl:bogus', applyTemplatesLine, 8, 20)]);

    // Two edits in one notification, the second relative to the first's result: rename the
    // element, then put non-ASCII text and a tab before it on the same line.
    published = await session.change(uri, 3, [
      { range: { start: at(applyTemplatesLine, 13), end: at(applyTemplatesLine, 18) }, text: 'nonsense' },
      { range: { start: at(applyTemplatesLine, 8), end: at(applyTemplatesLine, 8) }, text: '<b>😀\t</b>' },
    ]);
    assert.deepEqual(published.diagnostics, [notValid('xsl:nonsense', applyTemplatesLine, 18, 33)]);

    // A range across line ends: delete from the edited line's start to the next line's start.
    published = await session.change(uri, 4, [
      { range: { start: at(applyTemplatesLine, 0), end: at(applyTemplatesLine + 1, 0) }, text: '' },
    ]);
    assert.deepEqual(published.diagnostics, []);

    const misplaced = fs.readFileSync(path.join(EXAMPLES, 'misplaced-element.xsl'), 'utf8');
    published = await session.change(uri, 5, [{ text: misplaced }]);
    assert.equal(published.version, 5);
    const expected = await programDiagnostics(path.join(EXAMPLES, 'misplaced-element.xsl'));
    assert.deepEqual(published.diagnostics, expected);

    await session.notify('textDocument/didSave', { textDocument: { uri } });
    assert.deepEqual((await session.nextDiagnostics(uri)).diagnostics, expected);

    await session.notify('textDocument/didClose', { textDocument: { uri } });
    const cleared = await session.nextDiagnostics(uri);
    assert.deepEqual(cleared.diagnostics, []);

    // Once closed, changes to it are refused with a log message and no diagnostics.
    await session.notify('textDocument/didChange', {
      textDocument: { uri, version: 6 },
      contentChanges: [{ text: misplaced }],
    });
    await session.request('textDocument/hover', {}).catch(() => {});
    assert.equal(session.published.get(uri)?.length ?? 0, 0);
    assert.ok(session.logMessages.some((m) => m.type === 1 && m.message.includes('not open')));
  });
});

test('a check after one that stopped in forwards-compatible mode starts afresh', async () => {
  const strict =
    STYLESHEET_START + '<xsl:template match="/"><xsl:bogus/></xsl:template>\n</xsl:stylesheet>\n';
  const expected = await programDiagnosticsOfText('strict.xsl', strict);
  assert.deepEqual(expected, [notValid('xsl:bogus', 1, 24, 36)]);
  // Both ways of switching the mode on, each cut off inside the element that did it.
  const cutOff = [
    '<xsl:stylesheet version="1.1" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">\n' +
      '<xsl:template match="/"><xsl:bogus/>',
    // 4.0: above every shipped state file's version, so forwards-compatible with any.
    '<out xsl:version="4.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform"><xsl:bogus/>',
  ];
  await withSession(async (session) => {
    for (const [index, text] of cutOff.entries()) {
      const broken = await session.open(`file:///cut-off-${index}.xsl`, text);
      assert.deepEqual(
        broken.diagnostics.map((d) => d.code),
        [3],
      );
      assert.deepEqual((await session.open('file:///strict.xsl', strict, index + 1)).diagnostics, expected);
    }
  });
});

test('lone surrogates are checked as U+FFFD and still count one UTF-16 unit each', async () => {
  // <xsl:template match="/"> (24) + <xsl:text> (10) + lone half (1) + x (1) + </xsl:text> (11).
  const text =
    STYLESHEET_START +
    '<xsl:template match="/"><xsl:text>\ud800x</xsl:text><xsl:bogus/></xsl:template>\n' +
    '</xsl:stylesheet>\n';
  const uri = 'file:///surrogates.xsl';
  const at = (line, character) => ({ line, character });
  await withSession(async (session) => {
    assert.deepEqual((await session.open(uri, text)).diagnostics, [notValid('xsl:bogus', 1, 47, 59)]);
    // The server's text stays the editor's: an edit that brings another lone half, and one
    // placed after both by the editor's count.
    let published = await session.change(uri, 2, [
      { range: { start: at(1, 34), end: at(1, 34) }, text: '\udc00' },
    ]);
    assert.deepEqual(published.diagnostics, [notValid('xsl:bogus', 1, 48, 60)]);
    published = await session.change(uri, 3, [
      { range: { start: at(1, 60), end: at(1, 60) }, text: '<xsl:nope/>' },
    ]);
    assert.equal(published.version, 3);
    assert.deepEqual(published.diagnostics, [
      notValid('xsl:bogus', 1, 48, 60),
      notValid('xsl:nope', 1, 60, 71),
    ]);
  });
});

test('a DTD, entity or state file that is a FIFO or a directory is refused at once', async () => {
  const folder = path.join(scratch, 'special');
  fs.mkdirSync(folder);
  const fifo = path.join(folder, 'feed');
  execFileSync('mkfifo', [fifo]);
  fs.mkdirSync(path.join(folder, 'folder.ent'));
  const body = STYLESHEET_START + '</xsl:stylesheet>\n';
  const documents = {
    'fifo-entity.xsl': '<!DOCTYPE xsl:stylesheet [ <!ENTITY % e SYSTEM "feed"> %e; ]>\n' + body,
    'directory-entity.xsl': '<!DOCTYPE xsl:stylesheet [ <!ENTITY % e SYSTEM "folder.ent"> %e; ]>\n' + body,
    'fifo-dtd.xsl': '<!DOCTYPE xsl:stylesheet SYSTEM "feed">\n' + body,
  };
  await withSession(async (session) => {
    for (const [name, text] of Object.entries(documents)) {
      const file = path.join(folder, name);
      fs.writeFileSync(file, text);
      const published = (await session.open(pathToFileURL(file).href, text)).diagnostics;
      assert.deepEqual(published.map((d) => d.code), [3], name);
      assert.match(published[0].message, /is not read: it is not a regular file/, name);
      assert.deepEqual(published, await programDiagnostics(file), name);
    }
  });
  const session = new Session();
  try {
    await assert.rejects(withTimeout(session.initialize({ stateFile: fifo }), 'initialize'), (error) => {
      assert.equal(error.code, -32803);
      assert.match(error.message, /Bad initialization/);
      return true;
    });
  } finally {
    session.kill();
  }
});

test('a module in error is reported on the xsl:include or xsl:import that names it', async () => {
  const folder = fs.mkdtempSync(path.join(scratch, 'modules-'));
  const write = (name, version, body) =>
    fs.writeFileSync(
      path.join(folder, name),
      STYLESHEET_START.replace('"1.0"', `"${version}"`) + body + '\n</xsl:stylesheet>\n',
    );
  // Valid as 3.0, its own version, though not under the 1.0 rules of the including document.
  write('m30.xsl', '3.0', '<xsl:output indent="true"/>');
  write('bad.xsl', '1.0', '<xsl:include href="deep.xsl"/>');
  write('deep.xsl', '1.0', '<xsl:bogus/>');
  write('cyc.xsl', '2.0', '<xsl:include href="doc.xsl"/>');
  const lines = [
    '<xsl:import href="m30.xsl"/>',
    '<xsl:include href="bad.xsl"/>',
    '<xsl:include href="cyc.xsl"/>',
    '<xsl:include href="missing.xsl"/>',
  ];
  const text = STYLESHEET_START + lines.join('\n') + '\n</xsl:stylesheet>\n';
  const uri = pathToFileURL(path.join(folder, 'doc.xsl')).href;
  const onLine = (line, code, message) => ({
    range: { start: { line, character: 0 }, end: { line, character: lines[line - 1].length } },
    severity: 1,
    code,
    source: 'stylewarden',
    message,
  });
  const cycle = onLine(3, 8, 'The module "cyc.xsl" has an error at (2, 1): The module "doc.xsl" ' +
    'includes or imports this module, directly or through others: a cycle');
  const missing = onLine(4, 3, 'The module "missing.xsl" is not read: there is no such file');
  await withSession(async (session) => {
    assert.deepEqual((await session.open(uri, text)).diagnostics, [
      onLine(2, 4, 'The module "bad.xsl" reaches "deep.xsl", which has an error at (2, 1): ' +
        'The element "xsl:bogus" is not valid in this context'),
      cycle,
      missing,
    ]);
    // A module fixed on disk is checked again at the document's next check.
    write('deep.xsl', '1.0', '<xsl:template match="/"/>');
    const changed = await session.change(uri, 2, [{ text }]);
    assert.deepEqual(changed.diagnostics, [cycle, missing]);
  });
  // Without modules the document alone is checked, as before.
  const session = new Session();
  try {
    await session.initialize({ modules: false });
    assert.deepEqual((await session.open(uri, text)).diagnostics, []);
  } finally {
    session.kill();
  }
});
