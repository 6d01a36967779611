// What both browsers' tests share: a throwaway HOME with a Favorites folder, the browser
// started with the extension, and its bookmarks API reached through the options page.
'use strict';

const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const puppeteer = require('puppeteer-core');

const TOP = path.resolve(__dirname, '../..');
const EXTENSION = path.join(TOP, 'browser/extension');
const CHROMIUM_ID = 'bceliofllpckjegojjlefljejffmkioi';
const FIREFOX_UUID = '5d1c3f0a-7b2e-4c59-9a41-0b6e2f8d3c17';
const CLI = process.env.KESTRIN_CLI ?? path.join(TOP, 'build-test/cli/kestrin-cli');

const KINDS = {
  chromium: {
    executable: ['/usr/lib/chromium/chromium', '/usr/bin/chromium'].find(fs.existsSync),
    toolbar: '1',
    main: '2',
    options: `chrome-extension://${CHROMIUM_ID}/options.html`,
  },
  firefox: {
    executable: ['/usr/lib/firefox-esr/firefox-esr', '/usr/bin/firefox-esr'].find(fs.existsSync),
    toolbar: 'toolbar_____',
    main: 'menu________',
    options: `moz-extension://${FIREFOX_UUID}/options.html`,
  },
};

// A HOME of its own with a Favorites folder, a settings file and a browser profile.
function makeHome() {
  const home = fs.mkdtempSync(path.join(os.tmpdir(), 'kestrin-bridge-'));
  const places = {
    home,
    favorites: path.join(home, 'Favorites'),
    settings: path.join(home, 'kestrin.ini'),
    profile: path.join(home, 'profile'),
  };
  fs.mkdirSync(places.favorites);
  fs.mkdirSync(places.profile);
  return places;
}

function cli(places, ...words) {
  return execFileSync(CLI, words, {
    env: { ...process.env, HOME: places.home }, encoding: 'utf8',
  });
}

function installHost(kind, places) {
  const words = ['bridge', '--install', kind, '--favorites', places.favorites,
                 '--settings', places.settings];
  return cli(places, ...(kind === 'chromium' ? [...words, '--user-data-dir', places.profile]
                                              : words));
}

// The extension packed as Firefox installs it.
function firefoxPackage(places) {
  const xpi = path.join(places.home, 'bridge.xpi');
  execFileSync('/usr/bin/python3', ['-m', 'zipfile', '-c', xpi,
    ...fs.readdirSync(EXTENSION).map((name) => path.join(EXTENSION, name))]);
  return xpi;
}

async function launch(kind, places, firstTime) {
  const env = { ...process.env, HOME: places.home };
  const browser = kind === 'chromium'
    ? await puppeteer.launch({
      executablePath: KINDS.chromium.executable, headless: true, pipe: true, env,
      userDataDir: places.profile, ignoreDefaultArgs: ['--disable-extensions'],
      args: ['--no-sandbox', `--load-extension=${EXTENSION}`,
             `--disable-extensions-except=${EXTENSION}`],
    })
    : await puppeteer.launch({
      browser: 'firefox', executablePath: KINDS.firefox.executable, headless: true, env,
      userDataDir: places.profile, args: ['--remote-allow-system-access'],
      extraPrefsFirefox: {
        'xpinstall.signatures.required': false,
        'extensions.webextensions.uuids': JSON.stringify({ 'bridge@kestrin': FIREFOX_UUID }),
      },
    });
  if (kind === 'firefox' && firstTime) {
    await browser.connection.send('webExtension.install', {
      extensionData: { type: 'archivePath', path: firefoxPackage(places) },
      'moz:permanent': true,
    });
  }
  const page = await browser.newPage();
  // Firefox reports no load of an extension page over BiDi: the page itself tells.
  page.goto(KINDS[kind].options, { waitUntil: 'domcontentloaded', timeout: 0 }).catch(() => {});
  await waitFor(() => page.evaluate('document.getElementById("connected") !== null')
    .catch(() => false), 'the options page to open');
  return { browser, page, ...KINDS[kind] };
}

// Runs fn(api, arg) in the options page, where the extension's APIs are.
function inBrowser(session, fn, arg) {
  return session.page.evaluate(
    `(${fn})(globalThis.browser ?? globalThis.chrome, ${JSON.stringify(arg ?? null)})`);
}

// The bookmarks below a folder as "title url" lines (a folder as "title/").
async function childrenOf(session, id) {
  return inBrowser(session, async (api, folder) => {
    const children = await api.bookmarks.getChildren(folder);
    return children.filter((c) => c.type !== 'separator')
      .map((c) => (c.url === undefined ? `${c.title}/` : `${c.title} ${c.url}`)).sort();
  }, id);
}

async function status(session) {
  return inBrowser(session, async (api) => (await api.storage.local.get('status')).status ?? {});
}

// Polls until `check` holds, failing after a generous bound; gives the milliseconds taken.
async function waitFor(check, what, boundMs = 60000) {
  const start = Date.now();
  for (;;) {
    if (await check()) return Date.now() - start;
    if (Date.now() - start > boundMs) throw new Error(`gave up waiting for ${what}`);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

function shortcut(url) {
  return `[InternetShortcut]\r\nURL=${url}\r\n`;
}

function urlIn(file) {
  try {
    return /^URL=(.*)$/m.exec(fs.readFileSync(file, 'utf8'))?.[1]?.replace(/\r$/, '');
  } catch {
    return undefined;
  }
}

module.exports = {
  KINDS, makeHome, installHost, launch, inBrowser, childrenOf, status, waitFor, shortcut,
  urlIn, cli,
};
