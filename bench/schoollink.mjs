// A classroom's first visit: the page over one school link (10 Mbit/s down, 40 ms round trip
// unless told, shared by everything the page and its service worker fetch; serve.py's --link),
// on a laptop four
// times slower than this machine (DevTools' CPU throttling), in a fresh browser context with
// nothing cached. For each page given, in alternating runs: the time from the navigation until the
// window is on the page (its place shown and two frames drawn), and the bytes the host sent
// until the page had all it keeps for offline use.
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { launch, serve } from '../tests/support/browser.mjs';

const slowdown = 4;

// Notes the moment, on the page's clock, at which the window shows: the loader shows its place
// once the program runs, and the window is on the screen two frames later.
function noteWindowShown() {
    const note = () => requestAnimationFrame(() => requestAnimationFrame(() => {
        globalThis.tavriloShownAt = performance.now();
    }));
    new MutationObserver((changes, observer) => {
        const place = document.getElementById('window');
        if (place && place.className === '') {
            observer.disconnect();
            note();
        }
    }).observe(document, { subtree: true, attributes: true, attributeFilter: ['class'] });
}

// The bytes of every body the host sent, from its log.
const bytesSent = (log) => [...readFileSync(log, 'utf8').matchAll(/" \d{3} (\d+)$/gm)]
    .reduce((sum, [, bytes]) => sum + Number(bytes), 0);

async function visit(site, link) {
    const folder = mkdtempSync(path.join(tmpdir(), 'tavrilo-school-'));
    const log = path.join(folder, 'server.log');
    const server = await serve(site, { log, args: [`--link=${link}`] });
    const browser = await launch('chromium');
    try {
        const context = await browser.createBrowserContext(); // nothing cached, nothing kept
        const page = await context.newPage();
        const devTools = await page.createCDPSession();
        await devTools.send('Emulation.setCPUThrottlingRate', { rate: slowdown });
        await page.evaluateOnNewDocument(noteWindowShown);
        await page.goto(server.url);
        await page.waitForFunction(() => globalThis.tavriloShownAt, { timeout: 300000 });
        const ms = await page.evaluate(() => globalThis.tavriloShownAt);
        // All that the first visit brings: the offline copy made, nothing more asked for.
        await page.evaluate(() => navigator.serviceWorker?.ready);
        let bytes = bytesSent(log), quiet = 0;
        while (quiet < 3) {
            await new Promise((resolve) => setTimeout(resolve, 500));
            const now = bytesSent(log);
            quiet = now === bytes ? quiet + 1 : 0;
            bytes = now;
        }
        return { ms, bytes };
    } finally {
        await browser.close();
        await server.stop();
        rmSync(folder, { recursive: true, force: true });
    }
}

// pages: {name: site folder}; the first visit of each, runs times, alternating, over a link of
// 'MBIT/MS'.
export async function schoolLink(pages, runs, link = '10/40') {
    const results = Object.fromEntries(Object.keys(pages).map((name) => [name, { ms: [], bytes: [] }]));
    const names = Object.keys(pages);
    for (let run = 0; run < runs; ++run) {
        for (const name of run % 2 ? [...names].reverse() : names) {
            const { ms, bytes } = await visit(pages[name], link);
            results[name].ms.push(ms);
            results[name].bytes.push(bytes);
        }
    }
    return results;
}
