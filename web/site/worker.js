// Runs macros for the page, off its thread, so that the page stays responsive
// while a macro computes or waits for input.
//
// Each run gets a fresh instance of the module, as each run of the console is
// a fresh process: nothing a macro did, memory it took included, outlives it.
// The module is compiled once.
//
// The page and the worker share a small buffer (see playground.js). A macro
// that reads a line while the page has none to give waits on it, blocked, as
// the console waits on its terminal; Stop is a flag in it that the module
// polls. Output goes to the page in messages, gathered for a moment so that a
// macro printing many lines does not flood it.
import createQuorin from './quorin.js';
import { encodeLeniently, encodeStrictly, textIndex } from './cp932.js';

// The control words of the shared buffer, and where its bytes begin.
const STOP = 0, STATE = 1, LENGTH = 2, DATA_OFFSET = 16;
// What STATE says about the input: nothing asked, a line asked for, bytes given, input ended.
const IDLE = 0, WANTED = 1, GIVEN = 2, ENDED = 3;
// Output is handed to the page at least this often, in milliseconds.
const OUTPUT_INTERVAL = 50;

const compiled = WebAssembly.compileStreaming(fetch(new URL('quorin.wasm', import.meta.url)));
let control = null;
let shared = null;

// A page without cross-origin isolation has no shared buffer; it stops a macro
// by ending the worker, and a macro reads no input there but what it is given.
function stopRequested() {
    return control !== null && Atomics.load(control, STOP) !== 0;
}

// The console's way of reading lines: UTF-8 bytes in, at most `limit` of them
// up to a line feed, CR LF read as LF, then converted to code page 932.
class Input {
    constructor(text, flushOutput) {
        this.bytes = new TextEncoder().encode(text ?? '');
        this.at = 0;
        this.ended = text !== undefined || control === null;
        this.flushOutput = flushOutput;
    }

    readLine(limit) {
        const line = [];
        while (line.length < limit) {
            let byte = this.next();
            if (byte < 0) break;
            if (byte === 13 && this.peek() === 10) byte = this.next();
            line.push(byte);
            if (byte === 10) break;
        }
        return encodeLeniently(Uint8Array.from(line));
    }

    next() {
        if (this.at >= this.bytes.length && !this.ended) this.waitForPage();
        return this.at < this.bytes.length ? this.bytes[this.at++] : -1;
    }

    peek() {
        const byte = this.next();
        if (byte >= 0) --this.at;
        return byte;
    }

    // Asks the page for what the person types, and waits until it comes, the
    // input ends or Stop is pressed.
    waitForPage() {
        this.flushOutput();
        Atomics.store(control, STATE, WANTED);
        postMessage({ type: 'input' });
        while (Atomics.load(control, STATE) === WANTED && !stopRequested()) {
            Atomics.wait(control, STATE, WANTED);
        }
        const state = Atomics.exchange(control, STATE, IDLE);
        if (state === GIVEN) {
            this.bytes = shared.slice(0, Atomics.load(control, LENGTH));
            this.at = 0;
        } else if (state === ENDED) {
            this.ended = true;
        }
    }
}

// Decodes what the module writes, stream by stream, a character cut between
// two writes included, and hands it to the page in batches.
class Output {
    // `send` posts a message to the page.
    constructor(send) {
        this.send = send;
        this.decoders = { 1: new TextDecoder('shift_jis'), 2: new TextDecoder('shift_jis') };
        this.batch = [];
        this.sent = performance.now();
    }

    write(stream, bytes) {
        const text = this.decoders[stream].decode(bytes, { stream: true });
        const last = this.batch[this.batch.length - 1];
        if (last && last.stream === stream) last.text += text;
        else this.batch.push({ stream, text });
        this.flushIfDue();
    }

    // Also asked at each of the module's polls for Stop, so that what a macro
    // wrote before it went on computing, or looping, reaches the page.
    flushIfDue() {
        if (this.batch.length > 0 && performance.now() - this.sent >= OUTPUT_INTERVAL) this.flush();
    }

    flush() {
        if (this.batch.length > 0) this.send({ type: 'output', chunks: this.batch });
        this.batch = [];
        this.sent = performance.now();
    }

    finish() {
        for (const stream of [1, 2]) {
            const rest = this.decoders[stream].decode();
            if (rest) this.batch.push({ stream, text: rest });
        }
        this.flush();
    }
}

// The text the console would have run: a byte order mark dropped, CR LF read as LF.
function normalise(source) {
    return source.replace(/^\uFEFF/, '').replace(/\r\n/g, '\n');
}

async function run({ source, input }, send = (message) => postMessage(message)) {
    const module = await compiled;
    const output = new Output(send);
    const reader = new Input(input, () => output.flush());
    const text = normalise(source);
    let place = null;
    const quorinHost = {
        write: (stream, bytes) => output.write(stream, bytes),
        readLine: (limit) => reader.readLine(limit),
        stopRequested: () => {
            output.flushIfDue();
            return stopRequested();
        },
        errorPlace: (line, offset, length) => {
            place = { line, start: textIndex(text, offset), end: textIndex(text, offset + length) };
        },
    };
    const instantiate = () => createQuorin({
        quorinHost,
        instantiateWasm(imports, receive) {
            WebAssembly.instantiate(module, imports).then((made) => receive(made, module));
            return {};
        },
    });
    const started = performance.now();
    let status;
    try {
        const instance = await instantiate();
        const bytes = encodeStrictly(text);
        if (bytes === null) {
            status = instance._QuorinRefuseSource();
        } else {
            const address = instance._malloc(Math.max(bytes.length, 1));
            instance.HEAPU8.set(bytes, address);
            status = instance._QuorinRun(address, bytes.length);
        }
    } catch (error) {
        output.flush();
        if (error instanceof RangeError) {
            // The browser's stack ran out: only the analysis of a deeply
            // nested macro recurses that far. The instance it left behind is
            // not used again.
            status = (await instantiate())._QuorinReportTooDeep();
        } else {
            // A failure the interpreter could not report itself: an internal
            // fault, as a crash of the console program would be.
            send({ type: 'output', chunks: [{ stream: 2, text: `${error}\n` }] });
            status = 2;
        }
    }
    output.finish();
    return { status, place, milliseconds: performance.now() - started };
}

// The browser first runs the module as its quick baseline compiler made it, and
// optimises a function once it has run for a while, for its next call. The
// interpreter's loop is called once a run, so a person's first run would go
// at the baseline's pace throughout, two or three times slower. A short macro
// of the common work, run unseen as soon as the module is there, has the
// functions optimised by the time the first real run starts.
const WARM_UP = `s = 0; d = 0.5; t = "";
for (i = 0; i < 20000; i++) {
    s += i % 7 * 3 - (i & 5); if (s > 1000 || s < 0) s = 0;
    d = d * 1.0001 + 0.25; if (d > 100.0) d = d / 3;
    t = "a" cat i; if (lenb(t) > 3) t = substr(t, 1, 2);
    while (s > 900) { s -= 7; break; }
    if (i % 5000 == 0) println(s cat t);
}`;

// Runs take their turn, the warm-up first.
let queue = Promise.resolve();

onmessage = ({ data: message }) => {
    if (message.type === 'init') {
        if (message.shared) {
            control = new Int32Array(message.shared, 0, 4);
            shared = new Uint8Array(message.shared, DATA_OFFSET);
        }
        compiled.then(
            () => postMessage({ type: 'ready' }),
            (error) => postMessage({ type: 'failed', message: String(error) }),
        );
        queue = compiled.then(() => run({ source: WARM_UP, input: '' }, () => {})).catch(() => {});
    } else if (message.type === 'run') {
        queue = queue.then(() => run(message)).then((result) => {
            postMessage({ type: 'done', ...result });
        });
    }
};
