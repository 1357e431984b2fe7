// The practice auction: the bidding page's second half in the browser, drawn at the places
// and in the colours the assistant reads (layout.js), and played like the auction: a lowest
// acceptable price on a course, bids accepted only within 300 of it, a captcha checked.
//
// Query parameters:
//   end=HH:MM      the auction's end (default 11:30); the second half is its last 30 minutes
//   lead=S         the page's clock starts S seconds before the end instead of showing the
//                  time of day, so a practice can start a minute or two before the end at any
//                  hour. The assistant follows the page's clock on the "51沪牌" page (51m.html);
//                  on fz.html it follows its own, so there the page shows the time of day.
//   course=calm|fast|storm|flat   how the lowest price rises (storm: random steps from
//                  `seed`; flat: it stays at the start price)
//   seed=N         the random course and the start price
//   price=N        the start price instead (a multiple of 100)
//   bids=N         bids made before (1: the first-half bid)
//   delay=MS       from the bid click to the captcha box (default 600)
//   refresh=1      show the captcha box's refresh button
//   font=NAME      draw every figure and word the assistant reads as text in a real font
//                  (microhei, zenhei, or a CSS family name), as an auction page does, instead
//                  of with the dictionary's own pictures; the shipped dictionary then reads
//                  nothing and the assistant has to learn the page (tavik-dict calibrate)
//   zoom=Z         with font: the text's size, 1 = 12 pixels (up to 1.2 keeps it in its cells)
"use strict";

const ORIGIN = {x: 25, y: 62};  // page origin in the window
const WINDOW = 300;             // a bid within this much of the lowest price is accepted
const HIT = {x: 30, y: 10};     // how far from a click point a click still presses it
const params = new URLSearchParams(location.search);

function intParam(name, fallback) {
  const v = parseInt(params.get(name) || "", 10);
  return Number.isFinite(v) ? v : fallback;
}

// --- time -------------------------------------------------------------------------------------

function localMsOfDay(date) {
  return ((date.getHours() * 60 + date.getMinutes()) * 60 + date.getSeconds()) * 1000 +
      date.getMilliseconds();
}
function endMsOfDay() {
  const m = /^(\d{1,2}):(\d{2})$/.exec(params.get("end") || "11:30");
  return m ? (parseInt(m[1], 10) * 60 + parseInt(m[2], 10)) * 60000 : 41400000;
}
const END_MS = endMsOfDay();
// The page's clock: the time of day, or `lead` seconds before the end at the page's load.
const LEAD = intParam("lead", -1);
const CLOCK_SHIFT_MS = LEAD >= 0 ? END_MS - LEAD * 1000 - localMsOfDay(new Date()) : 0;
const HALF_MS = END_MS - 1800 * 1000;
function two(n) {
  return String(n).padStart(2, "0");
}
function clockText(ms) {
  const s = Math.floor(ms / 1000);
  return two(Math.floor(s / 3600) % 24) + ":" + two(Math.floor(s / 60) % 60) + ":" + two(s % 60);
}

// --- the course of the lowest price -----------------------------------------------------------

function mulberry32(seed) {
  return function() {
    seed = (seed + 0x6D2B79F5) | 0;
    let t = Math.imul(seed ^ (seed >>> 15), 1 | seed);
    t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}
const SEED = intParam("seed", 1);
const START_PRICE = Math.round(intParam("price", 88000 + 100 * Math.floor(mulberry32(SEED)() * 10)) / 100) * 100;
const COURSE = params.get("course") || "calm";
// Storm: the remaining second at which each 100-yuan step happens, denser towards the end.
const STORM_STEPS = (() => {
  const rnd = mulberry32(SEED * 7919 + 1);
  const steps = [];
  for (let r = 1800; r > 0;) {
    r -= r > 60 ? 10 + Math.floor(rnd() * 40) : 1 + Math.floor(rnd() * 5);
    steps.push(r);
  }
  return steps;
})();

// Lowest acceptable price at `remainMs` before the end.
function lowestAt(remainMs) {
  const r = Math.max(0, Math.min(1800, remainMs / 1000));
  if (remainMs > 1800 * 1000 || COURSE === "flat") return START_PRICE;
  if (COURSE === "storm") return START_PRICE + 100 * STORM_STEPS.filter((s) => s >= r).length;
  let price = START_PRICE + 100 * Math.floor((1800 - Math.max(r, 60)) / 60);
  if (r < 60) price += 100 * Math.floor((60 - r) / 6);
  if (COURSE === "fast" && r < 40) price += 100 * Math.floor((40 - r) / 2);
  return price;
}

// --- state ------------------------------------------------------------------------------------

const state = {
  bids: Math.max(0, Math.min(3, intParam("bids", 1))),
  submittedPrice: "",
  submittedTime: "",
  box: null,        // {price, captcha, shownMs, enterMs}
  boxDueMs: null,   // the captcha box comes up then
  boxPrice: 0,
  info: "",         // the information window's text, "" when closed
  record: [],
};

function nowMs() {
  return localMsOfDay(new Date()) + CLOCK_SHIFT_MS;
}

// --- drawing ----------------------------------------------------------------------------------

const canvas = document.getElementById("page");
const ctx = canvas.getContext("2d");
const shift = (document.body.dataset.titleShift || "0,0").split(",").map(Number);

const GLYPHS = new Map(LAYOUT.glyphs.map(([name, w, h, bits]) => [name, [w, h, bits]]));

// --- real fonts -------------------------------------------------------------------------------

const FONT_FAMILIES = {microhei: "WenQuanYi Micro Hei", zenhei: "WenQuanYi Zen Hei"};
const FONT_FAMILY = params.get("font") ? FONT_FAMILIES[params.get("font")] || params.get("font") : "";
const FONT_PX = Math.max(8, Math.min(20, Math.round(12 * (parseFloat(params.get("zoom")) || 1))));
const FONT = FONT_FAMILY ? FONT_PX + "px '" + FONT_FAMILY.replace(/'/g, "") + "'" : "";
// What the page says where the dictionary draws a word as one picture.
const WORDS = {
  dd_201: "沪牌拍卖", dd_jj: "竞价", 908: "目前最低", 915: "区间", 909: "至", 920: "目前时间",
  902: "出价", 901: "确定", 911: "取消", 302: "校验码", 904: "请输入", 303: "刷新",
  501: "第1次", 502: "第2次", 503: "第3次",
};

// Where the ink of `s` lies when drawn at (0, 0) with the top baseline, and how wide it
// advances: text is placed by its ink, so that a word's top-left lands where the page's layout
// puts the word's picture, whatever the font's bearings.
const inkBoxes = new Map();
function inkBox(s) {
  if (inkBoxes.has(s)) return inkBoxes.get(s);
  const pad = 8, c = document.createElement("canvas");
  c.width = 40 * FONT_PX + 2 * pad;
  c.height = 3 * FONT_PX + 2 * pad;
  const g = c.getContext("2d");
  g.font = FONT;
  g.textBaseline = "top";
  g.fillStyle = "#000";
  g.fillText(s, pad, pad);
  const data = g.getImageData(0, 0, c.width, c.height).data;
  let left = c.width, top = c.height, right = -1, bottom = -1;
  for (let y = 0; y < c.height; ++y)
    for (let x = 0; x < c.width; ++x)
      if (data[(y * c.width + x) * 4 + 3] > 0) {
        left = Math.min(left, x);
        right = Math.max(right, x);
        top = Math.min(top, y);
        bottom = Math.max(bottom, y);
      }
  const box = right < 0 ? {x: 0, y: 0, w: 0, h: 0}
                        : {x: left - pad, y: top - pad, w: right - left + 1, h: bottom - top + 1};
  box.advance = Math.round(g.measureText(s).width);
  inkBoxes.set(s, box);
  return box;
}
// Draws `s` with the top-left of its ink at page place (x, y); returns its ink width.
function fontText(s, x, y, colour) {
  const box = inkBox(s);
  ctx.font = FONT;
  ctx.textBaseline = "top";
  ctx.fillStyle = colour;
  ctx.fillText(s, ORIGIN.x + x - box.x, ORIGIN.y + y - box.y);
  return box.w;
}
// Figures stand on the line of a "0": its ink two rows above and two columns left of the
// picture's place (one pixel inside the cell), so that figures larger than the pictures still
// fit the cells the assistant reads.
const FIGURE_SHIFT = 2;
function fontFigures(it, chars) {
  const zero = inkBox("0");
  ctx.font = FONT;
  ctx.textBaseline = "top";
  ctx.fillStyle = it.colour;
  ctx.fillText(chars, ORIGIN.x + it.x - FIGURE_SHIFT - zero.x,
               ORIGIN.y + it.y - FIGURE_SHIFT - zero.y);
}

function glyph(name, x, y, colour) {
  const g = GLYPHS.get(name);
  if (!g) return 0;
  const [w, h, bits] = g;
  ctx.fillStyle = colour;
  for (let j = 0; j < h; ++j)
    for (let i = 0; i < w; ++i)
      if (bits[j * w + i] === "1") ctx.fillRect(ORIGIN.x + x + i, ORIGIN.y + y + j, 1, 1);
  return w;
}
function word(id, name, dx = 0, dy = 0) {
  const it = LAYOUT.items[id];
  if (FONT && WORDS[name]) fontText(WORDS[name], it.x + dx, it.y + dy, it.colour);
  else glyph(name, it.x + dx, it.y + dy, it.colour);
}
// Digits and ":" on one line, one pixel apart; ":" one row down.
function text(id, chars) {
  const it = LAYOUT.items[id];
  if (FONT) {
    if (String(chars) !== "") fontFigures(it, String(chars));
    return;
  }
  let x = it.x;
  for (const c of String(chars)) {
    x += glyph(c, x, it.y + (c === ":" ? 1 : 0), it.colour) + 1;
  }
}
function panel(id) {
  const p = LAYOUT.panels[id];
  ctx.fillStyle = LAYOUT.popup;
  ctx.fillRect(ORIGIN.x + p.x, ORIGIN.y + p.y, p.w, p.h);
}

// What a person reads: the page's words in grey, beside the figures the assistant reads. Grey
// (equal red, green and blue, antialiased into the background's grey) is taken by no colour
// spec of the page, so these words never count as a figure or a marker.
const LABEL = "#606060";
function label(x, y, words, size = 12) {
  ctx.font = size + "px 'WenQuanYi Micro Hei', sans-serif";
  ctx.textBaseline = "top";
  ctx.fillStyle = LABEL;
  ctx.fillText(words, ORIGIN.x + x, ORIGIN.y + y);
}
function drawLabels(second) {
  label(300, 10, "51沪牌 仿真练习 · 个人非营业性客车额度投标拍卖", 16);
  label(300, 34, second ? "下半场：修改出价（第二次、第三次出价）" : "上半场：首次出价");
  label(40, 266, "下半场");
  label(40, 330, "结束时间");
  label(165, 330, "时");
  label(235, 330, "分");
  label(61, 360, "目前时间");
  label(40, 393, "最低可成交价");
  label(580, 282, "加价幅度");
  label(818, 292, "+ 加价");
  label(580, 372, "自行输入价格");
  label(805, 395, "出价");
  label(380, 458, "出价次数");
  label(420, 478, "已出价格");
  label(520, 488, "出价时间");
}

function drawPage(now) {
  ctx.fillStyle = LAYOUT.background;
  ctx.fillRect(0, 0, canvas.width, canvas.height);
  drawLabels(now >= HALF_MS);
  // The assistant takes the title's shift off the origin it finds through an anchor, so the
  // anchors sit that much the other way from the rest of the page.
  word("dd_201", "dd_201", -shift[0], -shift[1]);
  word("dd_jj", "dd_jj", -shift[0], -shift[1]);
  const lowest = lowestAt(END_MS - now);
  const second = now >= HALF_MS;
  word("m908", "908");
  text("fig908", lowest);
  word("m915", "915");
  text("fig915", lowest - WINDOW);
  word("m909", "909");
  text("fig909", lowest + WINDOW);
  word("m920", "920");
  const [hh, mm, ss] = clockText(Math.min(now, END_MS)).split(":");
  const c = second ? "clock2" : "clock1";
  text(c + "h", hh);
  text(c + "m", mm);
  text(c + "s", ss);
  if (FONT) clockColons(c);
  const end = clockText(END_MS).split(":");
  text("endh", end[0]);
  text("endm", end[1]);
  if (second) {
    text("halfmark", "4500");
    text("nowprice2", lowest);
  } else {
    text("nowprice1", lowest);
  }
  word("w902", "902");
  if (state.bids >= 1) word("bidcount", "50" + state.bids);
  text(second ? "backprice2" : "backprice1", state.submittedPrice);
  text(second ? "backtime2" : "backtime1", state.submittedTime);
  if (state.box) drawBox();
  if (state.info) {
    panel("info");
    word("info901", "901");
    label(665, 400, "确定");
  }
}

// In a real font the clock's fields are drawn apart, each in its cell, with a ":" half way
// between one field's ink and the next.
function clockColons(c) {
  const it = LAYOUT.items;
  const zero = inkBox("0"), colon = inkBox(":");
  for (const [a, b] of [["h", "m"], ["m", "s"]]) {
    const end = it[c + a].x - FIGURE_SHIFT + inkBox("00").w;
    const x = Math.round((end + it[c + b].x - FIGURE_SHIFT - colon.w) / 2);
    fontText(":", x, it[c + a].y - FIGURE_SHIFT + (colon.y - zero.y), it[c + a].colour);
  }
}

function drawBox() {
  panel("captcha");
  label(470, 350, "请输入图像校验码，按回车确认");
  label(530, 482, "确认");
  label(720, 482, "取消");
  word("w901", "901");
  word("w911", "911");
  word("w302", "302");
  word("w904", "904");
  if (params.get("refresh") === "1") word("w303", "303");
  drawCaptcha(state.box.captcha);
}

// The captcha picture: its digits in greens on a pale ground with a few lines, none of them a
// colour the page's colour specs take.
function drawCaptcha(captcha) {
  const x = ORIGIN.x + 520, y = ORIGIN.y + 380;
  ctx.fillStyle = "#e8f0e0";
  ctx.fillRect(x, y, 110, 40);
  const rnd = mulberry32(parseInt(captcha, 10) + 17);
  ctx.strokeStyle = "#98b090";
  for (let i = 0; i < 4; ++i) {
    ctx.beginPath();
    ctx.moveTo(x, y + rnd() * 40);
    ctx.lineTo(x + 110, y + rnd() * 40);
    ctx.stroke();
  }
  ctx.font = "bold 26px monospace";
  ctx.fillStyle = "#2e6b34";
  for (let i = 0; i < captcha.length; ++i) {
    ctx.fillText(captcha[i], x + 8 + i * 25, y + 30 + Math.floor(rnd() * 6) - 3);
  }
}

// --- controls ---------------------------------------------------------------------------------

const controls = document.getElementById("controls");
function input(point, width, dx = 0) {
  const p = LAYOUT.points[point];
  const el = document.createElement("input");
  el.type = "text";
  el.autocomplete = "off";
  el.style.left = p.x - 45 + dx + "px";
  el.style.top = p.y - 10 + "px";
  el.style.width = width + "px";
  // A click into a box selects its text, so a paste replaces it.
  el.addEventListener("focus", () => el.select());
  el.addEventListener("mouseup", (e) => e.preventDefault());
  controls.appendChild(el);
  return el;
}
function note(x, y, textContent) {
  const el = document.createElement("div");
  el.className = "note hidden";
  el.style.left = x + "px";
  el.style.top = y + "px";
  el.textContent = textContent;
  controls.appendChild(el);
  return el;
}
const priceBox = input("bidpriceselfedit", 117);
const addBox = input("bid_addprice_selfedit", 90);
addBox.value = "600";
const captchaBox = input("priceedit", 90, -65);
captchaBox.style.top = "385px";
captchaBox.classList.add("hidden");
const infoText = note(590, 440, "");

function digits(s) {
  const v = parseInt(String(s).replace(/[^0-9]/g, "").slice(0, 9), 10);
  return Number.isFinite(v) ? v : 0;
}
function hits(x, y, point) {
  const p = LAYOUT.points[point];
  return Math.abs(x - p.x) <= HIT.x && Math.abs(y - p.y) <= HIT.y;
}

function report(path) {
  fetch(path, {cache: "no-store"}).catch(() => {});
}

function showBox(now) {
  const local = String(1000 + Math.floor(Math.random() * 9000));
  state.box = {price: state.boxPrice, captcha: local, shownMs: now, enterMs: null};
  fetch("/practice/captcha?new=1", {cache: "no-store"})
      .then((r) => (r.ok ? r.text() : ""))
      .then((t) => {
        if (state.box && /^\d{4,10}$/.test(t.trim())) state.box.captcha = t.trim();
      })
      .catch(() => {});
  captchaBox.value = "";
  captchaBox.classList.remove("hidden");
  captchaBox.focus();
}

// The first moment, between `from` and `to`, when the lowest price reaches `price` - 300.
function reachableMs(price, from, to) {
  for (let t = from; t <= to; ++t) {
    if (price <= lowestAt(END_MS - t) + WINDOW) return t;
  }
  return to;
}

function confirmBid(now) {
  const box = state.box;
  const lowest = lowestAt(END_MS - now);
  const inWindow = Math.abs(box.price - lowest) <= WINDOW;
  const captchaOk = captchaBox.value.trim() === box.captcha;
  const accepted = inWindow && captchaOk && state.bids < 3 && now < END_MS;
  const start = Math.max(reachableMs(box.price, box.shownMs, now), box.enterMs || box.shownMs);
  const entry = {price: box.price, time: clockText(now), lowest, accepted,
                 reason: accepted ? "ok" : !captchaOk ? "captcha" : !inWindow ? "window" : "closed",
                 latencyMs: now - start};
  state.record.push(entry);
  report("/practice/bid?" + new URLSearchParams(entry));
  if (accepted) {
    state.bids += 1;
    state.submittedPrice = String(box.price);
    state.submittedTime = entry.time;
  } else {
    state.info = entry.reason === "captcha" ? "验证码错误" : "出价不在区间内";
  }
  closeBox();
}

function closeBox() {
  state.box = null;
  captchaBox.classList.add("hidden");
  captchaBox.blur();
}

captchaBox.addEventListener("keydown", (e) => {
  // Enter does not confirm: the assistant clicks OK at its moment.
  if (e.key === "Enter") {
    e.preventDefault();
    if (state.box && state.box.enterMs === null) state.box.enterMs = nowMs();
  }
});

document.addEventListener("mousedown", (e) => {
  const x = e.clientX - ORIGIN.x, y = e.clientY - ORIGIN.y, now = nowMs();
  if (state.info) {
    if (hits(x, y, "errorinfobutton")) state.info = "";
    e.preventDefault();
    return;
  }
  if (state.box) {
    // The box is modal: only its buttons answer, and its captcha field keeps the focus.
    if (e.target !== captchaBox) e.preventDefault();
    if (hits(x, y, "priceconfirmbutton")) confirmBid(now);
    else if (hits(x, y, "pricecancelbutton")) closeBox();
    else if (params.get("refresh") === "1" && x >= 690 && x <= 770 && y >= 320 && y <= 350)
      showBox(now);
    return;
  }
  if (e.target === priceBox || e.target === addBox) return;
  if (hits(x, y, "addbutton")) priceBox.value = String(lowestAt(END_MS - now) + digits(addBox.value));
  if (hits(x, y, "plus300")) priceBox.value = String(lowestAt(END_MS - now) + WINDOW);
  if (hits(x, y, "bidbutton") && state.boxDueMs === null) {
    state.boxPrice = digits(priceBox.value);
    state.boxDueMs = now + intParam("delay", 600);
  }
});

// --- the loop ---------------------------------------------------------------------------------

function tick() {
  const now = nowMs();
  if (state.boxDueMs !== null && now >= state.boxDueMs) {
    state.boxDueMs = null;
    showBox(now);
  }
  const popup = state.box !== null || state.info !== "";
  priceBox.classList.toggle("hidden", popup);
  addBox.classList.toggle("hidden", popup);
  infoText.classList.toggle("hidden", !state.info);
  infoText.textContent = state.info;
  drawPage(now);
}
tick();
setInterval(tick, 20);
