// Text made safe to stand in HTML, between tags or in a quoted attribute.
const ENTITIES = { '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;' };

export function escapeHtml(s) {
  return s.replace(/[&<>"]/g, c => ENTITIES[c]);
}
