// Characters beyond U+FFFF (emoji) in a script's path, variable names and
// values, breakpoints, evaluated expressions and assigned values.
'use strict';
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { test } = require('node:test');
const h = require('./harness');

// Line 6 is the breakpoint's. The last value looks like the escaped form
// the XML-RPC layer uses internally and must arrive as it is.
const SCRIPT = [
  '<?php',
  '$greeting = "hi \u{1F418} there";',
  '$pizza\u{1F355} = "slice \u{1F355}";',
  '$lookalike = "\u{FDD0}01F600";',
  '$plain = "caf\u{E9}";',
  'echo "done\\n";',
  '',
].join('\n');

// The script in a folder and file whose names hold emoji; removed afterwards.
async function withWideScript(body) {
  const folder = fs.realpathSync(fs.mkdtempSync(path.join(os.tmpdir(), 'ludbg \u{1F600} ')));
  const file = path.join(folder, 'wide \u{1F389}.php');
  fs.writeFileSync(file, SCRIPT);
  try {
    await body(file);
  } finally {
    fs.rmSync(folder, { recursive: true, force: true });
  }
}

async function evaluate(client, frameId, expression) {
  const response = await client.evaluateRequest({ expression, frameId, context: 'repl' });
  return response.body.result;
}

test('emoji travel intact in paths, breakpoints, variables, evaluate and setVariable', async () => {
  await withWideScript(async (file) => {
    await h.withClient(async (client) => {
      const configured = client.waitForEvent('initialized').then(async () => {
        const response = await client.setBreakpointsRequest({ source: { path: file }, breakpoints: [{ line: 6 }] });
        assert.deepStrictEqual(response.body.breakpoints.map((b) => b.verified), [true]);
        await client.configurationDoneRequest();
      });
      const stopped = h.nextStop(client);
      await client.launch(h.launchArgs(file, { cwd: path.dirname(file) }));
      await configured;
      const stop = await stopped;
      assert.strictEqual(stop.event.body.reason, 'breakpoint');
      assert.strictEqual(stop.top.source.path, file);
      assert.strictEqual(stop.top.line, 6);

      const locals = await h.localsOfTopFrame(client, stop.top.id);
      assert.strictEqual(locals.$greeting.value, '"hi \u{1F418} there"');
      assert.strictEqual(locals['$pizza\u{1F355}'].value, '"slice \u{1F355}"');
      assert.strictEqual(locals.$lookalike.value, '"\u{FDD0}01F600"');
      assert.strictEqual(locals.$plain.value, '"caf\u{E9}"');

      const frameId = stop.top.id;
      // The expression reaches php as UTF-8: four bytes for the rocket.
      assert.strictEqual(await evaluate(client, frameId, '$greeting . " \u{1F680}"'), '"hi \u{1F418} there \u{1F680}"');
      assert.strictEqual(await evaluate(client, frameId, 'strlen("\u{1F680}")'), '4');
      assert.strictEqual(await evaluate(client, frameId, '$pizza\u{1F355}'), '"slice \u{1F355}"');
      assert.strictEqual(await evaluate(client, frameId, 'strlen($lookalike)'), '9');

      const locals2 = await client.scopesRequest({ frameId });
      const scope = locals2.body.scopes.find((s) => s.name === 'Locals').variablesReference;
      const set = await client.setVariableRequest({ variablesReference: scope, name: '$greeting', value: '"moon \u{1F319}"' });
      assert.strictEqual(set.body.value, '"moon \u{1F319}"');
      assert.strictEqual(await evaluate(client, frameId, 'bin2hex($greeting)'), `"${Buffer.from('moon \u{1F319}').toString('hex')}"`);
    });
  });
});
