// Screenshots of the page before and after a format, of a refused text and of
// the reserved-word table, for looking at by eye.
//
//   node web/tools/screenshots.js [folder]     (default /work/shots)
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const { openPage } = require('../test/browser');

const out = process.argv[2] || '/work/shots';
const SQL = `select a.id, b.name, nvl(b.qty, 0) qty, '受注' kind -- 受注明細
from orders a, items b
where a.id = b.id and b.qty > 10 and a.day between to_date('2020-01-01', 'YYYY-MM-DD') and sysdate
order by a.id;
update items set qty = qty - 1 where id in (select id from orders where status = 'open');
`;

(async () => {
  fs.mkdirSync(out, { recursive: true });
  const { page, close } = await openPage({ width: 1280, height: 760 });
  const shot = name => page.screenshot({ path: path.join(out, `web-${name}.png`) });
  // Line breaks separate words here; with the option off (the default, as in
  // the editor) "b" at a line end and "where" on the next line become "BWHERE".
  await page.check('#optLfSp');
  await page.fill('#source', SQL);
  await shot('before');
  await page.keyboard.press('Control+g');
  await page.waitForSelector('#result:not([hidden]) b');
  await shot('after');
  await page.click('#keywordButton');
  await page.click('#tabKansu');
  await shot('keywords');
  await page.click('#keywordButton');
  await page.click('#editButton');
  await page.fill('#source', "select a, 'open from t\nwhere b = 1;");
  await page.keyboard.press('Control+g');
  await page.waitForSelector('#message:not([hidden])');
  await shot('refused');
  await close();
  console.log(`screenshots in ${out}`);
})();
