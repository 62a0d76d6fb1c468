// Headless Chromium driven through the DevTools protocol over a pipe: the
// browser reads commands from its descriptor 3 and writes answers and events
// to 4, each a JSON text ended by a NUL byte. Enough of the protocol for the
// playground's tests, with nothing to install beyond the browser.
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

// A fresh profile, and nothing that reaches beyond this machine.
const FLAGS = [
    '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    // Containers often give /dev/shm a few megabytes, too few for the browser.
    '--disable-dev-shm-usage',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    '--remote-debugging-pipe', '--window-size=1280,800', 'about:blank',
];

export class Chromium {
    static async launch(executable = process.env.CHROMIUM ?? '/usr/bin/chromium') {
        const profile = mkdtempSync(join(tmpdir(), 'quorin-chromium-'));
        const child = spawn(executable, [...FLAGS, `--user-data-dir=${profile}`], {
            stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'],
        });
        const browser = new Chromium(child, profile);
        // The browser is up once it answers.
        await browser.send('Browser.getVersion');
        return browser;
    }

    constructor(child, profile) {
        this.child = child;
        this.profile = profile;
        this.nextId = 1;
        this.waiting = new Map();
        this.listeners = new Set();
        this.log = '';
        let buffered = '';
        child.stdio[4].setEncoding('utf8');
        child.stdio[4].on('data', (text) => {
            buffered += text;
            let end;
            while ((end = buffered.indexOf('\0')) >= 0) {
                this.receive(JSON.parse(buffered.slice(0, end)));
                buffered = buffered.slice(end + 1);
            }
        });
        child.stderr.setEncoding('utf8');
        child.stderr.on('data', (text) => { this.log = (this.log + text).slice(-4000); });
        this.exited = new Promise((resolve) => child.on('exit', resolve));
        this.exited.then(() => {
            for (const { reject } of this.waiting.values()) {
                reject(new Error(`Chromium exited:\n${this.log}`));
            }
        });
    }

    receive(message) {
        if (message.id !== undefined) {
            const call = this.waiting.get(message.id);
            this.waiting.delete(message.id);
            if (message.error) call.reject(new Error(`${call.method}: ${message.error.message}`));
            else call.resolve(message.result);
            return;
        }
        for (const listener of this.listeners) listener(message);
    }

    send(method, params = {}, sessionId = undefined) {
        const id = this.nextId++;
        const message = JSON.stringify({ id, method, params, sessionId });
        return new Promise((resolve, reject) => {
            this.waiting.set(id, { resolve, reject, method });
            this.child.stdio[3].write(`${message}\0`);
        });
    }

    // The next event `method` of `sessionId` that `accept` takes.
    event(method, sessionId, accept = () => true) {
        return new Promise((resolve) => {
            const listener = (message) => {
                if (message.method === method && message.sessionId === sessionId &&
                    accept(message.params)) {
                    this.listeners.delete(listener);
                    resolve(message.params);
                }
            };
            this.listeners.add(listener);
        });
    }

    async newPage() {
        const { targetId } = await this.send('Target.createTarget', { url: 'about:blank' });
        const { sessionId } = await this.send('Target.attachToTarget', { targetId, flatten: true });
        const page = new Page(this, targetId, sessionId);
        await page.send('Page.enable');
        await page.send('Runtime.enable');
        return page;
    }

    async close() {
        if (this.child.exitCode === null) {
            this.send('Browser.close').catch(() => {});
            const timer = setTimeout(() => this.child.kill('SIGKILL'), 5000);
            await this.exited;
            clearTimeout(timer);
        }
        rmSync(this.profile, { recursive: true, force: true });
    }
}

export class Page {
    constructor(browser, targetId, sessionId) {
        this.browser = browser;
        this.targetId = targetId;
        this.sessionId = sessionId;
    }

    send(method, params = {}) {
        return this.browser.send(method, params, this.sessionId);
    }

    // Loads `url` and waits for its load event.
    async navigate(url) {
        const loaded = this.browser.event('Page.loadEventFired', this.sessionId);
        const { errorText } = await this.send('Page.navigate', { url });
        if (errorText) throw new Error(`${url}: ${errorText}`);
        await loaded;
    }

    // The value of `expression` in the page, awaited when it is a promise.
    async evaluate(expression) {
        const { result, exceptionDetails } = await this.send('Runtime.evaluate', {
            expression, awaitPromise: true, returnByValue: true, userGesture: true,
        });
        if (exceptionDetails) {
            const detail = exceptionDetails.exception?.description ?? exceptionDetails.text;
            throw new Error(`${expression.slice(0, 80)}: ${detail}`);
        }
        return result.value;
    }

    // `fn` called in the page with `args`, which travel as JSON.
    call(fn, ...args) {
        return this.evaluate(`(${fn})(...${JSON.stringify(args)})`);
    }

    // Waits until `fn` called in the page returns something truthy, and returns it.
    async waitFor(fn, timeout = 30000, ...args) {
        const deadline = Date.now() + timeout;
        for (;;) {
            const value = await this.call(fn, ...args);
            if (value) return value;
            if (Date.now() > deadline) throw new Error(`timed out waiting for ${fn}`);
            await new Promise((resolve) => setTimeout(resolve, 20));
        }
    }

    // Types `text` into the element that has the focus, as keys would.
    async type(text) {
        await this.send('Input.insertText', { text });
    }

    // A key pressed and let go; `text`, when given, is what it types (Enter's
    // "\r" submits a form).
    async press(key, code, keyCode, modifiers = 0, text = undefined) {
        for (const type of ['keyDown', 'keyUp']) {
            await this.send('Input.dispatchKeyEvent', {
                type, key, code, windowsVirtualKeyCode: keyCode, modifiers,
                ...(type === 'keyDown' && text !== undefined ? { text } : {}),
            });
        }
    }

    async screenshot() {
        const { data } = await this.send('Page.captureScreenshot', { format: 'png' });
        return Buffer.from(data, 'base64');
    }

    async close() {
        await this.browser.send('Target.closeTarget', { targetId: this.targetId });
    }
}
