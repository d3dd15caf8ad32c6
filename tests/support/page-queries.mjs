// What the web page shows, as the checks and the web benchmark read it: where the window's
// controls lie on the page, and what the page and Qt's elements in it say. Any browser: these
// use nothing but the page's own document.
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));

// The window as window.json describes it, which the C++ tests hold the program to.
export const described = JSON.parse(readFileSync(path.join(here, 'window.json'), 'utf8'));
// Its controls by what each is in the drill, as described, with where each lies in the window:
// meaning -> {objectName, text, ..., x, y, width, height, centre: {x, y}}.
export const controls = Object.fromEntries(Object.entries(described.controls)
    .map(([meaning, control]) => {
        const [x, y, width, height] = control.rect;
        return [meaning, { ...control, x, y, width, height,
            centre: { x: x + Math.floor(width / 2), y: y + Math.floor(height / 2) } }];
    }));
// What a screen reader calls a control: its text, unless the description names it otherwise.
export const nameOf = (meaning) => controls[meaning].accessibleName ?? controls[meaning].text;

// Where a control of the window lies on the page (CSS px), the window being at `window`.
export const at = (window, meaning) =>
    ({ x: window.x + controls[meaning].centre.x, y: window.y + controls[meaning].centre.y });

// Waits until the program runs in the page, and says where its window lies.
export async function started(page) {
    await page.waitForFunction(() => document.getElementById('state').hidden ||
        document.getElementById('window').className === 'gone', { timeout: 120000 });
    return page.evaluate(() => {
        const r = document.getElementById('window').getBoundingClientRect();
        return { x: r.x, y: r.y };
    });
}

// The element that has the keyboard, through the shadow roots Qt draws in: 'TAG#id.class' for
// each level, outermost first.
export function focused(page) {
    return page.evaluate(() => {
        const path = [];
        for (let e = document.activeElement; e; e = e.shadowRoot?.activeElement)
            path.push(e.tagName + (e.id ? '#' + e.id : ''));
        return path.join(' > ');
    });
}

// What the page's live region says now.
export const news = (page) => page.evaluate(() => document.getElementById('news').textContent);

// Waits until the live region says the news; what it last said.
export async function heard(page, expected, timeout = 20000) {
    try {
        await page.waitForFunction((text) => document.getElementById('news').textContent === text,
            { timeout }, expected);
    } catch {
        // What was said instead is the answer.
    }
    return news(page);
}

// Qt draws its windows in a shadow root on the page, each in a .qt-window, the program's first
// and an open message box last. A query of them runs in the page from its source, where nothing
// of this module is: inQt(fn, ...args) is the source that calls fn({root, windows}, ...args) there,
// for page.evaluate and page.waitForFunction.
const inQt = (fn, ...args) => `(${fn})((() => {
    const root = document.querySelector('#window div').shadowRoot;
    const windows = [...root.querySelectorAll('.qt-window')].filter((w) => w.style.display !== 'none');
    return { root, windows };
})(), ...${JSON.stringify(args)})`;

// The share of the pixels that differ, in a part of the window at [x, y, width, height] (window
// px) that only its background shows, between the window as drawn at the screen's ratio and the
// drawing in the page's file (background.png, background@2x.png), as the browser decodes it.
export const unlikeDrawing = (page, file, rect) => page.evaluate(inQt(
    async ({ windows }, file, rect) => {
        const [x, y, width, height] = rect.map((v) => Math.round(v * devicePixelRatio));
        const drawing = await createImageBitmap(await (await fetch(file)).blob(),
            { premultiplyAlpha: 'none', colorSpaceConversion: 'none' });
        const read = (source) => {
            const copy = document.createElement('canvas');
            [copy.width, copy.height] = [width, height];
            const context = copy.getContext('2d', { willReadFrequently: true });
            context.drawImage(source, x, y, width, height, 0, 0, width, height);
            return context.getImageData(0, 0, width, height).data;
        };
        const [shown, drawn] = [read(windows[0].querySelector('canvas')), read(drawing)];
        let unlike = 0;
        for (let i = 0; i < shown.length; i += 4) {
            if ([0, 1, 2].some((c) => Math.abs(shown[i + c] - drawn[i + c]) > 2)) ++unlike;
        }
        return unlike / (width * height);
    }, file, rect));

// What an answer box holds, as the page's element for it has it (what a screen reader reads).
export const answer = (page, meaning) => page.evaluate(inQt(({ root }, name) =>
    root.querySelector(`[id$="${name}"]`)?.value ?? '', controls[meaning].objectName));

// Where the open message box and the window lie, [left, top, right, bottom] in CSS px of the page,
// and how many of Qt's windows show.
export const boxPlace = (page) => page.evaluate(inQt(({ windows }) => {
    const rect = (e) => { const r = e.getBoundingClientRect(); return [r.left, r.top, r.right, r.bottom]; };
    return { count: windows.length, box: windows.length > 1 ? rect(windows.at(-1)) : null,
        window: rect(document.getElementById('window')) };
}));

// Whether the open message box has the keyboard: the element of one of its controls, which Qt
// names by the box's path, has the browser's focus.
export const boxHasKeyboard = inQt(({ root }) =>
    document.activeElement === root.host && Boolean(root.activeElement?.id.includes('QMessageBox')));

// For page.waitForFunction: where the open message box's button is (CSS px), once there is a box;
// its one button sits at the middle of its bottom edge.
export const boxButton = inQt(({ windows }) => {
    if (windows.length < 2) return null;
    const r = windows.at(-1).querySelector('.qt-window-contents').getBoundingClientRect();
    return { x: r.x + r.width / 2, y: r.bottom - 26 };
});

// The picture in the open message box's title bar, as the data its image element shows.
export const boxIcon = (page) => page.evaluate(inQt(({ windows }) =>
    windows.length > 1 ? windows.at(-1).querySelector('.title-bar img')?.src ?? '' : null));

// For page.waitForFunction: the open message box's colour [r, g, b] near its corner, once it is
// painted (the box is told of before its first frame is drawn). Read through a copy: a canvas read
// again and again makes Chromium complain.
export const boxFace = inQt(({ windows }) => {
    if (windows.length < 2) return null;
    const copy = document.createElement('canvas').getContext('2d');
    copy.drawImage(windows.at(-1).querySelector('canvas'), 4, 4, 1, 1, 0, 0, 1, 1);
    const pixel = copy.getImageData(0, 0, 1, 1).data;
    return pixel[3] && [...pixel.slice(0, 3)];
});
