// Spreads: two pages side by side where they fit, the cover alone and then 2|3, 4|5...; the
// choice remembered for this publication until the window is closed. Asks for the pages to be
// shown again when it changes ('show', which pages.js does).
import { $, emit, state } from './state.js';

// Where two pages fit side by side at a readable size (as viewer.css shows the control).
const SPREAD_SCREEN = '(min-width: 1000px) and (orientation: landscape)';
const SPREAD_KEY = `quillon-spread:${window.location.pathname}`;

function spreadOn() {
  return state.spreadWanted && window.matchMedia(SPREAD_SCREEN).matches;
}

// The pages shown for page `num`: itself, or in a spread the cover alone and then 2|3, 4|5...
export function pagesFor(num) {
  if (!spreadOn() || num === 1) return [num];
  const left = num % 2 === 0 ? num : num - 1;
  return left + 1 <= state.pages.length ? [left, left + 1] : [left];
}

export function setSpread(on) {
  state.spreadWanted = on;
  try {
    window.sessionStorage.setItem(SPREAD_KEY, on ? '1' : '0');
  } catch {
    // Storage refused (a private window): remembered until the page is left.
  }
  $('spread').setAttribute('aria-pressed', String(on));
  if (state.current > 0) emit('show', state.current);
}

// The choice remembered from before (a reload), shown on the control.
export function restoreSpread() {
  try {
    state.spreadWanted = window.sessionStorage.getItem(SPREAD_KEY) === '1';
  } catch {
    state.spreadWanted = false;
  }
  $('spread').setAttribute('aria-pressed', String(state.spreadWanted));
}
