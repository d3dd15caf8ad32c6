#!/usr/bin/env node
// Web benchmark: Tavrilo's page in headless Chromium against a bare Qt for WebAssembly window.
//   node bench/web.mjs PAGES [RUNS] [POINTS] [ACTIONS]
// PAGES holds the pages that the web build makes (build-web/pages): bench_launch_form1 (the
// program's window, built as app/main.cpp builds it), bench_launch_bare (a bare Qt window of the
// same size, built the same way) and tavrilo (the program's own page). Each launcher prints
// "painted NS" on the page's console when its window's first paint is done: CLOCK_MONOTONIC,
// which emscripten reads from performance.now(), the page's clock that starts with the
// navigation.
//
// Start-up: for RUNS alternating runs of each (default 20), the time from navigation to that
// first paint in a fresh browser profile (cold: nothing cached) and on a reload (warm: the service
// worker's copies and the browser's compiled code).
// Memory, the tab's: the resident set of the renderer process that holds the page, after a
// garbage collection. Read on a blank page, with the program's page loaded, and through POINTS
// points (default 1000) done with real mouse and key events.
// Then ACTIONS random actions (default 1000) in a fresh page, a child's: clicks anywhere, taps on
// buttons, keys, typing, pastes of up to 100,000 characters, the message box opened and closed;
// never Exit. The memory after them and after a 1 MB paste, and the longest a paste held the
// page up. The benchmark fails if the page crashes, ends or stops answering.
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { launch, openPage, serve, sleep } from '../tests/support/browser.mjs';
import { answer, at, boxButton, controls, news } from '../tests/support/page-queries.mjs';

const seed = 20250607; // the random actions' sequence: the same in every run
const answerCap = 10000; // what an answer box holds in a browser (runtime/browser.cpp)

class Failure extends Error {}

const median = (values) => {
    const sorted = [...values].sort((a, b) => a - b);
    const middle = Math.floor(sorted.length / 2);
    return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};

function withTimeout(promise, ms, what) {
    let timer;
    return Promise.race([promise, new Promise((resolve, reject) => {
        timer = setTimeout(() => reject(new Failure(what)), ms);
    })]).finally(() => clearTimeout(timer));
}

function machine() {
    const cpu = readFileSync('/proc/cpuinfo', 'utf8').match(/^model name\s*:\s*(.*)$/m)?.[1] ??
        'unknown CPU';
    // Debian's wrapper script may complain on stderr; the version is on stdout.
    const version = execFileSync('chromium', ['--version'],
        { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] }).trim();
    return `${os.cpus().length} cores, ${cpu}; ${version}, headless, SwiftShader for its GPU`;
}

const load = () => os.loadavg().map((l) => l.toFixed(2)).join(' ');

// Sends what the launcher prints on its console: the first paint's moment on the page's clock
// (ms), once navigate() has gone there.
async function firstPaint(page, navigate) {
    let heard, failed;
    const painted = new Promise((resolve, reject) => {
        heard = (message) => {
            const match = /^painted (\d+)$/.exec(message.text());
            if (match) resolve(Number(match[1]) / 1e6);
        };
        failed = (error) => reject(new Failure(`the page failed: ${error.message}`));
        page.on('console', heard);
        page.on('pageerror', failed);
    });
    try {
        const [, ms] = await Promise.all([navigate(),
            withTimeout(painted, 120000, `no first paint at ${page.url()}`)]);
        // The moment is on the page's clock only if it lies within the page's life so far.
        const now = await page.evaluate(() => performance.now());
        if (!(ms > 0 && ms <= now))
            throw new Failure(`painted at ${ms} ms, not on the page's clock (now ${now} ms)`);
        return ms;
    } finally {
        page.off('console', heard);
        page.off('pageerror', failed);
    }
}

async function startup(url, runs) {
    const times = { form1: { cold: [], warm: [] }, bare: { cold: [], warm: [] } };
    for (let run = 0; run < runs; ++run) {
        for (const name of run % 2 === 0 ? ['form1', 'bare'] : ['bare', 'form1']) {
            const browser = await launch('chromium'); // a fresh profile each time
            try {
                const page = (await browser.pages())[0];
                times[name].cold.push(await firstPaint(page,
                    () => page.goto(`${url}bench_launch_${name}/`)));
                // Warm means the service worker's copies: the reload waits for it to be active.
                await withTimeout(page.evaluate(() => navigator.serviceWorker.ready.then(() => {})),
                    60000, 'the service worker did not start');
                times[name].warm.push(await firstPaint(page, () => page.reload()));
            } finally {
                await browser.close();
            }
        }
    }
    return times;
}

// The renderer process that holds the page: the one the browser names for the page's main frame
// in a short trace, checked to be a renderer of this browser.
async function rendererOf(browser, page) {
    await page.tracing.start({ categories: ['disabled-by-default-devtools.timeline'] });
    const trace = JSON.parse(new TextDecoder().decode(await page.tracing.stop()));
    const frames = (trace.traceEvents ?? trace)
        .filter((event) => event.name === 'TracingStartedInBrowser')
        .flatMap((event) => event.args?.data?.frames ?? [])
        .filter((frame) => frame.isOutermostMainFrame && frame.url === page.url());
    const pids = [...new Set(frames.map((frame) => frame.processId))];
    if (pids.length !== 1)
        throw new Failure(`no one renderer for ${page.url()} in the trace: ${JSON.stringify(frames)}`);
    const pid = pids[0];
    // Chromium's children rewrite their command lines, arguments joined by spaces.
    if (!/(^|[\s\0])--type=renderer([\s\0]|$)/.test(readFileSync(`/proc/${pid}/cmdline`, 'utf8')))
        throw new Failure(`process ${pid} is no renderer`);
    const browserPid = browser.process().pid;
    for (let p = pid; p !== browserPid;) {
        p = Number(readFileSync(`/proc/${p}/status`, 'utf8').match(/^PPid:\s*(\d+)/m)[1]);
        if (p <= 1) throw new Failure(`renderer ${pid} is not this browser's`);
    }
    return pid;
}

// The tab's memory (MiB): the renderer's resident set once the page's garbage is collected.
async function tabMemory(browser, page) {
    const pid = await rendererOf(browser, page);
    const session = await page.createCDPSession();
    await session.send('HeapProfiler.collectGarbage');
    await session.detach();
    await sleep(1000);
    const kib = Number(readFileSync(`/proc/${pid}/status`, 'utf8').match(/^VmRSS:\s*(\d+)/m)[1]);
    return kib / 1024;
}

// Fails at once where the page crashed, where the program ended or where the page stopped
// answering (no animation frame within a minute); otherwise waits for its next frame.
function watch(browser, page) {
    let trouble = '';
    page.on('error', (error) => { trouble ||= `the page crashed: ${error.message}`; });
    page.on('pageerror', (error) => { trouble ||= `the page failed: ${error.message}`; });
    browser.on('disconnected', () => { trouble ||= 'the browser went away'; });
    return async (after) => {
        if (trouble) throw new Failure(`${trouble} (${after})`);
        const ended = await withTimeout(page.evaluate(() => new Promise((resolve) =>
            requestAnimationFrame(() => setTimeout(() => resolve(
                document.getElementById('window').className === 'gone'
                    ? document.getElementById('state-text').textContent : '')))),
        ), 60000, `the page stopped answering (${after})`);
        if (ended) throw new Failure(`the program ended: "${ended}" (${after})`);
        if (trouble) throw new Failure(`${trouble} (${after})`);
    };
}

async function points(url, count, picture) {
    const browser = await launch('chromium');
    try {
        const page = (await browser.pages())[0];
        await page.goto('about:blank');
        await sleep(1000);
        const memory = [['a blank page', await tabMemory(browser, page)]];
        const { window } = await openPage(browser, `${url}tavrilo/`);
        const answering = watch(browser, page);
        await sleep(1000);
        memory.push(['the program\'s page loaded', await tabMemory(browser, page)]);
        const click = async (name) => { const p = at(window, name); await page.mouse.click(p.x, p.y); };
        await click('start');
        const began = performance.now();
        for (let point = 1; point <= count; ++point) {
            await click('xAnswer');
            await page.keyboard.type(String(point % 8));
            await click('yAnswer');
            await page.keyboard.type(String(point % 5));
            await click('accept');
            await click('nextPoint');
            if (point % 25 === 0 || point === count) await answering(`after ${point} points`);
            if (point === 100 || point === count) {
                // Every point was taken: the drill counts the next one.
                const said = await news(page);
                if (said !== `Задано вопросов: ${point + 1}`)
                    throw new Failure(`after ${point} points the page says "${said}"`);
                memory.push([`after ${point} points`, await tabMemory(browser, page)]);
            }
        }
        const took = (performance.now() - began) / 1000;
        await page.screenshot({ path: picture });
        return { memory, took };
    } finally {
        await browser.close();
    }
}

// mulberry32: a small seeded generator, so that every run does the same actions.
function generator(state) {
    const next = () => {
        state = (state + 0x6d2b79f5) | 0;
        let t = Math.imul(state ^ (state >>> 15), 1 | state);
        t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
        return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
    };
    const below = (n) => Math.floor(next() * n);
    return { next, below, pick: (list) => list[below(list.length)] };
}

// What pastes are made of: a child's clipboard holds anything.
const pasteable = '0123456789-,. xyабвгдеёжз;:()+=*/';

// A child at the program's page, ACTIONS times at random; Exit is never pressed.
async function child(url, count, picture) {
    const browser = await launch('chromium');
    try {
        // Taps need a touch screen.
        const { page, window } = await openPage(browser, `${url}tavrilo/`,
            { viewport: { width: 1024, height: 768, hasTouch: true } });
        const answering = watch(browser, page);
        await browser.defaultBrowserContext().overridePermissions(new URL(url).origin,
            ['clipboard-read', 'clipboard-write', 'clipboard-sanitized-write']);
        await sleep(1000);
        const memory = [['the program\'s page loaded', await tabMemory(browser, page)]];
        const random = generator(seed);
        const { page: view, frame } = await page.evaluate(() => {
            const r = document.getElementById('window').getBoundingClientRect();
            return { page: { width: innerWidth, height: innerHeight },
                frame: { x: r.x, y: r.y, width: r.width, height: r.height } };
        });
        const inside = (p, r, margin = 0) => p.x >= r.x - margin && p.x < r.x + r.width + margin &&
            p.y >= r.y - margin && p.y < r.y + r.height + margin;
        const exit = { ...controls.exit, x: window.x + controls.exit.x, y: window.y + controls.exit.y };
        const within = (name) => {
            const c = controls[name];
            return { x: window.x + c.x + 2 + random.below(c.width - 4),
                y: window.y + c.y + 2 + random.below(c.height - 4) };
        };
        const click = async (name) => { const p = at(window, name); await page.mouse.click(p.x, p.y); };
        const box = () => page.evaluate(boxButton);
        // Space and Enter press the button that has the keyboard; on Exit, Tab goes on instead.
        const focusedName = () => page.evaluate(() => {
            let e = document.activeElement;
            while (e?.shadowRoot?.activeElement) e = e.shadowRoot.activeElement;
            return e?.tagName === 'BUTTON' ? e.textContent : '';
        });
        const nextFrame = () => page.evaluate(() =>
            new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve))));
        const writeClipboard = async (text) => {
            try {
                await page.evaluate((t) => navigator.clipboard.writeText(t), text);
            } catch {
                await page.bringToFront(); // the clipboard is only for a page with focus
                await page.evaluate((t) => navigator.clipboard.writeText(t), text);
            }
        };
        // From pressing Ctrl+V to the page's next animation frame (ms).
        const paste = async () => {
            await page.keyboard.down('Control');
            const began = performance.now();
            await page.keyboard.press('KeyV');
            await nextFrame();
            const took = performance.now() - began;
            await page.keyboard.up('Control');
            return took;
        };

        const done = {};
        const pastes = { count: 0, longest: 0, size: 0 };
        const boxes = { up: 0, closed: 0 };
        let spared = 0;
        const actions = {
            async 'click in the window'() {
                let p;
                do p = { x: frame.x + random.below(frame.width), y: frame.y + random.below(frame.height) };
                while (inside(p, exit, 2));
                await page.mouse.click(p.x, p.y);
            },
            async 'click on the margin'() {
                let p;
                do p = { x: random.below(view.width), y: random.below(view.height) };
                while (inside(p, frame));
                await page.mouse.click(p.x, p.y);
            },
            async 'tap on a button'() {
                const p = within(random.pick(['start', 'accept', 'nextPoint']));
                await page.touchscreen.tap(p.x, p.y);
            },
            async 'key'() {
                let key = random.pick(['0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '-',
                    ',', 'Tab', 'Enter', ' ', 'Escape', 'Backspace']);
                if ((key === ' ' || key === 'Enter') && await focusedName() === 'Выход') {
                    key = 'Tab';
                    ++spared;
                }
                await page.keyboard.press(key);
            },
            async 'typing into a box'() {
                const name = random.pick(['xAnswer', 'yAnswer']);
                const length = 1 + random.below(8);
                let text = '';
                for (let i = 0; i < length; ++i) text += random.pick([...'0123456789-,']);
                await click(name);
                await page.keyboard.type(text);
            },
            async 'paste'() {
                const name = random.pick(['xAnswer', 'yAnswer']);
                const size = 1 + random.below(100000);
                let text = '';
                for (let i = 0; i < size; ++i) text += random.pick(pasteable);
                await click(name);
                await writeClipboard(text);
                const took = await paste();
                ++pastes.count;
                if (took > pastes.longest) Object.assign(pastes, { longest: took, size });
            },
            async 'the message box'() {
                const name = random.pick(['xAnswer', 'yAnswer']);
                const digit = String(random.below(10));
                const close = random.pick(['Escape', 'Enter', ' ', 'click', 'tap']);
                // An answer typed and not accepted: Ещё точка asks first, once the drill runs.
                await click(name);
                await page.keyboard.type(digit);
                await click('nextPoint');
                const place = await page.waitForFunction(boxButton, { timeout: 2000 })
                    .then((handle) => handle.jsonValue(), () => null);
                if (!place) return;
                ++boxes.up;
                if (close === 'click') await page.mouse.click(place.x, place.y);
                else if (close === 'tap') await page.touchscreen.tap(place.x, place.y);
                else await page.keyboard.press(close);
                if (!await box()) ++boxes.closed;
            },
        };
        const weights = { 'click in the window': 20, 'click on the margin': 8, 'tap on a button': 10,
            'key': 25, 'typing into a box': 15, 'paste': 5, 'the message box': 5 };
        const bag = Object.entries(weights).flatMap(([name, weight]) => Array(weight).fill(name));

        const began = performance.now();
        for (let action = 1; action <= count; ++action) {
            const kind = random.pick(bag);
            await actions[kind]();
            done[kind] = (done[kind] ?? 0) + 1;
            await answering(`action ${action}, ${kind}`);
            if (action === 100 || action === count)
                memory.push([`after ${action} actions`, await tabMemory(browser, page)]);
        }
        const took = (performance.now() - began) / 1000;

        // A 1 MB paste into an emptied box, no message box in the way.
        if (await box()) await page.keyboard.press('Escape');
        await click('xAnswer');
        await page.keyboard.down('Control');
        await page.keyboard.press('KeyA');
        await page.keyboard.up('Control');
        await page.keyboard.press('Backspace');
        await writeClipboard('1'.repeat(1000000));
        const megabyte = await paste();
        await answering('the 1 MB paste');
        const kept = (await answer(page, 'xAnswer')).length;
        memory.push(['after a 1 MB paste', await tabMemory(browser, page)]);
        await page.screenshot({ path: picture });
        return { memory, took, done, pastes, boxes, spared, megabyte, kept };
    } finally {
        await browser.close();
    }
}

async function main() {
    const [pages, ...numbers] = process.argv.slice(2);
    const [runs = 20, pointCount = 1000, actionCount = 1000] = numbers.map(Number);
    if (!pages || ![runs, pointCount, actionCount].every((n) => Number.isInteger(n) && n > 0)) {
        console.error('usage: node bench/web.mjs PAGES [RUNS] [POINTS] [ACTIONS]');
        process.exit(2);
    }
    const server = await serve(pages);
    try {
        console.log(`Machine: ${machine()}`);
        console.log(`Load average at the start: ${load()}`);

        const times = await startup(server.url, runs);
        console.log(`\nNavigation to the window's first paint, medians of ${runs} runs each (ms):`);
        console.log(`${''.padEnd(24)}${'cold'.padStart(10)}${'warm'.padStart(10)}`);
        for (const [name, label] of [['form1', 'Tavrilo (Form1)'], ['bare', 'bare Qt window']])
            console.log(`${label.padEnd(24)}${median(times[name].cold).toFixed(0).padStart(10)}` +
                `${median(times[name].warm).toFixed(0).padStart(10)}`);
        for (const kind of ['cold', 'warm']) {
            const ratio = median(times.form1[kind]) / median(times.bare[kind]);
            console.log(`ratio ${kind}: ${ratio.toFixed(2)} (goal: at most 1.2)`);
        }

        const pointsPicture = path.join(os.tmpdir(), 'tavrilo-web-endurance.png');
        const drill = await points(server.url, pointCount, pointsPicture);
        console.log(`\nThe program's page through ${pointCount} points ` +
            `(${drill.took.toFixed(0)} s of real input):`);
        for (const [after, mib] of drill.memory)
            console.log(`  the tab's memory, ${after}: ${mib.toFixed(1)} MiB`);
        console.log(`  the page at the end: ${pointsPicture}`);

        const actionsPicture = path.join(os.tmpdir(), 'tavrilo-web-actions.png');
        const play = await child(server.url, actionCount, actionsPicture);
        console.log(`\n${actionCount} random actions in a fresh page, seed ${seed} ` +
            `(${play.took.toFixed(0)} s):`);
        console.log('  ' + Object.entries(play.done).map(([kind, n]) => `${kind} ${n}`).join(', '));
        console.log(`  the message box up ${play.boxes.up} times, closed at once ` +
            `${play.boxes.closed}; Space or Enter on Выход ${play.spared} times, Tab instead`);
        for (const [after, mib] of play.memory)
            console.log(`  the tab's memory, ${after}: ${mib.toFixed(1)} MiB`);
        console.log(`  the longest a paste held the page up: ${play.pastes.longest.toFixed(0)} ms ` +
            `(${play.pastes.size} characters; ${play.pastes.count} pastes)`);
        console.log(`  the 1 MB paste: ${play.megabyte.toFixed(0)} ms; the box kept ` +
            `${play.kept} characters (at most ${answerCap})`);
        console.log(`  the page at the end: ${actionsPicture}`);
        console.log(`\nLoad average at the end: ${load()}`);
    } finally {
        await server.stop();
    }
}

try {
    await main();
} catch (error) {
    if (!(error instanceof Failure)) throw error;
    console.error(`FAILED: ${error.message}`);
    process.exit(1);
}
