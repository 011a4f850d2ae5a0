// Live board page: builds the board from the server's description, follows
// its WebSocket reports and sends inputs and run controls with POST.
import { Lcd } from "./lcd.js";
import { Cronograma } from "./cronograma.js";
import { Consola } from "./consola.js";

const $ = (id) => document.getElementById(id);
const VOLTIOS_MAX = 3.3;
const ESTADOS_ERROR = new Set(["error stop", "fault"]);

const lcd = new Lcd($("lcd"), $("marco-lcd"), $("lcd-apagado"));
const cronograma = new Cronograma($("cronograma"));
const consola = new Consola($("consola"), $("form-consola"), $("linea"), $("borrar-consola"),
  (cuerpo) => enviar("/api/input", cuerpo), avisar);

let placa = null;             // last board description, as text, to notice a new one
let ultimoEstado = null;
let cronogramaPorIniciar = false;
const leds = new Map();       // led number -> {elemento, pin, activoAlto}
const canales = [];           // per A/D channel: {deslizador, salida, tocado}

// ---- Requests -------------------------------------------------------------
// One request at a time, in order: a release must never overtake its press.
// A slider's pending value is replaced by a newer one instead of queueing both.
const cola = [];
let enCurso = false;

function enviar(ruta, cuerpo, clave = null) {
  return new Promise((resolver) => {
    if (clave !== null) {
      const previa = cola.find((p) => p.clave === clave);
      if (previa) {
        previa.cuerpo = cuerpo;
        previa.resolvedores.push(resolver);
        return;
      }
    }
    cola.push({ ruta, cuerpo, clave, resolvedores: [resolver] });
    vaciarCola();
  });
}

async function vaciarCola() {
  if (enCurso) return;
  enCurso = true;
  while (cola.length) {
    const peticion = cola.shift();
    let bien = false;
    try {
      const r = await fetch(peticion.ruta, {
        method: "POST",
        headers: { "Content-Type": "application/json" },
        body: JSON.stringify(peticion.cuerpo),
        // A request that never ends would hold every later one, a release among them.
        signal: AbortSignal.timeout(10000),
      });
      bien = r.ok;
      if (!bien) {
        let texto = `HTTP ${r.status}`;
        try {
          const j = await r.json();
          if (j && typeof j.error === "string") texto = j.error;
        } catch { /* a body that is not JSON: the status says enough */ }
        avisar(texto);
      }
    } catch {
      avisar("not sent: the simulator does not answer");
    }
    for (const r of peticion.resolvedores) r(bien);
  }
  enCurso = false;
}

let temporizadorAviso = 0;
function avisar(texto) {
  $("mensaje").textContent = texto;
  clearTimeout(temporizadorAviso);
  temporizadorAviso = setTimeout(() => { $("mensaje").textContent = ""; }, 6000);
}

const control = (cuerpo) => enviar("/api/control", cuerpo);

// ---- Board ----------------------------------------------------------------
function construirPlaca(descripcion) {
  const texto = JSON.stringify(descripcion);
  if (texto === placa) return;
  placa = texto;
  soltarTodo();
  $("imagen").textContent = typeof descripcion.image === "string" ? descripcion.image : "";
  document.title = descripcion.image ? `${descripcion.image} · LPC4088 board` : "LPC4088 board";
  if (descripcion.lcd) lcd.dimensionar(descripcion.lcd.width, descripcion.lcd.height);

  const cajaLeds = $("leds");
  cajaLeds.replaceChildren();
  leds.clear();
  for (const { led, pin } of (Array.isArray(descripcion.leds) ? descripcion.leds : []).filter((l) => l && typeof l === "object")) {
    const e = document.createElement("span");
    e.className = "led";
    e.dataset.led = String(led);
    e.dataset.on = "false";
    e.setAttribute("role", "img");
    e.setAttribute("aria-label", `LED ${led} off`);
    e.title = pin;
    e.textContent = `LED${led}`;
    cajaLeds.append(e);
    leds.set(String(led), { elemento: e, pin, activoAlto: null });
  }

  const cajaBotones = $("botones");
  cajaBotones.replaceChildren();
  teclas.clear();
  botones.clear();
  for (const b of Array.isArray(descripcion.buttons) ? descripcion.buttons : []) {
    if (typeof b?.pin === "string") cajaBotones.append(crearBoton(b));
  }

  const cajaCanales = $("canales");
  cajaCanales.replaceChildren();
  canales.length = 0;
  const n = Number.isInteger(descripcion.adc_channels) ? Math.min(descripcion.adc_channels, 16) : 0;
  for (let c = 0; c < n; c++) crearCanal(cajaCanales, c);

  cronogramaPorIniciar = true;
}

function ponerLed(numero, encendido) {
  const l = leds.get(numero);
  if (!l) return;
  const valor = encendido ? "true" : "false";
  if (l.elemento.dataset.on === valor) return;
  l.elemento.dataset.on = valor;
  l.elemento.setAttribute("aria-label", `LED ${numero} ${encendido ? "on" : "off"}`);
}

// ---- Push buttons -----------------------------------------------------------
// A pin stays low while any source holds it: the pointer, its key, or the
// keyboard on the focused button.
const sujeciones = new Map();  // pin -> Set of sources
const botones = new Map();     // pin -> element
const teclas = new Map();      // KeyboardEvent.key -> pin

function sujetar(pin, fuente) {
  let s = sujeciones.get(pin);
  if (!s) sujeciones.set(pin, (s = new Set()));
  const estaba = s.size > 0;
  s.add(fuente);
  if (!estaba) {
    botones.get(pin)?.classList.add("pulsado");
    enviar("/api/input", { pin, press: true });
  }
}

function soltar(pin, fuente) {
  const s = sujeciones.get(pin);
  if (!s || !s.delete(fuente) || s.size > 0) return;
  botones.get(pin)?.classList.remove("pulsado");
  enviar("/api/input", { pin, press: false });
}

function soltarTodo() {
  for (const [pin, s] of sujeciones) {
    for (const fuente of [...s]) soltar(pin, fuente);
  }
}

function nombreTecla(tecla) {
  if (tecla === "Space") return "Space";
  const flechas = { ArrowLeft: "←", ArrowRight: "→", ArrowUp: "↑", ArrowDown: "↓" };
  return flechas[tecla] || tecla;
}

function crearBoton({ pin, label, key }) {
  const b = document.createElement("button");
  b.type = "button";
  b.className = "boton-placa";
  b.dataset.pin = pin;
  const rotulo = label || pin;
  b.textContent = rotulo;
  let accesible = rotulo === pin ? `Button ${pin}` : `Button ${rotulo} (${pin})`;
  if (typeof key === "string" && key) {
    const k = document.createElement("kbd");
    k.textContent = nombreTecla(key);
    b.append(k);
    accesible += `, key ${nombreTecla(key)}`;
    teclas.set(key === "Space" ? " " : key, pin);
  }
  b.setAttribute("aria-label", accesible);
  b.title = `${pin}: held low while pressed`;
  botones.set(pin, b);

  b.addEventListener("pointerdown", (e) => {
    if (e.pointerType === "mouse" && e.button !== 0) return;
    e.preventDefault();  // no focus steal, no text selection, no touch emulated mouse
    try { b.setPointerCapture(e.pointerId); } catch { /* pointer already gone */ }
    const fuente = `puntero${e.pointerId}`;
    sujetar(pin, fuente);
    // The capture is not always granted (a pointer driven by automation, a
    // browser that drops it): a release anywhere in the window still counts.
    const fin = (f) => {
      if (f.pointerId !== e.pointerId) return;
      window.removeEventListener("pointerup", fin, true);
      window.removeEventListener("pointercancel", fin, true);
      soltar(pin, fuente);
    };
    window.addEventListener("pointerup", fin, true);
    window.addEventListener("pointercancel", fin, true);
  });
  const suelta = (e) => soltar(pin, `puntero${e.pointerId}`);
  b.addEventListener("pointerup", suelta);
  b.addEventListener("pointercancel", suelta);
  b.addEventListener("lostpointercapture", suelta);
  b.addEventListener("contextmenu", (e) => e.preventDefault());
  b.addEventListener("keydown", (e) => {
    if (e.key !== " " && e.key !== "Enter") return;
    e.preventDefault();
    e.stopPropagation();
    if (!e.repeat) sujetar(pin, "foco");
  });
  b.addEventListener("keyup", (e) => {
    if (e.key !== " " && e.key !== "Enter") return;
    e.preventDefault();
    e.stopPropagation();
    soltar(pin, "foco");
  });
  b.addEventListener("blur", () => soltar(pin, "foco"));
  return b;
}

function pinDeTecla(e) {
  if (e.ctrlKey || e.altKey || e.metaKey) return null;
  const t = e.target;
  if (t instanceof HTMLInputElement || t instanceof HTMLSelectElement || t instanceof HTMLTextAreaElement
      || (t instanceof HTMLElement && t.isContentEditable)) return null;
  return teclas.get(e.key) ?? (e.key.length === 1 ? teclas.get(e.key.toLowerCase()) ?? teclas.get(e.key.toUpperCase()) : undefined) ?? null;
}

document.addEventListener("keydown", (e) => {
  const pin = pinDeTecla(e);
  if (!pin) return;
  e.preventDefault();
  if (!e.repeat) sujetar(pin, "tecla");
});
document.addEventListener("keyup", (e) => {
  const pin = pinDeTecla(e);
  if (!pin) return;
  e.preventDefault();
  soltar(pin, "tecla");
});
// A key or button let go while the page had no focus never reports its release.
window.addEventListener("blur", soltarTodo);
document.addEventListener("visibilitychange", () => { if (document.hidden) soltarTodo(); });

// ---- A/D channels -------------------------------------------------------------
function crearCanal(caja, c) {
  const etiqueta = document.createElement("label");
  etiqueta.textContent = `AD${c}`;
  etiqueta.htmlFor = `adc-${c}`;
  const deslizador = document.createElement("input");
  deslizador.type = "range";
  deslizador.id = `adc-${c}`;
  deslizador.min = "0";
  deslizador.max = String(VOLTIOS_MAX);
  deslizador.step = "0.01";
  deslizador.value = "0";
  deslizador.dataset.adc = String(c);
  deslizador.setAttribute("aria-label", `A/D channel ${c} volts`);
  const salida = document.createElement("output");
  salida.htmlFor = deslizador.id;
  salida.id = `adc-${c}-valor`;
  const canal = { deslizador, salida, tocado: 0, arrastrando: false, celsius: null };
  canales.push(canal);
  mostrarCanal(c);

  deslizador.addEventListener("input", () => {
    canal.tocado = performance.now();
    mostrarCanal(c);
    enviar("/api/input", { adc: c, volts: Number(deslizador.value) }, `adc${c}`)
      .then(() => { canal.tocado = performance.now(); });
  });
  deslizador.addEventListener("pointerdown", () => { canal.arrastrando = true; });
  deslizador.addEventListener("pointerup", () => { canal.arrastrando = false; });
  deslizador.addEventListener("pointercancel", () => { canal.arrastrando = false; });
  caja.append(etiqueta, deslizador, salida);
}

function mostrarCanal(c) {
  const { deslizador, salida, celsius } = canales[c];
  let texto = `${Number(deslizador.value).toFixed(2)} V`;
  if (c === 0 && Number.isFinite(celsius)) texto += ` · ${celsius.toFixed(1)} °C`;
  salida.textContent = texto;
}

// ---- State --------------------------------------------------------------------
function aplicarEstado(e) {
  ultimoEstado = e;
  if (Number.isFinite(e.time)) {
    $("board-time").textContent = `${e.time.toFixed(3)} s`;
    cronograma.tiempo(e.time);
  }
  const consigna = e.speed === "max" ? "max" : Number.isFinite(e.speed) ? `${e.speed}×` : "";
  const real = Number.isFinite(e.real_speed) ? `${e.real_speed.toFixed(2)}× real time` : "";
  $("velocidad-real").textContent = [real, consigna && `(set ${consigna})`].filter(Boolean).join(" ");
  const selector = $("velocidad");
  if (document.activeElement !== selector && e.speed !== undefined) {
    const v = String(e.speed);
    if ([...selector.options].some((o) => o.value === v)) selector.value = v;
  }

  const pines = e.pins && typeof e.pins === "object" ? e.pins : {};
  if (e.leds && typeof e.leds === "object") {
    for (const [n, encendido] of Object.entries(e.leds)) {
      ponerLed(n, encendido === true);
      const l = leds.get(n);
      if (l && (pines[l.pin] === 0 || pines[l.pin] === 1)) l.activoAlto = (pines[l.pin] === 1) === (encendido === true);
    }
  }
  if (cronogramaPorIniciar) {
    cronogramaPorIniciar = false;
    cronograma.reiniciar([...leds.entries()].map(([n, l]) => ({ pin: l.pin, etiqueta: `LED${n}` })), pines,
      Number.isFinite(e.time) ? e.time : 0);
  }

  if (Array.isArray(e.adc)) {
    const ahora = performance.now();
    for (const a of e.adc) {
      const canal = canales[a?.channel];
      if (!canal) continue;
      canal.celsius = Number.isFinite(a.celsius) ? a.celsius : null;
      // The user's own recent move wins over a report sent before it arrived.
      const propio = canal.arrastrando || cola.some((p) => p.clave === `adc${a.channel}`) || ahora - canal.tocado < 1000;
      if (!propio && Number.isFinite(a.volts)) canal.deslizador.value = String(a.volts);
      mostrarCanal(a.channel);
    }
  }

  const run = e.run && typeof e.run === "object" ? e.run : { state: e.running ? "running" : "paused", message: "" };
  const insignia = $("estado-marcha");
  insignia.textContent = run.state || "—";
  insignia.title = run.message || "";
  insignia.className = `insignia${ESTADOS_ERROR.has(run.state) ? " error" : ""}`;
  const aviso = $("aviso");
  if (ESTADOS_ERROR.has(run.state)) {
    aviso.textContent = `${run.state === "fault" ? "Fault" : "Error stop"}: ${run.message || "no message"}`;
    aviso.hidden = false;
  } else if (run.state === "exited" || run.state === "parked") {
    aviso.textContent = `The firmware ${run.state === "exited" ? "exited" : "is parked"}${run.message ? `: ${run.message}` : ""}`;
    aviso.hidden = false;
  } else {
    aviso.hidden = true;
  }

  const enMarcha = e.running === true;
  $("pausar").textContent = enMarcha ? "Pause" : "Resume";
  $("paso").disabled = enMarcha;
  $("paso-10ms").disabled = enMarcha;
}

function aplicarPines(cambios) {
  if (!Array.isArray(cambios)) return;
  cronograma.añadir(cambios);
  // An LED follows its pin at once instead of waiting for the next state report.
  for (const c of cambios) {
    for (const [n, l] of leds) {
      if (l.pin === c.pin && l.activoAlto !== null && (c.level === 0 || c.level === 1)) {
        ponerLed(n, (c.level === 1) === l.activoAlto);
      }
    }
  }
}

// ---- Controls -------------------------------------------------------------------
$("pausar").addEventListener("click", () => control({ action: ultimoEstado?.running === false ? "resume" : "pause" }));
$("paso").addEventListener("click", () => control({ action: "step" }));
$("paso-10ms").addEventListener("click", () => control({ action: "step", seconds: 0.01 }));
$("reiniciar").addEventListener("click", () => control({ action: "reset" }));
$("velocidad").addEventListener("change", (e) => {
  const v = e.target.value;
  control({ action: "speed", speed: v === "max" ? "max" : Number(v) });
});
$("guardar-png").addEventListener("click", () => {
  const t = ultimoEstado && Number.isFinite(ultimoEstado.time) ? `-${ultimoEstado.time.toFixed(3)}s` : "";
  lcd.guardarPng(`lcd${t}.png`);
});

// ---- WebSocket --------------------------------------------------------------------
const ESPERA_MIN = 500, ESPERA_MAX = 10000;
let espera = ESPERA_MIN;

function conexion(texto, clase) {
  const e = $("conexion");
  e.textContent = texto;
  e.className = `insignia ${clase}`;
}

function conectar() {
  const ws = new WebSocket(`${location.protocol === "https:" ? "wss" : "ws"}://${location.host}/ws`);
  ws.binaryType = "arraybuffer";
  ws.addEventListener("open", () => conexion("connected", "conectada"));
  ws.addEventListener("message", (m) => {
    if (typeof m.data !== "string") {
      const fallo = lcd.aplicar(m.data);
      if (fallo) console.warn(`ignored: ${fallo}`);
      return;
    }
    let msg;
    try {
      msg = JSON.parse(m.data);
    } catch {
      console.warn("ignored: a report that is not JSON");
      return;
    }
    switch (msg?.type) {
      case "board": espera = ESPERA_MIN; construirPlaca(msg); break;
      case "state": aplicarEstado(msg); break;
      case "pins": aplicarPines(msg.changes); break;
      case "uart0": consola.recibir(msg.text); break;
      default: console.warn(`ignored: report of type ${msg?.type}`);
    }
  });
  ws.addEventListener("close", () => {
    conexion("disconnected", "apagada");
    setTimeout(conectar, espera);
    espera = Math.min(espera * 2, ESPERA_MAX);
  });
}

conectar();
