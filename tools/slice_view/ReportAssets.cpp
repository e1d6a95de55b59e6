#include "tools/slice_view/ReportAssets.h"

namespace Voxmill {

const char* const reportStyle = R"CSS(
body { background: #1f2124; color: #e3e3e3; font: 15px/1.45 sans-serif; margin: 1.5em auto; max-width: 1100px; padding: 0 1em; }
h1 { font-size: 1.5em; margin-bottom: 0.1em; }
h2 { font-size: 1.15em; border-bottom: 1px solid #444; padding-bottom: 0.2em; margin-top: 1.6em; }
a { color: #8ab4f8; }
code { color: #f0d98c; }
.job { color: #9aa0a6; margin-top: 0; word-break: break-all; }
.fault { background: #5c1d1d; border: 1px solid #c53a3a; padding: 0.6em 0.9em; }
.warn { color: #f6a75b; }
table.summary { border-collapse: collapse; }
table.summary th { text-align: left; font-weight: normal; color: #9aa0a6; padding: 0.15em 1.2em 0.15em 0; vertical-align: top; }
table.summary td { padding: 0.15em 0; }
.views { display: grid; grid-template-columns: minmax(0, 1fr) minmax(0, 1fr); gap: 1.5em; align-items: start; }
.views .picture { display: block; }
.views .picture img { width: 100%; height: auto; }
figure { margin: 0; }
figcaption { color: #9aa0a6; font-size: 0.9em; }
.picture { position: relative; display: inline-block; background: #000; line-height: 0; }
.picture img { max-width: 100%; image-rendering: pixelated; }
#side-cursor { position: absolute; left: 0; right: 0; height: 0; border-top: 1px solid #f6a75b; pointer-events: none; }
#side-picture { cursor: pointer; }
.controls { display: flex; align-items: center; gap: 0.6em; }
#slider { flex: 1; }
#layer-picture { min-width: 60px; min-height: 60px; }
#plot { width: 100%; height: auto; cursor: pointer; background: #161719; }
#plot text { fill: #9aa0a6; font-size: 12px; }
)CSS";

const char* const reportScript = R"JS(
(function () {
  'use strict';
  const job = JSON.parse(document.getElementById('job-data').textContent);
  const $ = (id) => document.getElementById(id);
  const slider = $('slider'), picture = $('layer-picture'), plot = $('plot'), side = $('side-picture');
  let current = -1;

  const area = (pixels) => (pixels * job.pixelAreaMm2).toFixed(2);
  const clamp = (n) => Math.max(0, Math.min(job.layers - 1, n));

  function showFindings(n) {
    const list = $('layer-findings');
    list.textContent = '';
    for (const f of job.findings) {
      if (f[0] > n || n > f[1]) continue;
      const item = document.createElement('li');
      item.textContent = f[2];
      list.appendChild(item);
    }
    $('layer-clean').hidden = list.firstChild !== null;
  }

  function showPicture(n) {
    const shown = job.shown[n];
    const src = 'layers/' + shown + '.png';
    if (picture.getAttribute('src') !== src) picture.setAttribute('src', src);
    picture.dataset.layer = shown;
    let note = '';
    if (shown !== n && job.exact[n]) note = 'layer ' + n + ' prints exactly what layer ' + shown + ' prints: this is its picture';
    else if (shown !== n) note = 'picture of layer ' + shown + ', the nearest pictured layer below (every ' + job.step + ' layers and the first layer of each finding are pictured)';
    $('layer-picture-note').textContent = note;
  }

  function moveCursors(n) {
    const x = Number(plot.dataset.left) + (n + 0.5) / job.layers * Number(plot.dataset.width);
    const cursor = $('plot-cursor');
    cursor.setAttribute('x1', x.toFixed(1));
    cursor.setAttribute('x2', x.toFixed(1));
    $('side-cursor').style.bottom = ((n + 0.5) / job.layers * 100).toFixed(3) + '%';
  }

  function show(n) {
    n = clamp(n);
    if (n === current) return;
    current = n;
    slider.value = n;
    $('layer-number').textContent = n;
    $('layer-z').textContent = ((n + 1) * job.layerMm).toFixed(2);
    $('layer-model').textContent = area(job.model[n]);
    $('layer-support').textContent = area(job.support[n]);
    showPicture(n);
    showFindings(n);
    moveCursors(n);
    try { history.replaceState(null, '', '#layer=' + n); } catch (e) { /* some browsers refuse it for files */ }
  }

  function layerOfHash() {
    const m = /^#layer=(\d+)$/.exec(location.hash);
    return m ? Number(m[1]) : null;
  }

  // the picture on screen, as the browser has it: "loaded" names its file
  picture.addEventListener('load', () => { picture.dataset.loaded = picture.getAttribute('src'); });
  slider.addEventListener('input', () => show(Number(slider.value)));
  window.addEventListener('hashchange', () => {
    const n = layerOfHash();
    if (n !== null) show(n);
  });
  document.addEventListener('click', (e) => {
    const link = e.target.closest('a[href^="#layer="]');
    if (!link) return;
    e.preventDefault();
    show(Number(link.getAttribute('href').slice(7)));
    $('viewer').scrollIntoView();
  });
  document.addEventListener('keydown', (e) => {
    if (e.target === slider || e.altKey || e.ctrlKey || e.metaKey) return;
    const moves = { ArrowRight: 1, ArrowUp: 1, ArrowLeft: -1, ArrowDown: -1, PageUp: 10, PageDown: -10 };
    if (e.key in moves) show(current + moves[e.key]);
    else if (e.key === 'Home') show(0);
    else if (e.key === 'End') show(job.layers - 1);
    else return;
    e.preventDefault();
  });
  plot.addEventListener('click', (e) => {
    const box = plot.getBoundingClientRect();
    const x = (e.clientX - box.left) / box.width * plot.viewBox.baseVal.width;
    show(Math.floor((x - Number(plot.dataset.left)) / Number(plot.dataset.width) * job.layers));
  });
  side.addEventListener('click', (e) => {
    const box = side.getBoundingClientRect();
    show(Math.floor((box.bottom - e.clientY) / box.height * job.layers));
  });

  const fromHash = layerOfHash();
  show(fromHash === null ? 0 : fromHash);
})();
)JS";

} // namespace Voxmill
