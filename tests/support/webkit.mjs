// WebKitGTK, the engine of Safari, for the web checks and the benchmark: Debian's WebKitWebDriver
// drives webkit-shell.py (a bare window around Debian's WebKitGTK) through selenium-webdriver,
// over classic WebDriver. Puppeteer cannot drive WebKit; so that a session written once runs in
// all three browsers, what is here answers to the part of puppeteer's Browser and Page that the
// checks use: pages(), close() and 'disconnected'; goto, evaluate, waitForFunction, title,
// mouse, keyboard, touchscreen, screenshot, setViewport, and 'console' and 'error' events.
//
// The shell needs a display (tests/support/x-session gives one): this WebKit has no headless
// mode. What the page says on its console comes on the standard error of the shell's WebKit,
// through the driver's.
import { spawn } from 'node:child_process';
import { EventEmitter, once } from 'node:events';
import { writeFileSync } from 'node:fs';
import { createServer } from 'node:net';
import path from 'node:path';
import { createInterface } from 'node:readline';
import { fileURLToPath } from 'node:url';
import { Builder, Key } from 'selenium-webdriver';
import { Button, Origin, Pointer } from 'selenium-webdriver/lib/input.js';

const here = path.dirname(fileURLToPath(import.meta.url));
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// A free port on 127.0.0.1 for the driver, which takes one on its command line.
async function freePort() {
    const server = createServer().listen(0, '127.0.0.1');
    await once(server, 'listening');
    const { port } = server.address();
    server.close();
    await once(server, 'close');
    return port;
}

// Puppeteer's names of keys (the KeyboardEvent's key or code) as WebDriver sends them.
const keys = { Tab: Key.TAB, Enter: Key.ENTER, Escape: Key.ESCAPE, Backspace: Key.BACK_SPACE,
    Shift: Key.SHIFT, Control: Key.CONTROL, Alt: Key.ALT, ArrowLeft: Key.ARROW_LEFT,
    ArrowRight: Key.ARROW_RIGHT, ArrowUp: Key.ARROW_UP, ArrowDown: Key.ARROW_DOWN,
    Delete: Key.DELETE, Home: Key.HOME, End: Key.END };
const key = (name) => keys[name] ?? (/^Key[A-Z]$/.test(name) ? name.slice(3).toLowerCase() : name);

// A line the shell's WebKit writes for a console message: "[URL:LINE:COLUMN: ]CONSOLE [SOURCE ]
// LEVEL text", the source left out for the page's own calls of console; as {type, text} in
// puppeteer's words.
const consoleLine = /^(?:(\S+:\d+:\d+): )?CONSOLE (?:(\w+) )?(LOG|DEBUG|INFO|WARN|ERROR) (.*)$/;
const levels = { LOG: 'log', DEBUG: 'debug', INFO: 'info', WARN: 'warn', ERROR: 'error' };

export class TimeoutError extends Error {}

class Page extends EventEmitter {
    constructor(driver) {
        super();
        this.driver = driver;
        const act = (build) => build(driver.actions({ async: true })).perform();
        const at = (x, y) => ({ x: Math.round(x), y: Math.round(y), duration: 0,
            origin: Origin.VIEWPORT });
        let pointer = { x: 0, y: 0 };
        this.mouse = {
            move: async (x, y, { steps = 1 } = {}) => {
                const from = pointer;
                for (let i = 1; i <= steps; ++i) {
                    await act((a) => a.move(at(from.x + (x - from.x) * i / steps,
                        from.y + (y - from.y) * i / steps)));
                }
                pointer = { x, y };
            },
            down: () => act((a) => a.press(Button.LEFT)),
            up: () => act((a) => a.release(Button.LEFT)),
            click: async (x, y) => {
                pointer = { x, y };
                await act((a) => a.move(at(x, y)).press(Button.LEFT).release(Button.LEFT));
            },
        };
        this.keyboard = {
            down: (name) => act((a) => a.keyDown(key(name))),
            up: (name) => act((a) => a.keyUp(key(name))),
            press: (name) => act((a) => a.keyDown(key(name)).keyUp(key(name))),
            type: (text) => act((a) => a.sendKeys(text)),
        };
        this.touchscreen = {
            tap: async (x, y) => {
                const finger = new Pointer('finger', Pointer.Type.TOUCH);
                await driver.actions({ async: true }).insert(finger, finger.move(at(x, y)),
                    finger.press(), finger.release()).perform();
            },
        };
    }

    goto(url) { return this.driver.get(url); }
    reload() { return this.driver.navigate().refresh(); }
    title() { return this.driver.getTitle(); }
    url() { return this.driver.getCurrentUrl(); }

    // A function with its arguments, or the source of an expression, as puppeteer takes them.
    evaluate(fn, ...args) {
        return typeof fn === 'function'
            ? this.driver.executeScript(`return (${fn}).apply(null, arguments);`, ...args)
            : this.driver.executeScript(`return (${fn});`);
    }

    // Asks again until the function gives something true, every animation frame as puppeteer
    // does, and answers as puppeteer's handle does.
    async waitForFunction(fn, { timeout = 30000 } = {}, ...args) {
        const deadline = Date.now() + timeout;
        const frame = () => new Promise((resolve) => requestAnimationFrame(() => resolve()));
        for (;;) {
            const value = await this.evaluate(fn, ...args);
            if (value) return { jsonValue: async () => value };
            if (Date.now() > deadline) throw new TimeoutError(`waiting for ${fn} failed: timeout`);
            await this.evaluate(frame);
        }
    }

    async setViewport({ width, height }) {
        await this.driver.manage().window().setRect({ width, height });
    }

    async screenshot({ path: file }) {
        writeFileSync(file, await this.driver.takeScreenshot(), 'base64');
    }
}

class Browser extends EventEmitter {
    constructor(driver, server, page) {
        super();
        this.driver = driver;
        this.server = server;
        this.page = page;
    }
    async pages() { return [this.page]; }
    async newPage() { return this.page; }
    process() { return this.server; }

    async close() {
        if (this.server.exitCode !== null) return;
        await this.driver.quit().catch(() => {});
        this.server.kill();
        if (this.server.exitCode === null) await once(this.server, 'exit');
    }
}

// Starts WebKitWebDriver and, through it, the shell: a Browser with its one page. language is
// what the page is asked in; proxy where requests to other hosts go; url opens at once.
export async function launchWebKit({ language = 'ru', proxy, url } = {}) {
    if (!process.env.DISPLAY)
        throw new Error('WebKit needs a display: run this in tests/support/x-session');
    const port = await freePort();
    const server = spawn('/usr/bin/WebKitWebDriver', [`--port=${port}`, '--host=127.0.0.1'],
        { stdio: ['ignore', 'pipe', 'pipe'] });
    // What the driver, the shell and WebKit's processes say, on either stream: WebKit writes the
    // console on standard error. Whatever is no console message goes on to this one's.
    const lines = [];
    const heard = new EventEmitter();
    for (const stream of [server.stdout, server.stderr]) {
        createInterface({ input: stream }).on('line', (line) => {
            lines.push(line);
            if (!consoleLine.test(line)) process.stderr.write(`${line}\n`);
            heard.emit('line', line);
        });
    }
    // The driver says nothing once it listens; it is asked until it answers.
    const deadline = Date.now() + 30000;
    for (;;) {
        if (server.exitCode !== null) throw new Error(`WebKitWebDriver ended: ${lines.join('\n')}`);
        const ready = await fetch(`http://127.0.0.1:${port}/status`)
            .then((r) => r.ok, () => false);
        if (ready) break;
        if (Date.now() > deadline) throw new Error('WebKitWebDriver did not start');
        await sleep(100);
    }
    const driver = await new Builder().usingServer(`http://127.0.0.1:${port}`).withCapabilities({
        browserName: 'tavrilo-webkit',
        'webkitgtk:browserOptions': {
            binary: path.join(here, 'webkit-shell.py'),
            args: ['--automation', `--language=${language}`, ...(proxy ? [`--proxy=${proxy}`] : [])],
        },
    }).build();
    const page = new Page(driver);
    const browser = new Browser(driver, server, page);
    heard.on('line', (line) => {
        const message = consoleLine.exec(line);
        if (message) {
            const [, where, source, level, text] = message;
            const said = `${text}${source && source !== 'JS' ? ` (${source.toLowerCase()})` : ''}` +
                `${where ? ` at ${where}` : ''}`;
            page.emit('console', { type: () => levels[level], text: () => said });
        } else if (line.startsWith('tavrilo-webkit: ')) {
            page.emit('error', new Error(line.slice('tavrilo-webkit: '.length)));
        }
    });
    server.on('exit', () => browser.emit('disconnected'));
    if (url) await page.goto(url);
    return browser;
}
