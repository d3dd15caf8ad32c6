// The web page in headless Chromium and Firefox and in WebKitGTK, for what the end-to-end test does
// not do on the screen: the page as children and their devices use it (clicks anywhere, the
// message box, on-screen keyboards on phones and tablets, a phone held upright), what a screen
// reader finds and can do there, what a first visit downloads, the page's headers, a new version
// replacing the kept files, and nothing said against the page on its console. Each suite is one
// browser's session, its tests the steps of it in order; each waits for what it expects. WebKit
// has no headless mode: it needs a display, which tests/support/x-session gives.
//   tests/support/x-session node --test-reporter=spec tests/tst_web.mjs SITE
//   TAVRILO_SITE=SITE tests/support/x-session node --test --test-reporter=spec tests/tst_web.mjs
import assert from 'node:assert/strict';
import { appendFileSync, cpSync, mkdtempSync, readFileSync, rmSync, statSync, writeFileSync }
    from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import { compose, emulateDevice, emulateFocus, emulatePhone, insertText, installabilityErrors,
    launch, openPage, serve, sleep } from './support/browser.mjs';
import { answer, at, boxFace, boxHasKeyboard, boxIcon, boxPlace, controls, described, heard, nameOf,
    news, started, unlikeDrawing } from './support/page-queries.mjs';

const site = process.argv[2] ?? process.env.TAVRILO_SITE;
if (!site) throw new Error('usage: node --test-reporter=spec tests/tst_web.mjs SITE');
const question = 'Подтвердите принятие введённого ответа';
const newPoint = (count) => `Задано вопросов: ${count}`;
// A wait that may run out: what was found instead is then asserted.
const settled = (waiting) => waiting.catch(() => {});

// One browser's session on the page, as a suite: the page opened before its tests, the browser
// closed after them, and a last test that nothing was said against the page on its console.
// session() gives {page, window} once open.
function inBrowser(title, kind, options, tests) {
    describe(title, () => {
        let browser;
        const session = {};
        before(async () => {
            browser = await launch(kind);
            Object.assign(session, await openPage(browser, server.url, options));
        });
        after(() => browser?.close());
        tests(session);
        test('nothing is said against the page on its console', () => {
            const complaints = session.console.filter((line) => /^(error|warn|warning):/.test(line));
            assert.deepEqual(complaints, []);
        });
    });
}

let server;
before(async () => { server = await serve(site); });
after(() => server?.stop());

// A learner at a desktop browser, by mouse and keyboard, clicking wherever children click.
// Chromium as set to a dark mode, which the program's light window ignores.
for (const kind of ['chromium', 'firefox', 'webkit']) {
    inBrowser(`${kind}: a learner by mouse and keyboard`, kind, {
        viewport: { width: 1024, height: 768 },
        before: (page) => kind === 'chromium' && page.emulateMediaFeatures(
            [{ name: 'prefers-color-scheme', value: 'dark' }]),
    }, (session) => {
        const click = async (meaning) => {
            const p = at(session.window, meaning);
            await session.page.mouse.click(p.x, p.y);
        };
        const key = (name) => session.page.keyboard.press(name);
        const type = (text) => session.page.keyboard.type(text);
        const margin = () => session.page.mouse.click(8, 8);

        test('Space starts the drill from the first moment, a margin clicked', async () => {
            // The keyboard is the window's from the start, and a click on the page around it
            // takes nothing away.
            await margin();
            await key(' ');
            assert.equal(await heard(session.page, newPoint(1)), newPoint(1));
        });

        test('an answer typed once a click gave the keyboard back, tabbed and accepted is judged',
            async () => {
                // Should the keyboard have left the window (to the browser's bars, say), a click
                // anywhere on it brings the keyboard back.
                const { page } = session;
                await page.evaluate(() => document.activeElement?.blur());
                await click('instruction');
                const order = described.tabOrder;
                for (let i = order.indexOf('start'); i < order.indexOf('xAnswer'); ++i)
                    await key('Tab');
                await type('9');
                await margin();
                await key('Tab');
                await type('8');
                await key('Enter'); // in an answer box, nothing
                await page.keyboard.down('Shift');
                await key('Tab');
                await key('Tab');
                await page.keyboard.up('Shift');
                await key(' ');
                assert.equal(await heard(page, 'Ошибка'), 'Ошибка');
                assert.deepEqual([await answer(page, 'xAnswer'), await answer(page, 'yAnswer')],
                    ['9', '8']);
            });

        // The message box, clicked behind and around, still answers the keyboard; it stays
        // within the window however far it is dragged; the question goes when it does.
        test('the message box asks, and its question is heard', async () => {
            await click('nextPoint');
            await click('xAnswer');
            await type('1');
            await click('nextPoint'); // the answer is typed, not accepted
            assert.equal(await heard(session.page, question), question);
        });

        test(`the box is light${kind === 'chromium' ? ' in a dark mode too' : ''}`, async () => {
            const face = await (await session.page.waitForFunction(boxFace, { timeout: 10000 }))
                .jsonValue();
            assert.ok(face.every((c) => c >= 200), `the box's colour is ${face}`);
        });

        test("the box's title bar shows the program's icon", async () => {
            // Qt's own logo, an SVG, stands where a window has no icon of its own.
            assert.match(await boxIcon(session.page), /^data:image\/png;base64,/);
        });

        test('Tab and Shift+Tab keep the keyboard in the box', async () => {
            // As on the desktop: the box's one button keeps it, whatever is pressed.
            const { page } = session;
            const inBox = () => page.evaluate(boxHasKeyboard);
            assert.ok(await inBox(), 'the box has no keyboard to start with');
            for (const shift of [false, false, false, true, true]) {
                if (shift) await page.keyboard.down('Shift');
                await key('Tab');
                if (shift) await page.keyboard.up('Shift');
                assert.ok(await inBox(), `the keyboard left the box at ${shift ? 'Shift+' : ''}Tab`);
            }
        });

        for (const [behind, close] of [['targetPlane', 'Escape'], ['exit', 'Enter'], [null, ' ']]) {
            const where = behind ? `on ${behind}` : 'on the margin';
            test(`after a click ${where} behind the box${behind ? ' and a drag far away' : ''}, ` +
                'the box stays within the window', async () => {
                const { page } = session;
                if (!behind) {
                    await margin();
                } else {
                    await click(behind); // behind the box: nothing happens there
                    const place = (await boxPlace(page)).box;
                    await page.mouse.move((place[0] + place[2]) / 2, place[1] + 10); // its title
                    await page.mouse.down();
                    // To the page's corner, well past the window's.
                    await page.mouse.move(1020, 764, { steps: 10 });
                    await page.mouse.up();
                }
                const { box, window: frame } = await boxPlace(page);
                assert.ok(box && box[0] >= frame[0] && box[1] >= frame[1] && box[2] <= frame[2] &&
                    box[3] <= frame[3], JSON.stringify({ box, frame }));
            });
            test(`after a click ${where} behind the box, ${close === ' ' ? 'Space' : close} ` +
                'closes it and its question goes', async () => {
                const { page } = session;
                await key(close);
                await settled(page.waitForFunction(() => !document.getElementById('news').textContent,
                    { timeout: 5000 }));
                assert.equal((await boxPlace(page)).count, 1);
                assert.equal(await news(page), '');
                if (close !== ' ') await click('nextPoint'); // asks again
            });
        }

        test('nothing behind the box acted', async () => {
            assert.equal(await answer(session.page, 'xAnswer'), '1');
        });

        // Exit: the window goes and the page says so, its button ready for the keyboard; the
        // live region has nothing left to say.
        test('Exit ends the program and the page says so', async () => {
            const { page } = session;
            await click('exit');
            await settled(page.waitForFunction(() => document.title !== 'Tavrilo',
                { timeout: 10000 }));
            const ended = await page.evaluate(() => [document.title,
                document.getElementById('state-text').textContent, document.activeElement.id,
                document.getElementById('window').className]);
            assert.deepEqual(ended, ['Tavrilo: программа завершена', 'Программа завершена.',
                'again', 'gone']);
        });

        test('after Exit the live region says nothing', async () => {
            assert.equal(await news(session.page), '');
        });
    });
}

// What a screen reader finds in Chromium's accessibility tree: the controls with their roles and
// Russian names, in the desktop's tab order, and the whole drill done through them, its nodes
// pressed and typed into as a screen reader does. (Firefox's tree, which WebDriver BiDi does not
// show inside Qt's shadow root, is checked on AT-SPI by tst_atspi.py.)
inBrowser('chromium: a screen reader', 'chromium', {}, (session) => {
    const all = (node) => [node, ...(node.children ?? []).flatMap(all)];
    const tree = async (options) => all(await session.page.accessibility.snapshot(options));
    const texts = async () => (await tree()).filter((n) => n.role === 'StaticText').map((n) => n.name);
    // A caption as the tree reads it, its spaces run together.
    const caption = (meaning) => controls[meaning].text.replace(/\s+/g, ' ');
    const element = (role, meaning) =>
        session.page.$(`::-p-aria([name="${nameOf(meaning)}"][role="${role}"])`);
    // As a screen reader's default action does: a click on the element itself, not on the
    // canvas drawn over it.
    const press = async (meaning) => (await element('button', meaning)).evaluate((e) => e.click());
    let first; // the tree as the page opened
    before(async () => {
        // The page has the browser's focus, as the window a screen reader works in has.
        await emulateFocus(session.page);
        first = await tree();
    });

    test('the controls, in the tab order, with their roles and Russian names', () => {
        const roles = { button: 'button', answerBox: 'textbox', plane: 'image' };
        const interactive = first.filter((n) => Object.values(roles).includes(n.role))
            .filter((n) => n.name) // not Qt's own keyboard element, unnamed while a button has it
            .map((n) => [n.role, n.name]);
        assert.deepEqual(interactive,
            described.tabOrder.map((m) => [roles[controls[m].kind], nameOf(m)]));
    });

    test('the captions and the instruction are there to read', () => {
        const read = first.filter((n) => n.role === 'StaticText').map((n) => n.name);
        for (const meaning of ['questionCaption', 'mistakeCaption', 'xCaption', 'yCaption',
            'instruction'])
            assert.ok(read.includes(caption(meaning)), `no "${caption(meaning)}" in ${read}`);
    });

    test('the keyboard starts on Начало', () => {
        assert.equal(first.find((n) => n.focused)?.name, nameOf('start'));
    });

    // The drill through the tree: press, type, accept, hear, move on, the box, Exit.
    test('Начало pressed through the tree starts', async () => {
        await press('start');
        assert.equal(await heard(session.page, newPoint(1)), newPoint(1));
    });

    test('the count of points is read beside its caption', async () => {
        const read = (await texts()).join('|');
        assert.ok(read.includes(`${caption('questionCaption')}|1`), read);
    });

    for (const [meaning, text] of [['xAnswer', '9'], ['yAnswer', '9']]) {
        test(`the field "${nameOf(meaning)}" keeps its name where the keyboard is`, async () => {
            const { page } = session;
            await (await element('textbox', meaning)).focus();
            assert.equal(await page.evaluate(() => document.activeElement.getAttribute('aria-label')),
                nameOf(meaning));
            await page.keyboard.type(text);
        });
    }

    test('the verdict is heard', async () => {
        await press('accept');
        assert.equal(await heard(session.page, 'Ошибка'), 'Ошибка');
    });

    test('the mistake is counted where it is read', async () => {
        const read = (await texts()).join('|');
        assert.ok(read.includes(`${caption('mistakeCaption')}|1`), read);
    });

    test('the next point is heard', async () => {
        await press('nextPoint');
        assert.equal(await heard(session.page, newPoint(2)), newPoint(2));
    });

    test('the box\'s question is heard', async () => {
        await (await element('textbox', 'xAnswer')).focus();
        await session.page.keyboard.type('1');
        await press('nextPoint');
        assert.equal(await heard(session.page, question), question);
    });

    test('the box\'s button has the keyboard', async () => {
        const onOk = (await tree({ interestingOnly: false })).filter((n) => n.focused)
            .map((n) => `${n.role} ${n.name}`);
        assert.ok(onOk.some((n) => /^button /.test(n)), `the keyboard is on ${onOk}`);
    });

    test('Enter closes the box and its question goes', async () => {
        const { page } = session;
        await page.keyboard.press('Enter');
        await settled(page.waitForFunction(() => !document.getElementById('news').textContent,
            { timeout: 5000 }));
        assert.equal(await news(page), '');
    });

    test('Выход pressed through the tree ends the program', async () => {
        const { page } = session;
        await press('exit');
        await settled(page.waitForFunction(() => document.title !== 'Tavrilo', { timeout: 10000 }));
        assert.equal(await page.title(), 'Tavrilo: программа завершена');
    });
});

// A tablet or phone: touch, the user agent and platform such a device reports, and what its
// on-screen keyboard sends: key presses, inserted text (predictive text, dictation) and composed
// text. Each reaches its answer box exactly once. Safari on an iPad asks for pages as a Mac would,
// with touch; on an iPhone as itself.
const ios = 'AppleWebKit/605.1.15 (KHTML, like Gecko) Version/18.0';
const devices = {
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
};
for (const [device, settings] of Object.entries(devices)) {
    inBrowser(`${device}: an on-screen keyboard`, 'chromium', {
        viewport: { width: 1024, height: 768, hasTouch: settings.touchPoints > 0,
            isMobile: settings.mobile },
        before: (page) => emulateDevice(page, settings),
    }, (session) => {
        const tap = async (meaning) => {
            const p = at(session.window, meaning);
            await session.page.touchscreen.tap(p.x, p.y);
        };
        // Qt's element for the keyboard: what the on-screen keyboard is shown for.
        const keyboard = () => session.page.evaluate(() => {
            const inputs = [...document.body.children].filter((e) => 'data-qinputcontext' in e);
            const input = inputs.find((e) => e === document.activeElement) ?? inputs[0];
            return { focused: document.activeElement === input, mode: input.inputMode,
                name: input.getAttribute('aria-label'), corrections: input.getAttribute('autocorrect') };
        });

        test('a tap on a button brings up no keyboard', async () => {
            await tap('start');
            const shown = await keyboard();
            assert.ok(!shown.focused || shown.mode === 'none', JSON.stringify(shown));
        });

        test('a tap on an answer box brings up the text keyboard, no corrections', async () => {
            await tap('xAnswer');
            assert.deepEqual(await keyboard(),
                { focused: true, mode: 'text', name: nameOf('xAnswer'), corrections: 'off' });
        });

        test('inserted, typed and composed text each arrive once', async () => {
            const { page } = session;
            await insertText(page, '-3');
            await page.keyboard.type('5'); // a key press too
            await tap('yAnswer');
            for (const [composing, committed] of [[['2'], '2'], [['1', '15'], '15']]) {
                for (const text of composing) await compose(page, text);
                await insertText(page, committed);
            }
            await tap('accept');
            await heard(page, 'Ошибка', 10000);
            assert.deepEqual([await answer(page, 'xAnswer'), await answer(page, 'yAnswer')],
                ['-35', '215']);
        });
    });
}

// A learner quicker than the download: the rest of the program, which the page fetches while the
// window opens, has not come when the drill begins (the page's own fetch of it held back), and the
// page fetches it there and then; it is kept for offline use all the same.
inBrowser('chromium: a learner quicker than the download', 'chromium', {
    viewport: { width: 1024, height: 768 },
    before: (page) => page.evaluateOnNewDocument(() => {
        const fetchNow = globalThis.fetch;
        globalThis.fetch = (file, options) => (String(file).endsWith('.deferred.wasm')
            ? new Promise((resolve) => setTimeout(resolve, 600000)) : Promise.resolve())
            .then(() => fetchNow(file, options));
    }),
}, (session) => {
    test('the drill starts and judges an answer at once', async () => {
        const { page } = session;
        await page.keyboard.press(' ');
        assert.equal(await heard(page, newPoint(1)), newPoint(1));
        const order = described.tabOrder;
        for (let i = order.indexOf('start'); i < order.indexOf('xAnswer'); ++i)
            await page.keyboard.press('Tab');
        await page.keyboard.type('9');
        await page.keyboard.press('Tab');
        await page.keyboard.type('8');
        await page.keyboard.down('Shift');
        for (let i = order.indexOf('yAnswer'); i > order.indexOf('accept'); --i)
            await page.keyboard.press('Tab');
        await page.keyboard.up('Shift');
        await page.keyboard.press(' ');
        assert.equal(await heard(page, 'Ошибка'), 'Ошибка');
    });

    test('the rest of the program is kept for offline use', async () => {
        const kept = await session.page.waitForFunction(async () => {
            const keys = await caches.keys();
            return keys.length && (await caches.open(keys[0])).match('tavrilo.deferred.wasm')
                .then((response) => response?.arrayBuffer()).then((bytes) => bytes?.byteLength);
        }, { timeout: 30000 });
        assert.equal(await kept.jsonValue(),
            statSync(path.join(site, 'tavrilo.deferred.wasm')).size);
    });
});

// A phone held upright asks to be turned; held sideways it shows the whole window, legible, and
// a tap lands where it is drawn.
for (const [width, height] of [[390, 844], [844, 390]]) {
    inBrowser(`a ${width} x ${height} phone`, 'chromium',
        { before: (page) => emulatePhone(page, { width, height }) }, (session) => {
            const seen = () => session.page.evaluate(() => {
                const r = document.getElementById('window').getBoundingClientRect();
                const v = visualViewport;
                const turn = document.getElementById('turn');
                return { box: [r.left - v.offsetLeft, r.top - v.offsetTop, r.right - v.offsetLeft,
                    r.bottom - v.offsetTop].map((c) => Math.round(c * v.scale)), scale: v.scale,
                windowShown: getComputedStyle(document.querySelector('main')).visibility !== 'hidden',
                turn: getComputedStyle(turn).display !== 'none' ? turn.textContent : '' };
            });
            if (width < height) {
                test('the page asks to turn the phone, the window waits unseen', async () => {
                    const s = await seen();
                    assert.ok(s.turn.startsWith('Поверните телефон') && !s.windowShown,
                        JSON.stringify(s));
                });
                return;
            }
            test('the whole window in view, its text at least 0.7 of its size', async () => {
                const s = await seen();
                assert.ok(s.box[0] >= 0 && s.box[1] >= 0 && s.box[2] <= width &&
                    s.box[3] <= height && s.scale >= 0.7 && s.windowShown && !s.turn,
                JSON.stringify(s));
            });
            test('a tap on Начало starts', async () => {
                const p = at(session.window, 'start');
                await session.page.touchscreen.tap(p.x, p.y);
                assert.equal(await heard(session.page, newPoint(1)), newPoint(1));
            });
            test('turned upright and back with the message box open, Enter still closes it',
                async () => {
                    const { page } = session;
                    const tap = async (meaning) => {
                        const p = at(session.window, meaning);
                        await page.touchscreen.tap(p.x, p.y);
                    };
                    await tap('xAnswer');
                    await insertText(page, '1');
                    await tap('nextPoint');
                    assert.equal(await heard(page, question), question);
                    const upright = (turned) => page.waitForFunction((turned) =>
                        document.documentElement.classList.contains('upright') === turned,
                    { timeout: 10000 }, turned);
                    await emulatePhone(page, { width: height, height: width });
                    await upright(true);
                    await emulatePhone(page, { width, height });
                    await upright(false);
                    await page.keyboard.press('Enter');
                    await settled(page.waitForFunction(
                        () => !document.getElementById('news').textContent, { timeout: 5000 }));
                    assert.equal(await news(page), '');
                });
        });
}

// Whatever the browser window's size, every part of the window can be scrolled to, and a click
// there lands where it is drawn: half a laptop's screen, a small window, a browser zoomed in (a
// 1366 px screen at 200 %).
for (const kind of ['chromium', 'firefox']) {
    for (const [width, ratio] of [[683, 1], [500, 1], [683, 2]]) {
        if (kind === 'firefox' && ratio !== 1) continue; // Firefox's driver sets no ratio
        inBrowser(`${kind}: a browser window ${width} px wide${ratio > 1 ? ', zoomed in' : ''}`,
            kind, { viewport: { width, height: 600, deviceScaleFactor: ratio } }, (session) => {
                test('every part of the window can be scrolled to, and clicks land there',
                    async () => {
                        const { page } = session;
                        const reach = () => page.evaluate(() => {
                            const r = document.getElementById('window').getBoundingClientRect();
                            return { left: r.left + scrollX, right: r.right + scrollX,
                                top: r.top + scrollY, scrollWidth: document.documentElement.scrollWidth };
                        });
                        const r = await reach();
                        assert.ok(r.left >= 0 && r.top >= 0 && r.right <= r.scrollWidth,
                            JSON.stringify(r));
                        // The right end: the counters, then Start at the left end again.
                        for (const [meaning, heardNow] of [['exit', null], ['start', newPoint(1)]]) {
                            const c = controls[meaning];
                            await page.evaluate((x) => scrollTo(x, 0), meaning === 'exit'
                                ? r.scrollWidth : 0);
                            if (!heardNow) continue;
                            const place = await page.evaluate(() => {
                                const w = document.getElementById('window').getBoundingClientRect();
                                return { x: w.x, y: w.y };
                            });
                            await page.mouse.click(place.x + c.x + c.width / 2,
                                place.y + c.y + c.height / 2);
                            assert.equal(await heard(page, heardNow), heardNow);
                        }
                    });
                if (kind !== 'chromium' || ratio !== 1 || width !== 683) return;
                test('the background is the drawing for the screen, also once zoomed in',
                    async () => {
                        // Where only the background shows: the title, and the margin left of
                        // the controls, which every row of the drawing crosses (the page decodes
                        // it row by row). Read until the window shows the drawing, for a while at
                        // most: the window's canvas may be read while a frame of the test before
                        // is still being drawn.
                        const { page } = session, parts = [[185, 9, 307, 30], [0, 0, 62, 487]];
                        const unlike = async (file) => {
                            let share = 1;
                            for (let wait = 0; wait < 50 && share >= 0.01; ++wait) {
                                if (wait) await sleep(200);
                                const shares = [];
                                for (const part of parts)
                                    shares.push(await unlikeDrawing(page, file, part));
                                share = Math.max(...shares);
                            }
                            return share;
                        };
                        const coarse = await unlike('background.png');
                        assert.ok(coarse < 0.01, `${coarse} of the pixels differ`);
                        // The finer drawing, fetched once asked for, replaces the coarse one.
                        // (DevTools' new ratio comes without the resize that a browser's zoom
                        // brings, which Qt learns of it by.)
                        await page.setViewport({ width, height: 600, deviceScaleFactor: 2 });
                        await page.evaluate(() => dispatchEvent(new Event('resize')));
                        const fine = await unlike('background@2x.png');
                        assert.ok(fine < 0.01, `${fine} of the pixels differ`);
                    });
            });
    }
}

// A paste of any length keeps the window in view: nothing a learner pastes widens or scrolls the
// page (Firefox never did; Chromium brought Qt's keyboard element into view where the caret of
// the long line would lie).
inBrowser('chromium: a paste of 20,000 characters', 'chromium',
    { viewport: { width: 1024, height: 768 } }, (session) => {
        test('neither widens nor scrolls the page', async () => {
            const { page, window } = session;
            const click = async (meaning) => {
                const p = at(window, meaning);
                await page.mouse.click(p.x, p.y);
            };
            await page.browserContext().overridePermissions(server.url,
                ['clipboard-read', 'clipboard-write', 'clipboard-sanitized-write']);
            await click('start');
            await click('xAnswer');
            await page.evaluate(() => navigator.clipboard.writeText('7'.repeat(20000)));
            await page.keyboard.down('Control');
            await page.keyboard.press('v');
            await page.keyboard.up('Control');
            await click('yAnswer');
            // Once the keyboard is the y box's, where the browser would have scrolled.
            await page.waitForFunction((name) =>
                document.activeElement.getAttribute('aria-label') === name, { timeout: 10000 },
            nameOf('yAnswer'));
            assert.deepEqual(await page.evaluate(() => ({ wider: document.documentElement.scrollWidth >
                innerWidth, scrolled: scrollX })), { wider: false, scrolled: 0 });
            assert.equal((await answer(page, 'xAnswer')).length, 10000);
        });
    });

// What a first visit downloads: each file once, whatever the host sends and the browser keeps of
// its own: the page hands the service worker what it fetched before the worker was in charge.
// Then the page opens from its offline copy, with the host gone.
const hosts = {
    'from a host that sends precompressed copies': { args: [] },
    'in a private window, from a host that sends the files as they are and asks to revalidate them':
        { args: ['--plain', '--cache-control=max-age=0, must-revalidate'], private: true },
    'in a private window, from a host that forbids keeping them':
        { args: ['--plain', '--cache-control=no-store'], private: true },
};
for (const [host, { args, private: privately }] of Object.entries(hosts)) {
    describe(`a first visit ${host}`, () => {
        const log = path.join(mkdtempSync(path.join(tmpdir(), 'tavrilo-web-')), 'server.log');
        let own, browser, page;
        before(async () => {
            own = await serve(site, { log, args });
            browser = await launch('chromium');
            ({ page } = await openPage(privately ? await browser.createBrowserContext() : browser,
                own.url));
        });
        after(async () => {
            await browser?.close();
            await own?.stop();
        });

        test('keeps what the page needs offline, each file downloaded once', async () => {
            await page.evaluate(() => navigator.serviceWorker.ready);
            await page.waitForFunction(() => navigator.serviceWorker.controller, { timeout: 30000 });
            const needed = ['/', '/page.js', '/page.css', '/tavrilo.js', '/tavrilo.wasm',
                '/tavrilo.deferred.wasm', '/background.png'];
            await settled(page.waitForFunction(async (needed) => {
                const cache = await caches.open((await caches.keys())[0]);
                const kept = (await cache.keys()).map((request) => new URL(request.url).pathname);
                return needed.every((file) => kept.includes(file));
            }, { timeout: 30000 }, needed));
            const kept = await page.evaluate(async () => {
                const cache = await caches.open((await caches.keys())[0]);
                return (await cache.keys()).map((request) => new URL(request.url).pathname);
            });
            assert.deepEqual(needed.filter((file) => !kept.includes(file)), [], 'not kept');
            const bodies = {};
            for (const [, file, status] of
                readFileSync(log, 'utf8').matchAll(/"GET ([^ ]+) HTTP\/[\d.]+" (\d+)/g))
                if (status === '200') bodies[file] = (bodies[file] ?? 0) + 1;
            assert.deepEqual(Object.entries(bodies).filter(([, n]) => n > 1), [],
                JSON.stringify(bodies));
            assert.equal(bodies['/tavrilo.wasm'], 1, JSON.stringify(bodies));
        });

        test('opens again with the host gone', async () => {
            await own.stop();
            await page.reload();
            await started(page);
            assert.equal(await page.evaluate(() => document.getElementById('window').className), '');
        });
    });
}

describe('a published copy', () => {
    let own, browser, page;
    before(async () => {
        own = await serve(site);
        browser = await launch('chromium');
        ({ page } = await openPage(browser, own.url));
    });
    after(async () => {
        await browser?.close();
        await own?.stop();
    });

    test('comes with the headers a published copy should send', async () => {
        const response = await fetch(own.url, { headers: { 'Accept-Encoding': 'br' } });
        const policy = response.headers.get('content-security-policy') ?? '';
        // Nothing from any other host, no framing, no plugins.
        assert.ok(["frame-ancestors 'none'", "default-src 'self'", "object-src 'none'"]
            .every((rule) => policy.includes(rule)) && !/\*|https?:/.test(policy), policy);
        assert.equal(response.headers.get('x-content-type-options'), 'nosniff');
        assert.equal(response.headers.get('referrer-policy'), 'no-referrer');
    });

    test('the program comes precompressed where the browser accepts it', async () => {
        const wasm = await fetch(`${own.url}tavrilo.wasm`, { headers: { 'Accept-Encoding': 'br' } });
        assert.equal(wasm.headers.get('content-encoding'), 'br');
        assert.equal(wasm.headers.get('content-type'), 'application/wasm');
    });

    test('installable as an app', async () => {
        assert.deepEqual(await installabilityErrors(page), []);
    });
});

// Kept after a first visit, the page's files give way to a new version as a whole: a copy of the
// site is visited, then changed as a new build changes it (the program's script and its
// precompressed copies, and so the version in sw.js); at the next visits the page runs the new
// script, and only the new version is kept.
test('a new version replaces the kept files', async () => {
    const copy = mkdtempSync(path.join(tmpdir(), 'tavrilo-site-'));
    cpSync(site, copy, { recursive: true });
    const own = await serve(copy);
    const browser = await launch('chromium');
    try {
        const { page } = await openPage(browser, own.url);
        await page.evaluate(() => navigator.serviceWorker.ready);
        const kept = () => page.evaluate(() => caches.keys().then((keys) => keys.join(' ')));
        const old = await kept();
        appendFileSync(path.join(copy, 'tavrilo.js'), 'document.body.dataset.version = "new";\n');
        rmSync(path.join(copy, 'tavrilo.js.br'));
        rmSync(path.join(copy, 'tavrilo.js.gz'));
        const sw = path.join(copy, 'sw.js');
        writeFileSync(sw, readFileSync(sw, 'utf8').replace(old, `${old}-new`));
        for (const suffix of ['.br', '.gz']) rmSync(sw + suffix);
        await page.reload();
        await started(page);
        await settled(page.waitForFunction((name) => caches.keys()
            .then((keys) => keys.join(' ') === name), { timeout: 60000 }, `${old}-new`));
        await page.reload();
        await started(page);
        const script = await page.evaluate(() => document.body.dataset.version);
        assert.deepEqual({ kept: await kept(), script }, { kept: `${old}-new`, script: 'new' });
    } finally {
        await browser.close();
        await own.stop();
        rmSync(copy, { recursive: true, force: true });
    }
});
