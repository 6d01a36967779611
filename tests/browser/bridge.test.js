// The bridge end to end in each browser: the same table of changes both ways, a restart,
// the first connection's merge and the mass-deletion guard. Times are printed, not asserted.
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { describe, it, before, after } = require('node:test');
const h = require('./harness');

const BROWSERS = (process.env.KESTRIN_BROWSERS ?? 'chromium,firefox').split(',');
const MASS = 25;

for (const kind of BROWSERS) {
  describe(kind, () => {
    const places = h.makeHome();
    const fav = (...parts) => path.join(places.favorites, ...parts);
    const latencies = [];
    let session;
    let ids = {};

    const timed = async (what, check) => {
      latencies.push(`${kind}: ${what}: ${await h.waitFor(check, what)} ms`);
    };
    const create = (parent, title, url) => h.inBrowser(session,
      async (api, d) => (await api.bookmarks.create(d)).id, { parentId: parent, title, url });
    const children = (id) => h.childrenOf(session, id);
    const idOf = (url) => h.inBrowser(session,
      async (api, u) => (await api.bookmarks.search({ url: u })).map((b) => b.id).join(), url);

    before(async () => {
      fs.mkdirSync(fav('Links'));
      fs.writeFileSync(fav('Links', 'Shared.url'), h.shortcut('http://shared.example/'));
      fs.writeFileSync(fav('Links', 'Folder only.url'), h.shortcut('http://folder-only.example/'));
      session = await h.launch(kind, places, true);
    });
    after(async () => {
      await session?.browser.close();
      console.log(latencies.join('\n'));
      fs.rmSync(places.home, { recursive: true, force: true });
    });

    it('merges the first connection without duplicates, once the host is installed', async () => {
      await create(session.toolbar, 'Shared', 'http://shared.example/');
      await create(session.toolbar, 'Browser only', 'http://browser-only.example/');
      await create(session.toolbar, 'a/b', 'http://ab.example/');
      assert.match(h.installHost(kind, places), /^Connected /);
      await timed('first merge', async () => fs.existsSync(fav('Links', 'a_b.url')) &&
        (await children(session.toolbar)).length === 4);
      assert.deepEqual(await children(session.toolbar), [
        'Browser only http://browser-only.example/', 'Folder only http://folder-only.example/',
        'Shared http://shared.example/', 'a/b http://ab.example/']);
      assert.deepEqual(fs.readdirSync(fav('Links')).sort(),
        ['Browser only.url', 'Folder only.url', 'Shared.url', 'a_b.url']);
      const state = await h.status(session);
      assert.equal(state.connected, true);
      assert.equal(state.favorites, places.favorites + '/');
    });

    // Each step changes one side and waits for the other.
    const steps = [
      ['browser creates', async () => {
        ids.t = await create(session.toolbar, 'T', 'http://t.example/');
      }, () => h.urlIn(fav('Links', 'T.url')) === 'http://t.example/'],
      ['browser changes a URL', () => h.inBrowser(session,
        (api, id) => api.bookmarks.update(id, { url: 'http://t2.example/' }), ids.t),
      () => h.urlIn(fav('Links', 'T.url')) === 'http://t2.example/'],
      ['browser renames', () => h.inBrowser(session,
        (api, id) => api.bookmarks.update(id, { title: 'T renamed' }), ids.t),
      () => fs.existsSync(fav('Links', 'T renamed.url')) && !fs.existsSync(fav('Links', 'T.url'))],
      ['browser moves', async () => {
        ids.work = await create(session.main, 'Work');
        await h.inBrowser(session, (api, a) => api.bookmarks.move(a.t, { parentId: a.work }), ids);
      }, () => h.urlIn(fav('Work', 'T renamed.url')) === 'http://t2.example/' &&
        !fs.existsSync(fav('Links', 'T renamed.url'))],
      ['browser deletes', () => h.inBrowser(session, (api, id) => api.bookmarks.remove(id), ids.t),
        () => !fs.existsSync(fav('Work', 'T renamed.url'))],
      ['folder creates', () => fs.writeFileSync(fav('Links', 'F.url'), h.shortcut('http://f.example/')),
        async () => (await children(session.toolbar)).includes('F http://f.example/')],
      ['folder changes a URL', () => fs.writeFileSync(fav('Links', 'F.url'), h.shortcut('http://f2.example/')),
        async () => (await children(session.toolbar)).includes('F http://f2.example/')],
      ['folder moves', async () => {
        ids.f = await idOf('http://f2.example/');
        fs.renameSync(fav('Links', 'F.url'), fav('Work', 'F.url'));
      }, async () => (await children(ids.work)).includes('F http://f2.example/') &&
        await idOf('http://f2.example/') === ids.f],
      ['folder deletes', () => fs.unlinkSync(fav('Work', 'F.url')),
        async () => (await children(ids.work)).length === 0],
    ];
    for (const [what, change, arrived] of steps) {
      it(what, async () => {
        await change();
        await timed(what, arrived);
      });
    }

    it('creates nothing twice across a restart', async () => {
      const toolbar = await children(session.toolbar);
      const files = fs.readdirSync(fav('Links')).sort();
      await session.browser.close();
      session = await h.launch(kind, places, false);
      await create(session.toolbar, 'After restart', 'http://after.example/');
      await timed('after restart', () => fs.existsSync(fav('Links', 'After restart.url')));
      assert.deepEqual(await children(session.toolbar),
        [...toolbar, 'After restart http://after.example/'].sort());
      assert.deepEqual(fs.readdirSync(fav('Links')).sort(), [...files, 'After restart.url'].sort());
    });

    it('asks before a mass deletion and keeps what the user keeps', async () => {
      fs.mkdirSync(fav('Mass'));
      for (let i = 0; i < MASS; ++i) {
        fs.writeFileSync(fav('Mass', `M${i}.url`), h.shortcut(`http://m${i}.example/`));
      }
      await timed(`${MASS} folder creations`, async () => h.inBrowser(session, async (api) => {
        const found = await api.bookmarks.search({ title: 'M0' });
        return found.length === 1 &&
          (await api.bookmarks.getChildren(found[0].parentId)).length === 25;
      }));
      fs.rmSync(fav('Mass'), { recursive: true });
      await h.waitFor(async () => (await h.status(session)).ask?.deleting === MASS, 'the question');
      await session.page.click('#no');
      await timed('kept after the question', () =>
        fs.existsSync(fav('Mass')) && fs.readdirSync(fav('Mass')).length === MASS);
      assert.equal((await h.inBrowser(session, (api) => api.bookmarks.search({ title: 'M1' }))).length, 1);
    });
  });
}
