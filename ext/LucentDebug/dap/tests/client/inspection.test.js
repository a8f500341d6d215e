// Stepping, frames, scopes, variables, evaluation and changing values.
'use strict';
const assert = require('node:assert');
const { test } = require('node:test');
const h = require('./harness');

async function resumeAndStop(client, request) {
  const stopped = h.nextStop(client);
  await client[request]({ threadId: 1 });
  return stopped;
}

async function stopAt(client, file, line, name = 'main.php') {
  const stopped = h.nextStop(client);
  await h.launchWithBreakpoints(client, name, { [file]: [{ line }] });
  return stopped;
}

test('step in enters the call, step over stays in it, step out returns to the caller', async () => {
  await h.withClient(async (client) => {
    let stop = await stopAt(client, 'main.php', 5);
    assert.strictEqual(stop.top.line, 5);

    stop = await resumeAndStop(client, 'stepInRequest');
    assert.strictEqual(stop.event.body.reason, 'step');
    assert.strictEqual(stop.top.source.path, h.script('helper.php'));
    assert.strictEqual(stop.top.line, 3);
    assert.deepStrictEqual(stop.frames.map((f) => f.name), ['add', '__main__']);

    stop = await resumeAndStop(client, 'nextRequest');
    assert.strictEqual(stop.event.body.reason, 'step');
    assert.strictEqual(stop.top.source.path, h.script('helper.php'));
    assert.strictEqual(stop.top.line, 4);

    stop = await resumeAndStop(client, 'stepOutRequest');
    assert.strictEqual(stop.event.body.reason, 'step');
    assert.strictEqual(stop.top.source.path, h.script('main.php'));
    assert.strictEqual(stop.frames.length, 1);

    // Over the call: the next stop is back in the main script, never in add().
    stop = await resumeAndStop(client, 'nextRequest');
    assert.strictEqual(stop.top.source.path, h.script('main.php'));
  });
});

test('stack trace, scopes and variables three levels deep', async () => {
  await h.withClient(async (client) => {
    const stop = await stopAt(client, 'main.php', 8);
    assert.strictEqual(stop.frames.length, 1);
    const scopes = await client.scopesRequest({ frameId: stop.top.id });
    assert.deepStrictEqual(scopes.body.scopes.map((s) => s.name), ['Locals', 'Globals']);

    const locals = await h.localsOfTopFrame(client, stop.top.id);
    assert.strictEqual(locals.$total.value, '15');
    assert.strictEqual(locals.$total.type, 'int');
    assert.strictEqual(locals.$total.variablesReference, 0);
    const nested = locals.$nested;
    assert.strictEqual(nested.type, 'array');
    assert.ok(nested.variablesReference > 0);

    const level1 = await h.variablesByName(client, nested.variablesReference);
    assert.strictEqual(Object.keys(level1).length, 2);
    assert.strictEqual(Object.values(level1).find((v) => v.name.includes('count')).value, '7');
    const level1Entry = Object.values(level1).find((v) => v.name.includes('level1'));
    const level2 = await h.variablesByName(client, level1Entry.variablesReference);
    const level2Entry = Object.values(level2).find((v) => v.name.includes('level2'));
    const level3 = await h.variablesByName(client, level2Entry.variablesReference);
    const leaf = Object.values(level3).find((v) => v.name.includes('level3'));
    assert.strictEqual(leaf.value, '"deep"');
    assert.strictEqual(leaf.variablesReference, 0);
    // Its evaluateName reaches it from the frame.
    const again = await client.evaluateRequest({ expression: leaf.evaluateName, frameId: stop.top.id, context: 'hover' });
    assert.strictEqual(again.body.result, '"deep"');

    // The same container keeps its reference within the stop.
    const locals2 = await h.localsOfTopFrame(client, stop.top.id);
    assert.strictEqual(locals2.$nested.variablesReference, nested.variablesReference);
  });
});

test('frames of a call have their own locals; globals are the script\'s', async () => {
  await h.withClient(async (client) => {
    const stop = await stopAt(client, 'helper.php', 4);
    assert.strictEqual(stop.frames.length, 2);
    const inner = await h.localsOfTopFrame(client, stop.frames[0].id);
    assert.deepStrictEqual(Object.keys(inner).sort(), ['$a', '$b', '$sum']);
    assert.strictEqual(inner.$sum.value, '1');
    const outer = await h.localsOfTopFrame(client, stop.frames[1].id);
    assert.strictEqual(outer.$i.value, '1');
    const scopes = await client.scopesRequest({ frameId: stop.frames[0].id });
    const globals = await h.variablesByName(client, scopes.body.scopes[1].variablesReference);
    assert.strictEqual(globals.$total.value, '0');
  });
});

test('evaluate in watch, hover and repl contexts, and errors for what does not evaluate', async () => {
  await h.withClient(async (client) => {
    const stop = await stopAt(client, 'helper.php', 4);
    for (const context of ['watch', 'hover', 'repl']) {
      const response = await client.evaluateRequest({ expression: '$a + $b * 10', frameId: stop.top.id, context });
      assert.strictEqual(response.body.result, '10');
      assert.strictEqual(response.body.type, 'int');
    }
    const caller = await client.evaluateRequest({ expression: '$i', frameId: stop.frames[1].id, context: 'watch' });
    assert.strictEqual(caller.body.result, '1');
    await assert.rejects(client.evaluateRequest({ expression: 'this is not php', frameId: stop.top.id, context: 'repl' }),
      /cannot evaluate/);
  });
});

test('setVariable and setExpression change the running script', async () => {
  await h.withClient(async (client) => {
    const output = h.collect(client, 'output');
    const stop = await stopAt(client, 'helper.php', 3);
    const scopes = await client.scopesRequest({ frameId: stop.top.id });
    const locals = scopes.body.scopes[0].variablesReference;
    const set = await client.setVariableRequest({ variablesReference: locals, name: '$b', value: '10' });
    assert.strictEqual(set.body.value, '10');
    const after = await h.variablesByName(client, locals);
    assert.strictEqual(after.$b.value, '10');
    await assert.rejects(client.setVariableRequest({ variablesReference: locals, name: '$nope', value: '1' }), /no variable/);

    const expression = await client.send('setExpression', { expression: '$a', value: '100', frameId: stop.top.id });
    assert.strictEqual(expression.body.value, '100');

    await client.setBreakpointsRequest({ source: { path: h.script('helper.php') }, breakpoints: [] });
    const terminated = client.waitForEvent('terminated');
    await client.continueRequest({ threadId: 1 });
    await terminated;
    const stdout = output.filter((e) => e.body.category === 'stdout').map((e) => e.body.output).join('');
    // 100 + 10 on the first pass, then 2 + 3 + 4 + 5.
    assert.strictEqual(stdout, 'total=124\ndone\n');
  });
});

test('code without a file on disk is read through the source request', async () => {
  await h.withClient(async (client) => {
    const stopped = h.nextStop(client);
    await Promise.all([client.configurationSequence(), client.launch(h.launchArgs('eval_code.php', { stopOnEntry: true }))]);
    await stopped;
    const inEval = await resumeAndStop(client, 'stepInRequest');
    const source = inEval.top.source;
    assert.ok(!source.path, `eval()'d code has no path: ${JSON.stringify(source)}`);
    assert.ok(source.sourceReference > 0);
    const content = await client.sourceRequest({ sourceReference: source.sourceReference, source });
    assert.strictEqual(typeof content.body.content, 'string');
  });
});

test('requests that need a stopped script fail clearly while it runs or before it starts', async () => {
  await h.withClient(async (client) => {
    await client.initializeRequest();
    await assert.rejects(client.stackTraceRequest({ threadId: 1 }), /no script is stopped/);
    await assert.rejects(client.variablesRequest({ variablesReference: 1 }), /no script is stopped/);
  });
});
