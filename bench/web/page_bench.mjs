// Times `ostrel ui` as its page shows it, in headless Chromium against the keyer on DEVICE:
//   - a click's effect: a check box clicked in the page until the page holds its new mark (the
//     POST, the ui thread, the window's logic, the event stream and the page's update);
//   - Read: from the click until the page shows Read enabled again, the operation's end as the
//     window has it, with the floor that bench/all computed for Read on the same line.
// Prints one RUN line a run, as line_bench does; bench/all tags them with the port "page".
//
//   node page_bench.mjs OSTREL DEVICE NODE_MODULES RUNS READ_FLOOR_MS
import { spawn } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import readline from "node:readline";
import { pathToFileURL } from "node:url";

const [ostrel, device, modules, runsText, floorText] = process.argv.slice(2);
const runs = Number(runsText);
const readFloor = Number(floorText);
if (!floorText || !(runs > 0) || !(readFloor > 0)) {
  console.error("usage: node page_bench.mjs OSTREL DEVICE NODE_MODULES RUNS READ_FLOOR_MS");
  process.exit(2);
}
const { chromium } = await import(pathToFileURL(path.join(modules, "playwright-core", "index.mjs")).href);

// Backups of the Reads go to a scratch folder, not to the home of whoever runs this.
const scratch = fs.mkdtempSync("/tmp/ostrel-page-bench-");
const env = { ...process.env, XDG_DATA_HOME: scratch, XDG_CONFIG_HOME: scratch };
const ui = spawn(ostrel, ["ui", "--port", device, "--no-browser"], { env, stdio: ["ignore", "pipe", "inherit"] });
const url = await new Promise((resolve) => readline.createInterface({ input: ui.stdout }).once("line", resolve));

const browser = await chromium.launch({
  executablePath: process.env.OSTREL_CHROMIUM || "/usr/bin/chromium",
  args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync"],
});
const page = await browser.newPage();
await page.goto(url);
await page.locator('[data-dialog="1001"] [data-id="4013"]:enabled').waitFor();

// In the page, so that the figures hold no time of the driver's: a condition looked at after
// each change the page has applied from the server's stream (its own listener comes first).
await page.evaluate(() => {
  window.until = (done) => new Promise((resolve) => {
    const look = () => {
      if (!done()) return;
      stream.removeEventListener("message", look);
      resolve();
    };
    stream.addEventListener("message", look);
  });
});

for (let run = 1; run <= runs * 4; run++) {
  const ms = await page.evaluate(async () => {
    const box = document.querySelector('[data-dialog="1001"] [data-id="4014"] input');
    const before = box.checked;
    const start = performance.now();
    box.click();
    await window.until(() => box.checked !== before);
    return performance.now() - start;
  });
  console.log(`RUN op=click run=${run} ok=1 wall_ms=${ms.toFixed(3)}`);
}

for (let run = 1; run <= runs; run++) {
  const result = await page.evaluate(async () => {
    const read = document.querySelector('[data-dialog="1001"] [data-id="4013"]');
    const status = document.querySelector('[data-dialog="1001"] [data-id="4059"]');
    const start = performance.now();
    let locked = false;
    read.click();
    await window.until(() => (locked = locked || read.disabled) && !read.disabled);
    return { ms: performance.now() - start, status: status.textContent };
  });
  const ok = result.status === ">Done" ? 1 : 0;
  console.log(`RUN op=read run=${run} ok=${ok} wall_ms=${result.ms.toFixed(3)} ` +
              `floor_ms=${readFloor.toFixed(3)} parts="the floor of Read on this line"`);
}

await page.locator('[data-dialog="1001"] [data-id="4"]').click();
await new Promise((resolve) => ui.once("exit", resolve));
await browser.close();
fs.rmSync(scratch, { recursive: true, force: true });
