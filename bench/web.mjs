#!/usr/bin/env node
// Web benchmark: Tavrilo's page in headless Chromium against a bare Qt for WebAssembly window,
// and a child's random session in Chromium, Firefox and WebKit.
//   node bench/web.mjs PAGES [RUNS] [POINTS] [ACTIONS] [--browsers=LIST] [--only-random]
//                     [--baseline=SITE] [--school-runs=N] [--school-link=MBIT/MS]
// LIST is where the random session runs, of chromium, firefox and webkit (all three unless
// told); WebKit needs a display (tests/support/x-session gives one). --only-random leaves out
// the start-up and the points.
// PAGES holds the pages that the web build makes (build-web/pages): bench_launch_form1 (the
// program's window, built as app/main.cpp builds it), bench_launch_bare (a bare Qt window of the
// same size, built the same way) and tavrilo (the program's own page). Each launcher prints
// "painted NS" on the page's console when its window's first paint is done: CLOCK_MONOTONIC,
// which emscripten reads from performance.now(), the page's clock that starts with the
// navigation.
//
// Start-up: for RUNS alternating runs of each (default 20), the time from navigation to that
// first paint in a fresh browser profile (cold: nothing cached) and on a reload three seconds
// after it (warm: the service worker's copies and the browser's compiled code).
// A classroom's first visit (schoollink.mjs): the program's page over one school link, on a
// slow laptop, against the page as the baseline built it (SITE, by default the one that
// bench/web-baseline.sh keeps), in N alternating runs of each (default 5); the link 10 Mbit/s
// with a 40 ms round trip unless told (a learner's share of a link that a class shares is less).
// Memory, the tab's: the resident set of the renderer process that holds the page, after a
// garbage collection. Read on a blank page, with the program's page loaded, and through POINTS
// points (default 1000) done with real mouse and key events.
// Then, in each browser, ACTIONS random actions (default 1000) in a fresh page, a child's: clicks
// anywhere, taps on buttons, keys, typing, pastes of up to 100,000 characters, the message box
// opened and closed; never Exit. After each action the keyboard must be on the window and the
// window in view; the tab's memory is read at intervals, and after a 1 MB paste; the longest a
// paste held the page up, and what the page's console said. The benchmark fails if the page
// crashes, ends or stops answering, if the keyboard left the window or the window the view, or if
// anything was said against the page on its console; each browser's session runs to its end
// all the same, but for a crash.
import { execFileSync } from 'node:child_process';
import { existsSync, readdirSync, readFileSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { launch, openPage, serve, sleep } from '../tests/support/browser.mjs';
import { answer, at, boxButton, controls, news } from '../tests/support/page-queries.mjs';
import { schoolLink } from './schoollink.mjs';

const seed = 20250607; // the random actions' sequence: the same in every run
const answerCap = 10000; // what an answer box holds in a browser (runtime/browser.cpp)

class Failure extends Error {}

// The baseline page that bench/web-baseline.sh keeps, if there is one.
function baselineSite() {
    const kept = path.join(process.env.XDG_CACHE_HOME ?? path.join(os.homedir(), '.cache'),
        'tavrilo', 'web-baseline');
    const commit = existsSync(kept) && readdirSync(kept).find((name) => name !== 'home');
    return commit ? path.join(kept, commit) : undefined;
}

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

function machine(browsers) {
    const cpu = readFileSync('/proc/cpuinfo', 'utf8').match(/^model name\s*:\s*(.*)$/m)?.[1] ??
        'unknown CPU';
    // Debian's wrapper script may complain on stderr; the version is on stdout.
    const run = (command, ...args) => execFileSync(command, args,
        { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] }).trim();
    const versions = {
        chromium: () => `${run('chromium', '--version')}, headless, SwiftShader for its GPU`,
        firefox: () => `${run('firefox-esr', '--version')}, headless`,
        // WebKit's shell tells its version only on a display; its package does anywhere.
        webkit: () => `WebKitGTK ${run('dpkg-query', '-W', '-f=${Version}', 'libwebkit2gtk-4.1-0')}` +
            ', on Xvfb',
    };
    return `${os.cpus().length} cores, ${cpu}; ` +
        [...new Set(browsers)].map((b) => versions[b]()).join('; ');
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

const settleMs = 3000;
async function startup(url, runs) {
    const times = { form1: { cold: [], warm: [] }, bare: { cold: [], warm: [] } };
    for (let run = 0; run < runs; ++run) {
        for (const name of run % 2 === 0 ? ['form1', 'bare'] : ['bare', 'form1']) {
            const browser = await launch('chromium'); // a fresh profile each time
            try {
                const page = (await browser.pages())[0];
                times[name].cold.push(await firstPaint(page,
                    () => page.goto(`${url}bench_launch_${name}/`)));
                // Warm means the service worker's copies: the reload waits for it to be active,
                // and then a while, as a learner's next visit comes after the first has settled.
                // At once, it met whatever work the first visit had left running, and its
                // times spread over twice as wide a range.
                await withTimeout(page.evaluate(() => navigator.serviceWorker.ready.then(() => {})),
                    60000, 'the service worker did not start');
                await sleep(settleMs);
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

const resident = (pid) =>
    Number(readFileSync(`/proc/${pid}/status`, 'utf8').match(/^VmRSS:\s*(\d+)/m)?.[1] ?? 0);

// The page's process where the browser does not name it: of the browser's processes whose command
// line starts as given, the largest, as the page's WebAssembly makes it (the others, which the
// browser keeps ready or for its own pages, hold no program).
function largestOf(browser, commandStart) {
    const children = (pid) => readdirSync(`/proc/${pid}/task`).flatMap((task) =>
        readFileSync(`/proc/${pid}/task/${task}/children`, 'utf8').split(' ').filter(Boolean)
            .map(Number));
    const all = (pid) => [pid, ...children(pid).flatMap(all)];
    const found = all(browser.process().pid).filter((pid) =>
        commandStart.test(readFileSync(`/proc/${pid}/cmdline`, 'utf8')));
    if (!found.length) throw new Failure(`no process of the browser's is ${commandStart}`);
    return found.sort((a, b) => resident(b) - resident(a))[0];
}

// The tab's memory (MiB): the resident set of the process that holds the page; in Chromium
// once the page's garbage is collected (the others give no page a way to ask for that).
async function tabMemory(kind, browser, page) {
    let pid;
    if (kind === 'chromium') {
        pid = await rendererOf(browser, page);
        const session = await page.createCDPSession();
        await session.send('HeapProfiler.collectGarbage');
        await session.detach();
    } else {
        // Firefox's content processes for web pages (which its fork server starts with their
        // arguments joined by spaces); WebKit's web processes.
        pid = largestOf(browser, kind === 'firefox' ? /^\S*firefox-esr[\s\0]-contentproc[\s\0].*[\s\0]tab\0?$/
            : /^\S*\/WebKitWebProcess\0/);
    }
    await sleep(1000);
    return resident(pid) / 1024;
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
        const memory = [['a blank page', await tabMemory('chromium', browser, page)]];
        const { window } = await openPage(browser, `${url}tavrilo/`);
        const answering = watch(browser, page);
        await sleep(1000);
        memory.push(['the program\'s page loaded', await tabMemory('chromium', browser, page)]);
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
                memory.push([`after ${point} points`, await tabMemory('chromium', browser, page)]);
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

// What a browser needs for the random session: Chromium a touch screen for taps (Firefox has one
// for its actions, WebKit sends taps as a mouse's) and the clipboard, which Firefox opens to a
// page without a click only with a preference of its tests (WebKit's shell opens it to every page).
const childSetting = {
    chromium: { viewport: { width: 1024, height: 768, hasTouch: true },
        async opened(browser, url) {
            await browser.defaultBrowserContext().overridePermissions(new URL(url).origin,
                ['clipboard-read', 'clipboard-write', 'clipboard-sanitized-write']);
        } },
    firefox: { preferences: { 'dom.events.testing.asyncClipboard': true } },
    webkit: {},
};

// What must hold after every action while the program runs: the keyboard on the window (the
// element that has it is Qt's, in the window or its element for text, never the page's body or
// another of the page's own), and the window in view (the page neither scrolled sideways nor wider
// than the browser's viewport, the window within it). Empty when it holds, else what is wrong.
const broken = () => {
    const wrong = [];
    const frame = document.getElementById('window');
    const active = document.activeElement;
    if (!active || !(frame.contains(active) || 'data-qinputcontext' in active))
        wrong.push(`the keyboard is on ${active ? `${active.tagName}#${active.id}` : 'nothing'}`);
    const r = frame.getBoundingClientRect();
    const width = document.documentElement.scrollWidth;
    if (scrollX !== 0 || width > innerWidth || r.left < 0 || r.right > innerWidth)
        wrong.push(`the window at ${Math.round(r.left)}..${Math.round(r.right)}, the page ` +
            `${width} wide, scrolled ${scrollX}, in a viewport ${innerWidth} wide`);
    return wrong;
};

// A child at the program's page in a browser, ACTIONS times at random; Exit is never pressed.
async function child(kind, url, count, picture) {
    const setting = childSetting[kind];
    const browser = await launch(kind, { preferences: setting.preferences });
    try {
        const { page, window, console: said } = await openPage(browser, `${url}tavrilo/`,
            { viewport: setting.viewport ?? { width: 1024, height: 768 } });
        const answering = watch(browser, page);
        await setting.opened?.(browser, url);
        await sleep(1000);
        const memory = [['the program\'s page loaded', await tabMemory(kind, browser, page)]];
        // Each invariant's first break, and how many actions it was broken after.
        const breaks = {};
        const check = async (after) => {
            for (const wrong of await page.evaluate(broken)) {
                const which = wrong.split(' ').slice(0, 2).join(' ');
                breaks[which] ??= { first: `${wrong} (${after})`, count: 0 };
                ++breaks[which].count;
            }
        };
        await check('once the page was loaded');
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
                await page.bringToFront(); // Chromium's clipboard is only for a page with focus
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
            const doing = random.pick(bag);
            await actions[doing]();
            done[doing] = (done[doing] ?? 0) + 1;
            await answering(`action ${action}, ${doing}`);
            await check(`action ${action}, ${doing}`);
            if (action === 100 || action % 500 === 0 || action === count)
                memory.push([`after ${action} actions`, await tabMemory(kind, browser, page)]);
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
        await check('the 1 MB paste');
        memory.push(['after a 1 MB paste', await tabMemory(kind, browser, page)]);
        await page.screenshot({ path: picture });
        const complaints = said.filter((line) => /^(error|warn|warning):/.test(line));
        return { memory, took, done, pastes, boxes, spared, megabyte, kept, breaks, complaints };
    } finally {
        await browser.close();
    }
}

// One browser's random session, printed; what broke, if anything.
async function childIn(kind, url, count) {
    const picture = path.join(os.tmpdir(), `tavrilo-web-actions-${kind}.png`);
    let play;
    try {
        play = await child(kind, url, count, picture);
    } catch (error) {
        if (!(error instanceof Failure)) throw error;
        console.log(`\n${kind}: ${count} random actions: FAILED: ${error.message}`);
        return [`${kind}: ${error.message}`];
    }
    console.log(`\n${kind}: ${count} random actions in a fresh page, seed ${seed} ` +
        `(${play.took.toFixed(0)} s):`);
    console.log('  ' + Object.entries(play.done).map(([doing, n]) => `${doing} ${n}`).join(', '));
    console.log(`  the message box up ${play.boxes.up} times, closed at once ` +
        `${play.boxes.closed}; Space or Enter on Выход ${play.spared} times, Tab instead`);
    for (const [after, mib] of play.memory)
        console.log(`  the tab's memory, ${after}: ${mib.toFixed(1)} MiB`);
    console.log(`  the longest a paste held the page up: ${play.pastes.longest.toFixed(0)} ms ` +
        `(${play.pastes.size} characters; ${play.pastes.count} pastes)`);
    console.log(`  the 1 MB paste: ${play.megabyte.toFixed(0)} ms; the box kept ` +
        `${play.kept} characters (at most ${answerCap})`);
    const failures = [];
    const held = { 'the keyboard': 'the keyboard on the window', 'the window': 'the window in view' };
    for (const [which, holds] of Object.entries(held)) {
        const broke = play.breaks[which];
        console.log(`  ${holds}: ${broke ? `BROKEN after ${broke.count} of the actions, first: ` +
            broke.first : 'after every action'}`);
        if (broke) failures.push(`${kind}: ${broke.first}`);
    }
    console.log(`  said against the page on its console: ${play.complaints.length ? '' : 'nothing'}`);
    for (const line of play.complaints) console.log(`    ${line}`);
    if (play.complaints.length) failures.push(`${kind}: ${play.complaints.length} complaints on the console`);
    console.log(`  the page at the end: ${picture}`);
    return failures;
}

async function main() {
    const words = process.argv.slice(2);
    const option = (name) => words.find((w) => w.startsWith(`--${name}`));
    const [pages, ...numbers] = words.filter((w) => !w.startsWith('--'));
    const [runs = 20, pointCount = 1000, actionCount = 1000] = numbers.map(Number);
    const browsers = (option('browsers=')?.split('=')[1] ?? 'chromium,firefox,webkit').split(',');
    const onlyRandom = Boolean(option('only-random'));
    if (!pages || ![runs, pointCount, actionCount].every((n) => Number.isInteger(n) && n > 0) ||
        !browsers.every((b) => b in childSetting)) {
        console.error('usage: node bench/web.mjs PAGES [RUNS] [POINTS] [ACTIONS] ' +
            '[--browsers=chromium,firefox,webkit] [--only-random]');
        process.exit(2);
    }
    const server = await serve(pages);
    const failures = [];
    try {
        console.log(`Machine: ${machine(onlyRandom ? browsers : ['chromium', ...browsers])}`);
        console.log(`Load average at the start: ${load()}`);

        if (!onlyRandom) {
            const times = await startup(server.url, runs);
            console.log(`\nNavigation to the window's first paint, medians of ${runs} runs each (ms):`);
            console.log(`${''.padEnd(24)}${'cold'.padStart(10)}${'warm'.padStart(10)}`);
            for (const [name, label] of [['form1', 'Tavrilo (Form1)'], ['bare', 'bare Qt window']])
                console.log(`${label.padEnd(24)}${median(times[name].cold).toFixed(0).padStart(10)}` +
                    `${median(times[name].warm).toFixed(0).padStart(10)}`);
            for (const kind of ['cold', 'warm']) {
                const ratio = median(times.form1[kind]) / median(times.bare[kind]);
                console.log(`ratio ${kind}: ${ratio.toFixed(2)} (goal: at most 1.1)`);
            }

            const baseline = option('baseline=')?.split('=')[1] ?? baselineSite();
            if (!existsSync(path.join(baseline ?? '', 'index.html'))) {
                console.log('\nNo baseline page for the first visit: bench/web-baseline.sh makes it');
            } else {
                const schoolRuns = Number(option('school-runs=')?.split('=')[1] ?? 5);
                const link = option('school-link=')?.split('=')[1] ?? '10/40';
                const visits = await schoolLink({ baseline, now: path.join(pages, 'tavrilo') },
                    schoolRuns, link);
                const [mbit, ms] = link.split('/');
                console.log(`\nA first visit over a school link (${mbit} Mbit/s, ${ms} ms round ` +
                    `trip), the CPU 4 times slower, medians of ${schoolRuns} runs each:`);
                console.log(`${''.padEnd(24)}${'window (ms)'.padStart(12)}${'bytes'.padStart(12)}` +
                    '   runs, fastest to slowest (ms)');
                for (const [name, label] of [['baseline', `baseline (${path.basename(baseline)})`],
                    ['now', 'this build']]) {
                    const ms = [...visits[name].ms].sort((a, b) => a - b);
                    console.log(`${label.padEnd(24)}${median(ms).toFixed(0).padStart(12)}` +
                        `${median(visits[name].bytes).toFixed(0).padStart(12)}   ` +
                        `${ms[0].toFixed(0)}–${ms.at(-1).toFixed(0)}`);
                }
                console.log('ratio: ' + (median(visits.now.ms) / median(visits.baseline.ms))
                    .toFixed(2) + (link === '10/40' ? ' (goal: at most 0.5)' : ''));
            }

            const pointsPicture = path.join(os.tmpdir(), 'tavrilo-web-endurance.png');
            const drill = await points(server.url, pointCount, pointsPicture);
            console.log(`\nThe program's page through ${pointCount} points ` +
                `(${drill.took.toFixed(0)} s of real input):`);
            for (const [after, mib] of drill.memory)
                console.log(`  the tab's memory, ${after}: ${mib.toFixed(1)} MiB`);
            console.log(`  the page at the end: ${pointsPicture}`);
        }

        for (const kind of browsers) failures.push(...await childIn(kind, server.url, actionCount));
        console.log(`\nLoad average at the end: ${load()}`);
    } finally {
        await server.stop();
    }
    if (failures.length) throw new Failure(failures.join('; '));
}

try {
    await main();
} catch (error) {
    if (!(error instanceof Failure)) throw error;
    console.error(`FAILED: ${error.message}`);
    process.exit(1);
}
