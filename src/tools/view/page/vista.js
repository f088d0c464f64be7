'use strict';
(function () {
const D = JSON.parse(document.getElementById('dati').textContent);
const CELLA = 50;
const MIN_FINESTRA = 200;

// --- data ---------------------------------------------------------------
// Plan levels: flat differences of metre and decimetres back to numbers.
const livelli = D.pianta.map(function (l) {
  const p = l.punti, n = p.length / 3;
  const M = new Float64Array(n), X = new Float64Array(n), Y = new Float64Array(n);
  let m = 0, x = 0, y = 0;
  for (let i = 0; i < n; i++) {
    m += p[3 * i]; x += p[3 * i + 1]; y += p[3 * i + 2];
    M[i] = m; X[i] = x / 10; Y[i] = y / 10;
  }
  return { tol: l.tolleranza, M: M, X: X, Y: Y };
});
// The properties of the cells, from runs of value and count to one array each.
const nCelle = D.celle.numero;
function espandi(serie) {
  const a = new Int16Array(nCelle);
  let k = 0;
  for (let i = 0; i + 1 < serie.length; i += 2) a.fill(serie[i], k, k += serie[i + 1]);
  return a;
}
const C = { velocita: espandi(D.celle.velocita), pendenza: espandi(D.celle.pendenza), aderenza: espandi(D.celle.aderenza),
            montagna: espandi(D.celle.montagna), avvicinamento: espandi(D.celle.avvicinamento), oggetti: D.celle.oggetti };
const oggetti = C.oggetti.map(function (o) { return { cella: o[0], kind: o[1], tipo: o[2], valori: o[3], testo: o[4] }; });
const oggettiDi = new Map();
for (const o of oggetti) oggettiDi.set(o.cella, o);
const stazioni = D.stazioni.slice().sort(function (a, b) { return a.posizione - b.posizione; });
const progressive = D.progressive.filter(function (p) { return p.da !== 0 || p.base !== 0 || p.verso !== 0; })
  .sort(function (a, b) { return a.da - b.da; });
const lunghezza = D.lunghezza > 0 ? D.lunghezza : Math.max(0, (nCelle - 1) * CELLA);
// The whole view: the route, or further where a feature stands past its end.
const fineVista = Math.max(lunghezza, D.disegno_fino_a || 0);
const ultimoPunto = livelli.length ? livelli[0].M[livelli[0].M.length - 1] : 0;
const dominio = [-CELLA, Math.max((nCelle - 1) * CELLA + CELLA / 2, ultimoPunto, MIN_FINESTRA)];
let vmax = 20;
for (let i = 0; i < nCelle; i++) vmax = Math.max(vmax, C.velocita[i]);
vmax = Math.ceil(vmax / 20) * 20;

// --- the scenario's measures -------------------------------------------
function cellaDi(m) { return Math.round(m / CELLA + 1); }
function metroDi(c) { return (c - 1) * CELLA; }
function cellaValida(c) { return c >= 0 && c < nCelle; }

// The progressive system in force at metre m: the one with the greatest
// start not beyond m (the first one before every start). The offsets of
// falling systems carry the 100 m the compiler adds; the posts are those of
// the script's offset.
function sistemaDi(m) {
  let s = progressive.length ? progressive[0] : null;
  for (const p of progressive) if (p.da <= m) s = p;
  return s;
}
function kmDi(m, s) {
  if (!s) return m;
  return s.verso === 1 ? (s.base - 100) - m : m + s.base;
}
function testoKm(v) {
  const a = Math.abs(Math.round(v));
  return (v < 0 ? '−' : '') + Math.floor(a / 1000) + '+' + String(a % 1000).padStart(3, '0');
}
function progressivaDi(m) { return testoKm(kmDi(m, sistemaDi(m))); }
// Every route metre at which the posts read v, first to last.
function metriDiKm(v) {
  if (!progressive.length) return [v];
  const out = [];
  for (let i = 0; i < progressive.length; i++) {
    const s = progressive[i];
    const da = i === 0 ? -Infinity : s.da;
    const a = i + 1 < progressive.length ? progressive[i + 1].da : Infinity;
    const m = s.verso === 1 ? (s.base - 100) - v : v - s.base;
    if (m >= da && m < a && m >= dominio[0] && m <= dominio[1]) out.push(m);
  }
  return out.sort(function (x, y) { return x - y; });
}
function ora(s) {
  const h = Math.floor(s / 3600), mi = Math.floor(s / 60) % 60, se = s % 60;
  return h + ':' + String(mi).padStart(2, '0') + ':' + String(se).padStart(2, '0');
}
function km(m) { return (m / 1000).toFixed(m < 10000 ? 2 : 1).replace('.', ',') + ' km'; }

// --- the plan: points at a metre, spans of metres ------------------------
function cerca(M, m) {  // last index with M[i] <= m, or -1
  let a = 0, b = M.length - 1, r = -1;
  while (a <= b) { const k = (a + b) >> 1; if (M[k] <= m) { r = k; a = k + 1; } else b = k - 1; }
  return r;
}
function puntoA(m) {
  if (!livelli.length) return null;
  const L = livelli[0], n = L.M.length;
  if (m <= L.M[0]) return [L.X[0], L.Y[0]];
  if (m >= L.M[n - 1]) return [L.X[n - 1], L.Y[n - 1]];
  const i = cerca(L.M, m);
  const t = (m - L.M[i]) / (L.M[i + 1] - L.M[i]);
  return [L.X[i] + t * (L.X[i + 1] - L.X[i]), L.Y[i] + t * (L.Y[i + 1] - L.Y[i])];
}
function livelloPer(tol) {
  let k = 0;
  for (let i = 0; i < livelli.length; i++) if (livelli[i].tol <= tol) k = i;
  return livelli[k];
}
function indici(L, m0, m1) {
  return [Math.max(0, cerca(L.M, m0)), Math.min(L.M.length - 1, cerca(L.M, m1) + 1)];
}

// --- state ----------------------------------------------------------------
let f0 = 0, f1 = fineVista > 0 ? fineVista : dominio[1];
let cursore = 0;
let guida = null;  // metre under the mouse on the profile
let scelto = -1;   // selected finding
const pianta = document.getElementById('pianta');
const profilo = document.getElementById('profilo');
let geoPianta = null;  // the last plan transform, for clicks

function finestra(a, b) {
  let w = Math.min(Math.max(b - a, MIN_FINESTRA), dominio[1] - dominio[0]);
  let c = (a + b) / 2;
  a = c - w / 2; b = c + w / 2;
  if (a < dominio[0]) { b += dominio[0] - a; a = dominio[0]; }
  if (b > dominio[1]) { a -= b - dominio[1]; b = dominio[1]; }
  f0 = a; f1 = b;
  richiedi();
}
function ingrandisci(fattore, attorno) {
  const c = attorno === undefined ? (f0 + f1) / 2 : attorno;
  finestra(c - (c - f0) * fattore, c + (f1 - c) * fattore);
}
function scorri(dm) { finestra(f0 + dm, f1 + dm); }
function spostaCursore(m, centra) {
  cursore = Math.min(Math.max(Math.round(m), dominio[0]), dominio[1]);
  if (centra) {
    const w = Math.min(f1 - f0, 5000);
    finestra(cursore - w / 2, cursore + w / 2);
  } else if (cursore < f0 || cursore > f1) {
    scorri(cursore < f0 ? cursore - f0 - (f1 - f0) * 0.1 : cursore - f1 + (f1 - f0) * 0.1);
  }
  pannello();
  richiedi();
}

let richiesto = false;
function richiedi() {
  if (richiesto) return;
  richiesto = true;
  requestAnimationFrame(function () { richiesto = false; disegna(); });
}
function prepara(cv) {
  const r = cv.getBoundingClientRect(), dpr = window.devicePixelRatio || 1;
  const w = Math.max(1, Math.round(r.width * dpr)), h = Math.max(1, Math.round(r.height * dpr));
  if (cv.width !== w || cv.height !== h) { cv.width = w; cv.height = h; }
  const g = cv.getContext('2d');
  g.setTransform(dpr, 0, 0, dpr, 0, 0);
  g.clearRect(0, 0, r.width, r.height);
  return { g: g, w: r.width, h: r.height };
}
function disegna() {
  disegnaPianta();
  disegnaProfilo();
  document.getElementById('finestra').textContent =
    'da ' + Math.round(f0) + ' m a ' + Math.round(f1) + ' m (' + km(f1 - f0) + ')';
}

// --- plan -----------------------------------------------------------------
function disegnaPianta() {
  const q = prepara(pianta), g = q.g, W = q.w, H = q.h;
  geoPianta = null;
  if (!livelli.length) {
    g.fillStyle = '#777'; g.font = '13px sans-serif';
    g.fillText('Nessuna pianta: il file della linea non c’è.', 16, 40);
    return;
  }
  const larga = f1 - f0;
  const c0 = f0 - larga, c1 = f1 + larga;
  // Bounds of the track in the window, from a level fine enough for them.
  const Lb = livelloPer(larga / 2000);
  const [b0, b1] = indici(Lb, f0, f1);
  let x0 = Infinity, x1 = -Infinity, y0 = Infinity, y1 = -Infinity;
  function allarga(p) { x0 = Math.min(x0, p[0]); x1 = Math.max(x1, p[0]); y0 = Math.min(y0, p[1]); y1 = Math.max(y1, p[1]); }
  for (let i = b0; i <= b1; i++) if (Lb.M[i] >= f0 && Lb.M[i] <= f1) allarga([Lb.X[i], Lb.Y[i]]);
  allarga(puntoA(Math.max(f0, 0)));
  allarga(puntoA(f1));
  const marg = 34;
  const bw = Math.max(x1 - x0, 1), bh = Math.max(y1 - y0, 1);
  const s = Math.min((W - 2 * marg) / bw, (H - 2 * marg - 14) / bh);
  const ox = (W - bw * s) / 2 - x0 * s, oy = (H + 14 + bh * s) / 2 + y0 * s;
  const sx = function (x) { return ox + x * s; }, sy = function (y) { return oy - y * s; };
  geoPianta = { sx: sx, sy: sy, c0: c0, c1: c1 };
  const L = livelloPer(0.4 / s);

  function tratto(a, b) {
    const [i0, i1] = indici(L, a, b);
    g.beginPath();
    const p = puntoA(Math.max(a, 0));
    g.moveTo(sx(p[0]), sy(p[1]));
    for (let i = i0; i <= i1; i++) if (L.M[i] > a && L.M[i] < b) g.lineTo(sx(L.X[i]), sy(L.Y[i]));
    const e = puntoA(b);
    g.lineTo(sx(e[0]), sy(e[1]));
    g.stroke();
  }
  g.lineJoin = 'round'; g.lineCap = 'round';
  g.strokeStyle = '#c9cfd8'; g.lineWidth = 2;
  tratto(c0, c1);
  // The extent of each station, under the track.
  g.strokeStyle = 'rgba(192,57,43,0.3)'; g.lineWidth = 10;
  for (const st of stazioni) if (st.a >= c0 && st.da <= c1 && st.a > st.da) tratto(Math.max(st.da, c0), Math.min(st.a, c1));
  g.strokeStyle = '#1f4e8c'; g.lineWidth = 3;
  tratto(f0, f1);

  // The end of the route, beyond which the line runs on to its margin.
  if (lunghezza > 0 && lunghezza >= c0 && lunghezza <= c1) {
    const p = puntoA(lunghezza);
    g.fillStyle = '#1f4e8c'; g.fillRect(sx(p[0]) - 4, sy(p[1]) - 4, 8, 8);
  }
  // Signals, when there are few enough to tell apart.
  if (larga <= 40000) {
    g.fillStyle = '#222';
    for (const o of oggetti) {
      if (o.kind !== 1) continue;
      const m = metroDi(o.cella);
      if (m < c0 || m > c1) continue;
      const p = puntoA(m);
      g.beginPath(); g.arc(sx(p[0]), sy(p[1]), 2.5, 0, 2 * Math.PI); g.fill();
    }
  }
  // Stations, then their names: each on the right of its dot or else on
  // the left, and left out where it would cover a dot or another name.
  g.font = '12px "DejaVu Sans", sans-serif';
  const punti = [];
  for (const st of stazioni) {
    if (st.posizione < c0 || st.posizione > c1) continue;
    const p = puntoA(st.posizione), x = sx(p[0]), y = sy(p[1]);
    punti.push({ st: st, x: x, y: y });
    g.fillStyle = '#c0392b'; g.strokeStyle = '#fff'; g.lineWidth = 1.5;
    g.beginPath(); g.arc(x, y, 5, 0, 2 * Math.PI); g.fill(); g.stroke();
  }
  const occupati = punti.map(function (p) { return [p.x - 5, p.y - 5, p.x + 5, p.y + 5]; });
  const libero = function (r) {
    return r[0] >= 2 && r[2] <= W - 2 &&
      !occupati.some(function (o) { return r[0] < o[2] && o[0] < r[2] && r[1] < o[3] && o[1] < r[3]; });
  };
  g.lineJoin = 'round';
  for (const p of punti) {
    const w = g.measureText(p.st.nome).width;
    const r = [[p.x + 9, p.y - 9, p.x + 9 + w, p.y + 5], [p.x - 9 - w, p.y - 9, p.x - 9, p.y + 5]].find(libero);
    if (!r) continue;
    occupati.push(r);
    g.strokeStyle = 'rgba(255,255,255,0.9)'; g.lineWidth = 4; g.strokeText(p.st.nome, r[0], p.y + 4);
    g.fillStyle = '#222'; g.fillText(p.st.nome, r[0], p.y + 4);
  }
  // Cursor.
  const pc = puntoA(cursore);
  g.strokeStyle = '#d7261e'; g.lineWidth = 3;
  g.beginPath(); g.arc(sx(pc[0]), sy(pc[1]), 8, 0, 2 * Math.PI); g.stroke();
  g.fillStyle = '#d7261e';
  g.beginPath(); g.arc(sx(pc[0]), sy(pc[1]), 2.5, 0, 2 * Math.PI); g.fill();
  // Scale bar.
  const passi = [1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000, 50000, 100000, 200000, 500000];
  let lm = passi[0];
  for (const p of passi) if (p * s <= 140) lm = p;
  const bx = 14, by = H - 14;
  g.strokeStyle = '#333'; g.lineWidth = 2;
  g.beginPath(); g.moveTo(bx, by - 5); g.lineTo(bx, by); g.lineTo(bx + lm * s, by); g.lineTo(bx + lm * s, by - 5); g.stroke();
  g.fillStyle = '#333'; g.font = '11px "DejaVu Sans", sans-serif';
  g.fillText(lm >= 1000 ? (lm / 1000) + ' km' : lm + ' m', bx + lm * s + 6, by);
}

// The metre of the track nearest to a point of the plan canvas, or null.
function metroInPianta(px, py) {
  if (!geoPianta || !livelli.length) return null;
  const L = livelli[0], G = geoPianta;
  const [i0, i1] = indici(L, G.c0, G.c1);
  let meglio = null, dmin = 30 * 30;
  for (let i = Math.max(i0, 1); i <= i1; i++) {
    const ax = G.sx(L.X[i - 1]), ay = G.sy(L.Y[i - 1]), bx = G.sx(L.X[i]), by = G.sy(L.Y[i]);
    const ux = bx - ax, uy = by - ay, ll = ux * ux + uy * uy;
    const t = ll > 0 ? Math.min(1, Math.max(0, ((px - ax) * ux + (py - ay) * uy) / ll)) : 0;
    const dx = ax + t * ux - px, dy = ay + t * uy - py, d = dx * dx + dy * dy;
    if (d < dmin) { dmin = d; meglio = L.M[i - 1] + t * (L.M[i] - L.M[i - 1]); }
  }
  return meglio;
}

// --- profile --------------------------------------------------------------
const SX = 58, DX = 14;
const CORSIA = 72;  // the lane of signals and boards under the speed band
function geoProfilo(W, H) {
  const top = 46, basso = 26, spazio = 14;
  const alt = H - top - basso - 2 * spazio - CORSIA;
  const hp = Math.max(30, Math.round(alt * 0.45));
  const vTop = top + hp + spazio, oBas = H - basso;
  return { x0: SX, x1: W - DX, pTop: top, pBas: top + hp, vTop: vTop, vBas: oBas - CORSIA - spazio,
           oTop: oBas - CORSIA, oBas: oBas };
}
function xDiMetro(m) { const r = profilo.getBoundingClientRect(); return SX + (m - f0) / (f1 - f0) * (r.width - SX - DX); }
function metroDiX(x) { const r = profilo.getBoundingClientRect(); return f0 + (x - SX) / (r.width - SX - DX) * (f1 - f0); }
function passoTacche(pxPerM) {
  const passi = [50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000, 50000, 100000, 200000];
  for (const p of passi) if (p * pxPerM >= 80) return p;
  return 500000;
}
function disegnaProfilo() {
  const q = prepara(profilo), g = q.g, W = q.w, H = q.h, G = geoProfilo(W, H);
  const X = function (m) { return G.x0 + (m - f0) / (f1 - f0) * (G.x1 - G.x0); };
  const ca = Math.max(0, cellaDi(f0) - 1), cb = Math.min(nCelle - 1, cellaDi(f1) + 1);
  g.font = '11px "DejaVu Sans", sans-serif';

  // Bands and the gradient scale of what is in view.
  let pmax = 5;
  for (let c = ca; c <= cb; c++) pmax = Math.max(pmax, Math.abs(C.pendenza[c]));
  pmax = Math.ceil(pmax / 5) * 5;
  const yp = function (v) { return (G.pTop + G.pBas) / 2 - v / pmax * ((G.pBas - G.pTop) / 2 - 4); };
  const yv = function (v) { return G.vBas - v / vmax * (G.vBas - G.vTop - 18); };
  g.fillStyle = '#f7f6f2';
  g.fillRect(G.x0, G.pTop, G.x1 - G.x0, G.pBas - G.pTop);
  g.fillRect(G.x0, G.vTop, G.x1 - G.x0, G.vBas - G.vTop);
  g.fillRect(G.x0, G.oTop, G.x1 - G.x0, G.oBas - G.oTop);

  // Stations: their extent shaded across both bands.
  for (const st of stazioni) {
    if (st.a < f0 || st.da > f1) continue;
    g.fillStyle = 'rgba(192,57,43,0.09)';
    g.fillRect(X(st.da), G.pTop, Math.max(1, X(st.a) - X(st.da)), G.oBas - G.pTop);
  }
  // Mountain sections along the foot of the speed band.
  g.fillStyle = 'rgba(122,92,0,0.35)';
  for (let c = ca; c <= cb; c++) {
    if (!C.montagna[c]) continue;
    let e = c;
    while (e + 1 <= cb && C.montagna[e + 1]) e++;
    g.fillRect(X(metroDi(c) - 25), G.oBas - 4, X(metroDi(e) + 25) - X(metroDi(c) - 25), 4);
    c = e;
  }

  // Ticks: route metres above, the scenario's posts below.
  const passo = passoTacche((G.x1 - G.x0) / (f1 - f0));
  g.strokeStyle = '#e4e1d8'; g.lineWidth = 1; g.fillStyle = '#444'; g.textAlign = 'center';
  for (let m = Math.ceil(f0 / passo) * passo; m <= f1; m += passo) {
    const x = Math.round(X(m)) + 0.5;
    g.beginPath(); g.moveTo(x, G.pTop); g.lineTo(x, G.oBas); g.stroke();
    g.fillText(passo >= 1000 ? (m / 1000) + ' km' : m + ' m', Math.min(Math.max(x, G.x0 + 14), W - 30), 14);
    g.fillStyle = '#777'; g.fillText(progressivaDi(m), Math.min(Math.max(x, G.x0 + 22), W - 30), H - 9);
    g.fillStyle = '#444';
  }
  g.textAlign = 'right';
  g.fillText('+' + pmax + ' ‰', G.x0 - 5, G.pTop + 10);
  g.fillText('−' + pmax + ' ‰', G.x0 - 5, G.pBas);
  g.fillText(vmax + ' km/h', G.x0 - 5, G.vTop + 20);
  g.fillText('0', G.x0 - 5, G.vBas);
  g.fillStyle = '#777'; g.fillText('km', 24, H - 9);
  g.textAlign = 'left';
  g.strokeStyle = '#aaa';
  g.beginPath(); g.moveTo(G.x0, Math.round(yp(0)) + 0.5); g.lineTo(G.x1, Math.round(yp(0)) + 0.5); g.stroke();

  g.save();
  g.beginPath(); g.rect(G.x0, 0, G.x1 - G.x0, H); g.clip();
  // Step lines, one vertex where the value changes.
  // With room, each step carries its value.
  function gradini(valori, y, colore, unita, alto) {
    g.strokeStyle = colore; g.lineWidth = 1.6; g.beginPath();
    const gradi = [];
    let v = valori[ca], x0 = X(metroDi(ca) - 25);
    g.moveTo(x0, y(v));
    for (let c = ca + 1; c <= cb + 1; c++) {
      if (c <= cb && valori[c] === v) continue;
      const x = X(metroDi(c) - 25);
      gradi.push([Math.max(x0, G.x0), Math.min(x, G.x1), v]);
      g.lineTo(x, y(v));
      if (c > cb) break;
      v = valori[c]; x0 = x; g.lineTo(x, y(v));
    }
    g.stroke();
    g.fillStyle = colore; g.textAlign = 'center';
    // Above the step, or below it where the band's name or top is in the way.
    for (const [a, b, w] of gradi) {
      if (b - a <= 56) continue;
      const sopra = y(w) - 4 > alto + 14 && ((a + b) / 2 > G.x0 + 230 || y(w) - 4 > alto + 26);
      g.fillText(w + unita, (a + b) / 2, sopra ? y(w) - 4 : y(w) + 13);
    }
    g.textAlign = 'left';
  }
  if (nCelle > 0) {
    gradini(C.pendenza, yp, '#8a6500', ' ‰', G.pTop);
    gradini(C.velocita, yv, '#1a7f37', ' km/h', G.vTop);
  }
  // What the cells hold.
  const pochi = (f1 - f0) <= 60000;
  for (const o of oggetti) {
    if (o.cella < ca || o.cella > cb) continue;
    const x = X(metroDi(o.cella));
    const b = G.oBas;
    if (o.kind === 1) {
      g.strokeStyle = '#111'; g.lineWidth = 1.5;
      g.beginPath(); g.moveTo(x, b); g.lineTo(x, b - 16); g.stroke();
      if (pochi) { g.fillStyle = '#111'; g.beginPath(); g.arc(x, b - 19, 3, 0, 2 * Math.PI); g.fill(); }
    } else if (o.kind === 6) {
      g.fillStyle = '#1f4e8c';
      g.beginPath(); g.moveTo(x, b - 38); g.lineTo(x - 5, b - 29); g.lineTo(x + 5, b - 29); g.fill();
    } else if (o.kind >= 2 && o.kind <= 5) {
      g.fillStyle = o.kind === 5 ? '#f0b27a' : '#e67e22';
      g.fillRect(x - 2.5, b - 38, 5, 9);
    } else if (o.kind === 12 || o.kind === 13) {
      g.fillStyle = '#7d3c98';
      g.beginPath(); g.moveTo(x, b - 27); g.lineTo(x + 4, b - 23); g.lineTo(x, b - 19); g.lineTo(x - 4, b - 23); g.fill();
    } else if (o.kind === 14) {
      g.fillStyle = '#7f8c8d'; g.fillRect(x - 2.5, b - 47, 5, 5);
    } else if (o.kind === 10) {
      g.fillStyle = '#c0392b'; g.fillRect(x - 1, b - 24, 2, 24); g.fillRect(x, b - 24, 7, 5);
    }
  }
  // Station lines, then their names where they fit.
  g.setLineDash([3, 3]); g.strokeStyle = '#c0392b'; g.lineWidth = 1;
  let finoA = -Infinity;
  g.font = '11px "DejaVu Sans", sans-serif';
  for (const st of stazioni) {
    if (st.posizione < f0 - 20000 || st.posizione > f1 + 20000) continue;
    const x = Math.round(X(st.posizione)) + 0.5;
    if (st.posizione >= f0 && st.posizione <= f1) { g.beginPath(); g.moveTo(x, 34); g.lineTo(x, G.oBas); g.stroke(); }
    const w = g.measureText(st.nome).width;
    const xl = Math.min(Math.max(x, G.x0 + w / 2), G.x1 - w / 2);
    if (xl - w / 2 < finoA + 6 || x < G.x0 - 2 || x > G.x1 + 2) continue;
    finoA = xl + w / 2;
    g.fillStyle = '#a93226'; g.textAlign = 'center'; g.fillText(st.nome, xl, 31);
  }
  g.setLineDash([]); g.textAlign = 'left';
  // The end of the route.
  if (lunghezza > 0 && lunghezza >= f0 && lunghezza <= f1) {
    const x = Math.round(X(lunghezza)) + 0.5;
    g.strokeStyle = '#1f4e8c'; g.lineWidth = 1.5;
    g.beginPath(); g.moveTo(x, G.pTop); g.lineTo(x, G.oBas); g.stroke();
    g.fillStyle = '#1f4e8c'; g.textAlign = x > G.x1 - 110 ? 'right' : 'left';
    g.fillText('fine del percorso', x + (x > G.x1 - 110 ? -4 : 4), G.pBas - 4); g.textAlign = 'left';
  }
  nonCompilato(g, G, X);
  // Guide under the mouse and the cursor.
  if (guida !== null) {
    const x = Math.round(X(guida)) + 0.5;
    g.strokeStyle = 'rgba(0,0,0,0.35)'; g.lineWidth = 1;
    g.beginPath(); g.moveTo(x, G.pTop); g.lineTo(x, G.oBas); g.stroke();
  }
  const xc = X(cursore);
  g.strokeStyle = '#d7261e'; g.lineWidth = 2;
  g.beginPath(); g.moveTo(xc, 18); g.lineTo(xc, G.oBas); g.stroke();
  g.restore();
  // Names of the bands, over what is drawn in them.
  g.font = '11px "DejaVu Sans", sans-serif'; g.lineJoin = 'round';
  for (const [t, y] of [['Pendenza', G.pTop + 12], ['Velocità massima del treno', G.vTop + 12],
                        ['Segnali ▮  indicatori ▲  rallentamenti ■  cartelli ■  fermate ⚑', G.oTop + 12]]) {
    g.strokeStyle = 'rgba(255,255,255,0.9)'; g.lineWidth = 4; g.strokeText(t, G.x0 + 5, y);
    g.fillStyle = '#555'; g.fillText(t, G.x0 + 5, y);
  }
  g.strokeStyle = '#cfcabd'; g.lineWidth = 1;
  g.strokeRect(G.x0 + 0.5, G.pTop + 0.5, G.x1 - G.x0 - 1, G.pBas - G.pTop - 1);
  g.strokeRect(G.x0 + 0.5, G.vTop + 0.5, G.x1 - G.x0 - 1, G.vBas - G.vTop - 1);
  g.strokeRect(G.x0 + 0.5, G.oTop + 0.5, G.x1 - G.x0 - 1, G.oBas - G.oTop - 1);
}

// Past a fault that ended the compilation the cells hold no data: the
// route is greyed from there and says so.
const nonCompilatoDa = D.non_compilato_da === undefined ? null : D.non_compilato_da;
const TESTO_NON_COMPILATO = 'percorso non compilato oltre questo punto';
function nonCompilato(g, G, X) {
  if (nonCompilatoDa === null || nonCompilatoDa > f1) return;
  const x = Math.max(G.x0, X(nonCompilatoDa));
  g.fillStyle = 'rgba(120,120,120,0.55)';
  g.fillRect(x, G.pTop, G.x1 - x, G.oBas - G.pTop);
  if (nonCompilatoDa < f0) return;
  g.strokeStyle = '#555'; g.lineWidth = 1.5;
  g.beginPath(); g.moveTo(Math.round(x) + 0.5, G.pTop); g.lineTo(Math.round(x) + 0.5, G.oBas); g.stroke();
  const destra = x > G.x1 - 260;
  g.textAlign = destra ? 'right' : 'left';
  g.strokeStyle = 'rgba(255,255,255,0.9)'; g.lineWidth = 4;
  g.strokeText(TESTO_NON_COMPILATO, x + (destra ? -4 : 4), G.vTop + 30);
  g.fillStyle = '#222'; g.fillText(TESTO_NON_COMPILATO, x + (destra ? -4 : 4), G.vTop + 30);
  g.textAlign = 'left';
}

// --- panel ----------------------------------------------------------------
function elemento(tag, classe, testo) {
  const e = document.createElement(tag);
  if (classe) e.className = classe;
  if (testo !== undefined) e.textContent = testo;
  return e;
}
function riga(dl, nome, valore) { dl.appendChild(elemento('dt', '', nome)); dl.appendChild(elemento('dd', '', valore)); }
function testoStazione(st) {
  return 'elemento ' + st.elemento + ', tipo ' + st.tipo + ', posizione ' + st.posizione + ' m, estensione da ' +
    st.da + ' a ' + st.a + ' m, ' + (st.ora || st.sosta ? 'ora ' + ora(st.ora) + ', sosta ' + st.sosta + ' s'
                                                                  : 'senza orario né sosta');
}
function pannello() {
  const m = cursore, c = cellaDi(m);
  document.getElementById('metro').textContent = m + ' m';
  document.getElementById('progressiva').textContent = 'km ' + progressivaDi(m);
  const dl = document.getElementById('proprieta');
  dl.textContent = '';
  riga(dl, 'Cella', c + ' (da ' + (metroDi(c) - 25) + ' a ' + (metroDi(c) + 25) + ' m)');
  const box = document.getElementById('contenuti');
  box.textContent = '';
  if (cellaValida(c) && nonCompilatoDa !== null && m > nonCompilatoDa) {
    box.appendChild(elemento('div', 'contenuto vuota', 'Percorso non compilato oltre ' + nonCompilatoDa +
      ' m: un errore ha fermato la compilazione (vedi l\'elenco)'));
  }
  if (cellaValida(c)) {
    riga(dl, 'Velocità massima', C.velocita[c] + ' km/h');
    riga(dl, 'Pendenza', C.pendenza[c] + ' ‰');
    riga(dl, 'Aderenza', String(C.aderenza[c]));
    if (C.montagna[c]) riga(dl, 'Montagna', 'tipo ' + C.montagna[c]);
    if (C.avvicinamento[c]) riga(dl, 'Avvicinamento', 'codice ' + C.avvicinamento[c]);
    const o = oggettiDi.get(c);
    const d = elemento('div', 'contenuto' + (o ? '' : ' vuota'));
    if (o) {
      d.appendChild(elemento('b', '', o.tipo.charAt(0).toUpperCase() + o.tipo.slice(1)));
      if (o.valori) d.appendChild(elemento('span', 'valori', o.valori));
      if (o.testo) { d.appendChild(elemento('br')); d.appendChild(elemento('span', 'testo', '«' + o.testo + '»')); }
    } else {
      d.textContent = 'Cella vuota';
    }
    box.appendChild(d);
  } else {
    box.appendChild(elemento('div', 'contenuto vuota', 'Fuori dal percorso'));
  }
  for (const st of stazioni) {
    if (m < st.da || m > st.a) continue;
    const d = elemento('div', 'contenuto stazione');
    d.appendChild(elemento('b', '', 'Stazione ' + st.nome));
    d.appendChild(elemento('span', '', testoStazione(st)));
    box.appendChild(d);
  }
}

function elenco() {
  const voci = D.elenco;
  if (!voci.length) return;
  const errori = voci.filter(function (v) { return v.tipo === 'errore'; }).length;
  document.getElementById('sezione-elenco').hidden = false;
  document.getElementById('titolo-elenco').textContent =
    (errori === voci.length ? 'Errori' : 'Errori e avvisi') + ' (' + voci.length + ')';
  const ul = document.getElementById('elenco');
  voci.forEach(function (v, i) {
    const li = elemento('li', v.tipo === 'errore' ? 'errore' : 'avviso');
    li.dataset.indice = i;
    li.appendChild(elemento('b', '', v.tipo === 'errore' ? (v.numero ? 'Errore n. ' + v.numero : 'Errore del controllo')
      : v.tipo === 'nota' ? 'Nota' : 'Avviso'));
    const dove = [];
    if (v.posizione !== null) dove.push(v.posizione + ' m');
    if (v.file) dove.push(v.file + (v.riga ? ':' + v.riga + ':' + v.colonna : ''));
    if (dove.length) li.appendChild(elemento('div', 'dove', dove.join(' · ')));
    li.appendChild(elemento('div', 'frase', v.testo));
    if (v.riga) {
      const pre = elemento('pre', 'riga-script');
      pre.textContent = 'riga ' + v.riga + ': ' + v.riga_script;
      li.appendChild(pre);
    }
    li.addEventListener('click', function () { scegli(i); });
    ul.appendChild(li);
  });
}
function scegli(i) {
  scelto = i;
  for (const li of document.querySelectorAll('#elenco li')) li.classList.toggle('scelto', Number(li.dataset.indice) === i);
  const v = D.elenco[i];
  if (v.posizione !== null) spostaCursore(v.posizione, true);
  const li = document.querySelector('#elenco li.scelto');
  if (li) li.scrollIntoView({ block: 'nearest' });
}

// --- search ---------------------------------------------------------------
function normale(s) { return s.normalize('NFD').replace(/[\u0300-\u036f]/g, '').toUpperCase().trim(); }
function trova(testo) {
  const t = testo.trim();
  let r = /^(?:km\s*)?(-|−)?(\d+)\s*\+\s*(\d{1,3})$/i.exec(t);
  if (r) {
    const v = (r[1] ? -1 : 1) * (Number(r[2]) * 1000 + Number(r[3]));
    const metri = metriDiKm(v);
    if (!metri.length) return { errore: 'La progressiva ' + testoKm(v) + ' non cade sul percorso' };
    return { metro: metri[0], nota: 'km ' + testoKm(v) + ' a ' + Math.round(metri[0]) + ' m' +
      (metri.length > 1 ? ' (anche a ' + metri.slice(1).map(function (x) { return Math.round(x) + ' m'; }).join(', ') + ')' : '') };
  }
  r = /^(-?\d+(?:[.,]\d+)?)\s*(m|km)?$/i.exec(t);
  if (r) {
    const v = Number(r[1].replace(',', '.')) * (r[2] && r[2].toLowerCase() === 'km' ? 1000 : 1);
    if (v < dominio[0] || v > dominio[1]) return { errore: 'Il percorso va da 0 a ' + Math.round(dominio[1]) + ' m' };
    return { metro: v, nota: Math.round(v) + ' m' };
  }
  const n = normale(t);
  if (!n) return { errore: '' };
  const prove = [function (s) { return s === n; }, function (s) { return s.startsWith(n); }, function (s) { return s.includes(n); }];
  for (const p of prove) {
    const st = stazioni.find(function (s) { return p(normale(s.nome)); });
    if (st) return { metro: st.posizione, nota: 'Stazione ' + st.nome };
  }
  for (const p of prove) {
    const o = oggetti.find(function (o) { return o.testo && p(normale(o.testo)); });
    if (o) return { metro: metroDi(o.cella), nota: 'Cartello «' + o.testo + '»' };
  }
  return { errore: 'Nessuna stazione, cartello, metro o progressiva «' + t + '»' };
}
function vai(testo) {
  const r = trova(testo);
  const esito = document.getElementById('esito');
  if (r.errore !== undefined) { esito.textContent = r.errore; return false; }
  esito.textContent = r.nota;
  spostaCursore(r.metro, true);
  return true;
}

// --- input ----------------------------------------------------------------
function suTela(cv, metroDelPunto, scorrimento) {
  let presa = null;
  cv.addEventListener('wheel', function (e) {
    e.preventDefault();
    const r = cv.getBoundingClientRect();
    const m = metroDelPunto(e.clientX - r.left, e.clientY - r.top);
    ingrandisci(e.deltaY > 0 ? 1.25 : 0.8, m === null ? cursore : m);
  }, { passive: false });
  cv.addEventListener('pointerdown', function (e) {
    if (e.button !== 0) return;
    cv.setPointerCapture(e.pointerId);
    presa = { x: e.clientX, f0: f0, f1: f1, mossa: false };
    cv.focus();
  });
  cv.addEventListener('pointermove', function (e) {
    const r = cv.getBoundingClientRect();
    if (presa) {
      if (Math.abs(e.clientX - presa.x) > 3) { presa.mossa = true; cv.classList.add('trascina'); }
      if (presa.mossa) {
        const dm = -(e.clientX - presa.x) * scorrimento() * (presa.f1 - presa.f0) / (f1 - f0);
        finestra(presa.f0 + dm, presa.f1 + dm);
      }
    } else if (cv === profilo) {
      guida = metroDelPunto(e.clientX - r.left, e.clientY - r.top);
      richiedi();
    }
  });
  cv.addEventListener('pointerup', function (e) {
    if (!presa) return;
    const mossa = presa.mossa;
    presa = null;
    cv.classList.remove('trascina');
    if (mossa) return;
    const r = cv.getBoundingClientRect();
    const m = metroDelPunto(e.clientX - r.left, e.clientY - r.top);
    if (m !== null) spostaCursore(m, false);
  });
  cv.addEventListener('pointerleave', function () { if (guida !== null) { guida = null; richiedi(); } });
}
suTela(profilo, function (x) { return metroDiX(x); },
  function () { return (f1 - f0) / (profilo.getBoundingClientRect().width - SX - DX); });
suTela(pianta, metroInPianta, function () { return (f1 - f0) / pianta.getBoundingClientRect().width; });

document.addEventListener('keydown', function (e) {
  if (e.target instanceof HTMLInputElement) return;
  const passo = e.shiftKey ? 1000 : CELLA;
  switch (e.key) {
    case 'ArrowLeft': spostaCursore(cursore - passo, false); break;
    case 'ArrowRight': spostaCursore(cursore + passo, false); break;
    case '+': case '=': case 'ArrowUp': ingrandisci(0.8, cursore); break;
    case '-': case '−': case 'ArrowDown': ingrandisci(1.25, cursore); break;
    case 'PageUp': scorri(-(f1 - f0) / 2); break;
    case 'PageDown': scorri((f1 - f0) / 2); break;
    case 'Home': finestra(0, fineVista > 0 ? fineVista : dominio[1]); break;
    case '/': document.getElementById('cerca').focus(); break;
    default: return;
  }
  e.preventDefault();
});
document.getElementById('ricerca').addEventListener('submit', function (e) {
  e.preventDefault();
  vai(document.getElementById('cerca').value);
});
document.getElementById('meno').addEventListener('click', function () { ingrandisci(1.25, cursore); });
document.getElementById('piu').addEventListener('click', function () { ingrandisci(0.8, cursore); });
document.getElementById('tutto').addEventListener('click', function () { finestra(0, fineVista > 0 ? fineVista : dominio[1]); });
window.addEventListener('resize', richiedi);

// --- start ----------------------------------------------------------------
document.getElementById('titolo').textContent = D.nome + ' · treno ' + D.treno;
document.getElementById('sommario').textContent = 'percorso di ' + lunghezza + ' m, ' + nCelle + ' celle, ' +
  stazioni.length + ' stazioni';
document.title = D.nome + ' · treno ' + D.treno + ' · pianta e profilo';
elenco();
finestra(f0, f1);
pannello();
disegna();
window.vista = {
  pronta: true,
  caricata: performance.now(),
  cursore: function () { return cursore; },
  finestra: function () { return [f0, f1]; },
  xDiMetro: xDiMetro,
  vai: vai,
  mostra: function (a, b) { finestra(a, b); disegna(); },
  scelto: function () { return scelto; }
};
document.body.dataset.pronta = '1';
})();
