// Touch gestures on the stage: two fingers moving apart or together (pinch), two quick taps
// at one place (double tap) and a quick horizontal stroke (swipe). Scrolling with one finger
// is the browser's own (the stage's touch-action lets it pan but not zoom the whole page).

// A tap: at most this long (ms) and this far (CSS px) from where it started; two taps are a
// double tap when the second ends within DOUBLE_TAP_MS of the first and this close to it.
const TAP_MS = 300;
const TAP_SLOP = 12;
const DOUBLE_TAP_MS = 350;
const DOUBLE_TAP_SLOP = 40;
// A swipe: at least this far sideways, and twice as far sideways as up or down.
const SWIPE_DISTANCE = 50;

const distance = (a, b) => Math.hypot(a.clientX - b.clientX, a.clientY - b.clientY);
const centre = (a, b) => ({ x: (a.clientX + b.clientX) / 2, y: (a.clientY + b.clientY) / 2 });

// Calls on.pinchStart(centre), on.pinch(ratio to the start, centre), on.pinchEnd(),
// on.doubleTap(point) and on.swipe(step: 1 for a stroke to the left, -1 to the right).
export function watchGestures(element, on) {
  let single = null;  // {x, y, time} of a one-finger touch
  let pinch = null;   // {distance} of a two-finger touch
  let lastTap = null; // {x, y, time} of the last tap
  element.addEventListener('touchstart', (event) => {
    if (event.touches.length === 2) {
      single = null;
      const [a, b] = event.touches;
      pinch = { distance: Math.max(distance(a, b), 1) };
      on.pinchStart(centre(a, b));
    } else if (event.touches.length === 1 && pinch === null) {
      single = { x: event.touches[0].clientX, y: event.touches[0].clientY, time: event.timeStamp };
    } else {
      single = null;
    }
  }, { passive: true });
  element.addEventListener('touchmove', (event) => {
    if (pinch === null || event.touches.length !== 2) return;
    const [a, b] = event.touches;
    on.pinch(distance(a, b) / pinch.distance, centre(a, b));
  }, { passive: true });
  const end = (event) => {
    if (pinch !== null) {
      if (event.touches.length < 2) {
        pinch = null;
        lastTap = null;
        on.pinchEnd();
      }
      return;
    }
    if (single === null || event.changedTouches.length === 0) return;
    const touch = event.changedTouches[0];
    const dx = touch.clientX - single.x;
    const dy = touch.clientY - single.y;
    const quick = event.timeStamp - single.time <= TAP_MS;
    single = null;
    if (Math.abs(dx) > SWIPE_DISTANCE && Math.abs(dx) > 2 * Math.abs(dy)) {
      lastTap = null;
      on.swipe(dx < 0 ? 1 : -1);
      return;
    }
    if (!quick || Math.hypot(dx, dy) > TAP_SLOP) {
      lastTap = null;
      return;
    }
    const tap = { x: touch.clientX, y: touch.clientY, time: event.timeStamp };
    if (lastTap !== null && tap.time - lastTap.time <= DOUBLE_TAP_MS &&
        Math.hypot(tap.x - lastTap.x, tap.y - lastTap.y) <= DOUBLE_TAP_SLOP) {
      lastTap = null;
      on.doubleTap(tap);
      return;
    }
    lastTap = tap;
  };
  element.addEventListener('touchend', end, { passive: true });
  element.addEventListener('touchcancel', () => {
    if (pinch !== null) on.pinchEnd();
    pinch = null;
    single = null;
  }, { passive: true });
}
