#!/usr/bin/env node
// The web page in a browser, for its checks and its benchmark: Debian's Chromium or Firefox ESR,
// driven by puppeteer-core (Chromium over the DevTools protocol, Firefox over WebDriver BiDi), or
// Debian's WebKitGTK, driven through WebKitWebDriver as webkit.mjs says, with the same calls;
// the page served on 127.0.0.1 by serve.py. The browsers keep to themselves, so that only
// the page could ask anything of another host: no first-run pages, updates, reports, remote
// settings or sign-in.
//
// Run as a program it shows the page for the end-to-end test and the screen reader check, which
// work it through the X screen and AT-SPI:
//   browser.mjs chromium|firefox|webkit SITE FOLDER
// on DISPLAY, at a device pixel ratio of 1, Chromium in a window of its own in Russian, Firefox
// in full screen in English, WebKit in a bare window in Russian. It runs until the browser ends. On SIGUSR1 it stops the server, to
// let the test see the page open without it, and then creates FOLDER/server-stopped. FOLDER
// receives the server's log and elsewhere.log: one line for each request the browser made of any
// host but 127.0.0.1, which the server's trap proxy refused.
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { writeFileSync } from 'node:fs';
import path from 'node:path';
import { createInterface } from 'node:readline';
import { fileURLToPath, pathToFileURL } from 'node:url';
import puppeteer from 'puppeteer-core';
import { started } from './page-queries.mjs';
import { launchWebKit } from './webkit.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Serves the folder as a static host would: {url, proxy, stop()}; with trapLog, also a proxy
// that refuses and records every request made through it; args go to serve.py (--plain,
// --cache-control, --link: hosts of other kinds).
export async function serve(site, { log = '/dev/null', trapLog, args = [] } = {}) {
    const server = spawn('python3', [path.join(here, 'serve.py'), site, '--port=0', '--log', log,
        ...(trapLog ? ['--trap-log', trapLog] : []), '--die-with-parent', ...args],
    { stdio: ['ignore', 'pipe', 'inherit'] });
    // Its addresses, a line each; its output is read to the end, so that it never writes into
    // a closed pipe.
    const lines = [];
    await new Promise((resolve, reject) => {
        createInterface({ input: server.stdout }).on('line', (line) => {
            lines.push(line);
            if (lines.length === (trapLog ? 2 : 1)) resolve();
        });
        server.on('exit', () => reject(new Error('the server did not start')));
    });
    return {
        url: lines[0], proxy: lines[1], process: server,
        async stop() {
            if (server.exitCode !== null || server.signalCode !== null) return; // ended already
            server.kill();
            await once(server, 'exit');
        },
    };
}

const chromiumFlags = [
    '--force-device-scale-factor=1', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
    '--no-first-run', '--no-default-browser-check', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--disable-domain-reliability',
    '--disable-client-side-phishing-detection', '--disable-extensions', '--disable-default-apps',
    '--no-pings', '--disable-field-trial-config', '--test-type',
    '--disable-features=Translate,OptimizationHints,MediaRouter,NetworkTimeServiceQuerying,' +
        'DialMediaRouteProvider,AutofillServerCommunication,' +
        'CertificateTransparencyComponentUpdater,SpareRendererForSitePerProcess',
    '--component-updater=disable-pings,url-source=http://127.0.0.1:9/',
    '--google-base-url=http://127.0.0.1:9/', '--gaia-url=http://127.0.0.1:9/',
    '--lso-url=http://127.0.0.1:9/',
];

const firefoxPreferences = {
    'layout.css.devPixelsPerPx': '1.0',
    'browser.shell.checkDefaultBrowser': false,
    'browser.aboutwelcome.enabled': false,
    'browser.newtabpage.enabled': false,
    'browser.newtabpage.activity-stream.feeds.topsites': false,
    'browser.newtabpage.activity-stream.feeds.section.topstories': false,
    'browser.topsites.contile.enabled': false,
    'browser.discovery.enabled': false,
    'browser.translations.enable': false,
    'browser.urlbar.quicksuggest.enabled': false,
    'browser.search.update': false,
    'browser.region.network.url': '',
    'browser.safebrowsing.malware.enabled': false,
    'browser.safebrowsing.phishing.enabled': false,
    'browser.safebrowsing.downloads.enabled': false,
    'browser.safebrowsing.update.enabled': false,
    'browser.contentblocking.database.enabled': false,
    'datareporting.policy.dataSubmissionEnabled': false,
    'datareporting.healthreport.uploadEnabled': false,
    'toolkit.telemetry.enabled': false,
    'toolkit.telemetry.unified': false,
    'toolkit.telemetry.server': 'data:,',
    'app.update.disabledForTesting': true,
    'app.normandy.enabled': false,
    'extensions.update.enabled': false,
    'extensions.getAddons.cache.enabled': false,
    'extensions.blocklist.enabled': false,
    'services.settings.server': 'data:,#remote-settings-dummy/v1',
    'security.remote_settings.crlite_filters.enabled': false,
    'security.remote_settings.intermediates.enabled': false,
    'security.OCSP.enabled': 0,
    'media.gmp-manager.url': 'data:,',
    'dom.push.connection.enabled': false,
    'network.captive-portal-service.enabled': false,
    'network.connectivity-service.enabled': false,
    'network.dns.disablePrefetch': true,
    'network.prefetch-next': false,
    'network.trr.mode': 5,
};

// Starts the browser: 'chromium', 'firefox' or 'webkit'; headless unless shown on DISPLAY (WebKit
// always on DISPLAY). language is what the browser asks pages in; proxy where its requests to
// other hosts go; url opens at once in an app window (Chromium), full screen (Firefox) or the
// shell's window (WebKit).
export async function launch(kind, { headless = true, language = 'ru', proxy, url, args = [],
    preferences = {} } = {}) {
    if (kind === 'webkit') return launchWebKit({ language, proxy, url });
    if (kind === 'chromium') {
        return puppeteer.launch({
            browser: 'chrome', executablePath: '/usr/bin/chromium', headless,
            defaultViewport: null,
            args: [...chromiumFlags, `--lang=${language}`, `--accept-lang=${language}`,
                ...(process.getuid() === 0 ? ['--no-sandbox'] : []), // its sandbox refuses root
                ...(proxy ? [`--proxy-server=http://${proxy}`] : []),
                ...(headless ? ['--window-size=1024,768'] : ['--window-position=0,0',
                    '--window-size=1024,768']),
                ...(url ? [`--app=${url}`] : []),
                // Its tree for screen readers on AT-SPI, which it builds only when asked.
                ...(process.env.TAVRILO_BROWSER_ACCESSIBILITY ? ['--force-renderer-accessibility'] : []),
                ...args],
        });
    }
    const [host, port] = proxy ? proxy.split(':') : [];
    return puppeteer.launch({
        browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless,
        defaultViewport: null,
        args: [...(url ? ['--kiosk', url] : []), ...args],
        // Firefox heeds the remote settings' server above only with this.
        env: { ...process.env, MOZ_REMOTE_SETTINGS_DEVTOOLS: '1' },
        extraPrefsFirefox: {
            ...firefoxPreferences, 'intl.accept_languages': language,
            ...(proxy ? { 'network.proxy.type': 1, 'network.proxy.http': host,
                'network.proxy.http_port': Number(port), 'network.proxy.ssl': host,
                'network.proxy.ssl_port': Number(port),
                'network.proxy.allow_hijacking_localhost': false } : {}),
            ...preferences,
        },
    });
}

// Opens the page and waits until the program has started in it: the page, where the window lies
// on it (CSS px), and what the page said on its console (type and text, in order).
export async function openPage(browser, url, { viewport, before } = {}) {
    const page = (await browser.pages())[0] ?? await browser.newPage();
    const console = [];
    page.on('console', (message) => console.push(`${message.type()}: ${message.text()}`));
    page.on('pageerror', (error) => console.push(`error: ${error.message}`));
    if (viewport) await page.setViewport(viewport);
    if (before) await before(page);
    await page.goto(url);
    return { page, console, window: await started(page) };
}

// What only Chromium's DevTools protocol can do, each behind a function of its own, over one
// session a page.
const sessions = new WeakMap();
function devTools(page) {
    if (!sessions.has(page)) sessions.set(page, page.createCDPSession());
    return sessions.get(page);
}
// A tablet's or a phone's user agent and platform, with as many touch points (none: no touch).
export async function emulateDevice(page, { agent, platform, touchPoints }) {
    const session = await devTools(page);
    await session.send('Emulation.setUserAgentOverride', { userAgent: agent, platform });
    await session.send('Emulation.setTouchEmulationEnabled',
        { enabled: touchPoints > 0, maxTouchPoints: touchPoints });
}
// A phone's screen, CSS px, at 3 device pixels each, with touch.
export async function emulatePhone(page, { width, height }) {
    const session = await devTools(page);
    await session.send('Emulation.setDeviceMetricsOverride', { width, height,
        deviceScaleFactor: 3, mobile: true, screenWidth: width, screenHeight: height });
    await session.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
}
// Text as an on-screen keyboard sends it: inserted whole (predictive text, dictation), or composed.
export const insertText = async (page, text) =>
    (await devTools(page)).send('Input.insertText', { text });
export const compose = async (page, text) => (await devTools(page)).send('Input.imeSetComposition',
    { text, selectionStart: text.length, selectionEnd: text.length });
// Focus kept on the page, as if its window had the browser's.
export const emulateFocus = async (page) =>
    (await devTools(page)).send('Emulation.setFocusEmulationEnabled', { enabled: true });
// Why the browser would not install the page as an app.
export const installabilityErrors = async (page) =>
    (await (await devTools(page)).send('Page.getInstallabilityErrors')).installabilityErrors;

// The end-to-end test's browser: see the top of this file.
async function show(kind, site, folder) {
    const server = await serve(site, { log: path.join(folder, 'server.log'),
        trapLog: path.join(folder, 'elsewhere.log') });
    process.on('SIGUSR1', async () => {
        await server.stop();
        writeFileSync(path.join(folder, 'server-stopped'), '');
    });
    // Firefox in English: the end-to-end test answers in each browser's number syntax.
    const browser = await launch(kind, { headless: false, proxy: server.proxy, url: server.url,
        language: kind === 'firefox' ? 'en-US' : 'ru' });
    const ended = once(browser, 'disconnected');
    for (const signal of ['SIGTERM', 'SIGINT']) {
        process.on(signal, async () => {
            await browser.close().catch(() => {});
            await server.stop();
            process.exit(143);
        });
    }
    await ended;
    await server.stop();
}

if (process.argv[1] && import.meta.url === pathToFileURL(process.argv[1]).href) {
    const [kind, site, folder] = process.argv.slice(2);
    if (!['chromium', 'firefox', 'webkit'].includes(kind) || !site || !folder) {
        console.error('usage: browser.mjs chromium|firefox|webkit SITE FOLDER');
        process.exit(2);
    }
    await show(kind, site, folder);
}
