// The report page's style and script, inline in the page so that it opens
// from the file system alone, without a server or a network.
#include "headless/html_report_page.h"

const char* const Html_Report_Style = R"CSS(
:root{--ink:#1d2430;--muted:#5b6575;--line:#dde2ea;--bg:#f5f7fa;--card:#fff;
--identical:#2e7d4f;--different:#c62828;--only_old:#b26a00;--only_new:#1565c0;--error:#6a1b9a;
--accepted:#00796b;--total:#37474f}
*{box-sizing:border-box}
[hidden]{display:none!important}
body{margin:0;font:14px/1.45 system-ui,-apple-system,"Segoe UI",Roboto,"DejaVu Sans",sans-serif;
color:var(--ink);background:var(--bg)}
header.top{background:#1f2d3d;color:#fff;padding:18px 32px}
header.top h1{margin:0;font-size:20px;font-weight:600}
header.top .names{margin:4px 0 0;color:#c9d3df;word-break:break-all}
header.top .names span{color:#8fa3b8;margin:0 6px}
main{padding:20px 32px 48px;max-width:1600px;margin:0 auto}
h2{font-size:16px;margin:28px 0 10px}
section.summary{display:flex;flex-wrap:wrap;gap:20px;align-items:flex-start}
.counts{display:flex;flex-wrap:wrap;gap:10px}
.count{background:var(--card);border:1px solid var(--line);border-top:4px solid var(--c,#999);
border-radius:6px;padding:8px 14px;min-width:104px}
.count b{display:block;font-size:22px;font-weight:600;color:var(--c)}
.count span{color:var(--muted);font-size:12px;text-transform:uppercase;letter-spacing:.04em}
.v-identical{--c:var(--identical)}.v-different{--c:var(--different)}.v-only_old{--c:var(--only_old)}
.v-only_new{--c:var(--only_new)}.v-error{--c:var(--error)}.v-accepted{--c:var(--accepted)}
.v-total{--c:var(--total)}
table{border-collapse:collapse;background:var(--card)}
table.options{border:1px solid var(--line);border-radius:6px;font-size:13px;flex:1;min-width:320px}
table.options th{text-align:left;color:var(--muted);font-weight:500;padding:4px 12px;
white-space:nowrap;vertical-align:top}
table.options td{padding:4px 12px;word-break:break-all}
.filters{display:flex;flex-wrap:wrap;gap:8px;align-items:center;margin:0 0 10px}
.filters .label{color:var(--muted);margin-right:4px}
.chip{border:1px solid var(--line);border-left:4px solid var(--c);background:var(--card);
border-radius:4px;padding:3px 10px;cursor:pointer;user-select:none}
.share{margin-left:12px}.share input{width:80px;padding:2px 4px}
.search{margin-left:12px}.search input{width:200px;padding:2px 4px}
.steps{display:flex;gap:4px;margin-left:8px}
article.pair.current{outline:3px solid #1565c0;outline-offset:2px}
.shown{margin-left:auto;color:var(--muted)}
#pairs{width:100%;border:1px solid var(--line)}
#pairs th{position:sticky;top:0;background:#eef1f5;text-align:left;font-weight:600;
padding:7px 10px;border-bottom:1px solid var(--line);cursor:pointer;user-select:none;white-space:nowrap}
#pairs th:hover{background:#e2e7ee}
#pairs th[aria-sort=ascending]::after{content:" ▲";font-size:10px}
#pairs th[aria-sort=descending]::after{content:" ▼";font-size:10px}
#pairs td{padding:5px 10px;border-bottom:1px solid #eef0f3;vertical-align:top}
#pairs tbody tr:nth-child(even){background:#fafbfc}
#pairs tbody tr:hover{background:#f0f5fb}
#pairs td.name{word-break:break-all}
#pairs a{color:#1558b0;text-decoration:none}#pairs a:hover{text-decoration:underline}
.num{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}
.badge{display:inline-block;padding:1px 8px;border-radius:10px;font-size:12px;font-weight:600;
color:#fff;background:var(--c);white-space:nowrap}
.error{color:var(--error);font-size:12px}
article.pair{background:var(--card);border:1px solid var(--line);border-radius:6px;
padding:12px 16px 16px;margin:0 0 20px}
article.pair>header{display:flex;flex-wrap:wrap;align-items:baseline;gap:6px 14px;margin-bottom:10px}
article.pair h3{margin:0;font-size:15px;word-break:break-all}
.facts{color:var(--muted)}
.tools{margin-left:auto;display:flex;gap:4px}
button{font:inherit;font-size:13px;border:1px solid #c3ccd8;background:#f7f9fb;color:var(--ink);
border-radius:4px;padding:3px 10px;cursor:pointer}
button:hover{background:#eaf0f6}
button.on{background:#1f2d3d;border-color:#1f2d3d;color:#fff}
.view{overflow:auto}
.view.side{display:grid;grid-template-columns:repeat(3,minmax(0,1fr));gap:12px}
.actual .view.side{grid-template-columns:repeat(3,max-content)}
figure{margin:0}
figcaption,.caption{color:var(--muted);font-size:12px;text-transform:uppercase;letter-spacing:.04em;
margin-bottom:4px;display:flex;justify-content:space-between;align-items:center}
.stage{position:relative;width:100%;max-width:var(--w);background:
repeating-conic-gradient(#eceff3 0 25%,#fff 0 50%) 0 0/16px 16px;border:1px solid var(--line)}
.actual .stage{width:var(--w);max-width:none}
.stage img{position:absolute;display:block;image-rendering:auto}
.actual .stage img{image-rendering:pixelated}
.stage .cut{position:absolute;inset:0;clip-path:inset(0 50% 0 0)}
.diff-stage{background:#fff}
.stage img.faded{opacity:.25}
.swipe-stage::after{content:"";position:absolute;top:0;bottom:0;left:var(--cut,50%);width:2px;
margin-left:-1px;background:#ff6d00;box-shadow:0 0 0 1px rgba(255,255,255,.7);pointer-events:none}
.divider{width:100%;max-width:var(--w);margin:6px 0 0;display:block}
.actual .divider{width:var(--w);max-width:none}
.swipe .caption,.blink .caption{max-width:var(--w)}
.blink-stage[data-shown=modified] img.base,.blink-stage[data-shown=base] img.modified{visibility:hidden}
.box{position:absolute;border:2px solid var(--k);box-shadow:0 0 0 1px rgba(255,255,255,.8);
pointer-events:none;min-width:4px;min-height:4px}
.k-added{--k:#1fa030}.k-removed{--k:#e01b24}.k-changed{--k:#f0a000}.k-moved{--k:#1565c0}
.kind{border-left:4px solid var(--k);padding-left:6px}
table.changes{margin-top:12px;font-size:13px;border:1px solid var(--line)}
table.changes th{background:#eef1f5;text-align:left;padding:4px 10px;font-weight:600}
table.changes td{padding:3px 10px;border-top:1px solid #eef0f3}
table.changes td.text{white-space:pre-wrap;max-width:28em}
tr.region td{border-top:none;color:#4b5563;font-size:12px}
tr.region td:first-child{padding-left:22px}
.no-text{color:#6b7280;font-style:italic}
.text-change.t-changed{font-weight:600;color:#b45309}.text-change.t-moved{color:#1565c0}
.text-changes{margin-top:4px;font-size:13px}.text-changes ul{margin:2px 0 0;padding-left:18px}
.change-kind{font-weight:600}
.hidden{display:none!important}
.interrupted{background:#fff3e0;border:1px solid #ffb74d;border-radius:6px;padding:8px 14px;
font-weight:600}
)CSS";

const char* const Html_Report_Script = R"JS(
(function () {
  "use strict";
  var table = document.getElementById("pairs");
  var rows = Array.prototype.slice.call(table.tBodies[0].rows);
  var articles = Array.prototype.slice.call(document.querySelectorAll("article.pair"));
  var boxes = Array.prototype.slice.call(document.querySelectorAll("input[name=verdict]"));
  var minShare = document.getElementById("min-share");
  var search = document.getElementById("search");
  var shown = document.getElementById("shown");
  var current = -1;

  // The filter lives in the address (?hide=identical&min=1&name=plan), so
  // that a reload, a bookmark or a link sent on keeps what was shown.
  function readState() {
    var query = new URLSearchParams(location.search);
    var hidden = (query.get("hide") || "").split(",");
    boxes.forEach(function (box) { box.checked = hidden.indexOf(box.value) < 0; });
    if (query.has("min")) minShare.value = query.get("min");
    if (query.has("name")) search.value = query.get("name");
  }
  function writeState() {
    var query = new URLSearchParams();
    var hidden = boxes.filter(function (box) { return !box.checked; })
      .map(function (box) { return box.value; });
    if (hidden.length) query.set("hide", hidden.join(","));
    if (parseFloat(minShare.value) > 0) query.set("min", minShare.value);
    if (search.value) query.set("name", search.value);
    var text = query.toString();
    try {
      history.replaceState(null, "", location.pathname + (text ? "?" + text : "") + location.hash);
    } catch (e) { /* an address the page may not change */ }
  }

  // Rows and changed pairs that pass the verdicts ticked and the least share.
  function filter() {
    var verdicts = {};
    boxes.forEach(function (box) { verdicts[box.value] = box.checked; });
    var least = parseFloat(minShare.value) / 100 || 0;
    var part = search.value.toLowerCase();
    var count = 0;
    function passes(element) {
      return verdicts[element.dataset.verdict] &&
        (least <= 0 || parseFloat(element.dataset.share) >= least) &&
        (!part || element.dataset.name.toLowerCase().indexOf(part) >= 0);
    }
    rows.forEach(function (row) {
      var pass = passes(row);
      row.classList.toggle("hidden", !pass);
      if (pass) count++;
    });
    articles.forEach(function (article) {
      article.classList.toggle("hidden", !passes(article));
    });
    shown.textContent = count + " of " + rows.length + " shown";
  }
  function refilter() { filter(); writeState(); }
  boxes.forEach(function (box) { box.addEventListener("change", refilter); });
  minShare.addEventListener("input", refilter);
  search.addEventListener("input", refilter);

  // The pair before or after the current one among those shown.
  function step(by) {
    var visible = articles.filter(function (article) { return !article.classList.contains("hidden"); });
    if (!visible.length) return;
    var at = visible.indexOf(articles[current]);
    var next = visible[at < 0 ? (by > 0 ? 0 : visible.length - 1)
                              : Math.min(Math.max(at + by, 0), visible.length - 1)];
    select(articles.indexOf(next));
    next.scrollIntoView({block: "start"});
    try { history.replaceState(null, "", location.pathname + location.search + "#" + next.id); }
    catch (e) { /* an address the page may not change */ }
  }
  function select(index) {
    if (articles[current]) articles[current].classList.remove("current");
    current = index;
    if (articles[current]) articles[current].classList.add("current");
  }
  document.addEventListener("keydown", function (event) {
    var target = event.target;
    if (event.ctrlKey || event.metaKey || event.altKey ||
        (target && (target.tagName === "INPUT" || target.tagName === "TEXTAREA"))) return;
    if (event.key === "n" || event.key === "j") { step(1); event.preventDefault(); }
    else if (event.key === "p" || event.key === "k") { step(-1); event.preventDefault(); }
  });

  // Sorting by a column: numbers as numbers, names as text; again reverses.
  Array.prototype.forEach.call(table.tHead.rows[0].cells, function (cell, column) {
    cell.addEventListener("click", function () {
      var ascending = cell.getAttribute("aria-sort") !== "ascending";
      Array.prototype.forEach.call(table.tHead.rows[0].cells, function (other) {
        other.removeAttribute("aria-sort");
      });
      cell.setAttribute("aria-sort", ascending ? "ascending" : "descending");
      var numeric = cell.dataset.type === "num";
      rows.sort(function (a, b) {
        var x = a.cells[column].dataset.key, y = b.cells[column].dataset.key;
        var order = numeric ? parseFloat(x) - parseFloat(y) : x.localeCompare(y);
        return ascending ? order : -order;
      });
      rows.forEach(function (row) { table.tBodies[0].appendChild(row); });
    });
  });

  articles.forEach(function (article, index) {
    article.querySelector(".previous").addEventListener("click", function () {
      select(index); step(-1);
    });
    article.querySelector(".next").addEventListener("click", function () {
      select(index); step(1);
    });
    var zoom = article.querySelector(".zoom");
    zoom.addEventListener("click", function () {
      var actual = article.classList.toggle("actual");
      zoom.classList.toggle("on", actual);
      zoom.textContent = actual ? "Fit" : "100 %";
    });
    var blinkStage = article.querySelector(".blink-stage");
    if (!blinkStage) return; // a file on one side only has one view
    var views = article.querySelectorAll(".view");
    var buttons = article.querySelectorAll("button[data-view]");
    var showing = article.querySelector(".showing");
    var pause = article.querySelector(".pause");
    var timer = null;

    function flip() {
      var next = blinkStage.dataset.shown === "modified" ? "base" : "modified";
      blinkStage.dataset.shown = next;
      showing.textContent = next === "modified" ? "Modified" : "Base";
    }
    function blink(on) {
      if (timer) { clearInterval(timer); timer = null; }
      if (on) timer = setInterval(flip, 700);
      pause.textContent = on ? "Pause" : "Play";
    }
    blinkStage.dataset.shown = "modified";
    pause.addEventListener("click", function () { blink(!timer); });

    // One view at a time; only a blink view on screen keeps a timer.
    Array.prototype.forEach.call(buttons, function (button) {
      button.addEventListener("click", function () {
        Array.prototype.forEach.call(buttons, function (other) {
          other.classList.toggle("on", other === button);
        });
        Array.prototype.forEach.call(views, function (view) {
          view.hidden = !view.classList.contains(button.dataset.view);
        });
        blink(button.dataset.view === "blink");
      });
    });

    var divider = article.querySelector(".divider");
    var swipeStage = article.querySelector(".swipe-stage");
    var cut = swipeStage.querySelector(".cut");
    function swipe() {
      var at = parseFloat(divider.value);
      cut.style.clipPath = "inset(0 " + (100 - at) + "% 0 0)";
      swipeStage.style.setProperty("--cut", at + "%");
    }
    divider.addEventListener("input", swipe);
    swipe();
  });
  readState();
  filter();
  if (location.hash) {
    var target = document.getElementById(location.hash.slice(1));
    if (target && articles.indexOf(target) >= 0) select(articles.indexOf(target));
  }
})();
)JS";
