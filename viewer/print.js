// Printing: the dialog (the pages shown, or all pages), and printing page images one a sheet
// (viewer.css's print rules show nothing else). Needs the shared state only.
import { $, plural, showLoading, state } from './state.js';
import { fileUrl } from './files.js';

// Prints the images of pages `nums`, one a sheet: their img elements are made, awaited and
// then printed; they are removed after printing.
async function printPages(nums) {
  const holder = $('print-pages');
  holder.replaceChildren();
  for (const num of nums) {
    const page = state.pages[num - 1];
    // At the zoom images' resolution (twice the normal images'), which a printer's page needs;
    // the normal image where a publication has none.
    const image = page.zoom || page.normal;
    const url = image ? fileUrl(image.file) : null;
    if (url === null) continue;
    const element = document.createElement('img');
    element.alt = `Page ${page.label || page.num}`;
    element.src = url;
    holder.append(element);
  }
  showLoading(`Preparing ${plural(holder.childElementCount, 'page', 'pages')} for printing…`);
  // Arrived, not decoded: a long book's images decoded at once would take gigabytes.
  await Promise.all([...holder.children].map((element) => (element.complete ? null : new Promise((resolve) => {
    element.addEventListener('load', resolve, { once: true });
    element.addEventListener('error', resolve, { once: true });
  }))));
  showLoading('');
  document.body.classList.add('printing');
  window.print();
}

function afterPrint() {
  document.body.classList.remove('printing');
  $('print-pages').replaceChildren();
}

// The Print button opens the dialog; its choice prints.
export function wirePrint() {
  $('print').addEventListener('click', () => {
    $('print-current').textContent = state.shown.length > 1 ? 'The pages shown' : 'The page shown';
    $('print-dialog').returnValue = '';
    $('print-dialog').showModal();
  });
  for (const choice of $('print-dialog').querySelectorAll('button')) {
    choice.addEventListener('click', () => $('print-dialog').close(choice.value));
  }
  $('print-dialog').addEventListener('close', () => {
    const choice = $('print-dialog').returnValue;
    if (choice === 'current') printPages(state.shown);
    else if (choice === 'all') printPages(state.pages.map((p) => p.num));
  });
  window.addEventListener('afterprint', afterPrint);
}
