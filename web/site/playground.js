// The playground page: the editor, its controls, the output pane and the input
// line, and the script interface window.quorin. Macros run in worker.js.

// The shared buffer's layout and states, as worker.js has them.
const STOP = 0, STATE = 1, LENGTH = 2, DATA_OFFSET = 16;
const WANTED = 1, GIVEN = 2, ENDED = 3;
// Input goes to the worker in pieces of at most this many bytes.
const INPUT_CAPACITY = 64 * 1024;
// The output pane keeps about this many characters; the script interface gets everything.
const PANE_LIMIT = 1 << 20;
const STATUS_INTERRUPTED = 130;

// Runs one macro at a time in the worker; later runs wait for their turn.
class Runner {
    constructor() {
        this.shared = self.crossOriginIsolated
            ? new SharedArrayBuffer(DATA_OFFSET + INPUT_CAPACITY)
            : null;
        if (this.shared) {
            this.control = new Int32Array(this.shared, 0, 4);
            this.data = new Uint8Array(this.shared, DATA_OFFSET);
        }
        this.queue = Promise.resolve();
        this.current = null;
        this.startWorker();
    }

    startWorker() {
        this.worker = new Worker(new URL('worker.js', import.meta.url), { type: 'module' });
        this.ready = new Promise((resolve, reject) => {
            this.readiness = { resolve, reject };
        });
        this.worker.onmessage = ({ data }) => this.receive(data);
        this.worker.onerror = (event) => {
            event.preventDefault();
            this.readiness.reject(new Error(event.message || 'the worker failed to start'));
            this.end({ status: 2, place: null }, `${event.message || 'the worker failed'}\n`);
        };
        this.worker.postMessage({ type: 'init', shared: this.shared });
    }

    // Runs `source`; `input`, when a string, is all getln reads, else it asks the
    // page. `view` hears of the output and of requests for input as they come.
    run(source, input, view = {}) {
        const result = this.queue.then(() => this.ready).then(
            () => new Promise((resolve) => {
                this.current = { stdout: '', stderr: '', view, resolve, pending: new Uint8Array() };
                this.current.inputEnded = false;
                if (this.control) {
                    Atomics.store(this.control, STOP, 0);
                    Atomics.store(this.control, STATE, 0);
                }
                this.worker.postMessage({ type: 'run', source, input });
            }));
        this.queue = result.catch(() => {});
        return result;
    }

    // Stops the macro in progress; its run then ends with the console's status
    // for Ctrl+C. Without a shared buffer the worker is ended and made anew.
    stop() {
        if (!this.current) return;
        if (this.control) {
            Atomics.store(this.control, STOP, 1);
            Atomics.notify(this.control, STATE);
            return;
        }
        this.worker.terminate();
        this.end({ status: STATUS_INTERRUPTED, place: null });
        this.startWorker();
    }

    // A line the person typed, for getln; it waits until the macro asks.
    give(line) {
        if (!this.current) return;
        const bytes = new TextEncoder().encode(`${line}\n`);
        const pending = new Uint8Array(this.current.pending.length + bytes.length);
        pending.set(this.current.pending);
        pending.set(bytes, this.current.pending.length);
        this.current.pending = pending;
        this.deliver();
    }

    // The end of the input, as Ctrl+D gives it on a terminal.
    endInput() {
        if (!this.current) return;
        this.current.inputEnded = true;
        this.deliver();
    }

    deliver() {
        const run = this.current;
        if (!this.control || !run || Atomics.load(this.control, STATE) !== WANTED) return;
        if (run.pending.length > 0) {
            const size = Math.min(run.pending.length, this.data.length);
            this.data.set(run.pending.subarray(0, size));
            run.pending = run.pending.subarray(size);
            Atomics.store(this.control, LENGTH, size);
            Atomics.store(this.control, STATE, GIVEN);
        } else if (run.inputEnded) {
            Atomics.store(this.control, STATE, ENDED);
        } else {
            run.view.inputWanted?.();
            return;
        }
        Atomics.notify(this.control, STATE);
    }

    receive(message) {
        switch (message.type) {
            case 'ready':
                this.readiness.resolve();
                break;
            case 'failed':
                this.readiness.reject(new Error(message.message));
                break;
            case 'output':
                for (const chunk of message.chunks) this.collect(chunk);
                break;
            case 'input':
                this.deliver();
                break;
            case 'done':
                this.end(message);
                break;
        }
    }

    collect({ stream, text }) {
        const run = this.current;
        if (!run) return;
        if (stream === 1) run.stdout += text;
        else run.stderr += text;
        run.view.output?.(stream, text);
    }

    end({ status, place, milliseconds }, failure) {
        const run = this.current;
        if (!run) return;
        if (failure) this.collect({ stream: 2, text: failure });
        this.current = null;
        run.view.ended?.();
        run.resolve({ stdout: run.stdout, stderr: run.stderr, status, place, milliseconds });
    }
}

const runner = new Runner();

const $ = (id) => document.getElementById(id);
const editor = $('source'), gutter = $('gutter'), errorLine = $('error-line');
const output = $('output'), inputLine = $('input'), statusLine = $('status');
const runButton = $('run'), stopButton = $('stop'), examples = $('examples');

// The input line answers getln for every run that was given no input.
const inputView = {
    inputWanted() {
        inputLine.disabled = false;
        inputLine.classList.add('wanted');
        inputLine.focus();
        statusLine.textContent = 'Waiting for a line of input…';
    },
    ended() {
        inputLine.disabled = true;
        inputLine.classList.remove('wanted');
    },
};

// The script interface, for tests and pages that embed the playground.
window.quorin = {
    ready: runner.ready,
    async run(source, input) {
        const text = input === undefined || input === null ? undefined : String(input);
        const { stdout, stderr, status } = await runner.run(String(source), text,
                                                            text === undefined ? inputView : {});
        return { stdout, stderr, status };
    },
    stop() {
        runner.stop();
    },
};

let lineCount = 0;
let paneLength = 0;
// Whether the run in progress is the editor's, whose output the pane shows.
let editorRunning = false;

function updateGutter() {
    const count = editor.value.split('\n').length;
    if (count !== lineCount) {
        lineCount = count;
        gutter.textContent = Array.from({ length: count }, (_, i) => i + 1).join('\n');
    }
    gutter.scrollTop = editor.scrollTop;
    placeErrorLine();
}

function setSource(text) {
    editor.value = text;
    markError(null);
    updateGutter();
}

// The line of the last error, marked in the editor until the text changes.
let errorPlace = null;

function markError(place) {
    errorPlace = place;
    errorLine.hidden = !place;
    if (!place) return;
    editor.focus();
    editor.setSelectionRange(place.start, Math.max(place.end, place.start + 1));
    placeErrorLine();
}

function placeErrorLine() {
    if (!errorPlace) return;
    const style = getComputedStyle(editor);
    const lineHeight = parseFloat(getComputedStyle(errorLine).height);
    const top = parseFloat(style.paddingTop) + (errorPlace.line - 1) * lineHeight;
    errorLine.style.top = `${top - editor.scrollTop}px`;
}

function appendToPane(className, text) {
    if (!text) return;
    const follow = output.scrollTop + output.clientHeight >= output.scrollHeight - 4;
    const last = output.lastChild;
    if (last && last.className === className) {
        last.firstChild.appendData(text);
    } else {
        const span = document.createElement('span');
        span.className = className;
        span.textContent = text;
        output.append(span);
    }
    paneLength += text.length;
    // The earliest output goes once the pane holds too much to stay quick.
    while (paneLength > PANE_LIMIT && output.firstChild !== output.lastChild) {
        paneLength -= output.firstChild.textContent.length;
        output.firstChild.remove();
    }
    if (follow) output.scrollTop = output.scrollHeight;
}

function describe({ status, place, milliseconds }) {
    const time = milliseconds === undefined ? '' : ` in ${Math.round(milliseconds)} ms`;
    if (status === STATUS_INTERRUPTED) return 'Stopped (exit status 130)';
    if (place) return `Error in line ${place.line}${time}`;
    if (status === 0) return `Finished${time}`;
    return `Ended with exit status ${status}`;
}

async function runFromEditor() {
    output.replaceChildren();
    paneLength = 0;
    markError(null);
    runButton.disabled = true;
    stopButton.disabled = false;
    inputLine.disabled = !runner.shared;
    statusLine.textContent = 'Running…';
    const view = {
        ...inputView,
        output: (stream, text) => appendToPane(stream === 1 ? 'out' : 'errors', text),
    };
    editorRunning = true;
    const result = await runner.run(editor.value, undefined, view);
    editorRunning = false;
    runButton.disabled = false;
    stopButton.disabled = true;
    statusLine.textContent = describe(result);
    if (result.place) markError(result.place);
}

function sendInput(event) {
    event.preventDefault();
    const line = inputLine.value;
    inputLine.value = '';
    inputLine.classList.remove('wanted');
    // The line shows in the pane as a terminal echoes what is typed.
    if (editorRunning) appendToPane('echo', `${line}\n`);
    statusLine.textContent = 'Running…';
    runner.give(line);
}

// ---- Sharing: the macro travels in the address's fragment, as base64url of UTF-8.

function encodeFragment(text) {
    let binary = '';
    for (const byte of new TextEncoder().encode(text)) binary += String.fromCharCode(byte);
    return btoa(binary).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

function decodeFragment(encoded) {
    const binary = atob(encoded.replace(/-/g, '+').replace(/_/g, '/'));
    return new TextDecoder().decode(Uint8Array.from(binary, (c) => c.charCodeAt(0)));
}

function sharedSource() {
    const match = /^#source=([A-Za-z0-9_-]*)$/.exec(location.hash);
    if (!match) return null;
    try {
        return decodeFragment(match[1]);
    } catch {
        return null;
    }
}

async function share() {
    const url = new URL(location.href);
    url.hash = `source=${encodeFragment(editor.value)}`;
    history.replaceState(null, '', url);
    try {
        await navigator.clipboard.writeText(url.href);
        statusLine.textContent = 'The address now holds the macro; the link was copied';
    } catch {
        statusLine.textContent = 'The address now holds the macro: copy it from there';
    }
}

// ---- The examples: the files of examples/, in code page 932 as they are.

async function loadExample(name) {
    const response = await fetch(`examples/${encodeURIComponent(name)}.qrn`);
    const bytes = await response.arrayBuffer();
    return new TextDecoder('shift_jis').decode(bytes);
}

async function chooseExample() {
    const name = examples.value;
    if (!name) return;
    setSource(await loadExample(name));
    history.replaceState(null, '', location.pathname + location.search);
    statusLine.textContent = '';
}

async function start() {
    editor.addEventListener('input', () => {
        markError(null);
        updateGutter();
        // The text is no longer the example's, and choosing it again brings it back.
        examples.value = '';
    });
    editor.addEventListener('scroll', updateGutter);
    editor.addEventListener('keydown', (event) => {
        if (event.key === 'Enter' && (event.ctrlKey || event.metaKey)) {
            event.preventDefault();
            if (!runButton.disabled) runFromEditor();
        } else if (event.key === 'Tab' && !event.shiftKey && !event.ctrlKey && !event.altKey) {
            event.preventDefault();
            document.execCommand('insertText', false, '    ');
        }
    });
    runButton.addEventListener('click', runFromEditor);
    stopButton.addEventListener('click', () => runner.stop());
    $('share').addEventListener('click', share);
    $('input-form').addEventListener('submit', sendInput);
    inputLine.addEventListener('keydown', (event) => {
        if (event.key === 'd' && event.ctrlKey) {
            event.preventDefault();
            if (editorRunning) appendToPane('echo', '^D\n');
            // After the end, getln reads nothing more: there is nothing to type.
            inputView.ended();
            runner.endInput();
        }
    });
    examples.addEventListener('change', chooseExample);
    window.addEventListener('hashchange', () => {
        const text = sharedSource();
        if (text !== null) setSource(text);
    });

    // The page came with the menu and the first example in the editor
    // (web/build.sh puts them there); a shared macro takes the example's place.
    const fromLink = sharedSource();
    if (fromLink !== null) {
        examples.value = '';
        setSource(fromLink);
    } else {
        updateGutter();
    }
    performance.mark('quorin-editor');

    if (!runner.shared) {
        appendToPane('note', 'This page is served without cross-origin isolation: getln reads ' +
            'no input here, and Stop ends the worker. web/serve.py serves it as it needs.\n');
    }
    try {
        await runner.ready;
        runButton.disabled = false;
        performance.mark('quorin-ready');
    } catch (error) {
        statusLine.textContent = `The interpreter did not load: ${error.message}`;
    }
}

start();
