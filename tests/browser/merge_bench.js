// Times the first connection's merge of 5 000 bookmarks in 50 folders: half of them the
// browser and the Favorites folder both hold (as after an import), half only the browser:
// from the browser's start (its options page open) to the last of them written. Not part of the tests:
// node merge_bench.js chromium|firefox
'use strict';

const fs = require('node:fs');
const path = require('node:path');
const h = require('./harness');

const FOLDERS = 50;
const PER_FOLDER = 50;

(async () => {
  const kind = process.argv[2] ?? 'chromium';
  const places = h.makeHome();
  for (let f = 0; f < FOLDERS; ++f) {
    fs.mkdirSync(path.join(places.favorites, `Folder ${f}`));
    for (let i = 0; i < PER_FOLDER; ++i) {
      fs.writeFileSync(path.join(places.favorites, `Folder ${f}`, `Both ${i}.url`),
                       h.shortcut(`http://both.example/${f}/${i}`));
    }
  }
  let session = await h.launch(kind, places, true);
  await h.inBrowser(session, async (api, a) => {
    for (let f = 0; f < a.folders; ++f) {
      const folder = await api.bookmarks.create({ parentId: a.main, title: `Folder ${f}` });
      for (let i = 0; i < a.per; ++i) {
        await api.bookmarks.create({ parentId: folder.id, title: `Both ${i}`,
                                     url: `http://both.example/${f}/${i}` });
        await api.bookmarks.create({ parentId: folder.id, title: `Browser ${i}`,
                                     url: `http://browser.example/${f}/${i}` });
      }
    }
  }, { main: session.main, folders: FOLDERS, per: PER_FOLDER });
  const last = path.join(places.favorites, `Folder ${FOLDERS - 1}`, `Browser ${PER_FOLDER - 1}.url`);
  // Started again with the host there, so that the time is not a reconnection's wait.
  await session.browser.close();
  h.installHost(kind, places);
  session = await h.launch(kind, places, false);
  const start = Date.now();
  await h.waitFor(() => fs.existsSync(last), 'the merge', 300000);
  const files = fs.readdirSync(path.join(places.favorites, 'Folder 0')).length;
  console.log(`${kind}: first merge of ${2 * FOLDERS * PER_FOLDER} bookmarks (half already in ` +
              `the folder): ${Date.now() - start} ms after the browser started; Folder 0 holds ${files}`);
  await session.browser.close();
  fs.rmSync(places.home, { recursive: true, force: true });
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
