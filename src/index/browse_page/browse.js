// The browse page: it shows what its server says and sends every click there. The server asks
// the browser object, so the host decides whether a selection, an option, OK or Cancel takes.
"use strict";
(function () {
  const token = new URLSearchParams(location.search).get("token") || "";
  const $ = (id) => document.getElementById(id);
  let state = null;
  let sizeTimer = 0;
  const queue = [];

  function api(path, params, method) {
    const query = new URLSearchParams(Object.assign({ token: token }, params || {}));
    return fetch(path + "?" + query.toString(), { method: method || "POST", cache: "no-store" })
      .then((response) => {
        if (!response.ok) throw new Error("The dialog's server answered " + response.status);
        return response.json();
      });
  }

  // Requests go one after the other, so the page never shows an older state over a newer one.
  function send(path, params, method) {
    const done = (queue.length ? queue[queue.length - 1] : Promise.resolve())
      .catch(() => {})
      .then(() => api(path, params, method))
      .then(render, (error) => { $("status").textContent = error.message; });
    queue.push(done);
    done.finally(() => queue.splice(queue.indexOf(done), 1));
    return done;
  }
  window.tgBrowse = { send: send, state: () => state, idle: () => Promise.all(queue.slice()) };

  function number(value, digits) {
    return Number(value).toFixed(digits);
  }

  function cell(row, text, className) {
    const td = document.createElement("td");
    td.textContent = text;
    if (className) td.className = className;
    row.appendChild(td);
  }

  function itemRow(item) {
    const row = document.createElement("tr");
    row.dataset.type = item.type;
    row.dataset.index = item.index;
    row.setAttribute("aria-selected", item.selected ? "true" : "false");
    const box = document.createElement("input");
    box.type = "checkbox";
    box.checked = item.selected;
    box.tabIndex = -1;
    box.setAttribute("aria-label", "Select " + item.label);
    const first = document.createElement("td");
    first.appendChild(box);
    row.appendChild(first);
    cell(row, item.label, "label");
    cell(row, item.priority);
    if (item.type === 1) {
      cell(row, [number(item.sLat, 4), number(item.wLon, 4), number(item.nLat, 4),
                 number(item.eLon, 4)].join(", "), "number");
      cell(row, number(item.xRes, 1) + " \u00d7 " + number(item.yRes, 1), "number");
    }
    row.title = item.filename;
    row.addEventListener("click", () => toggle(item));
    return row;
  }

  function toggle(item) {
    send("/api/select", { type: item.type, index: item.index, selected: item.selected ? 0 : 1 });
  }

  function fillTable(id, items, columns, emptyText) {
    const body = $(id).querySelector("tbody");
    body.replaceChildren();
    for (const item of items) body.appendChild(itemRow(item));
    if (!items.length) {
      const row = document.createElement("tr");
      row.className = "empty";
      const td = document.createElement("td");
      td.colSpan = columns;
      td.textContent = emptyText;
      row.appendChild(td);
      body.appendChild(row);
    }
  }

  const svgNS = "http://www.w3.org/2000/svg";
  function svg(name, attributes) {
    const element = document.createElementNS(svgNS, name);
    for (const key in attributes) element.setAttribute(key, attributes[key]);
    return element;
  }

  // The bounds in degrees, longitude to the right and latitude up, with a graticule.
  function drawMap(sources) {
    const map = $("map");
    map.replaceChildren();
    if (!sources.length) {
      map.setAttribute("viewBox", "0 0 400 300");
      $("mapCaption").textContent = "No source files shown.";
      return;
    }
    let west = Infinity, east = -Infinity, south = Infinity, north = -Infinity;
    for (const s of sources) {
      west = Math.min(west, s.wLon); east = Math.max(east, s.eLon);
      south = Math.min(south, s.sLat); north = Math.max(north, s.nLat);
    }
    const margin = Math.max(east - west, north - south, 0.01) * 0.08;
    west -= margin; east += margin; south -= margin; north += margin;
    const width = 400, height = 300;
    const scale = Math.min(width / (east - west), height / (north - south));
    const x = (lon) => (lon - west) * scale + (width - (east - west) * scale) / 2;
    const y = (lat) => (north - lat) * scale + (height - (north - south) * scale) / 2;
    map.setAttribute("viewBox", "0 0 " + width + " " + height);
    const step = Math.pow(10, Math.floor(Math.log10(Math.max(east - west, north - south))));
    for (let lon = Math.ceil(west / step) * step; lon <= east; lon += step) {
      map.appendChild(svg("line", { x1: x(lon), y1: 0, x2: x(lon), y2: height }));
      const label = svg("text", { x: x(lon) + 2, y: height - 4 });
      label.textContent = +lon.toFixed(6) + "\u00b0";
      map.appendChild(label);
    }
    for (let lat = Math.ceil(south / step) * step; lat <= north; lat += step) {
      map.appendChild(svg("line", { x1: 0, y1: y(lat), x2: width, y2: y(lat) }));
      const label = svg("text", { x: 2, y: y(lat) - 2 });
      label.textContent = +lat.toFixed(6) + "\u00b0";
      map.appendChild(label);
    }
    for (const s of sources) {
      const rect = svg("rect", {
        x: x(s.wLon), y: y(s.nLat),
        width: Math.max((s.eLon - s.wLon) * scale, 1), height: Math.max((s.nLat - s.sLat) * scale, 1),
        "data-index": s.index,
      });
      if (s.selected) rect.setAttribute("class", "selected");
      const tip = svg("title", {});
      tip.textContent = s.label;
      rect.appendChild(tip);
      rect.addEventListener("click", () => toggle(s));
      map.appendChild(rect);
    }
    $("mapCaption").textContent = "Bounds in degrees, " + number(south + margin, 4) + " to " +
      number(north - margin, 4) + " N, " + number(west + margin, 4) + " to " +
      number(east - margin, 4) + " E.";
  }

  function setPressed(id, pressed, enabled) {
    const button = $(id);
    button.setAttribute("aria-pressed", pressed ? "true" : "false");
    button.disabled = !enabled;
  }

  function showMessages(messages) {
    if (!messages.length) return;
    const last = messages[messages.length - 1];
    $("messageTitle").textContent = last.title;
    $("messageText").textContent = last.text;
    $("messageBox").hidden = false;
    $("messageOk").focus();
  }

  function render(next) {
    state = next;
    document.title = state.title;
    $("title").textContent = state.title;
    const enabled = (bit) => (state.buttons & bit) === bit && !state.closed;
    setPressed("showScripts", state.showScripts, enabled(1));
    setPressed("showSources", state.showSources, enabled(2));
    setPressed("displayIndexNames", state.displayOption === 1, enabled(4));
    setPressed("displayFileNames", state.displayOption === 0, enabled(8));
    ["sortPath", "sortCategory", "sortLocation", "sortResolution"].forEach((id, i) =>
      setPressed(id, state.sortOption === i, enabled(16 << i)));
    const scripts = state.items.filter((item) => item.type === 0);
    const sources = state.items.filter((item) => item.type === 1);
    $("scripts").hidden = $("scriptsHeading").hidden = !state.showScripts;
    $("sources").hidden = $("sourcesHeading").hidden = !state.showSources;
    fillTable("scripts", scripts, 3, "No scripts are indexed.");
    fillTable("sources", sources, 5, "No source files are indexed.");
    drawMap(state.showSources ? sources : []);
    const chosen = state.items.filter((item) => item.selected).length;
    $("status").textContent = state.closed
      ? (state.canceled ? "Cancelled. You may close this page." : "Done. You may close this page.")
      : chosen + (chosen === 1 ? " item" : " items") + " selected";
    document.body.classList.toggle("closed", state.closed);
    if (state.width > 0 && state.height > 0 && !$("dialog").dataset.sized) {
      $("dialog").style.maxWidth = state.width + "px";
      $("dialog").dataset.sized = "1";
    }
    showMessages(state.messages);
  }

  function option(name, value) {
    send("/api/option", { name: name, value: value });
  }

  $("showScripts").addEventListener("click", () => option("showScripts", state.showScripts ? 0 : 1));
  $("showSources").addEventListener("click", () => option("showSources", state.showSources ? 0 : 1));
  for (const button of document.querySelectorAll("[data-display]"))
    button.addEventListener("click", () => option("displayOption", button.dataset.display));
  for (const button of document.querySelectorAll("[data-sort]"))
    button.addEventListener("click", () => option("sortOption", button.dataset.sort));
  $("ok").addEventListener("click", () => send("/api/ok"));
  $("cancel").addEventListener("click", () => send("/api/cancel"));
  $("close").addEventListener("click", () => send("/api/close"));
  $("messageOk").addEventListener("click", () => { $("messageBox").hidden = true; });
  window.addEventListener("resize", () => {
    clearTimeout(sizeTimer);
    sizeTimer = setTimeout(() => send("/api/size",
      { width: Math.round(innerWidth), height: Math.round(innerHeight) }), 300);
  });
  // Leaving the page takes the close box's road; a host that refuses keeps the dialog open at
  // the same address.
  window.addEventListener("pagehide", () => {
    if (state && !state.closed) navigator.sendBeacon("/api/close?token=" + encodeURIComponent(token));
  });
  // The host may change options or close the dialog itself: look now and then.
  setInterval(() => { if (!queue.length && !(state && state.closed)) send("/api/state", {}, "GET"); }, 1000);
  send("/api/state", {}, "GET");
})();
