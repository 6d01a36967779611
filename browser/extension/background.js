// Carries the bookmarks to Kestrin's native host and applies what it sends back. The host
// keeps the state both sides agreed on: this side sends its whole tree at connection and
// after each change, and applies the host's operations in the order they come.
'use strict';

const api = globalThis.browser ?? globalThis.chrome;
const HOST = 'org.kestrin.bridge';
const IS_FIREFOX = api.runtime.getURL('').startsWith('moz-extension:');
// Which of Kestrin's places each root of the browser is.
const ROOTS = {
  '1': 'toolbar', '2': 'main', '3': 'mobile',
  'toolbar_____': 'toolbar', 'menu________': 'main', 'unfiled_____': 'other',
  'mobile______': 'mobile',
};
const RECONNECT_MS = 5000;
const SETTLE_MS = 200;

let port = null;
let batch = 0;            // the last batch of operations applied
let made = new Map();     // the host's ids of bookmarks it asked for, to the browser's
let queue = Promise.resolve();
let treeTimer = null;

function enqueue(work) {
  queue = queue.then(work).catch((error) => remember({ error: String(error) }));
}

async function remember(change) {
  const { status = {} } = await api.storage.local.get('status');
  await api.storage.local.set({ status: { ...status, ...change } });
}

async function profileKey() {
  const { profile } = await api.storage.local.get('profile');
  if (profile) return profile;
  const fresh = Array.from(crypto.getRandomValues(new Uint8Array(8)),
                           (b) => b.toString(16).padStart(2, '0')).join('');
  await api.storage.local.set({ profile: fresh });
  return fresh;
}

// The tree as the host reads it, parents before children; separators and place: queries
// stay out of it.
function flatten(node, nodes) {
  for (const child of node.children ?? []) {
    if (child.type === 'separator' || child.url?.startsWith('place:')) continue;
    const entry = { id: child.id, parent: node.id, title: child.title };
    if (ROOTS[child.id] && !node.parentId) entry.root = ROOTS[child.id];
    if (child.url !== undefined) entry.url = child.url;
    nodes.push(entry);
    if (child.children) flatten(child, nodes);
  }
  return nodes;
}

async function sendTree(ids) {
  if (!port) return;
  const [root] = await api.bookmarks.getTree();
  port.postMessage({
    type: 'tree', browser: IS_FIREFOX ? 'firefox' : 'chromium', profile: await profileKey(),
    batch, ids: ids ?? {}, nodes: flatten(root, []),
  });
}

function resolve(id) {
  return made.get(id) ?? id;
}

async function applyOperation(op) {
  if (op.op === 'create') {
    const details = { parentId: resolve(op.parent), title: op.title };
    if (op.url !== undefined) details.url = op.url;
    const node = await api.bookmarks.create(details);
    made.set(op.id, node.id);
    return [op.id, node.id];
  }
  const id = resolve(op.id);
  if (op.op === 'remove') {
    await api.bookmarks.removeTree(id);
  } else if (op.op === 'update') {
    await api.bookmarks.update(id, { url: op.url });
  } else if (op.op === 'move') {
    await api.bookmarks.move(id, { parentId: resolve(op.parent) });
    await api.bookmarks.update(id, { title: op.title });
  }
  return null;
}

async function apply(message) {
  const ids = {};
  const failures = [];
  for (const op of message.ops) {
    try {
      const created = await applyOperation(op);
      if (created) ids[created[0]] = created[1];
    } catch (error) {
      failures.push(`${op.op} ${op.title ?? op.id}: ${error.message ?? error}`);
    }
  }
  batch = message.batch;
  await remember({ browserError: failures.slice(0, 5).join('; ') });
  await sendTree(ids);
}

function onMessage(message) {
  if (message.type === 'apply') enqueue(() => apply(message));
  else if (message.type === 'status') enqueue(() => remember({ ...message, connected: true }));
}

function connect() {
  if (port) return;
  batch = 0;
  made = new Map();
  port = api.runtime.connectNative(HOST);
  port.onMessage.addListener(onMessage);
  port.onDisconnect.addListener((gone) => {
    const reason = api.runtime.lastError?.message ?? gone?.error?.message ??
                   'Kestrin\'s bridge stopped.';
    port = null;
    enqueue(() => remember({ connected: false, error: reason }));
    setTimeout(connect, RECONNECT_MS);
  });
  enqueue(() => remember({ connected: true, error: '' }));
  enqueue(() => sendTree());
}

function treeChanged() {
  clearTimeout(treeTimer);
  treeTimer = setTimeout(() => enqueue(() => sendTree()), SETTLE_MS);
}

api.bookmarks.onCreated.addListener(treeChanged);
api.bookmarks.onRemoved.addListener(treeChanged);
api.bookmarks.onChanged.addListener(treeChanged);
api.bookmarks.onMoved.addListener(treeChanged);
api.runtime.onMessage.addListener((message) => {
  if (message?.type === 'answer' && port) port.postMessage(message);
});
// A background the browser suspended comes back by the alarm and reconnects.
api.alarms.create('kestrin-bridge', { periodInMinutes: 0.5 });
api.alarms.onAlarm.addListener(connect);
api.runtime.onStartup.addListener(connect);
connect();
