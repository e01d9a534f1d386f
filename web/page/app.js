// The Gridlet page: picks files, asks the server what they are, converts
// them through /api/convert and shows sheets through /api/show. Every text
// from a file or the server is set as text, never as markup.
'use strict';

const MAX_PREVIEW_ROWS = 500;
const MAX_PREVIEW_COLUMNS = 60;
const CONVERSIONS_AT_ONCE = 3;

const $ = (id) => document.getElementById(id);
const entries = [];
let nextId = 1;
let sourceTypes = [];

// ---------------------------------------------------------------- server

// The messages of a response: the X-Gridlet-Messages header of a success,
// the body of a failure.
function headerMessages(response) {
  const header = response.headers.get('X-Gridlet-Messages');
  if (!header) return [];
  try {
    return JSON.parse(header);
  } catch (error) {
    return [];
  }
}

async function failureOf(response) {
  try {
    const body = await response.json();
    return { error: body.error || response.statusText, code: body.code, messages: body.messages || [] };
  } catch (error) {
    return { error: `The server answered ${response.status} ${response.statusText}.`, messages: [] };
  }
}

// The file name of a Content-Disposition header (its UTF-8 form first).
function dispositionName(header, fallback) {
  if (!header) return fallback;
  const encoded = /filename\*=UTF-8''([^;]+)/i.exec(header);
  if (encoded) {
    try {
      return decodeURIComponent(encoded[1]);
    } catch (error) { /* the plain form below */ }
  }
  const plain = /filename="([^"]*)"/i.exec(header);
  return plain ? plain[1] : fallback;
}

async function postForm(path, form) {
  try {
    return await fetch(path, { method: 'POST', body: form });
  } catch (error) {
    return null;  // the server cannot be reached
  }
}

const UNREACHABLE = { error: 'The Gridlet server cannot be reached. Is it still running?', messages: [] };

// ---------------------------------------------------------------- one file

function typeLabel(type) {
  const known = sourceTypes.find((t) => t.type === type);
  return known ? known.label : type;
}

function defaultName(fileName) {
  const dot = fileName.lastIndexOf('.');
  return dot > 0 ? fileName.slice(0, dot) : fileName;
}

function addFile(file) {
  const id = nextId++;
  const element = $('file-template').content.firstElementChild.cloneNode(true);
  const entry = {
    id, file, element, type: null, result: null, resultUrl: null,
    part: (name) => element.querySelector(`.${name}`),
  };
  element.dataset.id = String(id);
  entry.part('file-name').textContent = file.name;
  entry.part('file-type').textContent = 'checking…';
  // Labels of this card point at its own fields.
  for (const field of ['source-type', 'sheet', 'device-name']) {
    const control = entry.part(field);
    control.id = `${field}-${id}`;
    control.closest('.field').querySelector('label').htmlFor = control.id;
    control.setAttribute('aria-describedby', `name-${id}`);
  }
  entry.part('file-name').id = `name-${id}`;
  entry.part('device-name').placeholder = defaultName(file.name);
  entry.part('remove').setAttribute('aria-label', `Remove ${file.name}`);
  entry.part('remove').addEventListener('click', () => removeEntry(entry));
  entry.part('convert').addEventListener('click', () => convertEntry(entry));
  entry.part('show-source').addEventListener('click', () => showSheet(entry.file, entry.file.name, entry));
  entry.part('show-result').addEventListener('click', () => {
    if (entry.result) showSheet(entry.result.blob, entry.result.name, null);
  });
  entry.part('source-type').addEventListener('change', () => {
    entry.type = entry.part('source-type').value || null;
    entry.part('file-type').textContent = entry.type ? typeLabel(entry.type) : 'unknown type';
    if (entry.type === 'xls') loadSheets(entry);
    updateButtons();
  });
  for (const field of ['sheet', 'device-name']) {
    entry.part(field).addEventListener('change', () => forgetResult(entry));
  }
  entries.push(entry);
  $('file-list').appendChild(element);
  detectType(entry);
  updateButtons();
}

async function detectType(entry) {
  let response = null;
  try {
    response = await fetch(`/api/detect?name=${encodeURIComponent(entry.file.name)}`);
  } catch (error) {
    response = null;
  }
  if (response && response.ok) {
    const type = await response.json();
    entry.type = type.type;
    entry.part('file-type').textContent = type.label;
    if (type.workbook) loadSheets(entry);
  } else {
    // The name does not tell: the user says what the file is.
    entry.part('file-type').textContent = 'unknown type';
    const select = entry.part('source-type');
    select.replaceChildren(new Option('Choose…', ''));
    for (const type of sourceTypes) select.add(new Option(type.label, type.type));
    entry.part('source-type-field').hidden = false;
    const failure = response ? await failureOf(response) : UNREACHABLE;
    showMessages(entry, [{ level: 'warning', text: failure.error }]);
  }
  updateButtons();
}

async function loadSheets(entry) {
  const select = entry.part('sheet');
  entry.part('sheet-field').hidden = false;
  select.replaceChildren(new Option('Reading worksheets…', ''));
  select.disabled = true;
  const form = new FormData();
  form.append('file', entry.file, entry.file.name);
  if (entry.part('source-type-field').hidden === false) form.append('from', entry.type);
  const response = await postForm('/api/sheets', form);
  select.replaceChildren();
  if (response && response.ok) {
    const names = await response.json();
    for (const name of names) select.add(new Option(name, name));
    select.disabled = names.length === 0;
    return;
  }
  select.add(new Option('(first worksheet)', ''));
  const failure = response ? await failureOf(response) : UNREACHABLE;
  showMessages(entry, [{ level: 'error', text: failure.error }]);
}

function removeEntry(entry) {
  forgetResult(entry);
  entry.element.remove();
  entries.splice(entries.indexOf(entry), 1);
  updateButtons();
}

function forgetResult(entry) {
  if (entry.resultUrl) URL.revokeObjectURL(entry.resultUrl);
  entry.result = null;
  entry.resultUrl = null;
  entry.part('download').hidden = true;
  entry.part('show-result').hidden = true;
  entry.part('file-state').textContent = '';
  entry.element.classList.remove('done', 'failed');
  updateButtons();
}

function showMessages(entry, messages) {
  const list = entry.part('messages');
  list.replaceChildren();
  for (const message of messages) {
    const item = document.createElement('li');
    item.className = message.level === 'error' ? 'error' : 'warning';
    const label = document.createElement('strong');
    label.textContent = message.level === 'error' ? 'Error: ' : 'Warning: ';
    item.append(label, message.text);
    if (message.code) {
      const code = document.createElement('span');
      code.className = 'code';
      code.textContent = ` (${message.code})`;
      item.append(code);
    }
    list.append(item);
  }
}

function appendEncoding(form) {
  if ($('encoding').value !== 'cp1252') form.append('text-encoding', $('encoding').value);
}

// The form fields of one file, as the API takes them.
function fieldsOf(entry) {
  const name = entry.part('device-name').value.trim();
  const sheet = entry.part('sheet-field').hidden ? '' : entry.part('sheet').value;
  return { name, sheet, from: entry.part('source-type-field').hidden ? '' : entry.type || '' };
}

async function convertEntry(entry) {
  if (!entry.type) {
    showMessages(entry, [{ level: 'error', text: 'Choose the source type of this file first.' }]);
    return false;
  }
  forgetResult(entry);
  const state = entry.part('file-state');
  const fields = fieldsOf(entry);
  const form = new FormData();
  form.append('file', entry.file, entry.file.name);
  form.append('to', $('target').value);
  if (fields.name) form.append('name', fields.name);
  if (fields.sheet) form.append('sheet', fields.sheet);
  if (fields.from) form.append('from', fields.from);
  if ($('strict').checked) form.append('strict', 'true');
  appendEncoding(form);
  entry.element.classList.remove('done', 'failed');
  entry.element.classList.add('busy');
  state.textContent = 'Converting…';
  const response = await postForm('/api/convert', form);
  entry.element.classList.remove('busy');
  if (!response || !response.ok) {
    const failure = response ? await failureOf(response) : UNREACHABLE;
    entry.element.classList.add('failed');
    state.textContent = 'Not converted.';
    const messages = failure.messages.length ? failure.messages : [{ level: 'error', text: failure.error }];
    showMessages(entry, messages);
    updateButtons();
    return false;
  }
  showMessages(entry, headerMessages(response));
  entry.element.classList.add('done');
  if (response.status === 204) {
    state.textContent = 'Checked: the file reads as a sheet. Nothing was written.';
    updateButtons();
    return true;
  }
  const blob = await response.blob();
  const name = dispositionName(response.headers.get('Content-Disposition'), 'converted');
  entry.result = { blob, name };
  entry.resultUrl = URL.createObjectURL(blob);
  const link = entry.part('download');
  link.href = entry.resultUrl;
  link.download = name;
  link.textContent = `Download ${name}`;
  link.hidden = false;
  entry.part('show-result').hidden = false;
  state.textContent = `Converted to ${name} (${blob.size} bytes).`;
  updateButtons();
  return true;
}

// ---------------------------------------------------------------- all files

async function convertAll() {
  const waiting = entries.slice();
  let done = 0;
  let failed = 0;
  $('status').textContent = `Converting ${waiting.length} files…`;
  const worker = async () => {
    while (waiting.length) {
      const entry = waiting.shift();
      if (await convertEntry(entry)) done += 1; else failed += 1;
    }
  };
  await Promise.all(Array.from({ length: CONVERSIONS_AT_ONCE }, worker));
  $('status').textContent = failed ? `${done} converted, ${failed} not converted.` : `${done} converted.`;
}

// All files in one request: one file comes back as itself, several as a zip.
async function downloadAll() {
  const form = new FormData();
  form.append('to', $('target').value);
  if ($('strict').checked) form.append('strict', 'true');
  appendEncoding(form);
  const convertible = entries.filter((entry) => entry.type);
  const names = [];
  const sheets = [];
  for (const entry of convertible) {
    const fields = fieldsOf(entry);
    form.append('file', entry.file, entry.file.name);
    names.push(fields.name);
    sheets.push(fields.sheet);
    if (fields.from) {
      $('status').textContent = 'Files of a chosen type convert one by one: use their Convert buttons.';
      return;
    }
  }
  for (const name of names) form.append('name', name);
  for (const sheet of sheets) form.append('sheet', sheet);
  $('status').textContent = 'Converting all files into one download…';
  const response = await postForm('/api/convert', form);
  if (!response || !response.ok) {
    const failure = response ? await failureOf(response) : UNREACHABLE;
    $('status').textContent = `Nothing to download: ${failure.error}`;
    return;
  }
  if (response.status === 204) {
    $('status').textContent = 'Checked: nothing was written.';
    return;
  }
  const messages = headerMessages(response);
  for (const entry of convertible) {
    showMessages(entry, messages.filter((message) => message.file === entry.file.name));
  }
  const blob = await response.blob();
  const name = dispositionName(response.headers.get('Content-Disposition'), 'gridlet.zip');
  const url = URL.createObjectURL(blob);
  const link = document.createElement('a');
  link.href = url;
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60000);
  const failures = messages.filter((message) => message.level === 'error').length;
  $('status').textContent = failures
    ? `Downloaded ${name}; some files could not be converted (see their messages).`
    : `Downloaded ${name}.`;
}

function updateButtons() {
  const any = entries.length > 0;
  $('empty').hidden = any;
  $('convert-all').disabled = !any;
  $('clear').disabled = !any;
  $('download-all').disabled = !entries.some((entry) => entry.type);
}

// ---------------------------------------------------------------- preview

function columnLetters(column) {
  let letters = '';
  for (let n = column; n > 0; n = Math.floor((n - 1) / 26)) {
    letters = String.fromCharCode(65 + ((n - 1) % 26)) + letters;
  }
  return letters;
}

async function showSheet(blob, fileName, entry) {
  const form = new FormData();
  form.append('file', blob, fileName);
  appendEncoding(form);
  if (entry) {
    const fields = fieldsOf(entry);
    if (fields.sheet) form.append('sheet', fields.sheet);
    if (fields.from) form.append('from', fields.from);
  }
  $('preview').hidden = false;
  $('preview-title').textContent = `Preview of ${fileName}`;
  $('preview-note').textContent = 'Reading…';
  $('grid').replaceChildren();
  const response = await postForm('/api/show', form);
  if (!response || !response.ok) {
    const failure = response ? await failureOf(response) : UNREACHABLE;
    $('preview-note').textContent = failure.error;
    return;
  }
  renderGrid(await response.json(), fileName);
  $('preview').scrollIntoView({ block: 'start' });
}

function renderGrid(sheet, fileName) {
  const rows = Math.min(sheet.rows, MAX_PREVIEW_ROWS);
  const columns = Math.min(sheet.columns, MAX_PREVIEW_COLUMNS);
  const byPlace = new Map();
  for (const cell of sheet.cells) byPlace.set(`${cell.row}:${cell.column}`, cell);
  const table = $('grid');
  const head = table.createTHead().insertRow();
  const corner = document.createElement('th');
  corner.scope = 'col';
  head.append(corner);
  for (let c = 1; c <= columns; c += 1) {
    const th = document.createElement('th');
    th.scope = 'col';
    th.textContent = columnLetters(c);
    head.append(th);
  }
  const body = table.createTBody();
  for (let r = 1; r <= rows; r += 1) {
    const row = body.insertRow();
    const th = document.createElement('th');
    th.scope = 'row';
    th.textContent = String(r);
    row.append(th);
    for (let c = 1; c <= columns; c += 1) {
      const td = row.insertCell();
      const cell = byPlace.get(`${r}:${c}`);
      if (cell) {
        td.textContent = cell.text;
        td.className = cell.kind;
        td.title = `${cell.address}: ${cell.kind}`;
      }
    }
  }
  const parts = [`${sheet.cells.length} cells`];
  if (sheet.name) parts.unshift(`Sheet ${sheet.name}`);
  if (sheet.rows > rows || sheet.columns > columns) {
    parts.push(`showing rows 1–${rows} and columns A–${columnLetters(columns)} of ${sheet.rows} × ${columnLetters(sheet.columns)}`);
  }
  $('preview-title').textContent = `Preview of ${fileName}`;
  $('preview-note').textContent = parts.join(' · ');
}

// ---------------------------------------------------------------- start

async function loadTypes() {
  const select = $('target');
  try {
    const response = await fetch('/api/types');
    const body = await response.json();
    const types = body.targets;
    sourceTypes = body.sources;
    for (const type of types) select.add(new Option(type.label, type.type));
    select.value = types.some((type) => type.type === 'xbv') ? 'xbv' : types[0].type;
  } catch (error) {
    $('status').textContent = UNREACHABLE.error;
  }
}

function addFiles(files) {
  for (const file of files) addFile(file);
  $('status').textContent = `${entries.length} file${entries.length === 1 ? '' : 's'} chosen.`;
}

function start() {
  loadTypes();
  const input = $('files');
  $('choose').addEventListener('click', () => input.click());
  input.addEventListener('change', () => {
    addFiles(Array.from(input.files));
    input.value = '';
  });
  const drop = $('drop');
  for (const name of ['dragenter', 'dragover']) {
    drop.addEventListener(name, (event) => {
      event.preventDefault();
      drop.classList.add('over');
    });
  }
  for (const name of ['dragleave', 'drop']) {
    drop.addEventListener(name, () => drop.classList.remove('over'));
  }
  drop.addEventListener('drop', (event) => {
    event.preventDefault();
    addFiles(Array.from(event.dataTransfer.files));
  });
  // A file dropped beside the zone is not opened by the browser.
  window.addEventListener('dragover', (event) => event.preventDefault());
  window.addEventListener('drop', (event) => event.preventDefault());
  $('target').addEventListener('change', () => entries.forEach(forgetResult));
  $('strict').addEventListener('change', () => entries.forEach(forgetResult));
  $('encoding').addEventListener('change', () => entries.forEach(forgetResult));
  $('convert-all').addEventListener('click', convertAll);
  $('download-all').addEventListener('click', downloadAll);
  $('clear').addEventListener('click', () => entries.slice().forEach(removeEntry));
  $('close-preview').addEventListener('click', () => {
    $('preview').hidden = true;
    $('grid').replaceChildren();
  });
  updateButtons();
}

start();
