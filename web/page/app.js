// The utility's window in the page. Everything it shows comes from the server (the window's own
// logic runs there, on one thread, as in the window); the page draws the dialog templates, shows
// each change as it comes, and sends the user's clicks, picks and typing back in order.
"use strict";

// The window as Windows draws it at 120 DPI (125%): 8-point type makes a dialog unit 1.5 px across
// and 1.625 px down at 96 DPI, and everything grows alike, so that the rows of check boxes and
// edit boxes, 12 units apart, are 24 px apart: big enough to hit.
const SCALE = 24 / (12 * 1.625);
const UNIT_Y = 1.625 * SCALE; // px per vertical dialog unit
const BASE_UNIT_X = 1.5; // px per horizontal dialog unit at 96 DPI
const WIDE_UNIT_X = BASE_UNIT_X * SCALE; // where the screen is wide enough
let unitX = WIDE_UNIT_X; // narrower on a smaller screen: see fit()
const MIN_TARGET = 24; // px: the least height of anything to click or tap
const COMBO_HEIGHT = MIN_TARGET; // a closed drop-down list; the template's height is the open list's
const MAIN_DIALOG = 1001;
const PICKERS = { 1001: [4092], 1003: [2] }; // buttons whose command first asks for a file
const CLIENT = Math.random().toString(36).slice(2) + Date.now().toString(36);

let layout = {};
const elements = {}; // "dialog:id" -> the control's element
const windows = {}; // dialog id -> its window element
const pendingEdits = {}; // "dialog:id" -> edits sent and not yet answered
const deferredStates = {}; // the newest state of a box with edits under way
let stack = [];
// The bytes the message boxes can still take, as the program last said, and as this page's own
// edits under way leave it: the input filter's capacity, for keeping out what it would refuse.
let serverRoom = Infinity;
let localRoom = Infinity;

// ---- sending, in order -----------------------------------------------------------------

const outbox = [];
let sending = false;
let stopped = false; // the server ended this page's stream for a newer page

function send(event) {
  outbox.push(event);
  flush();
}

async function flush() {
  if (sending || outbox.length === 0) return;
  sending = true;
  const events = outbox.splice(0);
  try {
    const response = await fetch("/api/events", {
      method: "POST",
      headers: { "Content-Type": "application/json" },
      body: JSON.stringify({ client: CLIENT, events }),
    });
    // A refusal (a file larger than the server takes) says why; the next request that is taken
    // clears it.
    if (!stopped) notify(response.ok ? "" : (await response.text()).trim());
  } catch (error) {
    // The stream's own reconnection tells the user; the events are lost like clicks on a
    // window that has gone.
  }
  sending = false;
  flush();
}

function notify(text) {
  const notice = document.getElementById("notice");
  notice.textContent = text;
  notice.hidden = text === "";
}

// ---- drawing the templates -----------------------------------------------------------------

function key(dialog, id) {
  return dialog + ":" + id;
}

// A check box or radio button keeps its row but is as high as a target must be: its caption is
// part of it.
function drawnHeight(control) {
  if (control.kind === "combo") return COMBO_HEIGHT;
  const height = control.h * UNIT_Y;
  return control.kind === "check" || control.kind === "radio" ? Math.max(height, MIN_TARGET) : height;
}

function place(element, control) {
  const height = drawnHeight(control);
  // Grown higher than its template, a control keeps its middle where the template has it.
  const grown = control.kind === "combo" ? 0 : height - control.h * UNIT_Y;
  element.style.left = control.x * unitX + "px";
  element.style.top = control.y * UNIT_Y - grown / 2 + "px";
  element.style.width = control.w * unitX + "px";
  element.style.height = height + "px";
}

// Element ids, for naming one element by another's text.
function elementId(dialog, id) {
  return "c" + dialog + "-" + id;
}
function titleId(dialog) {
  return "t" + dialog;
}

function hasStyle(control, name) {
  return (" " + control.styles).includes(" " + name + " ");
}

// `group`: the first control of the template's group (WS_GROUP) that the control belongs to.
function makeControl(dialog, control, group) {
  let element;
  switch (control.kind) {
    case "groupbox": {
      element = document.createElement("fieldset");
      element.className = "groupbox";
      const legend = document.createElement("legend");
      legend.textContent = control.text;
      element.append(legend);
      break;
    }
    case "static":
      element = document.createElement("div");
      element.className = "static " + control.align;
      if (hasStyle(control, "SS_CENTERIMAGE")) element.classList.add("middle");
      if (hasStyle(control, "SS_LEFTNOWORDWRAP")) element.classList.add("nowrap");
      break;
    case "button":
      element = document.createElement("button");
      element.type = "button";
      if (control.default) element.classList.add("default");
      element.addEventListener("click", () => clicked(dialog, control.id));
      break;
    case "check":
    case "radio": {
      element = document.createElement("label");
      element.className = "choice";
      const input = document.createElement("input");
      input.type = control.kind === "check" ? "checkbox" : "radio";
      // Radio buttons of one group of the template are one stop of the tab order, arrows move
      // among them, as in the window.
      if (control.kind === "radio") input.name = "g" + dialog + "-" + group;
      // The program sets the mark from the settings after each click, as the window's
      // CHECKBOX and RADIOBUTTON (not AUTO-) controls have it.
      input.addEventListener("click", (event) => {
        event.preventDefault();
        clicked(dialog, control.id);
      });
      const caption = document.createElement("span");
      element.append(input, caption);
      break;
    }
    case "edit":
      element = document.createElement(hasStyle(control, "ES_MULTILINE") ? "textarea" : "input");
      element.dataset.accepts = control.accepts ?? "";
      if (element.tagName === "INPUT") element.type = "text";
      if (hasStyle(control, "WS_VSCROLL")) element.classList.add("vscroll");
      element.spellcheck = false;
      element.autocomplete = "off";
      if (hasStyle(control, "ES_UPPERCASE")) element.autocapitalize = "characters";
      if (hasStyle(control, "ES_NUMBER")) element.inputMode = "numeric";
      listenToTyping(dialog, control, element);
      break;
    case "combo":
      element = document.createElement("select");
      element.addEventListener("change", () => {
        send({ kind: "select", dialog, id: control.id, index: element.selectedIndex });
      });
      break;
    case "progress":
      element = document.createElement("div");
      element.className = "progress";
      element.setAttribute("role", "progressbar");
      element.setAttribute("aria-valuemin", "0");
      element.setAttribute("aria-valuemax", "100");
      element.setAttribute("aria-valuenow", "0");
      element.append(Object.assign(document.createElement("div"), { className: "bar" }));
      break;
    default:
      element = document.createElement("div");
  }
  element.dataset.id = control.id;
  element.dataset.kind = control.kind;
  element.id = elementId(dialog, control.id);
  place(element, control);
  if (control.kind !== "edit" && control.kind !== "combo") showText(element, control.text);
  elements[key(dialog, control.id)] = element;
  return element;
}

function makeTitleBar(caption, onClose) {
  const bar = document.createElement("header");
  bar.className = "titlebar";
  const icon = document.createElement("img");
  icon.className = "icon";
  icon.src = "/favicon.ico";
  icon.alt = "";
  const title = document.createElement("span");
  title.className = "title";
  title.textContent = caption;
  const close = document.createElement("button");
  close.type = "button";
  close.className = "close";
  close.textContent = "\u2715";
  close.setAttribute("aria-label", "Close");
  // Not a tab stop, as in the window: Escape, or the window's own Exit, does its work.
  close.tabIndex = -1;
  close.dataset.close = "";
  close.addEventListener("click", onClose);
  bar.append(icon, title, close);
  return bar;
}

function makeWindow(dialog, template) {
  const win = document.createElement("section");
  win.className = "window";
  win.dataset.dialog = dialog;
  win.setAttribute("role", "dialog");
  const titleBar = makeTitleBar(template.caption, () => send({ kind: "close", dialog }));
  titleBar.querySelector(".title").id = titleId(dialog);
  const client = document.createElement("div");
  client.className = "client";
  client.style.width = template.w * unitX + "px";
  client.style.height = template.h * UNIT_Y + "px";
  let group = 0;
  for (const control of template.controls) {
    // A static text starts a group unless told otherwise, as its statement does in a template.
    if (hasStyle(control, "WS_GROUP") || control.kind === "static") group = control.id;
    client.append(makeControl(dialog, control, group));
  }
  win.append(titleBar, client);
  win.setAttribute("aria-labelledby", titleId(dialog));
  for (const control of template.controls) {
    if (["edit", "combo", "progress"].includes(control.kind)) nameByCaption(dialog, control);
  }
  win.hidden = true;
  windows[dialog] = win;
  return win;
}

// A box, list or progress bar is named by the static text that the template puts before it, as a
// screen reader names it in the window (the program finds which); by its window's title while
// that text is empty or there is none.
const namedBy = {}; // "dialog:caption id" -> the controls it names

function nameByCaption(dialog, control) {
  const element = elements[key(dialog, control.id)];
  if (control.caption !== null && control.caption !== undefined) {
    const k = key(dialog, control.caption);
    (namedBy[k] = namedBy[k] || []).push(element);
  }
  element.dataset.caption = control.caption ?? "";
  refreshName(dialog, element);
}

function refreshName(dialog, element) {
  const caption = elements[key(dialog, element.dataset.caption)];
  const named = caption && caption.textContent.trim() !== "";
  element.setAttribute("aria-labelledby", named ? caption.id : titleId(dialog));
}

// ---- showing the state ----------------------------------------------------------------------

function showText(element, text) {
  if (element.dataset.kind === "check" || element.dataset.kind === "radio") {
    element.querySelector("span").textContent = text;
  } else if (element.dataset.kind === "groupbox") {
    element.querySelector("legend").textContent = text;
  } else if (element.dataset.kind !== "progress") {
    if (element.textContent === text) return;
    element.textContent = text;
    const win = element.closest("[data-dialog]");
    if (!win) return; // still being drawn
    const dialog = win.dataset.dialog;
    for (const named of namedBy[key(dialog, element.dataset.id)] || []) refreshName(dialog, named);
  }
}

// A box's text as the browser keeps it: a line break is one character.
function pageText(text) {
  return text.replace(/\r\n/g, "\n");
}

function showBox(element, state, caret) {
  const text = pageText(state.text);
  if (element.value !== text) element.value = text;
  if (caret !== undefined && document.activeElement === element) {
    element.setSelectionRange(caret, caret);
  }
}

function applyState(dialog, id, state, message) {
  const element = elements[key(dialog, id)];
  if (!element) return;
  const kind = element.dataset.kind;
  const input = kind === "check" || kind === "radio" ? element.querySelector("input") : element;
  // A control that the window disables or hides while it has the focus gets it back once it can
  // take it again (Read, disabled while it reads), unless the user has gone elsewhere meanwhile.
  if ((!state.enabled || !state.visible) && input === document.activeElement) pendingFocus = input;
  element.hidden = !state.visible;
  input.disabled = !state.enabled;
  element.classList.toggle("disabled", !state.enabled);
  if (state.live) {
    // Its new texts are spoken as they come, after whatever is being said.
    element.setAttribute("aria-live", "polite");
    element.setAttribute("aria-atomic", "true");
  } else {
    element.removeAttribute("aria-live");
  }
  if (input === pendingFocus) tryPendingFocus();
  switch (kind) {
    case "edit": {
      const k = key(dialog, id);
      const mine = message && message.client === CLIENT && message.caret !== undefined;
      if (mine && pendingEdits[k] > 0) pendingEdits[k] -= 1;
      if (mine && element.dataset.accepts !== "" && message.room !== undefined) {
        roomAnswered(message.room);
      }
      if (pendingEdits[k] > 0) {
        // Typing goes on ahead of the server: show its answer once it has caught up.
        deferredStates[k] = state;
        return;
      }
      showBox(element, state, mine ? message.caret : undefined);
      break;
    }
    case "combo":
      showList(element, state);
      break;
    case "check":
    case "radio":
      input.checked = state.checked;
      showText(element, state.text);
      break;
    case "progress":
      element.setAttribute("aria-valuenow", String(state.progress));
      element.firstChild.style.width = state.progress + "%";
      break;
    default:
      showText(element, state.text);
  }
}

function showList(element, state) {
  const current = Array.from(element.options, (o) => o.text);
  if (current.join("\n") !== state.items.join("\n") || current.length !== state.items.length) {
    element.replaceChildren(...state.items.map((text) => new Option(text)));
  }
  element.selectedIndex = state.selection;
}

// ---- the focus ------------------------------------------------------------------------------

let lastFocused = null; // the control of a window that last had the focus
let pendingFocus = null; // a control to take the focus back as soon as it can
let topWindow = null; // the element of the topmost window
const openers = []; // per level of the stack, the control that had the focus when it opened

document.addEventListener("focusin", (event) => {
  if (event.target !== pendingFocus) pendingFocus = null;
  if (event.target.closest(".window")) lastFocused = event.target;
});

function canTakeFocus(element) {
  return element.isConnected && !element.disabled && !element.closest("[inert]") &&
    element.getClientRects().length > 0;
}

function tryPendingFocus() {
  if (pendingFocus && canTakeFocus(pendingFocus)) {
    const element = pendingFocus;
    pendingFocus = null;
    element.focus();
  }
}

// What Tab reaches in a window, in order: one radio button of a group (its checked one).
function tabStops(win) {
  return Array.from(win.querySelectorAll("button, input, select, textarea")).filter((e) => {
    if (e.tabIndex < 0 || !canTakeFocus(e)) return false;
    if (e.type !== "radio" || e.checked) return true;
    return !win.querySelector(`input[type="radio"][name="${e.name}"]:checked`);
  });
}

// ---- the windows ------------------------------------------------------------------------------

function showWindows(list) {
  const before = stack.length;
  stack = list;
  // A window opened over another: the focus goes back where it was once it closes.
  for (let level = before; level < list.length; level++) openers[level] = lastFocused;
  document.querySelectorAll(".modal-layer").forEach((layer) => layer.remove());
  for (const win of Object.values(windows)) {
    if (win.parentElement && win.parentElement.classList.contains("modal-layer")) win.remove();
    win.hidden = true;
  }
  const desktop = document.getElementById("desktop");
  list.forEach((entry, level) => {
    const top = level === list.length - 1;
    let win;
    if (entry.kind === "dialog") {
      win = windows[entry.dialog];
      if (!win) return;
      win.querySelector(".titlebar .title").textContent = entry.caption;
      if (entry.dialog === MAIN_DIALOG) document.title = entry.caption;
    } else if (entry.kind === "alert") {
      win = makeErrorBox(entry.text);
    } else {
      win = makeSavePrompt(entry);
    }
    win.hidden = false;
    // Only the topmost window takes input, as under a modal dialog.
    win.inert = !top;
    if (level === 0) {
      win.classList.add("main-window");
      if (win.parentElement !== desktop) desktop.append(win);
    } else {
      const layer = document.createElement("div");
      layer.className = "modal-layer";
      layer.append(win);
      document.body.append(layer);
      win.setAttribute("aria-modal", "true");
    }
    if (top) topWindow = win;
    if (top && level > 0) focusFirst(win);
  });
  if (list.length < before) {
    pendingFocus = openers[list.length] || pendingFocus;
    openers.length = list.length;
  }
  fit();
  tryPendingFocus();
}

// A window that opens takes the focus, on its first tab stop as a dialog does.
function focusFirst(win) {
  const target = win.querySelector("[data-autofocus]") || tabStops(win)[0];
  if (target && !win.contains(document.activeElement)) target.focus();
}

function makeErrorBox(text) {
  const box = document.createElement("section");
  box.className = "window message";
  box.setAttribute("role", "alertdialog");
  box.dataset.dialog = "message";
  const titleId = "message-title";
  const textId = "message-text";
  box.setAttribute("aria-labelledby", titleId);
  box.setAttribute("aria-describedby", textId);
  const bar = makeTitleBar("Error", () => send({ kind: "alert-ok" }));
  bar.querySelector(".title").id = titleId;
  const body = document.createElement("div");
  body.className = "message-body";
  const mark = document.createElement("span");
  mark.className = "mark";
  mark.textContent = "!";
  mark.setAttribute("aria-hidden", "true");
  const message = document.createElement("p");
  message.id = textId;
  message.dataset.id = "65535"; // the message box's text, as Win32 numbers it
  message.textContent = text;
  body.append(mark, message);
  const buttons = document.createElement("div");
  buttons.className = "message-buttons";
  const ok = document.createElement("button");
  ok.type = "button";
  ok.textContent = "OK";
  ok.dataset.id = "1";
  ok.dataset.autofocus = "";
  ok.addEventListener("click", () => send({ kind: "alert-ok" }));
  buttons.append(ok);
  box.append(bar, body, buttons);
  return box;
}

function makeSavePrompt(entry) {
  const box = document.createElement("section");
  box.className = "window save";
  box.setAttribute("role", "dialog");
  box.setAttribute("aria-label", "Save As");
  box.dataset.dialog = "save";
  const cancel = () => send({ kind: "save-cancel" });
  const form = document.createElement("form");
  const body = document.createElement("div");
  body.className = "save-body";
  const nameLabel = document.createElement("label");
  nameLabel.append("File name:");
  const name = document.createElement("input");
  name.type = "text";
  name.dataset.id = "1148"; // the file dialog's name box, as Win32 numbers it
  name.dataset.autofocus = "";
  name.autocomplete = "off";
  name.spellcheck = false;
  nameLabel.append(name);
  const typeLine = document.createElement("label");
  typeLine.append("Save as type:", Object.assign(document.createElement("span"), { textContent: entry.text }));
  body.append(nameLabel, typeLine);
  const buttons = document.createElement("div");
  buttons.className = "message-buttons";
  const save = Object.assign(document.createElement("button"), { type: "submit", textContent: "Save" });
  save.dataset.id = "1";
  const no = Object.assign(document.createElement("button"), { type: "button", textContent: "Cancel" });
  no.dataset.id = "2";
  no.addEventListener("click", cancel);
  buttons.append(save, no);
  form.append(body, buttons);
  form.addEventListener("submit", (event) => {
    event.preventDefault();
    const text = name.value.trim();
    if (/^[^/\\]+$/.test(text) && text !== "." && text !== "..") send({ kind: "save", name: text });
    else name.focus();
  });
  box.append(makeTitleBar("Save As", cancel), form);
  return box;
}

// ---- the user's actions -------------------------------------------------------------------

function clicked(dialog, id) {
  if ((PICKERS[dialog] || []).includes(id)) {
    pickFileThenClick(dialog, id);
  } else {
    send({ kind: "click", dialog, id });
  }
}

// A page may open a file picker only while handling a click, so the picker opens here and the
// file goes with the command; the server's file chooser answers the logic with it.
function pickFileThenClick(dialog, id) {
  const picker = document.getElementById("picker");
  picker.value = "";
  const done = (file) => {
    picker.onchange = null;
    picker.oncancel = null;
    send({ kind: "click", dialog, id, file });
  };
  picker.onchange = async () => {
    const file = picker.files[0];
    if (!file) return done(null);
    done({ name: file.name, data: await base64(file) });
  };
  picker.oncancel = () => done(null);
  picker.click();
}

async function base64(file) {
  const bytes = new Uint8Array(await file.arrayBuffer());
  let binary = "";
  for (let i = 0; i < bytes.length; i += 0x8000) {
    binary += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
  }
  return btoa(binary);
}

// Typing: the box changes only as the server's box does, character by character through the
// window's own input filter. The page guesses the outcome meanwhile so that fast typing keeps its
// places, and takes the server's text once every edit has been answered. The guess keeps out what
// the box will refuse, so that a refused character never shows: in a message box, the characters
// that the program says the filter takes, while the room it says is left lasts.
let filteredPending = 0; // edits of message boxes sent and not yet answered

function roomAnswered(room) {
  filteredPending = Math.max(0, filteredPending - 1);
  serverRoom = room;
  if (filteredPending === 0) localRoom = room;
}

function roomChanged(room) {
  serverRoom = room;
  // While this page's own edits are under way, their answers bring the room as each left it.
  if (filteredPending === 0) localRoom = room;
}

// A box holds a line break as CR LF: two characters of the capacity.
function boxLength(text) {
  return text.length + (text.match(/\n/g) || []).length;
}

// What the box makes of `insert` typed over `replaced`, as the program's box does it.
function guessTyped(control, element, insert, replaced) {
  const accepts = element.dataset.accepts;
  const filtered = accepts !== "";
  let room = localRoom;
  let guess = "";
  for (const c of insert.replace(/\r/g, "")) {
    if (c.codePointAt(0) > 127) continue;
    if (c === "\n" && !hasStyle(control, "ES_MULTILINE")) continue;
    if (hasStyle(control, "ES_NUMBER") && !/[0-9]/.test(c)) continue;
    if (filtered) {
      // The filter looks at what the boxes hold before the character: the selection too.
      if (room <= 0 || !accepts.includes(c)) continue;
      room += guess === "" ? boxLength(replaced) : 0;
      room -= boxLength(c);
    }
    guess += c;
  }
  if (filtered && guess !== "") localRoom = room;
  return hasStyle(control, "ES_UPPERCASE") ? guess.toUpperCase() : guess;
}

function listenToTyping(dialog, control, element) {
  const k = key(dialog, control.id);
  const multiline = hasStyle(control, "ES_MULTILINE");
  const filtered = element.dataset.accepts !== "";
  const edit = (start, end, insert) => {
    pendingEdits[k] = (pendingEdits[k] || 0) + 1;
    if (filtered) filteredPending += 1;
    send({ kind: "edit", dialog, id: control.id, start, end, insert });
    const replaced = element.value.slice(start, end);
    const guess = insert === "" ? "" : guessTyped(control, element, insert, replaced);
    if (insert === "" && filtered) localRoom += boxLength(replaced);
    // When nothing typed is taken the box stays as it was, its selection too.
    if (insert === "" || guess !== "") {
      element.value = element.value.slice(0, start) + guess + element.value.slice(end);
      element.setSelectionRange(start + guess.length, start + guess.length);
    }
    clearTimeout(element.editTimer);
    // An edit the server did not take (the box was disabled meanwhile) gets no answer.
    element.editTimer = setTimeout(() => {
      pendingEdits[k] = 0;
      filteredPending = 0;
      localRoom = serverRoom;
      if (deferredStates[k]) showBox(element, deferredStates[k]);
    }, 2000);
  };
  element.addEventListener("keydown", (event) => {
    if (event.key !== "Enter") return;
    event.preventDefault();
    // Enter belongs to the dialog; Ctrl+Enter types a line break in a message box.
    if (event.ctrlKey && multiline) edit(element.selectionStart, element.selectionEnd, "\n");
  });
  element.addEventListener("beforeinput", (event) => {
    event.preventDefault();
    let start = element.selectionStart;
    let end = element.selectionEnd;
    const type = event.inputType;
    if (type.startsWith("insert")) {
      if (type === "insertLineBreak" || type === "insertParagraph") return;
      const text = event.data ?? (event.dataTransfer ? event.dataTransfer.getData("text/plain") : "");
      if (text) edit(start, end, text);
    } else if (type.startsWith("delete")) {
      if (start === end) {
        if (type.includes("Backward")) start = Math.max(0, start - 1);
        else end = Math.min(element.value.length, end + 1);
      }
      if (start !== end) edit(start, end, "");
    }
  });
}

// Escape closes what stands over the main window. The uploader too: in the window its Load button
// answers Escape, but a page may open a file picker only for a click or a key other than Escape.
function escape() {
  const top = stack[stack.length - 1];
  if (top.kind === "alert") send({ kind: "alert-ok" });
  else if (top.kind === "save") send({ kind: "save-cancel" });
  else if (top.dialog !== MAIN_DIALOG) send({ kind: "close", dialog: top.dialog });
}

// Tab and Shift+Tab go round the controls of a window standing over another, as in a dialog.
function keepFocusInside(event) {
  const stops = tabStops(topWindow);
  const at = stops.indexOf(document.activeElement);
  let wrapTo = null;
  if (event.shiftKey && at <= 0) wrapTo = stops.length - 1;
  if (!event.shiftKey && (at < 0 || at === stops.length - 1)) wrapTo = 0;
  if (stops.length === 0 || wrapTo !== null) {
    event.preventDefault();
    if (stops.length > 0) stops[wrapTo].focus();
  }
}

document.addEventListener("keydown", (event) => {
  if (stack.length === 0) return;
  if (event.key === "Escape") escape();
  else if (event.key === "Tab" && stack.length > 1 && topWindow) keepFocusInside(event);
});

// ---- the screen's width ------------------------------------------------------------------

// On a screen narrower than the window (a phone), the main window comes in four parts, one under
// the other, each keeping its controls' places: the message editor, the settings, and the two
// halves of the status row and buttons. Wider screens show the window as the template has it.
// The window is drawn no narrower than at 96 DPI: any window still too wide is zoomed down.
function mainWindowParts(template) {
  const byId = (id) => template.controls.find((c) => c.id === id);
  const editor = byId(4056);
  const settings = byId(4055);
  const splitY = Math.max(editor.y + editor.h, settings.y + settings.h);
  const splitX = byId(4079).x; // the IC label, the leftmost control of the right half below
  const part = (c) => (c.y < splitY ? (c.x < settings.x ? 0 : 1) : c.x < splitX ? 2 : 3);
  const parts = [0, 1, 2, 3].map(() => ({ left: Infinity, right: 0, top: Infinity, bottom: 0 }));
  for (const c of template.controls) {
    const p = parts[part(c)];
    p.left = Math.min(p.left, c.x);
    p.right = Math.max(p.right, c.x + c.w);
    p.top = Math.min(p.top, c.y);
    p.bottom = Math.max(p.bottom, c.y + (c.kind === "combo" ? COMBO_HEIGHT / UNIT_Y : c.h));
  }
  let y = 4;
  for (const p of parts) {
    p.dx = 4 - p.left;
    p.dy = y - p.top;
    y += p.bottom - p.top + 6;
  }
  return { part, parts, width: Math.max(...parts.map((p) => p.right - p.left)) + 8, height: y };
}

function arrangeMainWindow(narrow) {
  const template = layout[MAIN_DIALOG];
  const win = windows[MAIN_DIALOG];
  if (!template || !win) return;
  const split = narrow ? mainWindowParts(template) : null;
  for (const control of template.controls) {
    const element = elements[key(MAIN_DIALOG, control.id)];
    const p = split ? split.parts[split.part(control)] : { dx: 0, dy: 0 };
    place(element, { ...control, x: control.x + p.dx, y: control.y + p.dy });
  }
  const client = win.querySelector(".client");
  client.style.width = (split ? split.width : template.w) * unitX + "px";
  client.style.height = (split ? split.height : template.h) * UNIT_Y + "px";
  win.classList.toggle("narrow", narrow);
  return (split ? split.width : template.w) * unitX + 2;
}

function arrangeDialog(dialog, template) {
  for (const control of template.controls) place(elements[key(dialog, control.id)], control);
  const client = windows[dialog].querySelector(".client");
  client.style.width = template.w * unitX + "px";
}

function fit() {
  const room = document.documentElement.clientWidth - 16;
  const main = layout[MAIN_DIALOG];
  if (!main) return;
  // As wide as the room allows, up to the drawing at 125%.
  const unitFor = (units) => Math.min(WIDE_UNIT_X, (room - 2) / units);
  const narrow = unitFor(main.w) < BASE_UNIT_X;
  const units = narrow ? mainWindowParts(main).width : main.w;
  unitX = Math.max(BASE_UNIT_X, unitFor(units));
  // The type grows with the window, as Windows draws it at a higher DPI.
  document.documentElement.style.setProperty("--text-scale", String(unitX / BASE_UNIT_X));
  for (const [dialog, template] of Object.entries(layout)) {
    if (Number(dialog) !== MAIN_DIALOG) arrangeDialog(Number(dialog), template);
  }
  const width = arrangeMainWindow(narrow);
  document.documentElement.style.setProperty("--zoom", String(Math.min(1, room / width)));
}
window.addEventListener("resize", fit);

// ---- the stream of changes ------------------------------------------------------------------

function applySnapshot(snapshot) {
  for (const [dialog, controls] of Object.entries(snapshot.dialogs)) {
    for (const [id, state] of Object.entries(controls)) applyState(Number(dialog), Number(id), state);
  }
  showWindows(snapshot.windows);
  if (snapshot.room !== undefined) roomChanged(snapshot.room);
}

function applyMessage(message) {
  switch (message.type) {
    case "control":
      applyState(message.dialog, message.id, message.state, message);
      break;
    case "windows":
      showWindows(message.windows);
      break;
    case "room":
      roomChanged(message.left);
      break;
    case "download":
      if (message.client === CLIENT) download(message.url, message.name);
      break;
    case "exit":
      ended();
      break;
  }
}

function download(url, name) {
  const link = document.createElement("a");
  link.href = url;
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
}

let stream = null;

function ended() {
  if (stream) stream.close();
  document.getElementById("connection").hidden = true;
  document.getElementById("ended").hidden = false;
  for (const win of document.querySelectorAll(".window")) win.inert = true;
}

async function start() {
  const response = await fetch("/layout.json");
  layout = await response.json();
  const desktop = document.getElementById("desktop");
  for (const [dialog, template] of Object.entries(layout)) {
    const win = makeWindow(Number(dialog), template);
    if (Number(dialog) === MAIN_DIALOG) desktop.append(win);
  }
  fit();
  stream = new EventSource("/events");
  stream.addEventListener("snapshot", (event) => {
    document.getElementById("connection").hidden = true;
    applySnapshot(JSON.parse(event.data));
  });
  // Newer pages took this one's place on the server: following again would end one of theirs.
  stream.addEventListener("dropped", (event) => {
    stream.close();
    stopped = true;
    document.getElementById("connection").hidden = true;
    for (const win of document.querySelectorAll(".window")) win.inert = true;
    notify(JSON.parse(event.data).text);
  });
  stream.onmessage = (event) => applyMessage(JSON.parse(event.data));
  stream.onerror = () => {
    if (document.getElementById("ended").hidden) document.getElementById("connection").hidden = false;
  };
}

start();
