// Shows the bridge's state as the background last heard it, and asks what the bridge may
// not decide alone.
'use strict';

const api = globalThis.browser ?? globalThis.chrome;

function show(status = {}) {
  document.getElementById('connected').textContent = status.connected ? 'Yes' : 'No';
  document.getElementById('favorites').textContent = status.favorites || '-';
  document.getElementById('lastChange').textContent = status.lastChange || '-';
  document.getElementById('error').textContent =
      status.error || status.browserError || 'None';
  const ask = document.getElementById('ask');
  ask.hidden = !status.ask;
  if (status.ask) {
    const where = status.ask.fromBrowser ? 'the browser' : 'the Favorites folder';
    document.getElementById('question').textContent =
        `${status.ask.deleting} of ${status.ask.of} bookmarks were deleted in ${where}. ` +
        'Delete them on the other side too?';
  }
  const list = document.getElementById('refused');
  list.replaceChildren(...(status.refused ?? []).map((text) => {
    const item = document.createElement('li');
    item.textContent = text;
    return item;
  }));
}

function answer(accept) {
  api.runtime.sendMessage({ type: 'answer', accept });
}

document.getElementById('yes').addEventListener('click', () => answer(true));
document.getElementById('no').addEventListener('click', () => answer(false));
api.storage.onChanged.addListener((changes) => {
  if (changes.status) show(changes.status.newValue);
});
api.storage.local.get('status').then(({ status }) => show(status));
