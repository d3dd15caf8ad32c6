// Writes packaging/web/start-functions.txt: the functions that the program runs from its start to
// its window's first frame, in Chromium, Firefox and WebKit and on the screens the page is checked
// on. The web build keeps them in the program's first part and leaves the rest for later
// (web.cmake). Run it, with the web build made, after a change to the program or its Qt, when the
// page's checks say that the window needed the rest to open:
//   tests/support/x-session node packaging/web/start-functions.mjs [WEB_BUILD_DIR]
// It serves a copy of the page with the whole program, made to record the functions it runs
// (binaryen's wasm-split --instrument), and reads each visit's record.
import { execFileSync } from 'node:child_process';
import { cpSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { emulateDevice, emulatePhone, launch, openPage, serve }
    from '../../tests/support/browser.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, '../..');
const build = path.resolve(process.argv[2] ?? path.join(root, 'build-web'));
const work = mkdtempSync(path.join(tmpdir(), 'tavrilo-start-'));
const site = path.join(work, 'site');

// The page with the whole recording program in one part, and its instance within reach.
cpSync(path.join(build, 'site'), site, { recursive: true });
for (const file of ['index.html', 'page.js', 'tavrilo.wasm'])
    for (const copy of ['.br', '.gz']) rmSync(path.join(site, file + copy), { force: true });
const linked = path.join(build, 'app/tavrilo.wasm');
const split = (...args) => execFileSync(path.join(root, 'packaging/build-root.sh'),
    ['run', 'wasm-split', ...args], { encoding: 'utf8', maxBuffer: 64 << 20 });
split('--instrument', linked, '-o', path.join(site, 'tavrilo.wasm'));
const edit = (file, from, to) => {
    const text = readFileSync(path.join(site, file), 'utf8');
    if (!from.test(text)) throw new Error(`${file} has no ${from}`);
    writeFileSync(path.join(site, file), text.replace(from, to));
};
edit('index.html', /data-rest="[^"]*"/, 'data-rest=""');
edit('page.js', /later\.exports = instance\.exports;/,
    'later.exports = globalThis.tavriloRecording = instance.exports;');

// Where the page's checks open it (tests/tst_web.mjs): what the start runs differs with the
// browser, the screen's ratio and colour scheme, a phone's or a tablet's touch screen and agent.
const desktop = { viewport: { width: 1024, height: 768 } };
const safari = 'AppleWebKit/605.1.15 (KHTML, like Gecko) Version/18.0';
const device = (agent, platform, mobile) => ({
    viewport: { width: 1024, height: 768, hasTouch: true, isMobile: mobile },
    before: (page) => emulateDevice(page, { agent, platform, touchPoints: 5 }),
});
const visits = [
    ['chromium', 'a desktop', desktop],
    ['chromium', 'a desktop in a dark mode', { ...desktop, before: (page) =>
        page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: 'dark' }]) }],
    ['chromium', 'a finer screen', { viewport: { width: 683, height: 600, deviceScaleFactor: 2 } }],
    ['chromium', 'a phone on its side',
        { before: (page) => emulatePhone(page, { width: 844, height: 390 }) }],
    ['chromium', 'a phone upright',
        { before: (page) => emulatePhone(page, { width: 390, height: 844 }) }],
    ['chromium', 'an Android phone', device('Mozilla/5.0 (Linux; Android 14; Pixel 8) ' +
        'AppleWebKit/537.36 (KHTML, like Gecko) Chrome/156.0.0.0 Mobile Safari/537.36',
    'Linux armv8l', true)],
    ['chromium', 'an iPad', device(`Mozilla/5.0 (iPad; CPU OS 18_0 like Mac OS X) ${safari} ` +
        'Mobile/15E148 Safari/604.1', 'iPad', true)],
    ['chromium', 'an iPad as a Mac', device('Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) ' +
        `${safari} Safari/605.1.15`, 'MacIntel', false)],
    ['firefox', 'a desktop', desktop],
    ['webkit', 'a desktop', {}],
];
const server = await serve(site);
const names = new Set();
try {
    for (const [kind, screen, options] of visits) {
        const browser = await launch(kind);
        try {
            const { page } = await openPage(browser, server.url, options);
            // Up to the window's first frame.
            await page.evaluate(() => requestAnimationFrame(() => requestAnimationFrame(() => {
                globalThis.tavriloFramed = true;
            })));
            await page.waitForFunction(() => globalThis.tavriloFramed === true);
            const record = await page.evaluate(() => {
                const program = globalThis.tavriloRecording;
                const memory = Object.values(program).find((e) => e instanceof WebAssembly.Memory);
                const pages = 16, at = memory.grow(pages) * 65536; // past all the program uses
                const length = program.__write_profile(at, pages * 65536);
                return Array.from(new Uint8Array(memory.buffer, at, length));
            });
            const file = path.join(work, `${kind}-${names.size}.profile`);
            writeFileSync(file, Buffer.from(record));
            const kept = split(`--print-profile=${file}`, linked).split('\n')
                .filter((line) => line.startsWith('+ '));
            for (const line of kept) names.add(line.slice(2));
            console.log(`${kind}, ${screen}: ${kept.length} functions, ${names.size} in all`);
        } finally {
            await browser.close();
        }
    }
} finally {
    await server.stop();
}
writeFileSync(path.join(here, 'start-functions.txt'), [...names].sort().join('\n') + '\n');
rmSync(work, { recursive: true });
