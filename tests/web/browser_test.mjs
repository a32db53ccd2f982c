// `ostrel ui` as its user meets it: headless Chromium on the page, `ostrel-keyer-sim` on a
// pseudo-terminal as the keyer. First the server's refusals (each a 403, and the keyer hears
// nothing), then the window's operations through the page, each checked against what the keyer
// received or holds; screenshots at 1280x800 and 390x844 are left in OUT_DIR. A second page,
// which axe-core checks against WCAG 2.2 AA in five states, is finally worked from the keyboard
// alone, finding every box and list by the name a screen reader speaks.
//
//   node browser_test.mjs OSTREL KEYER_SIM DEMO_EEP OUT_DIR NODE_MODULES
import { spawn, execFileSync } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import net from "node:net";
import path from "node:path";
import readline from "node:readline";
import { pathToFileURL } from "node:url";

const [ostrel, keyerSim, demoImage, outDir, modules] = process.argv.slice(2);
if (!modules) {
  console.error("usage: node browser_test.mjs OSTREL KEYER_SIM DEMO_EEP OUT_DIR NODE_MODULES");
  process.exit(2);
}
const playwrightEntry = path.join(modules, "playwright-core", "index.mjs");
if (!fs.existsSync(playwrightEntry)) {
  console.error(`playwright-core is not installed in ${modules}: ./test installs it (npm ci)`);
  process.exit(1);
}
const { chromium } = await import(pathToFileURL(playwrightEntry).href);
const axeSource = fs.readFileSync(path.join(modules, "axe-core", "axe.min.js"), "utf8");

fs.rmSync(outDir, { recursive: true, force: true });
fs.mkdirSync(outDir, { recursive: true });
const work = fs.mkdtempSync("/tmp/ostrel-web-test-");
const children = [];
let passed = 0;
let failed = 0;
let page = null;

process.on("exit", () => {
  for (const child of children) if (child.exitCode === null) child.kill("SIGTERM");
});

async function finish() {
  for (const child of children) {
    if (child.exitCode !== null) continue;
    const ended = new Promise((resolve) => child.once("exit", resolve));
    child.kill("SIGTERM");
    await Promise.race([ended, sleep(5000)]);
  }
  fs.rmSync(work, { recursive: true, force: true });
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed === 0 ? 0 : 1);
}

function check(condition, what) {
  if (!condition) throw new Error(what);
}
function same(actual, expected, what) {
  check(actual === expected, `${what}: got ${JSON.stringify(actual)}, wanted ${JSON.stringify(expected)}`);
}

// Runs one step; after a failure the later steps, which build on it, are not run.
async function step(name, body) {
  if (failed > 0) return;
  const started = Date.now();
  try {
    await body();
    passed++;
    console.log(`ok   ${name} (${Date.now() - started} ms)`);
  } catch (error) {
    failed++;
    console.log(`FAIL ${name}: ${error.message}`);
    if (page) await page.screenshot({ path: path.join(outDir, "failure.png") }).catch(() => {});
  }
}

// ---- the keyer and the server -----------------------------------------------------------------

const env = {
  ...process.env,
  XDG_CONFIG_HOME: path.join(work, "config"),
  XDG_DATA_HOME: path.join(work, "data"),
};
const keyerLink = path.join(work, "keyer");
const rxLog = path.join(work, "rx.log");
const stored = path.join(work, "stored.eep");
const flash = path.join(work, "flash.bin");
const sim = spawn(keyerSim, ["--link", keyerLink, "--image", demoImage, "--image-out", stored,
                             "--rx-log", rxLog, "--flash-out", flash,
                             // A little time for each reply, so that the upload lasts long
                             // enough for its progress to be seen moving.
                             "--delay", "2"], { env, stdio: "ignore" });
children.push(sim);
for (let i = 0; i < 100 && !fs.existsSync(keyerLink); i++) await sleep(50);
check(fs.existsSync(keyerLink), "the simulated keyer did not start");

const ui = spawn(ostrel, ["ui", "--port", keyerLink, "--no-browser"], { env });
children.push(ui);
let uiErrors = "";
ui.stderr.on("data", (data) => (uiErrors += data));
const firstLine = await Promise.race([
  new Promise((resolve) => readline.createInterface({ input: ui.stdout }).once("line", resolve)),
  sleep(10000).then(() => ""),
]);
const address = /^http:\/\/(127\.0\.0\.1:\d+)\/\?token=([0-9a-f]{64})$/.exec(firstLine);
if (!address) {
  console.log(`FAIL the first line is the page's address: got ${JSON.stringify(firstLine)} ${uiErrors}`);
  failed++;
  await finish();
}
const [url, hostPort, token] = address;
const cookie = `ostrel_ui_${hostPort.split(":")[1]}=${token}`;

function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

function request(method, target, headers, body) {
  return new Promise((resolve, reject) => {
    const [host, port] = hostPort.split(":");
    const call = http.request({ host, port, method, path: target, headers }, (response) => {
      let text = "";
      response.on("data", (chunk) => (text += chunk));
      response.on("end", () => resolve({ status: response.statusCode, headers: response.headers, text }));
    });
    call.on("error", reject);
    call.end(body);
  });
}

// ---- the refusals ---------------------------------------------------------------------------

const clickTest = JSON.stringify({ client: "t", events: [{ kind: "click", dialog: 1001, id: 4011 }] });
const origin = `http://${hostPort}`;
const post = { "Content-Type": "application/json", Origin: origin, Cookie: cookie, Host: hostPort };

await step("refusals: each is a 403 with one line and the keyer hears nothing", async () => {
  const cases = [
    ["no token", "GET", "/", { Host: hostPort }],
    ["no token on the API", "POST", "/api/events", { ...post, Cookie: "" }, clickTest],
    ["a wrong token in the address", "GET", "/?token=" + "0".repeat(64), { Host: hostPort }],
    ["a wrong token in the cookie", "POST", "/api/events",
      { ...post, Cookie: cookie.replace(/.$/, (c) => (c === "0" ? "1" : "0")) }, clickTest],
    ["a foreign Host", "GET", "/", { Host: `attacker.example:${hostPort.split(":")[1]}`, Cookie: cookie }],
    ["a foreign Host on the API", "POST", "/api/events", { ...post, Host: "localhost:1" }, clickTest],
    ["a foreign Origin", "POST", "/api/events", { ...post, Origin: "http://attacker.example" }, clickTest],
    ["no Origin", "POST", "/api/events", { ...post, Origin: undefined }, clickTest],
    ["a path outside the API", "GET", "/etc/passwd", { Host: hostPort, Cookie: cookie }],
    ["a path climbing out", "GET", "/../../etc/passwd", { Host: hostPort, Cookie: cookie }],
    ["a page source file", "GET", "/web/page/app.js", { Host: hostPort, Cookie: cookie }],
    ["another method", "PUT", "/api/events", { ...post }, clickTest],
    ["a download of nothing", "GET", "/download/x", { Host: hostPort, Cookie: cookie }],
  ];
  for (const [name, method, target, headers, body] of cases) {
    for (const key of Object.keys(headers)) if (headers[key] === undefined) delete headers[key];
    const answer = await request(method, target, headers, body);
    same(answer.status, 403, name);
    check(/^[^\n]+\n$/.test(answer.text), `${name}: the reason is one line: ${JSON.stringify(answer.text)}`);
    check(!Object.keys(answer.headers).some((h) => h.startsWith("access-control-")), `${name}: CORS headers`);
  }
  const page = await request("GET", "/", { Host: hostPort, Cookie: cookie });
  same(page.status, 200, "the page itself, with the cookie");
  check(/script-src 'self'/.test(page.headers["content-security-policy"] || ""), "a strict CSP");
  await sleep(1500);
  same(fs.existsSync(rxLog) ? fs.statSync(rxLog).size : 0, 0, "bytes the keyer received");
});

// ---- what no request can exhaust ------------------------------------------------------------

// The server's peak resident memory, in MiB: a body read whole would raise it.
function peakMiB() {
  return Number(/VmHWM:\s+(\d+)/.exec(fs.readFileSync(`/proc/${ui.pid}/status`, "utf8"))[1]) / 1024;
}

// Sends `head`, then `megabytes` MB (in chunks when `chunked`), and gives the status line the
// server answered with once it has closed. An early answer is read before the next piece goes:
// a piece written after the server closed would end the socket with the answer unread.
function offer(head, megabytes, chunked) {
  return new Promise((resolve) => {
    const [host, port] = hostPort.split(":");
    const socket = net.connect(Number(port), host);
    const data = Buffer.alloc(1 << 16, "a");
    const piece = chunked ? Buffer.concat([Buffer.from("10000\r\n"), data, Buffer.from("\r\n")]) : data;
    let answer = "";
    let sent = 0;
    const giveUp = setTimeout(() => socket.destroy(), 30000);
    socket.on("data", (data) => (answer += data));
    socket.on("error", () => {});
    socket.on("close", () => {
      clearTimeout(giveUp);
      resolve(answer.split("\r\n")[0]);
    });
    // The first piece goes with the head; a server that refuses from the head has answered
    // 300 ms later.
    const pump = () => {
      if (socket.destroyed || answer) return;
      if (sent === megabytes * 16) return socket.end(chunked ? "0\r\n\r\n" : "\r\n\r\n");
      sent++;
      const next = () => (sent === 1 ? setTimeout(pump, 300) : setImmediate(pump));
      if (socket.write(piece)) next();
      else socket.once("drain", next);
    };
    socket.write(head);
    pump();
  });
}

await step("a body is refused from its headers, and no request can make the server grow", async () => {
  const post = `POST /api/events HTTP/1.1\r\nHost: ${hostPort}\r\nOrigin: ${origin}\r\n`;
  const token = `Cookie: ${cookie}\r\n`;
  const before = peakMiB();
  for (const [name, head, chunked, status] of [
    ["300 MB chunked, no token", `${post}Transfer-Encoding: chunked\r\n\r\n`, true, "403"],
    ["300 MB chunked, with the token", `${post}${token}Transfer-Encoding: chunked\r\n\r\n`, true, "413"],
    ["300 MB with its length, with the token", `${post}${token}Content-Length: ${300 << 20}\r\n\r\n`, false, "413"],
    ["a header line of 300 MB", `GET / HTTP/1.1\r\nHost: ${hostPort}\r\nX-Filler: `, false, "400"],
  ]) {
    const started = Date.now();
    const answer = await offer(head, 300, chunked);
    check(answer.startsWith(`HTTP/1.1 ${status} `), `${name}: ${JSON.stringify(answer)}`);
    check(Date.now() - started < 5000, `${name}: answered after ${Date.now() - started} ms`);
  }
  const grown = peakMiB() - before;
  check(grown < 64, `the server grew by ${grown.toFixed(1)} MiB`);
  console.log(`     the server grew by ${grown.toFixed(1)} MiB`);
});

await step("40 event streams: the oldest are told and end, and a request is answered within 1 s", async () => {
  const streams = [];
  for (let i = 0; i < 40; i++) {
    const [host, port] = hostPort.split(":");
    const stream = { text: "", ended: false };
    stream.call = http.get({ host, port, path: "/events", headers: { Host: hostPort, Cookie: cookie } }, (response) => {
      response.on("data", (chunk) => (stream.text += chunk));
      response.on("end", () => (stream.ended = true));
    });
    stream.call.on("error", () => (stream.ended = true));
    streams.push(stream);
  }
  for (let i = 0; i < 250 && streams.filter((s) => s.ended).length < 36; i++) await sleep(20);
  const started = Date.now();
  const answer = await request("POST", "/api/events", post, JSON.stringify({ client: "t", events: [] }));
  const took = Date.now() - started;
  same(answer.status, 202, "the request beside the streams");
  check(took < 1000, `answered after ${took} ms`);
  console.log(`     the request beside 40 streams was answered after ${took} ms`);
  const ended = streams.filter((s) => s.ended);
  same(ended.length, 36, "streams ended");
  check(ended.every((s) => /^event: dropped\ndata: \{"text":"This page has stopped/m.test(s.text)),
        "each ended stream tells its page why");
  const open = streams.filter((s) => !s.ended);
  for (let i = 0; i < 100 && !open.every((s) => s.text.includes("event: snapshot")); i++) await sleep(20);
  check(open.every((s) => s.text.includes("event: snapshot")), `four go on: ${JSON.stringify(open.map((s) => s.text.slice(0, 40)))}`);
  for (const stream of streams) stream.call.destroy();
});

// ---- the window through the page ------------------------------------------------------------

const browser = await chromium.launch({
  executablePath: process.env.OSTREL_CHROMIUM || "/usr/bin/chromium",
  // Chromium reaches nothing outside this machine here: its own background traffic stays off.
  args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync"],
});
const context = await browser.newContext({ viewport: { width: 1280, height: 800 }, acceptDownloads: true });
page = await context.newPage();
const pageErrors = [];
page.on("pageerror", (error) => pageErrors.push(error.message));

const main = (id) => page.locator(`[data-dialog="1001"] [data-id="${id}"]`);
const uploader = (id) => page.locator(`[data-dialog="1003"] [data-id="${id}"]`);
const text = (locator) => locator.evaluate((e) => (e.value !== undefined && e.tagName !== "BUTTON" ? e.value : e.textContent));
async function waitText(locator, wanted, timeout = 10000) {
  const until = Date.now() + timeout;
  let seen;
  while (Date.now() < until) {
    seen = await text(locator);
    if (seen === wanted) return;
    await sleep(20);
  }
  throw new Error(`waited for ${JSON.stringify(wanted)}, saw ${JSON.stringify(seen)}`);
}
const errorBox = () => page.locator('[role="alertdialog"]');

// The window's numeric boxes, check boxes and lists by control id, with the keys of `ostrel show
// --json`.
const NUMBERS = { 4025: "max_wpm", 4027: "min_wpm", 4029: "cmd_wpm", 4033: "cur_wpm", 4031: "ratio",
  4035: "key_comp", 4037: "pdl_sample", 4039: "weight", 4041: "lead_in", 4043: "tail",
  4045: "farns", 4047: "ltr_spc", 4073: "sidetone_freq" };
const CHECKS = { 4014: "swap", 4015: "auto_space", 4016: "ct_space", 4017: "cut_0", 4018: "cut_9",
  4019: "pdl_tone_only", 4020: "pdl_wd_off", 4021: "paddle_mute", 4022: "fast_cmd", 4023: "tune_50",
  4024: "so2r" };
const LISTS = { 4049: "keyer_mode", 4054: "paddle_hang", 4053: "output_config" };
const BOXES = [4001, 4002, 4003, 4004, 4005, 4006, 4080, 4081, 4082, 4083, 4084, 4085, 4071, 4072];
const SLOTS = ["msg1", "msg2", "msg3", "msg4", "msg5", "msg6", "msg7", "msg8", "msg9",
  "msg10", "msg11", "msg12", "user1_callsign", "user2_callsign"];

function show(file) {
  return JSON.parse(execFileSync(ostrel, ["show", file, "--json"], { env }).toString());
}

async function expectWindowShows(settings) {
  const bank = settings.user1;
  for (const [id, name] of Object.entries(NUMBERS)) same(await main(id).inputValue(), String(bank[name]), name);
  for (const [id, name] of Object.entries(CHECKS)) same(await main(id).isChecked(), bank[name], name);
  for (const [id, name] of Object.entries(LISTS)) {
    same(await main(id).evaluate((e) => e.selectedOptions[0]?.text), bank[name], name);
  }
  for (const [i, id] of BOXES.entries()) same(await main(id).inputValue(), settings.messages[SLOTS[i]], SLOTS[i]);
}

await step("the first page: the token becomes a cookie and the window shows", async () => {
  await page.goto(url);
  same(new URL(page.url()).search, "", "the address after the first load keeps no token");
  await page.locator('[data-dialog="1001"]:not([hidden])').waitFor();
  same(await page.title(), `Ostrel 3 Tools Utility ${process.env.OSTREL_VERSION}`, "the window's title");
  same(await text(main(4013)), "Read Ostrel", "the caption of 4013");
  same(await text(main(4051)), "Reset to\nDefaults", "the two-line caption of 4051");
  check(await main(4080).isHidden(), "bank 2's boxes start hidden");
  check(await main(4095).isDisabled(), "the S/N box starts disabled");
  await waitText(main(4058), "Msg Bytes Left: 240");
});

const second = await context.newPage();
await second.goto(`http://${hostPort}/`);

// The page that axe-core checks and the keyboard works. axe is put into the page by the test: the
// page's own policy lets no script in but its own, so this context alone bypasses it.
const a11yContext = await browser.newContext({ viewport: { width: 1280, height: 800 }, bypassCSP: true });
const a11y = await a11yContext.newPage();
a11y.on("pageerror", (error) => pageErrors.push(error.message));
await a11y.goto(url);
const AXE_TAGS = ["wcag2a", "wcag2aa", "wcag21a", "wcag21aa", "wcag22aa"];
const axeStates = [];

// Runs axe-core on the page as it stands; every violation fails, naming the rule and the elements.
async function axeCheck(state) {
  if (!(await a11y.evaluate(() => typeof window.axe === "object"))) await a11y.addScriptTag({ content: axeSource });
  const result = await a11y.evaluate((tags) =>
    window.axe.run(document, { runOnly: { type: "tag", values: tags }, rules: { "target-size": { enabled: true } } }),
    AXE_TAGS);
  const found = result.violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(" ")).join(", ")}`);
  check(found.length === 0, `axe in ${state}: ${found.join("; ")}`);
  check(result.passes.some((p) => p.id === "target-size"), `axe in ${state}: target-size did not run`);
  axeStates.push(state);
}

await step("Test: the status line, status field, IC label, pot and supply", async () => {
  await main(4011).click();
  await waitText(main(4059), ">Ostrel OK");
  same(await text(main(4061)), "Ostrel F/W revision 31.04", "status field");
  same(await text(main(4079)), "Ostrel IC:DIP", "IC label");
  same(await text(main(4060)), "PotValue: 128", "pot value");
  same(await text(main(4070)), "5.04 Volts", "supply voltage");
});

await step("Read: every field and text as the keyer holds them; the other page shows the same", async () => {
  // Every text the status line showed, with whether Read was disabled then.
  await page.evaluate(() => {
    window.statusSeen = [];
    const status = document.querySelector('[data-dialog="1001"] [data-id="4059"]');
    const read = document.querySelector('[data-dialog="1001"] [data-id="4013"]');
    new MutationObserver(() => window.statusSeen.push([status.textContent, read.disabled]))
      .observe(status, { childList: true, characterData: true, subtree: true });
  });
  await main(4013).click();
  await waitText(main(4059), ">Done");
  const seen = await page.evaluate(() => window.statusSeen);
  check(seen.some(([status, disabled]) => status === ">Reading" && disabled),
        `while reading, the page showed >Reading with Read disabled: ${JSON.stringify(seen)}`);
  await expectWindowShows(show(demoImage));
  same(await second.locator('[data-dialog="1001"] [data-id="4071"]').inputValue(), "N0CALL", "the second page's callsign");
  await page.screenshot({ path: path.join(outDir, "page-1280x800.png") });
});

await step("an edit the checks refuse: the Error box's exact text, nothing written", async () => {
  const before = fs.statSync(rxLog).size;
  await main(4039).fill("5");
  await main(4012).click();
  await errorBox().waitFor();
  same(await errorBox().locator('[data-id="65535"]').textContent(), "Weight must be between 10 and 90", "the Error box");
  same(await errorBox().locator(".title").textContent(), "Error", "the box's title");
  check(await second.locator('[role="alertdialog"]').isVisible(), "the other page shows the box too");
  check(await main(4013).evaluate((e) => e.closest("[inert]") !== null), "the window under the box takes no input");
  await errorBox().locator('[data-id="1"]').click();
  await errorBox().waitFor({ state: "detached" });
  await main(4039).fill("55");
  const received = fs.readFileSync(rxLog).subarray(before);
  check(!received.includes(Buffer.from([0x00, 0x0d])), "no settings image was sent");
});

await step("the message bank switch and the input filter", async () => {
  await main(4008).click();
  await main(4080).waitFor();
  check(await main(4001).isHidden(), "bank 1's boxes are hidden");
  same(await text(main(4086)), "Msg 7", "the first label of bank 2");
  const left = Number((await text(main(4058))).split(": ")[1]);
  await main(4080).click();
  // A refused character never shows, not even before the program's answer comes back.
  const shown = [];
  for (const key of "a#b$") {
    await page.keyboard.type(key);
    shown.push(await main(4080).inputValue());
  }
  check(!shown.some((value) => /[#$]/.test(value)), `a refused character showed: ${shown.join(", ")}`);
  await waitText(main(4080), "AB");
  await waitText(main(4058), `Msg Bytes Left: ${left - 2}`);
  // Far more than fits: the filter takes it character by character up to the 240 bytes.
  await main(4081).click();
  await page.keyboard.insertText("E".repeat(300));
  await waitText(main(4058), "Msg Bytes Left: 0");
  same((await main(4081).inputValue()).length, left - 2, "the characters that fitted");
  await page.keyboard.type("E");
  same((await main(4081).inputValue()).length, left - 2, "a character at the limit, at once");
  await sleep(300);
  same((await main(4081).inputValue()).length, left - 2, "a character at the limit");
  await main(4081).selectText();
  await page.keyboard.press("Delete");
  await waitText(main(4081), "");
  await main(4007).click();
  await main(4001).waitFor();
});

await step("a 40,000-character paste is answered within a second, as far as the box's limit", async () => {
  const box = main(4073);
  const before = await box.inputValue();
  await box.click();
  await box.selectText();
  const started = Date.now();
  await page.keyboard.insertText("7".repeat(40000));
  const until = started + 5000;
  while ((await box.inputValue()).length !== 30000 && Date.now() < until) await sleep(10);
  const took = Date.now() - started;
  same((await box.inputValue()).length, 30000, "the characters the box took");
  check(took < 1000, `the box showed them after ${took} ms`);
  console.log(`     the box showed them after ${took} ms`);
  await box.selectText();
  await page.keyboard.press("Delete");
  await waitText(box, "");
  await page.keyboard.insertText(before);
  await waitText(box, before);
});

await step("Write: the keyer receives the exact 288 bytes; the status line clears after about 3 s", async () => {
  const expected = path.join(work, "expected.eep");
  fs.copyFileSync(demoImage, expected);
  execFileSync(ostrel, ["set", expected, "weight=55", "msg7=AB"], { env });
  await main(4012).click();
  await waitText(main(4059), "Done");
  const done = Date.now();
  check(Buffer.compare(fs.readFileSync(stored), fs.readFileSync(expected)) === 0, "the keyer's image");
  await waitText(main(4059), "", 5000);
  const cleared = Date.now() - done;
  check(cleared > 2400 && cleared < 5000, `the status line cleared after ${cleared} ms`);
});

await step('"Write Config File": the save prompt and the download\'s bytes', async () => {
  await main(4093).click();
  const name = page.locator('[data-dialog="save"] [data-id="1148"]');
  await name.fill("from-page");
  const downloading = page.waitForEvent("download");
  await page.locator('[data-dialog="save"] [data-id="1"]').click();
  const download = await downloading;
  same(download.suggestedFilename(), "from-page.eep", "the name with the default extension");
  const bytes = fs.readFileSync(await download.path());
  check(Buffer.compare(bytes, fs.readFileSync(stored)) === 0, "the file holds the image written");
  same(await text(main(4057)), "from-page.eep", "the file name label after a save");
});

await step('"Read Config File": a file given to the page', async () => {
  const huge = path.join(work, "huge.eep");
  fs.writeFileSync(huge, Buffer.alloc(800 * 1024));
  const refusing = page.waitForEvent("filechooser");
  await main(4092).click();
  await (await refusing).setFiles(huge);
  await page.locator("#notice").waitFor();
  check((await page.locator("#notice").textContent()).startsWith("refused: a request larger than"),
        "the page says why the file was not taken");
  same(await text(main(4057)), "from-page.eep", "the file name label, untouched");
  const file = path.join(work, "given.eep");
  fs.copyFileSync(demoImage, file);
  execFileSync(ostrel, ["set", file, "weight=77", "msg1=FROM A FILE", "callsign=W1AW"], { env });
  const choosing = page.waitForEvent("filechooser");
  await main(4092).click();
  await (await choosing).setFiles(file);
  await waitText(main(4057), "File Name: given.eep");
  await expectWindowShows(show(file));
  check(await page.locator("#notice").isHidden(), "a request taken clears the refusal");
});

await step("firmware upload: progress as it runs, then Upload Completed Successfully at 99", async () => {
  const firmware = path.join(work, "dip.hex");
  fs.writeFileSync(firmware, [hexRecord(0, 0, [0, 0, 0, 0, 0, 0, 0x1f, 0x30]),
    hexRecord(16, 0, [1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16]), hexRecord(0, 1, [])].join(""));
  await main(4010).click();
  await uploader(4028).waitFor();
  check(await uploader(4028).isDisabled(), "Program starts disabled");
  const choosing = page.waitForEvent("filechooser");
  await uploader(2).click();
  await (await choosing).setFiles(firmware);
  await waitText(uploader(4036), "Ostrel Version: 31.48 Loaded, 2 Records");
  await page.evaluate(() => {
    window.progressSeen = [];
    const bar = document.querySelector('[data-dialog="1003"] [data-id="4032"]');
    new MutationObserver(() => window.progressSeen.push(Number(bar.getAttribute("aria-valuenow"))))
      .observe(bar, { attributes: true, attributeFilter: ["aria-valuenow"] });
  });
  await uploader(4028).click();
  await a11y.locator('[data-dialog="1003"]:not([hidden])').waitFor();
  await axeCheck("the uploader during an upload");
  await waitText(uploader(4036), "Upload Completed Successfully", 60000);
  same(await uploader(4032).getAttribute("aria-valuenow"), "99", "the progress bar at the end");
  const seen = await page.evaluate(() => window.progressSeen);
  check(seen.some((p) => p > 0 && p < 99), `the bar moved during the upload: ${seen.join(",")}`);
  await uploader(4040).click();
  await uploader(4028).waitFor({ state: "hidden" });
  await waitText(main(4059), ">Ostrel OK");
});

await step("Set Com Port lists the port in use and remembers the choice; Help", async () => {
  same(await text(main(4074)), "keyer", "the port label names the device");
  await main(4009).click();
  const list = page.locator('[data-dialog="1002"] [data-id="4026"]');
  await list.waitFor();
  await a11y.locator('[data-dialog="1002"] [data-id="4026"]').waitFor();
  await axeCheck("Comm Port Setup");
  same(await list.evaluate((e) => e.options[0]?.text), keyerLink, "the port in use comes first");
  same(await list.evaluate((e) => e.selectedIndex), 0, "and is selected");
  await page.locator('[data-dialog="1002"] [data-id="1"]').click();
  await list.waitFor({ state: "hidden" });
  const config = JSON.parse(fs.readFileSync(path.join(env.XDG_CONFIG_HOME, "ostrel", "ui.json")));
  same(config.port, keyerLink, "the port remembered");
  await main(4094).click();
  const version = page.locator('[data-dialog="1004"] [data-id="4030"]');
  await version.waitFor();
  await a11y.locator('[data-dialog="1004"] [data-id="4030"]').waitFor();
  await axeCheck("Help");
  check((await version.textContent()).startsWith(`Ver ${process.env.OSTREL_VERSION}, Built `),
    "Help's version line");
  await page.keyboard.press("Escape");
  await version.waitFor({ state: "hidden" });
});

await step("a page whose place newer pages took says so and takes nothing", async () => {
  await page.reload();
  await page.locator('[data-dialog="1001"]:not([hidden])').waitFor();
  const [host, port] = hostPort.split(":");
  const newer = [1, 2, 3].map(() => http.get({ host, port, path: "/events", headers: { Host: hostPort, Cookie: cookie } }));
  for (const call of newer) call.on("error", () => {});
  const notice = second.locator("#notice");
  await notice.waitFor();
  check((await notice.textContent()).startsWith("This page has stopped following ostrel ui"), "the reason");
  check(await second.locator('[data-dialog="1001"] [data-id="4011"]').evaluate((e) => e.closest("[inert]") !== null),
        "its window takes no input");
  await second.screenshot({ path: path.join(outDir, "page-dropped.png") });
  for (const call of newer) call.destroy();
  check(await page.locator("#notice").isHidden(), "the newest page goes on");
});

await step("screenshots at 1280x800 and 390x844", async () => {
  await page.screenshot({ path: path.join(outDir, "page-after-upload-1280x800.png") });
  await page.setViewportSize({ width: 390, height: 844 });
  await page.screenshot({ path: path.join(outDir, "page-390x844.png") });
  await page.screenshot({ path: path.join(outDir, "page-390x844-whole.png"), fullPage: true });
  const box = await main(4013).boundingBox();
  check(box.x >= 0 && box.x + box.width <= 390, "Read Ostrel lies within a 390 px screen");
  check(box.width >= 50, `Read Ostrel is wide enough to tap (${box.width} px)`);
});

// ---- from the keyboard alone, by the names a screen reader speaks ----------------------------

const focused = (locator) => locator.evaluate((e) => e === document.activeElement);
// Presses Tab, or Shift+Tab for a control before the focus, until the control has the focus.
async function tabTo(locator) {
  for (let i = 0; i < 60; i++) {
    const ahead = await locator.evaluate((e) => e === document.activeElement ? 0
      : document.activeElement.compareDocumentPosition(e) & Node.DOCUMENT_POSITION_FOLLOWING ? 1 : -1);
    if (ahead === 0) return;
    await a11y.keyboard.press(ahead > 0 ? "Tab" : "Shift+Tab");
  }
  throw new Error(`the keyboard never reached ${locator}`);
}
async function waitFocus(locator) {
  const until = Date.now() + 10000;
  while (!(await focused(locator))) {
    check(Date.now() < until, `the focus did not come to ${locator}`);
    await sleep(20);
  }
}

await step("keyboard only: Read, a refused value, the Error box, every field by its name, Write", async () => {
  await a11y.goto(url);
  await a11y.locator('[data-dialog="1001"]:not([hidden])').waitFor();
  const button = (name) => a11y.getByRole("button", { name, exact: true });
  await tabTo(button("Read Ostrel"));
  await a11y.keyboard.press("Enter");
  await a11y.locator('[aria-live="polite"]').filter({ hasText: /^>Done$/ }).waitFor();
  await waitFocus(button("Read Ostrel")); // disabled while it read, it has the focus again
  await axeCheck("the main window after Read");

  const weight = a11y.getByRole("textbox", { name: "Weight", exact: true });
  await tabTo(weight);
  await a11y.keyboard.press("Control+A");
  await a11y.keyboard.type("5");
  await tabTo(button("Write Ostrel"));
  await a11y.keyboard.press("Enter");
  const box = a11y.getByRole("alertdialog", { name: "Error" });
  await box.waitFor();
  same(await box.getByText("Weight must be between 10 and 90").count(), 1, "the Error box's text");
  await waitFocus(box.getByRole("button", { name: "OK" }));
  await axeCheck("an Error box");
  await a11y.keyboard.press("Tab");
  check(await box.evaluate((e) => e.contains(document.activeElement)), "Tab keeps the focus in the Error box");
  await a11y.keyboard.press("Escape");
  await box.waitFor({ state: "detached" });
  await waitFocus(button("Write Ostrel"));

  // Every number, list, message and callsign, found by its caption and typed into.
  const typed = [
    ["MaxWpm", "max_wpm", "40"], ["MinWpm", "min_wpm", "8"], ["CmdWpm", "cmd_wpm", "20"],
    ["CurWpm", "cur_wpm", "25"], ["Ratio", "ratio", "45"], ["KeyComp", "key_comp", "3"],
    ["PdlSample", "pdl_sample", "30"], ["Weight", "weight", "60"], ["Lead In", "lead_in", "2"],
    ["Tail", "tail", "4"], ["Farns", "farns", "12"], ["LtrSpc", "ltr_spc", "5"],
    ["SidetoneFreq", "sidetone_freq", "625"],
  ];
  const bank1 = [1, 2, 3, 4, 5, 6].map((n) => [`Msg ${n}`, `msg${n}`, `KB ${n}`]);
  const bank2 = [7, 8, 9, 10, 11, 12].map((n) => [`Msg ${n}`, `msg${n}`, `KB ${n}`]);
  const type = async ([name, , value]) => {
    const field = a11y.getByRole("textbox", { name, exact: true });
    await tabTo(field);
    await a11y.keyboard.press("Control+A");
    await a11y.keyboard.type(value);
  };
  for (const entry of [...typed, ...bank1, ["User Callsign", "user1_callsign", "W1KB"]]) await type(entry);
  // The lists: Home picks the first entry, End the last.
  const picked = [["Keyer Mode", "keyer_mode", "End", "VibroBug"], ["Paddle Hang", "paddle_hang", "End", "2.0 Word"],
    ["Output Config", "output_config", "Home", "Port1"]];
  for (const [name, , keyName] of picked) {
    await tabTo(a11y.getByRole("combobox", { name, exact: true }));
    await a11y.keyboard.press(keyName);
  }
  // The second bank: arrows move among the bank's radio buttons, as in the window.
  await tabTo(a11y.getByRole("radio", { name: "Message Bank 1" }));
  await a11y.keyboard.press("ArrowRight");
  await a11y.getByRole("textbox", { name: "Msg 7", exact: true }).waitFor();
  for (const entry of bank2) await type(entry);
  await tabTo(button("Write Ostrel"));
  await a11y.keyboard.press("Enter");
  await a11y.locator('[aria-live="polite"]').filter({ hasText: /^Done$/ }).waitFor();

  const keyer = show(stored);
  for (const [name, key, value] of typed) same(String(keyer.user1[key]), value, name);
  for (const [name, key, , value] of picked) same(keyer.user1[key], value, name);
  for (const [name, key, value] of [...bank1, ...bank2]) same(keyer.messages[key], value, name);
  same(keyer.messages.user1_callsign, "W1KB", "User Callsign");
  same(axeStates.length, 5, `the states axe checked (${axeStates.join(", ")})`);
});

await step("Exit: the program ends", async () => {
  await main(4).click();
  const code = await Promise.race([new Promise((r) => ui.once("exit", r)), sleep(10000).then(() => "still running")]);
  same(code, 0, "ostrel ui's exit status");
  await page.locator("#ended").waitFor({ timeout: 5000 });
  same(pageErrors.join("; "), "", "errors in the page");
});

await browser.close();
await finish();

// One Intel HEX line with its checksum.
function hexRecord(address, type, bytes) {
  const all = [bytes.length, address >> 8, address & 0xff, type, ...bytes];
  const sum = (256 - (all.reduce((a, b) => a + b, 0) % 256)) % 256;
  return ":" + [...all, sum].map((b) => b.toString(16).toUpperCase().padStart(2, "0")).join("") + "\n";
}
