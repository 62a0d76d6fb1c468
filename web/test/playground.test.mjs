// The playground in headless Chromium, compared with the console program.
//
// Every example of examples/ and a handful of macros run through the script
// interface (window.quorin) and, the examples and a few more, through the
// page's own controls; their standard output, standard error and exit status
// must be those of the native program run on the same macro with the same
// input, with QUORIN_CONSOLE_ENCODING=UTF-8 and QUORIN_ERROR_LOCATION=1 (the
// closing key prompt, which the page leaves out, removed).
//
// Needs build-web/ (web/build.sh), the native program (build/quorin, or
// $QUORIN_NATIVE) and Chromium (/usr/bin/chromium, or $CHROMIUM). The
// screenshot of the page goes to $QUORIN_SCREENSHOT, or build-web/screenshot.png.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import { Chromium } from './chromium.mjs';
import { openPlayground, root, servePlayground } from './playground_page.mjs';

const native = process.env.QUORIN_NATIVE ?? join(root, 'build', 'quorin');
const screenshotPath = process.env.QUORIN_SCREENSHOT ?? join(root, 'build-web', 'screenshot.png');
const keyPrompt = /\n何かキーを押してください\.\.\.$/;
const scratch = mkdtempSync(join(tmpdir(), 'quorin-web-test-'));

let server, browser, page, address, firstLoad;

// ---- The native program -----------------------------------------------------------

// Runs the console program on a file of examples/ (code page 932) or on
// `source`, written as UTF-8, with `input` as its standard input.
function runNative({ file, source, input = '' }) {
    const env = { ...process.env, QUORIN_CONSOLE_ENCODING: 'UTF-8', QUORIN_ERROR_LOCATION: '1' };
    let path = file;
    if (source !== undefined) {
        path = join(scratch, 'macro.qrn');
        writeFileSync(path, source);
        env.QUORIN_SOURCE_ENCODING = 'UTF-8';
    }
    const run = spawnSync(native, [path], { input, env, encoding: 'utf8', timeout: 60000 });
    assert.equal(run.error, undefined);
    return { stdout: run.stdout, stderr: run.stderr.replace(keyPrompt, ''), status: run.status };
}

// ---- The examples and their input, from the end-to-end tests' expectations ---------

function exampleCases() {
    const expectations = join(root, 'tests', 'macros', 'examples');
    const cases = [];
    for (const file of readdirSync(join(root, 'examples')).filter((f) => f.endsWith('.qrn')).sort()) {
        const name = file.slice(0, -4);
        const bytes = readFileSync(join(root, 'examples', file));
        const source = new TextDecoder('shift_jis').decode(bytes);
        const expectFiles = readdirSync(expectations)
            .filter((f) => f === `${name}.expect` || (f.startsWith(`${name}.`) && f.endsWith('.expect')))
            .sort();
        for (const expectFile of expectFiles.length > 0 ? expectFiles : [null]) {
            const lines = expectFile === null ? [] : readFileSync(join(expectations, expectFile), 'utf8')
                .split('\n')
                .filter((line) => line.startsWith('//@ stdin:'))
                .map((line) => line.slice('//@ stdin:'.length).replace(/^ /, ''));
            cases.push({ name, label: expectFile ?? file, file: join(root, 'examples', file), source, lines });
        }
    }
    return cases;
}

const examples = exampleCases();
const inputOf = (lines) => lines.map((line) => `${line}\n`).join('');

// ---- Macros beyond the examples ---------------------------------------------------

const macros = [
    {
        name: 'output: numbers, Japanese text, a character written in two halves',
        source: 'println("合計 " cat 1 + 2 * 3 cat " 円");\nprintln(7 / 2, "x");\n' +
            'print(leftb("表", 1)); print(rightb("表", 1)); println();\nprint("改行なし");\n',
    },
    {
        name: 'getln: CR LF, a line longer than 255 bytes in two pieces, an empty line, the end',
        source: 'for (i = 0; i < 6; i++) { s = getln; println(i cat ":" cat lenb(s) cat ":" cat s); }\n',
        input: '一行目\r\n' + 'x'.repeat(250) + 'あいう\n\nlast',
    },
    {
        name: 'a runtime error after output, its place behind Japanese text',
        source: 'println("前");\ns = "日本語";\nprintln(s cat nosuchfunction(1));\nprintln("後");\n',
    },
    {
        name: 'division by zero deep in a loop',
        source: 'for (i = 3; i >= 0; i--) {\n    println(12 / i);\n}\n',
    },
    {
        name: 'a syntax error, marked under the bytes of the line',
        source: '// 構文の誤り\nprintln("あいう" cat );\n',
    },
    {
        name: 'a byte order mark and CR LF line ends',
        source: '\uFEFFprintln("一");\r\nprintln("二");\r\n',
    },
    {
        name: 'a character code page 932 lacks',
        source: 'println("café");\n',
    },
    {
        name: 'nesting deeper than the core accepts',
        source: `x = ${'('.repeat(30000)}1${')'.repeat(30000)};\n`,
    },
];

// ---- The page -----------------------------------------------------------------------

before(async () => {
    assert.ok(existsSync(join(root, 'build-web', 'index.html')), 'build-web/ is missing: run web/build.sh');
    assert.ok(existsSync(native), `${native} is missing: build the program first`);
    ({ server, address } = await servePlayground());
    browser = await Chromium.launch();
    page = await openPlayground(browser, address);
    // The first load of the page, in a browser that never saw it.
    firstLoad = await page.evaluate(`(() => {
        const at = (name) => performance.getEntriesByName(name)[0]?.startTime;
        return { paint: at('first-contentful-paint'), editor: at('quorin-editor'), ready: at('quorin-ready') };
    })()`);
});

after(async () => {
    await browser?.close();
    server?.kill();
    rmSync(scratch, { recursive: true, force: true });
});

// What the page's pane holds, stream by stream.
function paneText() {
    const pick = (name) => [...document.getElementById('output').children]
        .filter((span) => span.className === name).map((span) => span.textContent).join('');
    return { stdout: pick('out'), stderr: pick('errors') };
}

const runEnded = () => !document.getElementById('run').disabled;

// Runs the editor's macro with the Run button, typing `lines` into the input
// line one by one as the macro asks, and ending the input (Ctrl+D) when it
// asks for more. Returns the pane's streams and the status line.
async function runWithControls(lines) {
    await page.evaluate(`document.getElementById('run').click()`);
    const waiting = [...lines];
    for (;;) {
        const state = await page.waitFor(() => {
            const input = document.getElementById('input');
            if (!document.getElementById('run').disabled) return 'ended';
            return input.classList.contains('wanted') ? 'wanted' : '';
        });
        if (state === 'ended') break;
        await page.evaluate(`document.getElementById('input').focus()`);
        // The page takes the line (and empties the input line) or the end (and
        // disables it) at once. The macro may ask again before the next look,
        // so what is awaited is the answer, not that the asking stops.
        if (waiting.length > 0) {
            const line = waiting.shift();
            await page.type(line);
            await page.press('Enter', 'Enter', 13, 0, '\r');
            if (line !== '') await page.waitFor(() => document.getElementById('input').value === '');
        } else {
            await page.press('d', 'KeyD', 68, 2);
            await page.waitFor(() => document.getElementById('input').disabled);
        }
    }
    return { ...(await page.call(paneText)), status: await page.evaluate(`document.getElementById('status').textContent`) };
}

// Puts `text` into the editor as typing would.
async function typeSource(text) {
    await page.evaluate(`(() => { const e = document.getElementById('source'); e.focus(); e.select(); })()`);
    await page.type(text);
    assert.equal(await page.evaluate(`document.getElementById('source').value`), text);
}

// ---- Through the script interface ---------------------------------------------------

test('the first load shows the editor and readies the interpreter', (t) => {
    assert.ok(firstLoad.editor > 0 && firstLoad.ready > 0, JSON.stringify(firstLoad));
    t.diagnostic(`first paint ${Math.round(firstLoad.paint)} ms, editor filled ` +
        `${Math.round(firstLoad.editor)} ms, interpreter ready ${Math.round(firstLoad.ready)} ms`);
});

for (const example of examples) {
    test(`script interface: example ${example.label}`, async () => {
        const input = inputOf(example.lines);
        const result = await page.call((s, i) => window.quorin.run(s, i), example.source, input);
        assert.deepEqual(result, runNative({ file: example.file, input }));
    });
}

for (const macro of macros) {
    test(`script interface: ${macro.name}`, async () => {
        const result = await page.call((s, i) => window.quorin.run(s, i), macro.source, macro.input ?? '');
        assert.deepEqual(result, runNative(macro));
    });
}

test('script interface: nesting deeper than the browser\'s stack is the nesting error', async () => {
    // The console takes this; a browser's stack, far smaller, does not.
    const source = `x = ${'('.repeat(6000)}1${')'.repeat(6000)};\nprintln(x);\n`;
    const result = await page.call((s) => window.quorin.run(s, ''), source);
    assert.deepEqual(result, { stdout: '\n', stderr: '\n*\nマクロの入れ子が深すぎます。\n*\n', status: 0 });
    // The next run gets a sound interpreter.
    assert.equal((await page.call(() => window.quorin.run('println(1);'))).stdout, '\n1\n');
});

test('script interface: stop() ends an endless loop as Ctrl+C ends the console\'s', async () => {
    await page.evaluate(`window.running = window.quorin.run('println("started");\\nwhile (1) {}\\n', ''); 0`);
    // The page answers while the macro runs: it runs in the worker.
    await page.evaluate(`new Promise((resolve) => setTimeout(resolve, 300))`);
    await page.evaluate(`window.quorin.stop()`);
    assert.deepEqual(await page.evaluate('window.running'), { stdout: '\nstarted\n', stderr: '', status: 130 });
});

test('script interface: without input, getln waits for the page, and stop() ends the wait', async () => {
    await page.evaluate(`window.running = window.quorin.run('print("名前: ");\\nname = getln;\\nprintln(name);\\n'); 0`);
    await page.waitFor(() => document.getElementById('input').classList.contains('wanted'));
    await page.evaluate(`window.quorin.stop()`);
    assert.deepEqual(await page.evaluate('window.running'), { stdout: '\n名前: ', stderr: '', status: 130 });
});

// ---- Through the page's controls ----------------------------------------------------

const firstCases = examples.filter((example, i) => i === 0 || examples[i - 1].name !== example.name);

for (const example of firstCases) {
    test(`page: example ${example.name}.qrn from the menu, Run, the input line`, async () => {
        await page.evaluate(`(() => {
            const menu = document.getElementById('examples');
            menu.value = ${JSON.stringify(example.name)};
            menu.dispatchEvent(new Event('change'));
        })()`);
        await page.waitFor((text) => document.getElementById('source').value === text, 10000, example.source);
        const { stdout, stderr, status } = await runWithControls(example.lines);
        const expected = runNative({ file: example.file, input: inputOf(example.lines) });
        assert.deepEqual({ stdout, stderr }, { stdout: expected.stdout, stderr: expected.stderr });
        assert.match(status, /^Finished/);
    });
}

test('page: a runtime error shows its frame and marks its place in the editor', async () => {
    const source = 'println("前");\ns = "日本語";\nprintln(s cat nosuchfunction(1));\n';
    await typeSource(source);
    const { stdout, stderr, status } = await runWithControls([]);
    const expected = runNative({ source });
    assert.deepEqual({ stdout, stderr }, { stdout: expected.stdout, stderr: expected.stderr });
    assert.match(status, /^Error in line 3\b/);
    const mark = await page.evaluate(`(() => {
        const editor = document.getElementById('source');
        const line = document.getElementById('error-line');
        return { hidden: line.hidden, from: editor.value.slice(editor.selectionStart) };
    })()`);
    // Where the frame's caret points: the sentence that failed.
    assert.deepEqual(mark, { hidden: false, from: 'println(s cat nosuchfunction(1));\n' });
});

test('page: Stop ends an endless loop, and the page stays responsive meanwhile', async () => {
    await typeSource('println("started");\nwhile (1) {}\n');
    await page.evaluate(`document.getElementById('run').click()`);
    await page.waitFor(() => document.getElementById('output').textContent.includes('started'));
    // Timers of the page run while the macro does.
    const ticks = await page.evaluate(`new Promise((resolve) => {
        let count = 0;
        const timer = setInterval(() => { if (++count === 5) { clearInterval(timer); resolve(count); } }, 10);
    })`);
    assert.equal(ticks, 5);
    await page.evaluate(`document.getElementById('stop').click()`);
    await page.waitFor(runEnded);
    assert.deepEqual(await page.call(paneText), { stdout: '\nstarted\n', stderr: '' });
    assert.equal(await page.evaluate(`document.getElementById('status').textContent`), 'Stopped (exit status 130)');
});

test('page: Stop ends a wait for input', async () => {
    await typeSource('x = getln;\nprintln("never");\n');
    await page.evaluate(`document.getElementById('run').click()`);
    await page.waitFor(() => document.getElementById('input').classList.contains('wanted'));
    await page.evaluate(`document.getElementById('stop').click()`);
    await page.waitFor(runEnded);
    assert.deepEqual(await page.call(paneText), { stdout: '\n', stderr: '' });
});

test('page: the share link carries the macro to a fresh page', async () => {
    const source = '// 共有\nprintln("リンクで渡す " cat 40 + 2);\n';
    await typeSource(source);
    await page.evaluate(`document.getElementById('share').click()`);
    const url = await page.waitFor(() => location.hash.startsWith('#source=') && location.href);
    const other = await openPlayground(browser, url);
    try {
        assert.equal(await other.evaluate(`document.getElementById('source').value`), source);
        assert.deepEqual(await other.call((s) => window.quorin.run(s, ''), source), runNative({ source }));
    } finally {
        await other.close();
    }
});

test('page: an example edited comes back when chosen again', async () => {
    const choose = (name) => page.evaluate(`(() => {
        const menu = document.getElementById('examples');
        menu.value = ${JSON.stringify(name)};
        menu.dispatchEvent(new Event('change'));
    })()`);
    const hello = examples.find((example) => example.name === 'hello').source;
    await choose('hello');
    await page.waitFor((text) => document.getElementById('source').value === text, 10000, hello);
    await typeSource('println("edited");\n');
    assert.equal(await page.evaluate(`document.getElementById('examples').value`), '');
    await choose('hello');
    await page.waitFor((text) => document.getElementById('source').value === text, 10000, hello);
});

test('page: screenshot', async () => {
    await page.evaluate(`(() => {
        const menu = document.getElementById('examples');
        menu.value = 'table';
        menu.dispatchEvent(new Event('change'));
    })()`);
    await page.waitFor(() => document.getElementById('source').value.includes('九九'));
    await runWithControls([]);
    writeFileSync(screenshotPath, await page.screenshot());
});
