// The script's output as output events, and stops at PHP errors.
'use strict';
const assert = require('node:assert');
const { test } = require('node:test');
const h = require('./harness');

function text(events, category) {
  return events.filter((e) => e.body.category === category).map((e) => e.body.output).join('');
}

test('output arrives in order, and what was printed before a stop arrives before it', async () => {
  await h.withClient(async (client) => {
    const events = [];
    client.on('output', (e) => events.push(['output', e.body.category, e.body.output]));
    client.on('stopped', (e) => events.push(['stopped', e.body.reason]));
    const stopped = h.nextStop(client);
    await h.launchWithBreakpoints(client, 'output.php', { 'output.php': [{ line: 5 }] });
    await stopped;
    const beforeStop = events.filter((e) => e[0] === 'output' && e[1] === 'stdout').map((e) => e[2]).join('');
    assert.strictEqual(beforeStop, 'first\nsecond\n');
    assert.deepStrictEqual(events[events.length - 1], ['stopped', 'breakpoint']);
    const terminated = client.waitForEvent('terminated');
    await client.continueRequest({ threadId: 1 });
    await terminated;
    const stdout = events.filter((e) => e[0] === 'output' && e[1] === 'stdout').map((e) => e[2]).join('');
    assert.strictEqual(stdout, 'first\nsecond\nthird\n');
    const stderr = events.filter((e) => e[0] === 'output' && e[1] === 'stderr').map((e) => e[2]).join('');
    assert.strictEqual(stderr, 'to stderr\n');
  });
});

test('a warning stops with its text as an exception, shown by exceptionInfo', async () => {
  await h.withClient(async (client) => {
    const stopped = h.nextStop(client);
    await h.launchWithBreakpoints(client, 'warning.php', {});
    const stop = await stopped;
    assert.strictEqual(stop.event.body.reason, 'exception');
    assert.strictEqual(stop.event.body.description, 'Warning');
    assert.strictEqual(stop.event.body.text, 'Warning: Undefined variable $undefined');
    assert.strictEqual(stop.top.line, 3);
    const info = await client.send('exceptionInfo', { threadId: 1 });
    assert.strictEqual(info.body.exceptionId, 'Warning');
    assert.strictEqual(info.body.description, 'Undefined variable $undefined');
    const locals = await h.localsOfTopFrame(client, stop.top.id);
    assert.strictEqual(locals.$before.value, '1');
  });
});

test('with the warnings filter off the script runs through its warning', async () => {
  await h.withClient(async (client) => {
    const output = h.collect(client, 'output');
    const stops = h.collect(client, 'stopped');
    const terminated = client.waitForEvent('terminated');
    const configured = client.waitForEvent('initialized').then(async () => {
      await client.setExceptionBreakpointsRequest({ filters: ['fatal'] });
      await client.configurationDoneRequest();
    });
    await client.launch(h.launchArgs('warning.php'));
    await configured;
    await terminated;
    assert.strictEqual(stops.length, 0);
    assert.match(text(output, 'stdout'), /PHP Warning: {2}Undefined variable \$undefined in .* on line 3\n/);
    assert.match(text(output, 'stdout'), /after=1\n$/);
  });
});

test('a breakpoint condition that cannot be evaluated stops with a message', async () => {
  await h.withClient(async (client) => {
    const stopped = h.nextStop(client);
    await h.launchWithBreakpoints(client, 'main.php', { 'helper.php': [{ line: 3, condition: '$b ==' }] });
    const stop = await stopped;
    assert.strictEqual(stop.event.body.reason, 'exception');
    assert.strictEqual(stop.event.body.description, 'Breakpoint condition error');
    assert.match(stop.event.body.text, /\$b == cannot be evaluated/);
    assert.strictEqual(stop.top.line, 3);
  });
});

test('error lines the script prints itself change nothing about its stops', async () => {
  await h.withClient(async (client) => {
    const stopped = h.nextStop(client);
    await h.launchWithBreakpoints(client, 'spoof.php', { 'spoof.php': [{ line: 4 }] });
    const stop = await stopped;
    assert.strictEqual(stop.event.body.reason, 'breakpoint');
    assert.strictEqual(stop.top.line, 4);
    await assert.rejects(client.exceptionInfoRequest({ threadId: 1 }), /not stopped at an error/);
    const terminated = client.waitForEvent('terminated');
    await client.continueRequest({ threadId: 1 });
    await terminated;
  });
});
