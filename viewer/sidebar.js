// The sidebar: its three tabs (the WAI-ARIA tabs pattern), the contents, the thumbnails
// (the current ones marked) and opening and closing it. Its entries and thumbnails ask for
// their page ('goTo', which pages.js does); needs layout (zoom.js) when the stage's width
// changes.
import { $, NARROW_SCREEN, emit, state } from './state.js';
import { fileUrl, number } from './files.js';
import { layout } from './zoom.js';

// ---- contents and thumbnails ----

export function buildContents(toc) {
  const panel = $('toc-panel');
  const list = contentsList(toc);
  if (list === null) {
    const none = document.createElement('p');
    none.textContent = 'This publication has no table of contents.';
    panel.append(none);
    selectTab('thumbs');
    return;
  }
  panel.append(list);
}

function contentsList(parent) {
  if (parent === null) return null;
  const items = [...parent.children].filter((e) => e.localName === 'tocitem');
  if (items.length === 0) return null;
  const list = document.createElement('ul');
  for (const item of items) {
    const entry = document.createElement('li');
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'toc-entry';
    button.textContent = item.getAttribute('label') || '';
    const target = number(item.getAttribute('gotopage'));
    button.dataset.page = String(target);
    button.addEventListener('click', () => {
      emit('goTo', target);
      closeSidebarOnNarrow();
    });
    entry.append(button);
    const children = contentsList(item);
    if (children !== null) entry.append(children);
    list.append(entry);
  }
  return list;
}

export function buildThumbnails() {
  const panel = $('thumbs-panel');
  for (const page of state.pages) {
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'thumb';
    button.dataset.page = String(page.num);
    const url = page.thumb ? fileUrl(page.thumb.file) : null;
    if (url !== null) {
      const image = document.createElement('img');
      image.loading = 'lazy';
      image.alt = '';
      if (page.thumb.width > 0) image.width = page.thumb.width;
      if (page.thumb.height > 0) image.height = page.thumb.height;
      image.src = url;
      button.append(image);
    }
    const caption = document.createElement('span');
    caption.textContent = page.label ? `${page.label}` : String(page.num);
    button.append(caption);
    button.addEventListener('click', () => {
      emit('goTo', page.num);
      closeSidebarOnNarrow();
    });
    panel.append(button);
  }
  markThumbnails();
}

export function markThumbnails() {
  let first = null;
  for (const thumb of $('thumbs-panel').querySelectorAll('.thumb')) {
    const current = state.shown.includes(Number(thumb.dataset.page));
    thumb.classList.toggle('current', current);
    if (current) thumb.setAttribute('aria-current', 'page');
    else thumb.removeAttribute('aria-current');
    if (current && first === null) first = thumb;
  }
  // Only a panel shown can scroll (and scrolling a hidden one would scroll its ancestors).
  if (first !== null && !$('thumbs-panel').hidden && !$('sidebar').classList.contains('closed')) {
    first.scrollIntoView({ block: 'nearest' });
  }
}

// ---- tabs (the WAI-ARIA tabs pattern: one tab in the tab order, arrows move) ----

const TABS = ['toc', 'thumbs', 'results'];

export function selectTab(name, focus = false) {
  for (const tab of TABS) {
    const button = $(`tab-${tab}`);
    button.setAttribute('aria-selected', String(tab === name));
    button.tabIndex = tab === name ? 0 : -1;
    $(`${tab}-panel`).hidden = tab !== name;
  }
  if (focus) $(`tab-${name}`).focus();
  if (name === 'thumbs') markThumbnails();
}

function onTabKey(event) {
  const at = TABS.findIndex((tab) => $(`tab-${tab}`) === event.target);
  if (at < 0) return;
  const moves = { ArrowRight: at + 1, ArrowLeft: at - 1, Home: 0, End: TABS.length - 1 };
  if (!(event.key in moves)) return;
  event.preventDefault();
  selectTab(TABS[(moves[event.key] + TABS.length) % TABS.length], true);
}

// ---- open and closed ----

export function setSidebar(open) {
  $('sidebar').classList.toggle('closed', !open);
  $('toggle-sidebar').setAttribute('aria-expanded', String(open));
  if (state.current > 0 && !state.textView) layout();
  if (open) markThumbnails();
}

export function closeSidebarOnNarrow() {
  if (window.matchMedia(NARROW_SCREEN).matches && !$('sidebar').classList.contains('closed')) setSidebar(false);
}

// The toggle, the tabs' clicks and keys, and a sidebar over the page closing with a tap
// beside it or Escape.
export function wireSidebar() {
  $('toggle-sidebar').addEventListener('click', () => setSidebar($('sidebar').classList.contains('closed')));
  $('stage').addEventListener('click', closeSidebarOnNarrow);
  document.addEventListener('keydown', (event) => {
    if (event.key !== 'Escape' || !window.matchMedia(NARROW_SCREEN).matches || $('sidebar').classList.contains('closed')) return;
    setSidebar(false);
    $('toggle-sidebar').focus();
  });
  for (const tab of TABS) $(`tab-${tab}`).addEventListener('click', () => selectTab(tab));
  $('tabs').addEventListener('keydown', onTabKey);
}
