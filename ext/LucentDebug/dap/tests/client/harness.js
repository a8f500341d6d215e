// Shared set-up of the end-to-end tests: a DebugClient speaking to the built
// adapter, launch arguments for the scripts under ../scripts, and clean-up.
// Paths come from the environment that CTest sets: LUCENTDEBUG_DAP (the
// adapter), PHP_BINARY, LUCENTDEBUG_MODULE and LUCENTDEBUG_PRELOAD (the
// sanitizer runtime php needs when the extension is instrumented).
'use strict';
const assert = require('node:assert');
const fs = require('node:fs');
const net = require('node:net');
const path = require('node:path');
const { DebugClient } = require('@vscode/debugadapter-testsupport');

const ADAPTER = required('LUCENTDEBUG_DAP');
const PHP = required('PHP_BINARY');
const MODULE = required('LUCENTDEBUG_MODULE');
const PRELOAD = process.env.LUCENTDEBUG_PRELOAD || '';
const SCRIPTS = fs.realpathSync(path.join(__dirname, '..', 'scripts'));

function required(name) {
  const value = process.env[name];
  if (!value) throw new Error(`${name} is not set (the tests run from CTest)`);
  return value;
}

function script(name) {
  return path.resolve(SCRIPTS, name);
}

// What php needs in its environment to load an instrumented extension.
function phpEnvironment() {
  if (!PRELOAD) return {};
  return { LD_PRELOAD: PRELOAD, ASAN_OPTIONS: 'detect_leaks=0:verify_asan_link_order=0' };
}

function launchArgs(name, extra = {}) {
  return Object.assign({
    program: script(name),
    runtimeExecutable: PHP,
    runtimeArgs: ['-n'],
    extension: MODULE,
    env: phpEnvironment(),
  }, extra);
}

// A client on a fresh adapter; the adapter's stderr is kept for assertions.
async function startClient() {
  // DebugClient runs "<runtime> <executable>": env runs the adapter binary.
  const client = new DebugClient('env', ADAPTER, 'lucentdebug');
  client.defaultTimeout = 20000;
  await client.start();
  client.adapterEnded = new Promise((resolve) => {
    client._adapterProcess.on('exit', (code) => {
      client.adapterExited = true;
      resolve(code);
    });
  });
  return client;
}

// Runs `body` with a started client and always stops it, which disconnects
// (ending a launched php) and kills the adapter.
async function withClient(body) {
  const client = await startClient();
  try {
    await body(client);
  } finally {
    // stop() asks for a disconnect, which an adapter that already ended
    // would never answer.
    if (client.adapterExited) {
      client.stopAdapter();
    } else {
      await client.stop();
    }
  }
}

// Launches `name` with the given breakpoints set during configuration;
// resolves when the configuration is done.
async function launchWithBreakpoints(client, name, breakpointsByFile, extra = {}) {
  const configured = client.waitForEvent('initialized').then(async () => {
    for (const [file, breakpoints] of Object.entries(breakpointsByFile)) {
      const response = await client.setBreakpointsRequest({ source: { path: script(file) }, breakpoints });
      for (const breakpoint of response.body.breakpoints) {
        assert.ok(breakpoint.verified, `breakpoint not verified: ${JSON.stringify(breakpoint)}`);
      }
    }
    await client.configurationDoneRequest();
  });
  await client.launch(launchArgs(name, extra));
  await configured;
}

// Waits for the next stop and returns its event and the top frame.
async function nextStop(client) {
  const event = await client.waitForEvent('stopped');
  const trace = await client.stackTraceRequest({ threadId: event.body.threadId });
  return { event, frames: trace.body.stackFrames, top: trace.body.stackFrames[0] };
}

// Collects every event of one kind from now on.
function collect(client, eventType) {
  const events = [];
  client.on(eventType, (event) => events.push(event));
  return events;
}

// Variables of a scope or value, by name.
async function variablesByName(client, variablesReference) {
  const response = await client.variablesRequest({ variablesReference });
  return Object.fromEntries(response.body.variables.map((v) => [v.name, v]));
}

async function localsOfTopFrame(client, frameId) {
  const scopes = await client.scopesRequest({ frameId });
  const locals = scopes.body.scopes.find((s) => s.name === 'Locals');
  return variablesByName(client, locals.variablesReference);
}

// A free loopback port below the kernel's ephemeral range: one the kernel
// hands out for port 0 (every debugged php's XML-RPC server takes one) could
// be taken by another process before the program told to use it binds it.
function ephemeralFloor() {
  try {
    return Number(fs.readFileSync('/proc/sys/net/ipv4/ip_local_port_range', 'utf8').split(/\s+/)[0]);
  } catch {
    return 32768;
  }
}

function bindable(port) {
  return new Promise((resolve) => {
    const probe = net.createServer();
    probe.once('error', () => resolve(false));
    probe.listen(port, '127.0.0.1', () => probe.close(() => resolve(true)));
  });
}

async function freePort() {
  const floor = ephemeralFloor() || 32768;
  const low = Math.max(1024, floor - 12000);
  for (let tries = 0; tries < 200; tries++) {
    const port = low + Math.floor(Math.random() * (floor - low));
    if (await bindable(port)) return port;
  }
  throw new Error(`no free loopback port below ${floor}`);
}

module.exports = {
  ADAPTER, PHP, MODULE, PRELOAD, script, phpEnvironment, launchArgs, startClient, withClient,
  launchWithBreakpoints, nextStop, collect, variablesByName, localsOfTopFrame, freePort,
};
