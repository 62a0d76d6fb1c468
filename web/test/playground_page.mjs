// The playground as the tests and the benchmark reach it: served by
// web/serve.py and opened in a page of headless Chromium.
import { spawn } from 'node:child_process';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

export const root = join(dirname(fileURLToPath(import.meta.url)), '..', '..');

// Starts web/serve.py on a free port. Resolves to the server's process and
// the address it serves.
export function servePlayground() {
    return new Promise((resolve, reject) => {
        const server = spawn('python3', [join(root, 'web', 'serve.py'), '0'],
                             { stdio: ['ignore', 'pipe', 'inherit'] });
        server.on('error', reject);
        server.on('exit', (code) => reject(new Error(`web/serve.py ended with ${code}`)));
        server.stdout.setEncoding('utf8');
        server.stdout.once('data', (line) => {
            const match = /http:\/\/127\.0\.0\.1:\d+\//.exec(line);
            if (match) resolve({ server, address: match[0] });
            else reject(new Error(`web/serve.py said: ${line}`));
        });
    });
}

// A new page of `browser` showing the playground at `url`, once it can run macros.
export async function openPlayground(browser, url) {
    const page = await browser.newPage();
    await page.send('Emulation.setDeviceMetricsOverride', {
        width: 1280, height: 720, deviceScaleFactor: 1, mobile: false,
    });
    await page.navigate(url);
    await page.evaluate('window.quorin.ready');
    await page.waitFor(() => !document.getElementById('run').disabled);
    return page;
}
