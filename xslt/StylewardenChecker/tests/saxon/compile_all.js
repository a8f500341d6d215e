// Compiles each stylesheet named on the command line with SaxonJS, as
// `xslt3 -xsl:F -export:OUT -nogo` would, but in this one process: the compiler is loaded
// once instead of once per file. Prints one JSON line per file:
// {"file", "status" (0: compiled), "code" (the first error code or ""), "message"}.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');

const cliPath = require.resolve('xslt3/xslt3.js');
const source = fs.readFileSync(cliPath, 'utf8').replace(/^#!.*\n/, '');
// The program polls a flag until it has finished; hand that flag and its exit status to
// `whenDone` instead, so that the next file can start. (Its names carry a module suffix.)
const waitLoop = /(main\$\$[\w$]+)\(\);\(function wait\(\)\{(finished\$\$[\w$]+)\|\|setTimeout\(wait,100\)\}\)\(\);/;
const found = source.match(waitLoop);
if (!found) {
  console.error('compile_all.js: unknown xslt3.js layout; pin the version in package.json');
  process.exit(3);
}
const exitCodeName = found[2].replace('finished', 'exitCode');
const body = source.replace(waitLoop,
  () => `${found[1]}();whenDone(()=>${found[2]},()=>${exitCodeName});`);
const runCli = new Function('process', 'console', 'require', 'whenDone', body);

function run(fakeProcess, fakeConsole) {
  return new Promise((resolve) => {
    runCli(fakeProcess, fakeConsole, require, (finished, exitCode) => {
      (function wait() {
        if (finished()) {
          resolve(exitCode());
        } else {
          setTimeout(wait, 5);
        }
      })();
    });
  });
}

async function compile(file, exportPath) {
  const lines = [];
  const fakeConsole = Object.assign(Object.create(console), {
    error: (...args) => lines.push(args.join(' ')),
    warn: (...args) => lines.push(args.join(' ')),
    log: (...args) => lines.push(args.join(' ')),
  });
  const fakeProcess = Object.create(process);
  fakeProcess.argv = [process.argv[0], cliPath, '-xsl:' + file, '-export:' + exportPath, '-nogo'];
  fakeProcess.exitCode = 0;
  const status = await run(fakeProcess, fakeConsole);
  const text = lines.join('\n');
  const code = (text.match(/\b(X[A-Z]{3}\d{4})\b/) || [''])[0];
  return { file, status, code, message: text.split('\n').slice(0, 2).join(' ').trim() };
}

(async () => {
  const out = fs.mkdtempSync(path.join(os.tmpdir(), 'saxon-sef-'));
  try {
    for (const [i, file] of process.argv.slice(2).entries()) {
      const result = await compile(file, path.join(out, i + '.sef.json'));
      process.stdout.write(JSON.stringify(result) + '\n');
    }
  } finally {
    fs.rmSync(out, { recursive: true, force: true });
  }
})();
