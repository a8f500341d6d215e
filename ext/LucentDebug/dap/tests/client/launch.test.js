// Launching, breakpoints of every kind, and the end of a session.
'use strict';
const assert = require('node:assert');
const { test } = require('node:test');
const h = require('./harness');

test('launch with stopOnEntry stops at the first statement, then runs to the end', async () => {
  await h.withClient(async (client) => {
    const output = h.collect(client, 'output');
    const stopped = h.nextStop(client);
    await Promise.all([
      client.configurationSequence(),
      client.launch(h.launchArgs('main.php', { stopOnEntry: true })),
    ]);
    const { event, top } = await stopped;
    assert.strictEqual(event.body.reason, 'entry');
    assert.strictEqual(top.source.path, h.script('main.php'));
    assert.strictEqual(top.line, 2);
    const exited = client.waitForEvent('exited');
    const terminated = client.waitForEvent('terminated');
    await client.continueRequest({ threadId: 1 });
    assert.strictEqual((await exited).body.exitCode, 0);
    await terminated;
    const stdout = output.filter((e) => e.body.category === 'stdout').map((e) => e.body.output);
    assert.strictEqual(stdout.join(''), 'total=15\ndone\n');
  });
});

// Resumes with `request` and waits for the stop it leads to.
async function resumeAndStop(client, request = 'continueRequest') {
  const stopped = h.nextStop(client);
  await client[request]({ threadId: 1 });
  return stopped;
}

async function evaluate(client, frameId, expression) {
  const response = await client.evaluateRequest({ expression, frameId, context: 'watch' });
  return response.body.result;
}

test('breakpoints in two files are hit, and one removed is not hit again', async () => {
  await h.withClient(async (client) => {
    const stopped = h.nextStop(client);
    await h.launchWithBreakpoints(client, 'main.php', {
      'helper.php': [{ line: 3 }],
      'main.php': [{ line: 8 }],
    });
    let stop = await stopped;
    assert.strictEqual(stop.event.body.reason, 'breakpoint');
    assert.strictEqual(stop.top.source.path, h.script('helper.php'));
    assert.strictEqual(stop.top.line, 3);
    assert.strictEqual(stop.event.body.hitBreakpointIds.length, 1);

    const cleared = await client.setBreakpointsRequest({ source: { path: h.script('helper.php') }, breakpoints: [] });
    assert.deepStrictEqual(cleared.body.breakpoints, []);
    stop = await resumeAndStop(client);
    assert.strictEqual(stop.event.body.reason, 'breakpoint');
    assert.strictEqual(stop.top.source.path, h.script('main.php'));
    assert.strictEqual(stop.top.line, 8);
    assert.strictEqual(await evaluate(client, stop.top.id, '$total'), '15');
  });
});

test('a conditional breakpoint stops only where its condition holds', async () => {
  await h.withClient(async (client) => {
    const stopped = h.nextStop(client);
    await h.launchWithBreakpoints(client, 'main.php', { 'helper.php': [{ line: 3, condition: '$b == 4' }] });
    const stop = await stopped;
    assert.strictEqual(stop.event.body.reason, 'breakpoint');
    assert.strictEqual(await evaluate(client, stop.top.id, '$b'), '4');
    const terminated = client.waitForEvent('terminated');
    await client.continueRequest({ threadId: 1 });
    await terminated;
  });
});

test('a hit-count breakpoint stops from its third hit on', async () => {
  await h.withClient(async (client) => {
    const stopped = h.nextStop(client);
    await h.launchWithBreakpoints(client, 'main.php', { 'helper.php': [{ line: 3, hitCondition: '>=3' }] });
    let stop = await stopped;
    assert.strictEqual(await evaluate(client, stop.top.id, '$b'), '3');
    stop = await resumeAndStop(client);
    assert.strictEqual(await evaluate(client, stop.top.id, '$b'), '4');
  });
});

test('a bad hit condition is reported unverified with a message', async () => {
  await h.withClient(async (client) => {
    const stopped = h.nextStop(client);
    await Promise.all([client.configurationSequence(), client.launch(h.launchArgs('main.php', { stopOnEntry: true }))]);
    await stopped;
    const response = await client.setBreakpointsRequest({
      source: { path: h.script('helper.php') },
      breakpoints: [{ line: 3, hitCondition: 'often' }, { line: 4, logMessage: 'unbalanced {' }],
    });
    assert.deepStrictEqual(response.body.breakpoints.map((b) => b.verified), [false, false]);
    assert.match(response.body.breakpoints[0].message, /hit condition/);
    assert.match(response.body.breakpoints[1].message, /log message/);
  });
});

test('a log point prints its message with values and never stops', async () => {
  await h.withClient(async (client) => {
    const output = h.collect(client, 'output');
    const stops = h.collect(client, 'stopped');
    const terminated = client.waitForEvent('terminated');
    await h.launchWithBreakpoints(client, 'main.php', {
      'helper.php': [{ line: 3, logMessage: 'add {$a} + {$b} {{braces}}' }],
    });
    await terminated;
    assert.strictEqual(stops.length, 0);
    const logged = output.filter((e) => e.body.category === 'console').map((e) => e.body.output);
    assert.deepStrictEqual(logged, [0, 1, 3, 6, 10].map((a, i) => `add ${a} + ${i + 1} {braces}\n`));
  });
});

test('run to cursor stops once at the line and leaves no breakpoint behind', async () => {
  await h.withClient(async (client) => {
    const stopped = h.nextStop(client);
    await Promise.all([client.configurationSequence(), client.launch(h.launchArgs('main.php', { stopOnEntry: true }))]);
    await stopped;
    const atCursor = h.nextStop(client);
    await client.customRequest('runToCursor', { source: { path: h.script('helper.php') }, line: 4 });
    const stop = await atCursor;
    assert.strictEqual(stop.event.body.reason, 'step');
    assert.strictEqual(stop.top.source.path, h.script('helper.php'));
    assert.strictEqual(stop.top.line, 4);
    const stops = h.collect(client, 'stopped');
    const terminated = client.waitForEvent('terminated');
    await client.continueRequest({ threadId: 1 });
    await terminated;
    assert.strictEqual(stops.length, 0);
  });
});

test('terminate ends a stopped script and the session', async () => {
  await h.withClient(async (client) => {
    const output = h.collect(client, 'output');
    const stopped = h.nextStop(client);
    await Promise.all([client.configurationSequence(), client.launch(h.launchArgs('main.php', { stopOnEntry: true }))]);
    await stopped;
    const terminated = client.waitForEvent('terminated');
    await client.terminateRequest({});
    await terminated;
    assert.ok(!output.some((e) => e.body.output.includes('total=')), 'the script went on after terminate');
  });
});

test('breakpoints set while the script runs are sent at its next stop', async () => {
  await h.withClient(async (client) => {
    const source = { path: h.script('slow_loop.php') };
    let stopped = h.nextStop(client);
    await h.launchWithBreakpoints(client, 'slow_loop.php', {}, { stopOnEntry: true });
    await stopped;
    await client.setBreakpointsRequest({ source, breakpoints: [{ line: 5 }] });
    stopped = h.nextStop(client);
    const changed = client.waitForEvent('breakpoint');
    await client.continueRequest({ threadId: 1 });
    // The loop sleeps for half a second: the script runs now.
    const pending = await client.setBreakpointsRequest({ source, breakpoints: [{ line: 5 }, { line: 6 }] });
    assert.deepStrictEqual(pending.body.breakpoints.map((b) => b.verified), [false, false]);
    assert.match(pending.body.breakpoints[1].message, /next stop/);
    let stop = await stopped;
    assert.strictEqual(stop.top.line, 5);
    const event = await changed;
    assert.strictEqual(event.body.reason, 'changed');
    assert.strictEqual(event.body.breakpoint.verified, true);
    stop = await resumeAndStop(client);
    assert.strictEqual(stop.event.body.reason, 'breakpoint');
    assert.strictEqual(stop.top.line, 6);
  });
});
