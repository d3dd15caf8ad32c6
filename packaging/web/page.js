// Starts Tavrilo in its page: checks that the browser can run it, loads it with a progress
// indicator, gives it the window's place on the page, and speaks its news. Says in Russian what is
// wrong when it cannot run, and when it has ended.
'use strict';

(() => {
    const root = document.documentElement;
    const program = root.dataset.program;
    const wasmBytes = Number(root.dataset.wasmBytes) || 0;
    const version = 'tavrilo-' + root.dataset.version; // the service worker's copy of the files
    const windowPlace = document.getElementById('window');
    const state = document.getElementById('state');
    const stateText = document.getElementById('state-text');
    const progress = document.getElementById('progress');
    const again = document.getElementById('again');
    const news = document.getElementById('news');

    const texts = {
        loading: 'Загрузка программы…',
        starting: 'Запуск программы…',
        noWebAssembly: 'Этот браузер не может запустить программу: в нём нет WebAssembly. ' +
            'Откройте страницу в новой версии Chrome, Edge, Firefox или Safari.',
        notLoaded: (file) => `Не удалось загрузить файл программы ${file}. ` +
            'Проверьте подключение к интернету и обновите страницу.',
        crashed: 'Программа остановилась из-за ошибки. Нажмите «Запустить снова», чтобы начать ' +
            'сначала.',
        ended: 'Программа завершена.',
    };

    // The page's word in place of the window: a sentence, a progress bar while loading, and a way
    // to start again once the program has ended or failed.
    function tell(text, { loading = false, restart = false } = {}) {
        stateText.textContent = text;
        progress.hidden = !loading;
        again.hidden = !restart;
        state.hidden = false;
        if (restart) again.focus();
    }

    // The window goes for good; the tab's title says why too.
    function stop(text, title) {
        windowPlace.className = 'gone';
        document.title = 'Tavrilo: ' + title;
        tell(text, { restart: true });
    }

    again.addEventListener('click', () => location.reload());

    // Offline after the first visit, and installable as an app, through a service worker that
    // keeps the page's files (sw.js). Not where the browser refuses service workers (plain HTTP
    // from another host, some private windows), which costs only that. Registered at once: what
    // the page loads once the worker is in charge passes through it and is kept, and what the
    // page fetched before that it hands over itself, so that nothing is fetched twice whatever
    // the browser keeps of its own. True once the worker is in charge of the page.
    const offline = 'serviceWorker' in navigator && 'caches' in globalThis;
    const keptForOffline = !offline ? Promise.resolve(false)
        : navigator.serviceWorker.controller ? Promise.resolve(true)
            : new Promise((resolve) => {
                navigator.serviceWorker.addEventListener('controllerchange', () => resolve(true),
                    { once: true });
                navigator.serviceWorker.register('sw.js').then((registration) => {
                    const worker = registration.installing ?? registration.waiting ??
                        registration.active;
                    // One already at work that does not serve this page (after a reload that
                    // bypassed it) will not take it over.
                    if (worker.state === 'activated')
                        return resolve(Boolean(navigator.serviceWorker.controller));
                    worker.addEventListener('statechange', () => {
                        if (worker.state === 'redundant') resolve(false);
                    });
                }, (error) => {
                    console.warn(error);
                    resolve(false);
                });
            });
    // A file of the page, fetched now or already downloading (from index.html); one that comes
    // from the host, the worker not yet in charge, is handed to the worker as it is.
    const early = globalThis.tavriloDownloads ?? {};
    const fetchFile = async (file, download) => {
        download ??= early[file] ?? fetch(file);
        delete early[file];
        const fromHost = offline && !navigator.serviceWorker.controller;
        const response = await download;
        if (!response.ok || !response.body) throw new Error(`${file}: ${response.status}`);
        if (fromHost) {
            const copy = response.clone();
            caches.open(version).then((cache) => cache.put(file, copy)).catch(console.warn);
        }
        return response;
    };

    // The window's background in the drawing the screen needs: at scale 1, or 2 for any finer
    // screen (the program makes other ratios from it). Only that one is downloaded. One that the
    // program asks for later, on a browser zoomed or moved to another screen, is fetched then, and
    // the program told when it has come. What the browser decodes as a picture can only be read
    // back from a canvas, which privacy protections (Safari's private windows, Firefox's
    // resistance to fingerprinting) blur or refuse: the page decodes the PNG itself, with the
    // browser's own inflater, in a worker while the program still downloads, rather than the
    // program in its first frame (in WebAssembly not yet compiled well, a tenth of the main
    // thread's work before the window shows on a slow laptop). Where the browser has no inflater
    // the program decodes it.
    const pictures = new Map(); // file: {width, height, pixels} or its bytes, once fetched
    const picturesAsked = new Map(); // file: the promise of them
    let running = null; // the program, once it runs
    const pictureFor = (ratio) => (ratio > 1 ? 'background@2x.png' : 'background.png');
    const loadPicture = (file) => {
        if (!picturesAsked.has(file)) picturesAsked.set(file, (async () => {
            const response = await fetchFile(file);
            const result = await decode(new Uint8Array(await response.arrayBuffer()));
            if (result.why) console.warn(`${file}: ${result.why}`);
            pictures.set(file, result.png ?? result);
            running?.picturesChanged?.();
        })());
        return picturesAsked.get(file);
    };
    // The decoding in a worker of its own, off the main thread, which has the program to compile
    // and start meanwhile: made when a picture comes, gone once none waits. On the main thread
    // where the page cannot make one.
    const decoding = new Map(); // a picture's number: its PNG and what waits for it
    const decoderScript = URL.createObjectURL(new Blob([`'use strict';\n` +
        `const decoded = ${decoded};\n` +
        'onmessage = async ({ data: [number, png] }) => {\n' +
        '    const result = await decoded(png);\n' +
        '    postMessage([number, result], [(result.pixels ?? result.png).buffer]);\n};\n'],
    { type: 'text/javascript' }));
    let decoder = null, decodes = 0; // decoder false: none can be made
    function newDecoder() {
        const worker = new Worker(decoderScript);
        worker.onmessage = ({ data: [number, result] }) => {
            decoding.get(number).resolve(result);
            decoding.delete(number);
            if (decoding.size) return;
            worker.terminate();
            decoder = null;
        };
        worker.onerror = (event) => {
            event.preventDefault();
            worker.terminate();
            decoder = false;
            for (const { png, resolve } of decoding.values()) resolve(decoded(png));
            decoding.clear();
        };
        return worker;
    }
    function decode(png) {
        try {
            if (decoder !== false) decoder ??= newDecoder();
        } catch {
            decoder = false;
        }
        if (!decoder) return decoded(png);
        return new Promise((resolve) => {
            const number = ++decodes;
            decoding.set(number, { png: png.slice(), resolve });
            decoder.postMessage([number, png], [png.buffer]);
        });
    }
    // A PNG of the kind the build makes (8-bit RGB, not interlaced) as the program paints it:
    // {width, height, pixels}, 0xffRRGGBB words, little-endian. Any other is a fault of the
    // build's, handed on as it is with why: {png, why}. Runs in the decoder's worker too, where
    // it has nothing but itself.
    async function decoded(png) {
        if (typeof DecompressionStream !== 'function') return { png };
        const view = new DataView(png.buffer, png.byteOffset, png.byteLength);
        const chunk = (at) => String.fromCharCode(...png.subarray(at + 4, at + 8));
        const width = view.getUint32(16), height = view.getUint32(20);
        if (chunk(8) !== 'IHDR' || png[24] !== 8 || png[25] !== 2 || png[28] !== 0)
            return { png, why: 'not an 8-bit RGB PNG' };
        const data = [];
        for (let at = 8; at + 12 <= png.length; at += 12 + view.getUint32(at))
            if (chunk(at) === 'IDAT') data.push(png.subarray(at + 8, at + 8 + view.getUint32(at)));
        const rows = new Uint8Array(await new Response(new Blob(data).stream()
            .pipeThrough(new DecompressionStream('deflate'))).arrayBuffer());
        const stride = width * 3;
        if (rows.length !== (stride + 1) * height)
            return { png, why: `${rows.length} bytes of rows` };
        // Each row's filter undone, in place, from its left neighbour (a), the one above (b) and
        // above left (c); a Uint8Array keeps each sum modulo 256.
        const pixels = new Uint8Array(width * height * 4);
        for (let y = 0, row = 1; y < height; ++y, row += stride + 1) {
            const filter = rows[row - 1];
            if (filter > 4) return { png, why: `filter ${filter}` };
            const end = row + stride, up = stride + 1;
            if (filter === 1) for (let i = row + 3; i < end; ++i) rows[i] += rows[i - 3];
            else if (filter === 2 && y) for (let i = row; i < end; ++i) rows[i] += rows[i - up];
            else if (filter === 3)
                for (let i = row; i < end; ++i)
                    rows[i] += ((i < row + 3 ? 0 : rows[i - 3]) + (y ? rows[i - up] : 0)) >> 1;
            else if (filter === 4)
                for (let i = row; i < end; ++i) {
                    const a = i < row + 3 ? 0 : rows[i - 3], b = y ? rows[i - up] : 0;
                    const c = i < row + 3 || !y ? 0 : rows[i - up - 3];
                    const pa = Math.abs(b - c), pb = Math.abs(a - c), pc = Math.abs(a + b - 2 * c);
                    rows[i] += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                }
            for (let x = 0, to = y * width * 4; x < width; ++x, to += 4) {
                pixels[to] = rows[row + 3 * x + 2];
                pixels[to + 1] = rows[row + 3 * x + 1];
                pixels[to + 2] = rows[row + 3 * x];
                pixels[to + 3] = 0xff;
            }
        }
        return { width, height, pixels };
    }

    // The program's script: once the service worker serves the page where there is one, so that
    // it is kept as it arrives.
    const programScript = keptForOffline.then(() => new Promise((resolve, reject) => {
        const script = document.createElement('script');
        script.src = program + '.js';
        script.onload = resolve;
        script.onerror = () => reject(new Error(`${script.src} did not load`));
        document.head.append(script);
    }));

    // The keyboard stays with the window: a click or tap on the page around it takes nothing
    // away, and one on the window brings the keyboard back to it, wherever it had gone.
    addEventListener('mousedown', (event) => {
        // Not even on a window behind an open message box, or on a box's title bar.
        if (!event.composedPath()[0].matches?.('button, input, textarea'))
            event.preventDefault();
    }, true);
    // Qt moves the keyboard between the window's controls itself, also within a message box:
    // the browser's own Tab, which would take it from the window to the page, is not wanted
    // while the program runs. (WebKit reports Shift+Tab by its key's code alone.)
    addEventListener('keydown', (event) => {
        if ((event.key === 'Tab' || event.code === 'Tab') && windowPlace.className === '')
            event.preventDefault();
    }, true);
    windowPlace.addEventListener('pointerdown', () => {
        const focused = document.activeElement;
        if (focused && focused !== document.body) return;
        // Qt's own element for the keyboard, which it adds to the page's body.
        [...document.body.children].find((e) => 'data-qinputcontext' in e)?.focus();
    }, true);

    // A layout viewport that the whole window fits into, on a screen smaller than it (phones):
    // the browser scales the page down, so that taps still land where the window is drawn. A
    // phone held upright would show it too small to read: the page asks to turn it instead, and
    // the program waits, hidden, where it is.
    // The window's elements cannot keep the keyboard while it is hidden; it returns to where it
    // was once the phone is turned back.
    const viewport = document.querySelector('meta[name="viewport"]');
    let keyboardBeforeTurn = null;
    const keyboardElement = () => {
        let element = document.activeElement;
        while (element?.shadowRoot?.activeElement) element = element.shadowRoot.activeElement;
        return element;
    };
    function fitScreen() {
        const needed = { width: 746, height: 527 }; // the window and the page's margins
        const upright = screen.width < needed.width && screen.height > screen.width;
        if (upright && !root.classList.contains('upright')) keyboardBeforeTurn = keyboardElement();
        root.classList.toggle('upright', upright);
        if (!upright && keyboardBeforeTurn) {
            if (keyboardBeforeTurn.isConnected) keyboardBeforeTurn.focus();
            keyboardBeforeTurn = null;
        }
        const width = Math.max(needed.width,
                               Math.ceil(needed.height * screen.width / screen.height));
        viewport.content = upright || (screen.width >= needed.width && screen.height >= needed.height)
            ? 'width=device-width, initial-scale=1'
            : `width=${width}, initial-scale=${screen.width / width}`;
    }
    fitScreen();
    addEventListener('orientationchange', fitScreen);
    addEventListener('resize', fitScreen);

    // Compiles the program while it downloads, counting what has arrived.
    async function compile(file) {
        const response = await fetchFile(file); // its download begun by index.html
        let arrived = 0;
        const counted = response.body.pipeThrough(new TransformStream({
            transform(chunk, controller) {
                arrived += chunk.byteLength;
                if (wasmBytes) progress.value = Math.min(arrived / wasmBytes, 1);
                controller.enqueue(chunk);
            },
        }));
        return WebAssembly.compileStreaming(
            new Response(counted, { headers: { 'Content-Type': 'application/wasm' } }));
    }

    // The program's second part, where it comes in two: the functions that its start does not
    // run. Downloaded once the first part has come, while the program starts, compiled once the
    // window shows, and joined to the program then. The program calls them through placeholders
    // until then; one called before (a learner quicker than the download) has the page take the
    // rest as far as it has come, fetch it at once if need be, and join it there and then.
    const rest = root.dataset.rest;
    const later = { download: null, abort: null, bytes: null, module: null, exports: null,
        table: null, joined: false, windowShown: false };
    // The first part's placeholders, one for each function of the rest it may call: the rest
    // joined, the call goes on to the function, which has taken the placeholder's place.
    const placeholders = new Proxy({}, {
        get: (target, slot) => (...args) => {
            restNow();
            return later.table.get(slot)(...args);
        },
    });
    const joinRest = () => {
        if (later.joined || !later.module || !later.exports) return;
        later.joined = true;
        new WebAssembly.Instance(later.module, { primary: later.exports });
        later.bytes = later.module = null; // kept by the instance as far as it needs them
    };
    function fetchRest() {
        later.abort = new AbortController();
        later.download = fetchFile(rest, fetch(rest, { signal: later.abort.signal }))
            .then((response) => response.arrayBuffer())
            .then((bytes) => { later.bytes = bytes; }, (error) => {
                if (error.name !== 'AbortError') console.warn(error);
            });
    }
    const compileRest = () => later.download?.then(() => later.bytes && !later.joined &&
        WebAssembly.compile(later.bytes).then((module) => {
            later.module ??= module;
            joinRest();
        }, console.warn));
    function restNow() {
        if (later.joined) return;
        if (!later.module && !later.bytes) {
            later.abort?.abort();
            const request = new XMLHttpRequest();
            request.open('GET', rest, false);
            // The bytes as they come, one character each.
            request.overrideMimeType('text/plain; charset=x-user-defined');
            request.send();
            if (request.status !== 200) throw new Error(`${rest}: ${request.status}`);
            const text = request.responseText;
            later.bytes = new Uint8Array(text.length);
            for (let i = 0; i < text.length; ++i) later.bytes[i] = text.charCodeAt(i);
            // Kept for offline use whoever is in charge: a request made this way may pass the
            // service worker by.
            if (offline) {
                const copy = new Response(later.bytes,
                    { headers: { 'Content-Type': 'application/wasm' } });
                caches.open(version).then((cache) => cache.put(rest, copy)).catch(console.warn);
            }
        }
        // What the program runs before its window shows is all in its first part, unless the
        // list the build splits it by is out of date (packaging/web/start-functions.mjs).
        if (!later.windowShown) console.warn(`${rest} was needed before the window showed`);
        later.module ??= new WebAssembly.Module(later.bytes);
        joinRest();
    }

    // What the program calls on its page (Module.tavriloPage).
    const page = {
        say(text) {
            const line = document.createElement('p');
            line.textContent = text;
            news.replaceChildren(...(text ? [line] : []));
        },
        ended() {
            news.replaceChildren();
            stop(texts.ended, 'программа завершена');
        },
        picture(file) {
            if (!pictures.has(file)) loadPicture(file).catch(console.warn);
            return pictures.get(file) ?? null;
        },
    };

    async function start() {
        if (typeof WebAssembly !== 'object') return tell(texts.noWebAssembly);
        tell(texts.loading, { loading: true });
        const background = pictureFor(devicePixelRatio);
        const drawing = loadPicture(background);
        let wasm;
        try {
            wasm = await compile(program + '.wasm');
        } catch (error) {
            console.error(error);
            return tell(texts.notLoaded(program + '.wasm'));
        }
        if (rest) fetchRest();
        // Offline, on a screen other than the one the page was kept on, the other drawing does.
        try {
            await drawing.catch((error) => {
                console.warn(error);
                return loadPicture(pictureFor(devicePixelRatio > 1 ? 1 : 2));
            });
        } catch (error) {
            console.error(error);
            return tell(texts.notLoaded(background));
        }
        // The program's script defines its entry function, <program>_entry.
        const entry = await programScript.then(() => globalThis[program + '_entry'], console.error);
        if (typeof entry !== 'function') return tell(texts.notLoaded(program + '.js'));
        tell(texts.starting);
        const crashed = (error) => {
            console.error(error);
            stop(texts.crashed, 'ошибка');
        };
        try {
            const instance = await entry({
                qtContainerElements: [windowPlace],
                qtFontDpi: 96,
                // Only the program's own fonts, never the machine's, so that it looks the same
                // everywhere.
                qt: { localFonts: { familiesCollection: 'NoFontFamilies' } },
                tavriloPage: page,
                // main() is called below, where an exception it throws is seen.
                noInitialRun: true,
                instantiateWasm(imports, done) {
                    if (rest) imports.placeholder = placeholders;
                    WebAssembly.instantiate(wasm, imports).then((instance) => {
                        later.exports = instance.exports;
                        later.table = Object.values(instance.exports)
                            .find((e) => e instanceof WebAssembly.Table);
                        done(instance, wasm);
                    }, crashed);
                    return {};
                },
                onAbort: crashed,
                print: (line) => console.log(line),
                printErr: (line) => console.warn(line),
            });
            running = instance;
            try {
                instance.callMain([]);
            } catch (error) {
                // The browser's event loop runs the program's: main() leaves by throwing this.
                if (error !== 'unwind') throw error;
            }
        } catch (error) {
            return crashed(error);
        }
        if (windowPlace.className === 'gone') return;
        windowPlace.className = '';
        state.hidden = true;
        later.windowShown = true;
        requestAnimationFrame(() => setTimeout(compileRest));
    }

    start();
})();
