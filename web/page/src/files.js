// Opening and saving SQL files. The bytes are decoded and encoded by the
// worker with the project's own codec, exactly as kelvra-format reads and
// writes them; the page keeps the format a file was read in for its save.
const FILE_TYPES = [{ description: 'SQL', accept: { 'text/plain': ['.sql', '.txt'] } }];

// A new text is saved as the desktop program saves plain text.
export const NEW_FILE_FORMAT = {
  encoding: 'cp932', byteOrderMark: false, lineEnd: 'crlf', mixedLineEnds: false, keptCodes: [], mixedCodes: []
};

export function describeFormat(format) {
  const names = { utf8: 'UTF-8', utf16le: 'UTF-16LE', utf16be: 'UTF-16BE' };
  const named = names[format.encoding];
  const encoding = named ? (format.byteOrderMark && format.encoding === 'utf8' ? 'UTF-8 (BOM)' : named) : 'Shift-JIS';
  const lineEnd = { crlf: 'CR+LF', lf: 'LF', cr: 'CR' }[format.lineEnd];
  return encoding + ', ' + lineEnd;
}

function isAbort(e) {
  return e && e.name === 'AbortError';
}

// Where files come from and go to: the File System Access API when the
// browser has it, else a file input and a download.
export class FilePlace {
  constructor(input) {
    this.input = input;
  }

  // Calls `open(file, handle)` with the file the user picks (handle: where it
  // can be saved back, when the browser says).
  async pick(open) {
    if (!window.showOpenFilePicker) {
      this.input.value = '';
      this.input.click(); // the input's change event opens the file
      return;
    }
    let handle;
    try {
      [handle] = await window.showOpenFilePicker({ types: FILE_TYPES });
    } catch (e) {
      if (isAbort(e)) return;
      throw e;
    }
    await open(await handle.getFile(), handle);
  }

  // The file of a drop, with its handle where the browser gives one.
  async dropped(dataTransfer) {
    const item = [...dataTransfer.items].find(i => i.kind === 'file');
    if (!item) return null;
    let handle = null;
    if (item.getAsFileSystemHandle) {
      try { handle = await item.getAsFileSystemHandle(); } catch (e) { handle = null; }
    }
    const file = item.getAsFile();
    return file ? { file, handle: handle && handle.kind === 'file' ? handle : null } : null;
  }

  // Writes `bytes` (a Blob) back to `handle`, or to a place the user picks, or as a
  // download named `name`. Gives the handle written to (null for a download),
  // or undefined when the user cancelled.
  async save(name, bytes, handle) {
    try {
      if (!handle && window.showSaveFilePicker) handle = await window.showSaveFilePicker({ suggestedName: name, types: FILE_TYPES });
      if (handle) {
        const writable = await handle.createWritable();
        await writable.write(bytes);
        await writable.close();
        return handle;
      }
    } catch (e) {
      if (isAbort(e)) return undefined;
      throw e;
    }
    const url = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
    const a = document.createElement('a');
    a.href = url;
    a.download = name;
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
    return null;
  }
}
