// Screenshots of the page for looking at by eye, wide (1400 px) and narrow
// (390 px): a short text formatted, a 1 MB result, the questions on opening a
// file that does not decode over unsaved text, a refused text and the
// reserved-word table.
//
//   node web/tools/screenshots.js [folder] [1 MB SQL file]   (default /work/shots)
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const { openPage, pasteText: putText, formatText: format } = require('../test/browser');

const out = process.argv[2] || '/work/shots';
const big = process.argv[3] || path.resolve(__dirname, '../../../shared/bench/mixed_1mb.sql');
const SQL = `select a.id, b.name, nvl(b.qty, 0) qty, '受注' kind -- 受注明細
from orders a, items b
where a.id = b.id and b.qty > 10 and a.day between to_date('2020-01-01', 'YYYY-MM-DD') and sysdate
order by a.id;
update items set qty = qty - 1 where id in (select id from orders where status = 'open');
`;
const NO_PICKERS = () => { delete window.showOpenFilePicker; delete window.showSaveFilePicker; };

async function shots(width, height) {
  const { page, close } = await openPage({ width, height }, { initScript: NO_PICKERS });
  await page.context().grantPermissions(['clipboard-read', 'clipboard-write']);
  const shot = name => page.screenshot({ path: path.join(out, `web-${width}-${name}.png`) });
  // Line breaks separate words here; with the option off (the default, as in
  // the editor) "b" at a line end and "where" on the next line become "BWHERE".
  await page.check('#optLfSp');
  await putText(page, SQL);
  await format(page);
  await shot('after');
  await putText(page, fs.readFileSync(big, 'utf8').replace(/\r\n?/g, '\n'));
  await format(page);
  await shot('1mb');
  const undecodable = Buffer.concat([Buffer.from("select '日本語' a, '"), Buffer.from([0x95, 0x5c]), Buffer.from("' b from t")]);
  await page.setInputFiles('#fileInput', { name: 'mixed.sql', mimeType: 'text/plain', buffer: undecodable });
  await page.waitForSelector('#askDialog[open]');
  await shot('open-unsaved');
  await page.click('#askDialog button[value=ok]');
  await page.waitForSelector('#askDialog[open]');
  await shot('open-question');
  await page.click('#askDialog button[value=cancel]');
  await putText(page, "select a, 'open from t\nwhere b = 1;");
  await format(page);
  await shot('refused');
  await page.click('#keywordButton');
  await page.click('#tabKansu');
  await shot('keywords');
  await close();
}

(async () => {
  fs.mkdirSync(out, { recursive: true });
  await shots(1400, 860);
  await shots(390, 844);
  console.log(`screenshots in ${out}`);
})();
