// Times the workloads of bench/ in the playground, in headless Chromium, and
// in the console program, and prints the ratio: page time / console time.
//
//     node web/bench.mjs [--runs N] [--only NAME,...] [--native PATH]
//
// Needs build-web/ (web/build.sh) and a Release build of the console program
// (build/quorin). By default it runs the compute workloads and strings; the
// others of bench/workloads are named with --only.
//
// The console's time is the whole process, start-up included, as bench/run.py
// takes it. The page's is what the script interface takes, from the call of
// window.quorin.run to its answer: the worker's fresh instance of the module,
// the conversions and the run. The two alternate, and the medians are compared.
// The outputs must agree, or the row fails. The browser first runs the module
// as its quick baseline compiler made it and optimises it meanwhile, so the
// first run after the page loads may be slower than the rest; the median of
// three or more runs is the optimised code's time.
import { spawnSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { parseArgs } from 'node:util';

import { Chromium } from './test/chromium.mjs';
import { openPlayground, root, servePlayground } from './test/playground_page.mjs';

const { values: options } = parseArgs({
    options: {
        runs: { type: 'string', default: '3' },
        only: { type: 'string', default: 'loop,mandelbrot,collatz,variables,strings' },
        native: { type: 'string', default: join(root, 'build', 'quorin') },
    },
});
const runs = Number(options.runs);
const workloads = options.only.split(',').filter(Boolean);

// Workload files are ASCII, or UTF-8 where they hold Japanese text.
function sourceOf(path) {
    const bytes = readFileSync(path);
    try {
        return { text: new TextDecoder('utf-8', { fatal: true }).decode(bytes), encoding: 'UTF-8' };
    } catch {
        return { text: new TextDecoder('shift_jis').decode(bytes), encoding: '' };
    }
}

function runNative(path, encoding) {
    const env = { ...process.env, QUORIN_CONSOLE_ENCODING: 'UTF-8', QUORIN_SOURCE_ENCODING: encoding };
    const started = process.hrtime.bigint();
    const run = spawnSync(options.native, [path], {
        env, input: '', encoding: 'utf8', maxBuffer: 1 << 28, timeout: 600000,
    });
    const milliseconds = Number(process.hrtime.bigint() - started) / 1e6;
    if (run.error) throw run.error;
    return { stdout: run.stdout, milliseconds };
}

async function runInPage(page, text) {
    return page.call(async (source) => {
        const started = performance.now();
        const { stdout } = await window.quorin.run(source, '');
        return { stdout, milliseconds: performance.now() - started };
    }, text);
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

const { server, address } = await servePlayground();
const browser = await Chromium.launch();
let failed = false;
try {
    const page = await openPlayground(browser, address);
    console.log(`${'workload'.padEnd(14)}${'console ms'.padStart(12)}${'page ms'.padStart(12)}${'ratio'.padStart(8)}`);
    for (const name of workloads) {
        const path = join(root, 'bench', 'workloads', `${name}.qrn`);
        const { text, encoding } = sourceOf(path);
        const nativeTimes = [], pageTimes = [];
        let agree = true;
        for (let i = 0; i < runs; ++i) {
            const console_ = runNative(path, encoding);
            const inPage = await runInPage(page, text);
            agree &&= console_.stdout === inPage.stdout;
            nativeTimes.push(console_.milliseconds);
            pageTimes.push(inPage.milliseconds);
        }
        const [n, p] = [median(nativeTimes), median(pageTimes)];
        failed ||= !agree;
        console.log(`${name.padEnd(14)}${n.toFixed(0).padStart(12)}${p.toFixed(0).padStart(12)}` +
                    `${(p / n).toFixed(2).padStart(8)}${agree ? '' : '  OUTPUTS DIFFER'}`);
    }
} finally {
    await browser.close();
    server.kill();
}
process.exitCode = failed ? 1 : 0;
