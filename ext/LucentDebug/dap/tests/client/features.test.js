// Function breakpoints, thrown-exception filters with class conditions, and
// how values are presented and paged, on one namespaced script.
'use strict';
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { test } = require('node:test');
const h = require('./harness');

// Launches features.php; `configure` runs between initialized and configurationDone.
async function launchConfigured(client, configure, extra = {}) {
  const configured = client.waitForEvent('initialized').then(async () => {
    await configure();
    await client.configurationDoneRequest();
  });
  await client.launch(h.launchArgs('features.php', extra));
  await configured;
}

async function continueToStop(client) {
  const stopped = h.nextStop(client);
  await client.continueRequest({ threadId: 1 });
  return stopped;
}

test('function breakpoints stop at the function and the method, named with their class', async () => {
  await h.withClient(async (client) => {
    let answer;
    const first = h.nextStop(client);
    await launchConfigured(client, async () => {
      answer = await client.send('setFunctionBreakpoints', {
        breakpoints: [{ name: 'App\\Model\\lookup', condition: '$id > 0', hitCondition: '2' }, { name: 'App\\Model\\User->save' },
          { name: 'no such name!' }, { name: 'App\\Model\\fail', hitCondition: 'often' }],
      });
    });
    assert.deepStrictEqual(answer.body.breakpoints.map((b) => b.verified), [true, true, false, false]);
    assert.match(answer.body.breakpoints[2].message, /not a function or method name/);
    assert.match(answer.body.breakpoints[3].message, /bad hit condition: often/);

    let stop = await first;
    assert.strictEqual(stop.event.body.reason, 'function breakpoint');
    assert.deepStrictEqual(stop.event.body.hitBreakpointIds, [answer.body.breakpoints[1].id]);
    assert.deepStrictEqual(stop.frames.map((f) => [f.name, f.line]), [['App\\Model\\User->save', 11], ['__main__', 31]]);

    // The condition holds at both calls, the hit condition at the second only.
    stop = await continueToStop(client);
    assert.deepStrictEqual(stop.event.body.hitBreakpointIds, [answer.body.breakpoints[0].id]);
    assert.deepStrictEqual(stop.frames.map((f) => [f.name, f.line]), [['App\\Model\\lookup', 18], ['__main__', 33]]);

    // Cleared, nothing stops any more: the script runs to its end.
    await client.send('setFunctionBreakpoints', { breakpoints: [] });
    await client.send('setExceptionBreakpoints', { filters: [] });
    const terminated = client.waitForEvent('terminated');
    await client.continueRequest({ threadId: 1 });
    await terminated;
  });
});

test('thrown exceptions stop at the throw, by class, and uncaught ones with the whole stack', async () => {
  await h.withClient(async (client) => {
    const first = h.nextStop(client);
    await launchConfigured(client, async () => {
      const answer = await client.setExceptionBreakpointsRequest({
        filters: ['fatal'], filterOptions: [{ filterId: 'thrown', condition: 'RuntimeException' }],
      });
      assert.deepStrictEqual(answer.body.breakpoints.map((b) => b.verified), [true, true]);
    });
    let stop = await first;
    assert.strictEqual(stop.event.body.reason, 'exception');
    assert.deepStrictEqual(stop.frames.map((f) => [f.name, f.line]), [['App\\Model\\lookup', 19], ['__main__', 33]]);
    const info = await client.exceptionInfoRequest({ threadId: 1 });
    assert.strictEqual(info.body.exceptionId, 'App\\Model\\NotFound');
    assert.strictEqual(info.body.description, 'no user 2');

    // The LogicException is no RuntimeException: only uncaught ones stop now.
    await client.setExceptionBreakpointsRequest({ filters: ['uncaught'] });
    stop = await continueToStop(client);
    assert.deepStrictEqual(stop.frames.map((f) => [f.name, f.line]), [['App\\Model\\fail', 25], ['__main__', 37]]);
    assert.strictEqual((await client.exceptionInfoRequest({ threadId: 1 })).body.exceptionId, 'LogicException');
  });
});

test('values show classes and counts; big arrays are paged by the engine; properties carry their visibility', async () => {
  await h.withClient(async (client) => {
    const stopped = h.nextStop(client);
    await h.launchWithBreakpoints(client, 'features.php', { 'features.php': [{ line: 31 }] });
    const stop = await stopped;
    const locals = await h.localsOfTopFrame(client, stop.top.id);
    assert.strictEqual(locals.$user.value, 'App\\Model\\User');
    assert.strictEqual(locals.$user.type, 'App\\Model\\User');
    assert.strictEqual(locals.$list.value, 'array(10000)');
    assert.strictEqual(locals.$list.indexedVariables, 10000);
    assert.strictEqual(locals.$bytes.value, '"a\\xffb"');

    const page = await client.variablesRequest({ variablesReference: locals.$list.variablesReference, filter: 'indexed', start: 9998, count: 2 });
    assert.deepStrictEqual(page.body.variables.map((v) => [v.name, v.value]), [['[9998]', '9999'], ['[9999]', '10000']]);
    const named = await client.variablesRequest({ variablesReference: locals.$list.variablesReference, filter: 'named' });
    assert.deepStrictEqual(named.body.variables, []);

    const user = await client.variablesRequest({ variablesReference: locals.$user.variablesReference });
    const hints = Object.fromEntries(user.body.variables.map((v) => [v.name, v.presentationHint]));
    assert.deepStrictEqual(hints.name, { kind: 'property', visibility: 'private' });
    assert.deepStrictEqual(hints.roles, { kind: 'property', visibility: 'protected' });
    assert.deepStrictEqual(hints.id, { kind: 'property', visibility: 'public' });
    // The class's static properties follow the object's own.
    const statics = user.body.variables.filter((v) => v.presentationHint.attributes);
    assert.deepStrictEqual(statics.map((v) => [v.name, v.value, v.evaluateName, v.presentationHint.attributes]),
      [['count', '1', '\\App\\Model\\User::$count', ['static']]]);
    assert.strictEqual(locals.$user.namedVariables, 3);
  });
});

test('breakpoints move to the next line that can stop, also once a later file is compiled, and through links', async () => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'lucentdebug-link-'));
  const link = path.join(folder, 'helper_link.php');
  fs.symlinkSync(h.script('moved_helper.php'), link);
  try {
    await h.withClient(async (client) => {
      const changed = h.collect(client, 'breakpoint');
      let main;
      let helper;
      const stopped = h.nextStop(client);
      const configured = client.waitForEvent('initialized').then(async () => {
        main = await client.setBreakpointsRequest({ source: { path: h.script('moved.php') }, breakpoints: [{ line: 4 }, { line: 9 }] });
        helper = await client.setBreakpointsRequest({ source: { path: link }, breakpoints: [{ line: 3 }] });
        await client.configurationDoneRequest();
      });
      await client.launch(h.launchArgs('moved.php'));
      await configured;
      assert.deepStrictEqual(main.body.breakpoints.map((b) => [b.verified, b.line]), [[true, 5], [false, 9]]);
      assert.match(main.body.breakpoints[1].message, /no line at or after line 9/);
      // Its file is not compiled yet: where it stops is not known.
      assert.deepStrictEqual(helper.body.breakpoints.map((b) => [b.verified, b.line]), [[true, 3]]);

      let stop = await stopped;
      assert.deepStrictEqual([stop.event.body.reason, stop.top.line], ['breakpoint', 5]);
      stop = await (async () => {
        const next = h.nextStop(client);
        await client.continueRequest({ threadId: 1 });
        return next;
      })();
      assert.deepStrictEqual([stop.event.body.reason, stop.top.line, stop.top.source.path],
        ['breakpoint', 4, h.script('moved_helper.php')]);
      assert.deepStrictEqual(stop.event.body.hitBreakpointIds, [helper.body.breakpoints[0].id]);
      const moved = changed.map((e) => e.body.breakpoint).filter((b) => b.id === helper.body.breakpoints[0].id);
      assert.deepStrictEqual(moved.map((b) => [b.verified, b.line]), [[true, 4]]);
    });
  } finally {
    fs.rmSync(folder, { recursive: true, force: true });
  }
});

test('pause stops a running loop; a breakpoint set while it runs stops it with no other stop', async () => {
  await h.withClient(async (client) => {
    const stops = h.collect(client, 'stopped');
    const output = h.collect(client, 'output');
    const looping = new Promise((resolve) => client.on('output', (e) => { if (/looping/.test(e.body.output)) resolve(); }));
    await h.launchWithBreakpoints(client, 'endless_loop.php', {});
    await looping;
    let stopped = h.nextStop(client);
    await client.pauseRequest({ threadId: 1 });
    let stop = await stopped;
    assert.strictEqual(stop.event.body.reason, 'pause');
    await client.continueRequest({ threadId: 1 });

    stopped = h.nextStop(client);
    const source = { path: h.script('endless_loop.php') };
    await client.setBreakpointsRequest({ source, breakpoints: [{ line: 7 }] });
    stop = await stopped;
    assert.deepStrictEqual([stop.event.body.reason, stop.top.line], ['breakpoint', 7]);
    assert.deepStrictEqual(stops.map((e) => e.body.reason), ['pause', 'breakpoint']);

    await client.send('setExpression', { expression: '$hit', value: 'true', frameId: stop.top.id });
    await client.setBreakpointsRequest({ source, breakpoints: [] });
    const terminated = client.waitForEvent('terminated');
    await client.continueRequest({ threadId: 1 });
    await terminated;
    assert.match(output.map((e) => e.body.output).join(''), /left the loop/);
  });
});

test('restart launches php again, with the same or new arguments, keeping the breakpoints', async () => {
  await h.withClient(async (client) => {
    const ends = h.collect(client, 'terminated');
    let stopped = h.nextStop(client);
    await h.launchWithBreakpoints(client, 'main.php', { 'helper.php': [{ line: 3 }] });
    let stop = await stopped;
    assert.strictEqual(stop.top.line, 3);

    stopped = h.nextStop(client);
    await client.send('restart', {});
    stop = await stopped;
    assert.deepStrictEqual([stop.event.body.reason, stop.top.line], ['breakpoint', 3]);
    let locals = await h.localsOfTopFrame(client, stop.top.id);
    assert.strictEqual(locals.$a.value, '0');  // the first call again: a new php

    stopped = h.nextStop(client);
    await client.send('restart', { arguments: h.launchArgs('main.php', { args: ['again'] }) });
    stop = await stopped;
    const argument = await client.evaluateRequest({ expression: '$GLOBALS["argv"][1]', frameId: stop.top.id, context: 'watch' });
    assert.strictEqual(argument.body.result, '"again"');
    assert.strictEqual(ends.length, 0);

    await client.setBreakpointsRequest({ source: { path: h.script('helper.php') }, breakpoints: [] });
    const terminated = client.waitForEvent('terminated');
    await client.continueRequest({ threadId: stop.event.body.threadId });
    await terminated;
  });
});
