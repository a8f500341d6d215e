// No false alarm over Debian's docbook-xsl stylesheets through the server: each file opened
// in one session gets exactly the records the command-line program prints for it, and none
// of codes 4 to 8.
'use strict';

const { test } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { Session, programDiagnostics } = require('./lsclient');

const DOCBOOK_ROOT = '/usr/share/xml/docbook/stylesheet';

// The package's folder; the others there are links to it.
function docbookFolder() {
  if (!fs.existsSync(DOCBOOK_ROOT)) return null;
  for (const name of fs.readdirSync(DOCBOOK_ROOT).sort()) {
    const folder = path.join(DOCBOOK_ROOT, name);
    if (name.startsWith('docbook-xsl') && !fs.lstatSync(folder).isSymbolicLink() && fs.statSync(folder).isDirectory()) {
      return folder;
    }
  }
  return null;
}

function stylesheets(folder) {
  return fs
    .readdirSync(folder, { recursive: true })
    .filter((name) => name.endsWith('.xsl'))
    .sort()
    .map((name) => path.join(folder, name));
}

test('every docbook-xsl stylesheet gets what the program reports, and no structural record', async () => {
  const folder = docbookFolder();
  assert.ok(folder, 'docbook-xsl is not installed (scripts/install-deps.sh)');
  const files = stylesheets(folder);
  assert.ok(files.length > 300, 'the corpus looks incomplete');

  // The program runs two at a time beside the server.
  const expected = new Map();
  let nextFile = 0;
  const worker = async () => {
    while (nextFile < files.length) {
      const file = files[nextFile++];
      expected.set(file, await programDiagnostics(file));
    }
  };
  const programRuns = Promise.all([worker(), worker()]);

  const session = new Session();
  const mismatches = [];
  const structural = [];
  try {
    await session.initialize();
    const published = new Map();
    for (const file of files) {
      const uri = 'file://' + file;
      published.set(file, (await session.open(uri, fs.readFileSync(file, 'utf8'))).diagnostics);
      await session.notify('textDocument/didClose', { textDocument: { uri } });
      assert.deepEqual((await session.nextDiagnostics(uri)).diagnostics, []);
    }
    assert.deepEqual(await session.shutdown(), { code: 0, signal: null });
    await programRuns;
    for (const file of files) {
      const name = path.relative(folder, file);
      const diagnostics = published.get(file);
      structural.push(...diagnostics.filter((d) => d.code >= 4).map((d) => `${name}: ${d.message}`));
      try {
        assert.deepEqual(diagnostics, expected.get(file));
      } catch {
        mismatches.push(`${name}: server ${JSON.stringify(diagnostics)} program ${JSON.stringify(expected.get(file))}`);
      }
    }
  } finally {
    session.kill();
  }
  console.log(`${files.length} files checked through the server`);
  assert.deepEqual(mismatches.slice(0, 10), [], `${mismatches.length} files differ`);
  assert.deepEqual(structural.slice(0, 10), [], `${structural.length} structural records`);
});
