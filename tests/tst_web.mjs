// The web page in headless Chromium and Firefox, for what the end-to-end test does not do on the
// screen: the page as children and their devices use it (clicks anywhere, the message box,
// on-screen keyboards on phones and tablets, a phone held upright), what a screen reader finds
// and can do there, what a first visit downloads, the page's headers, a new version replacing
// the kept files, and nothing said against the page on its console.
//   node tests/tst_web.mjs SITE
import { cpSync, mkdtempSync, readFileSync, rmSync, writeFileSync, appendFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { launch, openPage, serve, sleep } from './support/browser.mjs';
import { answer, at, boxFace, boxPlace, heard, news, started } from './support/page-queries.mjs';

const site = process.argv[2];
const failures = [];
function check(what, condition, detail = '') {
    console.log(`${condition ? 'PASS' : 'FAIL'}: ${what}${detail !== '' ? ` (${detail})` : ''}`);
    if (!condition) failures.push(what);
}
const question = 'Подтвердите принятие введённого ответа';
const quiet = (kind, said) => {
    const complaints = said.filter((line) => /^(error|warn|warning):/.test(line));
    check(`${kind}: nothing said against the page on its console`, !complaints.length,
        complaints.join(' | '));
};

// A learner at a desktop browser, by mouse and keyboard, clicking wherever children click.
async function learner(kind, url) {
    const browser = await launch(kind);
    try {
        // Chromium as set to a dark mode, which the program's light window ignores.
        const { page, console: said, window } = await openPage(browser, url, {
            viewport: { width: 1024, height: 768 },
            before: (page) => kind === 'chromium' && page.emulateMediaFeatures(
                [{ name: 'prefers-color-scheme', value: 'dark' }]),
        });
        const click = async (name) => { const p = at(window, name); await page.mouse.click(p.x, p.y); };
        const key = (name) => page.keyboard.press(name);
        const margin = () => page.mouse.click(8, 8);

        // The keyboard is the window's from the start, and a click on the page around it takes
        // nothing away.
        await margin();
        await key(' ');
        check(`${kind}: Space starts the drill from the first moment, a margin clicked`,
            await heard(page, 'Задано вопросов: 1') === 'Задано вопросов: 1');
        // Should the keyboard have left the window (to the browser's bars, say), a click anywhere
        // on it brings the keyboard back.
        await page.evaluate(() => document.activeElement?.blur());
        await click('instruction');
        for (let i = 0; i < 4; ++i) await key('Tab'); // Ещё точка, Выход, Принять ответ, x
        await page.keyboard.type('9');
        await margin();
        await key('Tab');
        await page.keyboard.type('8');
        await key('Enter'); // in an answer box, nothing
        await page.keyboard.down('Shift');
        await key('Tab'); await key('Tab');
        await page.keyboard.up('Shift');
        await key(' ');
        check(`${kind}: an answer typed once a click gave the keyboard back, tabbed and accepted is judged`,
            await heard(page, 'Ошибка') === 'Ошибка' &&
                await answer(page, 'xAnswer') === '9' && await answer(page, 'yAnswer') === '8');

        // The message box, clicked behind and around, still answers the keyboard; it stays
        // within the window however far it is dragged; the question goes when it does.
        await click('nextPoint');
        await click('xAnswer'); await page.keyboard.type('1');
        await click('nextPoint'); // Ещё точка: the answer is typed, not accepted
        check(`${kind}: the message box asks, and its question is heard`,
            await heard(page, question) === question);
        const face = await (await page.waitForFunction(boxFace, { timeout: 10000 })).jsonValue();
        check(`${kind}: the box is light${kind === 'chromium' ? ' in a dark mode too' : ''}`,
            face.every((c) => c >= 200), face);
        for (const [name, close] of [['targetPlane', 'Escape'], ['exit', 'Enter'], [null, ' ']]) {
            if (!name) {
                await margin();
            } else {
                await click(name); // behind the box: nothing happens there
                const place = (await boxPlace(page)).box;
                const title = { x: (place[0] + place[2]) / 2, y: place[1] + 10 };
                await page.mouse.move(title.x, title.y);
                await page.mouse.down();
                // To the page's corner, well past the window's.
                await page.mouse.move(1020, 764, { steps: 10 });
                await page.mouse.up();
            }
            const { box, window: frame } = await boxPlace(page);
            check(`${kind}: dragged far, the box stays within the window`,
                box && box[0] >= frame[0] && box[1] >= frame[1] && box[2] <= frame[2] &&
                    box[3] <= frame[3], JSON.stringify({ box, frame }));
            await key(close);
            await page.waitForFunction(() => !document.getElementById('news').textContent,
                { timeout: 5000 }).catch(() => {});
            const closed = (await boxPlace(page)).count === 1;
            check(`${kind}: after a click ${name ? `on ${name}` : 'on the margin'} behind the ` +
                `box, ${close === ' ' ? 'Space' : close} closes it and its question goes`,
            closed && await news(page) === '', await news(page));
            if (close !== ' ') await click('nextPoint'); // asks again
        }
        check(`${kind}: nothing behind the box acted`, await answer(page, 'xAnswer') === '1');

        // Exit: the window goes and the page says so, its button ready for the keyboard; the
        // live region has nothing left to say.
        await click('exit');
        await page.waitForFunction(() => document.title !== 'Tavrilo', { timeout: 10000 })
            .catch(() => {});
        const ended = await page.evaluate(() => [document.title,
            document.getElementById('state-text').textContent, document.activeElement.id,
            document.getElementById('window').className]);
        check(`${kind}: Exit ends the program and the page says so`,
            JSON.stringify(ended) === JSON.stringify(['Tavrilo: программа завершена',
                'Программа завершена.', 'again', 'gone']), ended);
        check(`${kind}: after Exit the live region says nothing`, await news(page) === '');
        quiet(kind, said);
    } finally {
        await browser.close();
    }
}

// What a screen reader finds in Chromium's accessibility tree: the controls with their roles and
// Russian names, in the desktop's tab order, and the whole drill done through them, its nodes
// pressed and typed into as a screen reader does. (Firefox's tree, which WebDriver BiDi does not
// show inside Qt's shadow root, is checked on AT-SPI by tst_atspi.py.)
async function screenReader(url) {
    const browser = await launch('chromium');
    try {
        const { page, console: said } = await openPage(browser, url);
        // The page has the browser's focus, as the window a screen reader works in has.
        await (await page.createCDPSession()).send('Emulation.setFocusEmulationEnabled',
            { enabled: true });
        const expected = [['button', 'Начало'], ['button', 'Ещё точка'], ['button', 'Выход'],
            ['button', 'Принять ответ'], ['textbox', 'Ответ: координата x'],
            ['textbox', 'Ответ: координата y'], ['image', 'Плоскость задания'],
            ['image', 'Плоскость ответа']];
        const tree = await page.accessibility.snapshot();
        const nodes = [];
        const walk = (node) => { nodes.push(node); (node.children ?? []).forEach(walk); };
        walk(tree);
        const interactive = nodes.filter((n) => ['button', 'textbox', 'image'].includes(n.role))
            .filter((n) => n.name) // not Qt's own keyboard element, unnamed while a button has it
            .map((n) => [n.role, n.name]);
        check('chromium: the controls, in the tab order, with their roles and Russian names',
            JSON.stringify(interactive) === JSON.stringify(expected), JSON.stringify(interactive));
        const texts = nodes.filter((n) => n.role === 'StaticText').map((n) => n.name);
        check('chromium: the captions and the instruction are there to read',
            ['Задано вопросов:', 'Сделано ошибок:', 'x=', 'y=',
                'Укажите координаты выделенной точки'].every((t) => texts.includes(t)), texts);
        check('chromium: the keyboard starts on Начало',
            nodes.find((n) => n.focused)?.name === 'Начало');

        // The drill through the tree: press, type, accept, hear, move on, the box, Exit.
        const element = async (role, name) =>
            (await page.$(`::-p-aria([name="${name}"][role="${role}"])`));
        // As a screen reader's default action does: a click on the element itself, not on the
        // canvas drawn over it.
        const press = async (name) => (await element('button', name)).evaluate((e) => e.click());
        await press('Начало');
        check('chromium: Начало pressed through the tree starts',
            await heard(page, 'Задано вопросов: 1') === 'Задано вопросов: 1');
        const counts = async () => (await page.accessibility.snapshot()).children
            ?.flatMap(function all(n) { return [n, ...(n.children ?? []).flatMap(all)]; })
            .filter((n) => n.role === 'StaticText').map((n) => n.name);
        check('chromium: the count of points is read beside its caption',
            (await counts()).join('|').includes('Задано вопросов:|1'));
        for (const [name, text] of [['Ответ: координата x', '9'], ['Ответ: координата y', '9']]) {
            await (await element('textbox', name)).focus();
            const keyboard = await page.evaluate(() => document.activeElement.getAttribute('aria-label'));
            check(`chromium: the field "${name}" keeps its name where the keyboard is`,
                keyboard === name, keyboard);
            await page.keyboard.type(text);
        }
        await press('Принять ответ');
        check('chromium: the verdict is heard', await heard(page, 'Ошибка') === 'Ошибка');
        check('chromium: the mistake is counted where it is read',
            (await counts()).join('|').includes('Сделано ошибок:|1'));
        await press('Ещё точка');
        check('chromium: the next point is heard',
            await heard(page, 'Задано вопросов: 2') === 'Задано вопросов: 2');
        await (await element('textbox', 'Ответ: координата x')).focus();
        await page.keyboard.type('1');
        await press('Ещё точка');
        check('chromium: the box\'s question is heard', await heard(page, question) === question);
        await page.waitForFunction(() => true);
        const focus = (await page.accessibility.snapshot({ interestingOnly: false }));
        const onOk = [];
        (function find(n) { if (n.focused) onOk.push(n.role + ' ' + n.name); (n.children ?? []).forEach(find); })(focus);
        check('chromium: the box\'s button has the keyboard', onOk.some((n) => /^button /.test(n)), onOk);
        await page.keyboard.press('Enter');
        await page.waitForFunction(() => !document.getElementById('news').textContent,
            { timeout: 5000 }).catch(() => {});
        check('chromium: Enter closes the box and its question goes', await news(page) === '');
        await press('Выход');
        await page.waitForFunction(() => document.title !== 'Tavrilo', { timeout: 10000 })
            .catch(() => {});
        check('chromium: Выход pressed through the tree ends the program',
            await page.title() === 'Tavrilo: программа завершена');
        quiet('chromium', said);
    } finally {
        await browser.close();
    }
}

// A tablet or phone: touch, the user agent and platform such a device reports, and what its
// on-screen keyboard sends: key presses, inserted text (predictive text, dictation) and composed
// text. Each reaches its answer box exactly once.
async function onScreenKeyboard(url, device, { agent, platform, touchPoints, mobile }) {
    const browser = await launch('chromium');
    try {
        let session;
        const { page, console: said, window } = await openPage(browser, url, {
            viewport: { width: 1024, height: 768, hasTouch: touchPoints > 0, isMobile: mobile },
            before: async (page) => {
                session = await page.createCDPSession();
                await session.send('Emulation.setUserAgentOverride', { userAgent: agent, platform });
                await session.send('Emulation.setTouchEmulationEnabled',
                    { enabled: touchPoints > 0, maxTouchPoints: touchPoints });
            },
        });
        const tap = async (name) => { const p = at(window, name); await page.touchscreen.tap(p.x, p.y); };
        // Qt's element for the keyboard: what the on-screen keyboard is shown for.
        const keyboard = () => page.evaluate(() => {
            const inputs = [...document.body.children].filter((e) => 'data-qinputcontext' in e);
            const input = inputs.find((e) => e === document.activeElement) ?? inputs[0];
            return { focused: document.activeElement === input, mode: input.inputMode,
                name: input.getAttribute('aria-label'), corrections: input.getAttribute('autocorrect') };
        });
        await tap('start');
        let shown = await keyboard();
        check(`${device}: a tap on a button brings up no keyboard`,
            !shown.focused || shown.mode === 'none', JSON.stringify(shown));
        await tap('xAnswer');
        shown = await keyboard();
        check(`${device}: a tap on an answer box brings up the text keyboard, no corrections`,
            shown.focused && shown.mode === 'text' && shown.name === 'Ответ: координата x' &&
                shown.corrections === 'off', JSON.stringify(shown));
        await session.send('Input.insertText', { text: '-3' });
        await page.keyboard.type('5'); // a key press too
        await tap('yAnswer');
        for (const [composing, committed] of [[['2'], '2'], [['1', '15'], '15']]) {
            for (const text of composing)
                await session.send('Input.imeSetComposition',
                    { text, selectionStart: text.length, selectionEnd: text.length });
            await session.send('Input.insertText', { text: committed });
        }
        await tap('accept');
        await heard(page, 'Ошибка', 10000);
        check(`${device}: inserted, typed and composed text each arrive once`,
            await answer(page, 'xAnswer') === '-35' && await answer(page, 'yAnswer') === '215',
            `${await answer(page, 'xAnswer')} / ${await answer(page, 'yAnswer')}`);
        quiet(device, said);
    } finally {
        await browser.close();
    }
}

// A phone held upright asks to be turned; held sideways it shows the whole window, legible, and
// a tap lands where it is drawn.
async function phone(url, width, height) {
    const browser = await launch('chromium');
    try {
        let session;
        const { page, console: said, window } = await openPage(browser, url, {
            before: async (page) => {
                session = await page.createCDPSession();
                await session.send('Emulation.setDeviceMetricsOverride', { width, height,
                    deviceScaleFactor: 3, mobile: true, screenWidth: width, screenHeight: height });
                await session.send('Emulation.setTouchEmulationEnabled',
                    { enabled: true, maxTouchPoints: 5 });
            },
        });
        const seen = await page.evaluate(() => {
            const r = document.getElementById('window').getBoundingClientRect();
            const v = visualViewport;
            const turn = document.getElementById('turn');
            return { box: [r.left - v.offsetLeft, r.top - v.offsetTop, r.right - v.offsetLeft,
                r.bottom - v.offsetTop].map((c) => Math.round(c * v.scale)), scale: v.scale,
            windowShown: getComputedStyle(document.querySelector('main')).visibility !== 'hidden',
            turn: getComputedStyle(turn).display !== 'none' ? turn.textContent : '' };
        });
        if (width < height) {
            check(`${width} x ${height}: the page asks to turn the phone, the window waits unseen`,
                seen.turn.startsWith('Поверните телефон') && !seen.windowShown, JSON.stringify(seen));
        } else {
            check(`${width} x ${height}: the whole window in view, its text at least 0.7 of its size`,
                seen.box[0] >= 0 && seen.box[1] >= 0 && seen.box[2] <= width &&
                    seen.box[3] <= height && seen.scale >= 0.7 && seen.windowShown && !seen.turn,
                JSON.stringify(seen));
            const p = at(window, 'start');
            await page.touchscreen.tap(p.x, p.y);
            check(`${width} x ${height}: a tap on Начало starts`,
                await heard(page, 'Задано вопросов: 1') === 'Задано вопросов: 1');
        }
        quiet(`${width} x ${height}`, said);
    } finally {
        await browser.close();
    }
}

// What a first visit downloads: each file once (the service worker's check of a file the page has
// just loaded is answered "not modified", with no body). And the headers a published copy sends.
async function firstVisit() {
    const log = path.join(mkdtempSync(path.join(tmpdir(), 'tavrilo-web-')), 'server.log');
    const server = await serve(site, { log });
    const browser = await launch('chromium');
    try {
        const { page } = await openPage(browser, server.url);
        await page.evaluate(() => navigator.serviceWorker.ready);
        await page.waitForFunction(() => navigator.serviceWorker.controller, { timeout: 30000 });
        await sleep(1000);
        const bodies = {};
        for (const [, file, status] of readFileSync(log, 'utf8')
            .matchAll(/"GET ([^ ]+) HTTP\/[\d.]+" (\d+)/g))
            if (status === '200') bodies[file] = (bodies[file] ?? 0) + 1;
        const twice = Object.entries(bodies).filter(([, n]) => n > 1);
        check('a first visit downloads each file once', !twice.length && bodies['/tavrilo.wasm'] === 1,
            JSON.stringify(bodies));
        const response = await fetch(server.url, { headers: { 'Accept-Encoding': 'br' } });
        const policy = response.headers.get('content-security-policy') ?? '';
        check('the page comes with the headers a published copy should send',
            policy.includes("frame-ancestors 'none'") && policy.includes("default-src 'none'") &&
                response.headers.get('x-content-type-options') === 'nosniff' &&
                response.headers.get('referrer-policy') === 'no-referrer', policy);
        const wasm = await fetch(`${server.url}tavrilo.wasm`, { headers: { 'Accept-Encoding': 'br' } });
        check('the program comes precompressed where the browser accepts it',
            wasm.headers.get('content-encoding') === 'br' &&
                wasm.headers.get('content-type') === 'application/wasm');
        const session = await page.createCDPSession();
        const { installabilityErrors } = await session.send('Page.getInstallabilityErrors');
        check('installable as an app', !installabilityErrors.length,
            JSON.stringify(installabilityErrors));
    } finally {
        await browser.close();
        await server.stop();
    }
}

// Kept after a first visit, the page's files give way to a new version as a whole: a copy of the
// site is visited, then changed as a new build changes it (a file and its precompressed copies,
// and so the version in sw.js); at the next visits the page uses the new file, and only the new
// version is kept.
async function newVersion() {
    const copy = mkdtempSync(path.join(tmpdir(), 'tavrilo-site-'));
    cpSync(site, copy, { recursive: true });
    const server = await serve(copy);
    const browser = await launch('chromium');
    try {
        const { page } = await openPage(browser, server.url);
        await page.evaluate(() => navigator.serviceWorker.ready);
        const kept = () => page.evaluate(() => caches.keys().then((keys) => keys.join(' ')));
        const old = await kept();
        appendFileSync(path.join(copy, 'page.css'), 'body { background: rgb(1, 2, 3); }\n');
        rmSync(path.join(copy, 'page.css.br')); rmSync(path.join(copy, 'page.css.gz'));
        const sw = path.join(copy, 'sw.js');
        writeFileSync(sw, readFileSync(sw, 'utf8').replace(old, `${old}-new`));
        for (const suffix of ['.br', '.gz']) rmSync(sw + suffix);
        await page.reload();
        await started(page);
        await page.waitForFunction((name) => caches.keys().then((keys) => keys.join(' ') === name),
            { timeout: 60000 }, `${old}-new`).catch(() => {});
        await page.reload();
        await started(page);
        const ground = await page.evaluate(() => getComputedStyle(document.body).backgroundColor);
        check('a new version replaces the kept files', ground === 'rgb(1, 2, 3)' &&
            await kept() === `${old}-new`, `kept ${old}, now ${await kept()}, ground ${ground}`);
    } finally {
        await browser.close();
        await server.stop();
        rmSync(copy, { recursive: true, force: true });
    }
}

const server = await serve(site);
try {
    for (const kind of ['chromium', 'firefox'])
        await learner(kind, server.url);
    await screenReader(server.url);
    // Safari on an iPad asks for pages as a Mac would, with touch; on an iPhone as itself.
    const ios = 'AppleWebKit/605.1.15 (KHTML, like Gecko) Version/18.0';
    for (const [device, settings] of Object.entries({
        'Android phone': { agent: 'Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 ' +
            '(KHTML, like Gecko) Chrome/156.0.0.0 Mobile Safari/537.36', platform: 'Linux armv8l',
        touchPoints: 5, mobile: true },
        'iPad, as a Mac': { agent: `Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) ${ios} Safari/605.1.15`,
            platform: 'MacIntel', touchPoints: 5, mobile: false },
        'iPad, as itself': { agent: `Mozilla/5.0 (iPad; CPU OS 18_0 like Mac OS X) ${ios} ` +
            'Mobile/15E148 Safari/604.1', platform: 'iPad', touchPoints: 5, mobile: true },
        'iPhone': { agent: `Mozilla/5.0 (iPhone; CPU iPhone OS 18_0 like Mac OS X) ${ios} ` +
            'Mobile/15E148 Safari/604.1', platform: 'iPhone', touchPoints: 5, mobile: true },
        'touch-screen laptop': { agent: 'Mozilla/5.0 (Windows NT 10.0; Win64; x64) ' +
            'AppleWebKit/537.36 (KHTML, like Gecko) Chrome/156.0.0.0 Safari/537.36',
        platform: 'Win32', touchPoints: 10, mobile: false },
    }))
        await onScreenKeyboard(server.url, device, settings);
    await phone(server.url, 390, 844);
    await phone(server.url, 844, 390);
} finally {
    await server.stop();
}
await firstVisit();
await newVersion();
console.log(failures.length ? `${failures.length} checks failed` : 'all checks passed');
process.exit(failures.length ? 1 : 0);
