// Text made safe to stand in HTML, between tags or in a quoted attribute.
const ENTITIES = { '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;' };

const SPECIAL = /[&<>"]/;

export function escapeHtml(s) {
  return SPECIAL.test(s) ? s.replace(/[&<>"]/g, c => ENTITIES[c]) : s;
}
