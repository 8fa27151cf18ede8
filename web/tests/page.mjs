// What the page shows, read in the browser: the same DOM a screen reader reads.

/// Counts per section from the section headers, and the sum over them.
export async function shownCounts(page) {
  return page.evaluate(() => {
    const sections = {};
    for (const section of document.querySelectorAll('.section')) {
      const grid = section.querySelector('[role=grid]');
      sections[section.dataset.section] = Number(grid.getAttribute('aria-rowcount')) - 1;
    }
    return sections;
  });
}

/// The attention list's entries, top first: {point ("section:key"), severity, name, cleared}.
export async function attentionEntries(page) {
  return page.evaluate(() => [...document.querySelectorAll('#attention tbody tr')].map((row) => ({
    point: row.dataset.point,
    severity: row.classList.contains('alarm') ? 'alarm' : 'warning',
    name: row.cells[2].textContent,
    cleared: row.classList.contains('cleared'),
  })));
}

/// Records, in the page, when each shown row is first drawn and every change of its cells after:
/// window.__changes gets {key ("section:key"), address (its Address cell), t (Date.now()), first}.
export async function recordRowChanges(page) {
  await page.evaluate(() => {
    const seen = new Map();
    window.__changes = [];
    const scan = () => {
      const t = Date.now();
      for (const section of document.querySelectorAll('.section')) {
        const heads = [...section.querySelectorAll('[role=columnheader]')].map((h) => h.textContent);
        const addressAt = heads.indexOf('Address');
        for (const row of section.querySelectorAll('.rowgroup.body .row')) {
          const key = section.dataset.section + ':' + row.dataset.key;
          const cells = [...row.querySelectorAll('[role=gridcell]')].map((c) => c.textContent);
          const text = cells.join('\t');
          const before = seen.get(key);
          if (before !== text)
            window.__changes.push({ key, address: cells[addressAt], t, first: before === undefined });
          seen.set(key, text);
        }
      }
    };
    new MutationObserver(scan).observe(document.getElementById('sections'), { childList: true, subtree: true });
    scan();
  });
}

export async function takeRowChanges(page) {
  return page.evaluate(() => window.__changes.splice(0));
}
