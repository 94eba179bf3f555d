// Search: running a search over every page's text (searchtext.js gives it, textlayer.js
// matches), the hits in page order, the results list with snippets, the hit count, stepping
// from hit to hit, and marking the hits on the pages shown (boxes over their words, link
// areas holding the term). A hit on another page asks for it ('goTo', which pages.js does);
// needs the sidebar's tabs (sidebar.js).
import { $, documentLanguage, emit, on, plural, setStatus, state } from './state.js';
import { findAll, foldTerm, wordBoxElement } from './textlayer.js';
import { searchablePage } from './searchtext.js';
import { markTextHits } from './textview.js';
import { closeSidebarOnNarrow, selectTab } from './sidebar.js';

// How many pages' text is asked for at once (a browser opens six connections to a host; the
// results come in page order), the most hits kept (a common word in a long book) and listed.
const SEARCH_FETCHES_IN_FLIGHT = 6;
const MAX_HITS = 10000;
const MAX_LISTED_HITS = 1000;
const SNIPPET_BEFORE = 40;
const SNIPPET_AFTER = 60;

export async function search(term) {
  const run = ++state.searchRun;
  state.term = term.trim().toLowerCase();
  state.query = foldTerm(term);
  state.hits = [];
  state.hitIndex = -1;
  markHits();
  showHitBoxes();
  const panel = $('results-panel');
  panel.replaceChildren();
  selectTab('results');
  $('hit-count').textContent = '';
  if (state.query === '') return;
  const summary = document.createElement('p');
  summary.className = 'results-summary';
  const list = document.createElement('div');
  list.className = 'results';
  panel.append(summary, list);
  state.searching = true;
  $('search').classList.add('busy');
  showCount(false);
  const startPage = state.current;
  const pending = [];
  let next = 1;
  const ask = () => {
    while (pending.length < SEARCH_FETCHES_IN_FLIGHT && next <= state.pages.length) {
      pending.push(searchablePage(next++).catch((error) => ({ error })));
    }
  };
  state.hitPages = 0;
  let failure = null;
  for (let num = 1; num <= state.pages.length && state.hits.length < MAX_HITS; num++) {
    ask();
    const page = await pending.shift();
    if (run !== state.searchRun) return;  // a newer search started
    if (page.error) {
      failure = page.error;
      break;
    }
    const found = findAll(page.text, state.query, MAX_HITS - state.hits.length);
    if (found.length === 0) {
      if (state.hits.length === 0) $('hit-count').textContent = `Searching… (page ${num} of ${state.pages.length})`;
      continue;
    }
    state.hitPages++;
    for (const hit of found) {
      const index = state.hits.length;
      state.hits.push({ num: page.num, words: hit.words, hasBoxes: page.hasBoxes });
      if (index < MAX_LISTED_HITS) list.append(resultButton(index, page, hit));
    }
    // The first hit on or after the page shown is gone to as soon as it is known.
    if (state.hitIndex < 0 && page.num >= startPage) {
      goToHit(state.hits.length - found.length);
    } else if (state.shown.includes(page.num)) {
      showHitBoxes();
    }
    showCount(false);
  }
  state.searching = false;
  $('search').classList.remove('busy');
  if (failure !== null) {
    setStatus(`The text index cannot be read: ${failure.message}`);
  }
  if (state.hitIndex < 0 && state.hits.length > 0) goToHit(0);
  showCount(true);
  // The term in its own direction (bdi), so that an Arabic term keeps its place in the English
  // sentence around it, and in the document's language.
  const quoted = document.createElement('bdi');
  quoted.textContent = term.trim();
  quoted.lang = documentLanguage();
  summary.replaceChildren(...(state.hitPages === 0 ? ['No page holds "', quoted, '".']
    : [`${plural(state.hitPages, 'page holds', 'pages hold')} "`, quoted, `": ${plural(state.hits.length, 'hit', 'hits')}.`]));
}

function showCount(done) {
  const count = state.hits.length;
  let text;
  if (count === 0) text = done ? 'No hits' : 'Searching…';
  else if (state.hitIndex >= 0) text = `Hit ${state.hitIndex + 1} of ${count}${done ? '' : '…'}`;
  else text = `${plural(count, 'hit', 'hits')}${done ? '' : '…'}`;
  if (done && count > 0) text += ` on ${plural(state.hitPages, 'page', 'pages')}`;
  $('hit-count').textContent = text;
}

function resultButton(index, page, hit) {
  const shown = page.text.shown;
  const from = Math.max(0, hit.shownFrom - SNIPPET_BEFORE);
  const to = Math.min(shown.length, hit.shownTo + SNIPPET_AFTER);
  const button = document.createElement('button');
  button.type = 'button';
  button.className = 'result';
  button.dataset.page = String(page.num);
  button.dataset.hit = String(index);
  const heading = document.createElement('b');
  const label = state.pages[page.num - 1] ? state.pages[page.num - 1].label : '';
  heading.textContent = `Page ${page.num}${label && label !== String(page.num) ? ` (${label})` : ''}`;
  const context = document.createElement('span');
  context.lang = documentLanguage();
  const mark = document.createElement('mark');
  mark.textContent = shown.slice(hit.shownFrom, hit.shownTo);
  context.append(
    document.createTextNode(`${from > 0 ? '…' : ''}${shown.slice(from, hit.shownFrom)}`),
    mark,
    document.createTextNode(`${shown.slice(hit.shownTo, to)}${to < shown.length ? '…' : ''}`));
  button.append(heading, context);
  button.addEventListener('click', () => {
    goToHit(index);
    closeSidebarOnNarrow();
  });
  return button;
}

export function goToHit(index) {
  if (index < 0 || index >= state.hits.length) return;
  state.hitIndex = index;
  const hit = state.hits[index];
  for (const button of $('results-panel').querySelectorAll('.result')) {
    const current = button.dataset.hit === String(index);
    if (current) button.setAttribute('aria-current', 'true');
    else button.removeAttribute('aria-current');
  }
  if (!state.shown.includes(hit.num)) emit('goTo', hit.num);
  showHitBoxes(true);
  showCount(!state.searching);
}

// The next (step 1) or previous (-1) hit, round the publication.
export function stepHit(step) {
  const count = state.hits.length;
  if (count === 0) return;
  if (state.hitIndex < 0) {
    const after = state.hits.findIndex((hit) => hit.num >= state.current);
    goToHit(step > 0 ? Math.max(after, 0) : (after <= 0 ? count - 1 : after - 1));
    return;
  }
  goToHit((state.hitIndex + step + count) % count);
}

// Enter in the search box: a new term searches, the same term goes on to the next hit.
export function searchOrStep(step) {
  const term = $('search-input').value;
  if (foldTerm(term) !== '' && foldTerm(term) === state.query && state.hits.length > 0) stepHit(step);
  else search(term);
}

// ---- the hits on the pages shown ----

// The boxes of the hits on the pages shown; the current one marked and, if asked, scrolled to.
export function showHitBoxes(scroll = false) {
  let current = null;
  for (const frame of state.frames) {
    const shown = frame.layer;
    if (shown === null) continue;
    shown.hits.replaceChildren();
    state.hits.forEach((hit, index) => {
      if (hit.num !== shown.num || !hit.hasBoxes) return;
      for (const [l, w, from, to] of hit.words) {
        const line = shown.layer.lines[l];
        if (!line || !line.words[w]) continue;
        const box = wordBoxElement(line, line.words[w], from, to);
        box.dataset.hit = String(index);
        if (index === state.hitIndex) {
          box.classList.add('current');
          if (current === null) current = box;
        }
        shown.hits.append(box);
      }
    });
  }
  if (scroll && current !== null) current.scrollIntoView({ block: 'center', inline: 'center' });
}

// A page's text layer shown: its hits boxed (and the current one scrolled to); its link areas
// shown: those holding the term marked.
on('layerShown', () => showHitBoxes(true));
on('areasShown', () => markHits());

export function markHits() {
  markTextHits();
  for (const frame of state.frames) {
    for (const area of frame.areaElements) {
      const text = (area.dataset.text || '').toLowerCase();
      area.classList.toggle('hit', state.term !== '' && text.includes(state.term));
    }
  }
}
