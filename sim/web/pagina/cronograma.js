// Timeline of the output pins over the last seconds of board time: one lane
// per pin, drawn as a logic waveform on a canvas.

const VENTANA = 10;          // seconds of board time shown
const MAX_CAMBIOS = 20000;   // per pin; a pin toggling faster loses its oldest edges
const ALTO_CARRIL = 26;
const MARGEN_IZQ = 110;
const ALTO_EJE = 18;

export class Cronograma {
  constructor(canvas) {
    this.canvas = canvas;
    this.ctx = canvas.getContext("2d");
    this.pines = new Map();  // pin -> {etiqueta, inicial, cambios: [[t, nivel]...]}
    this.ahora = 0;
    this.pendiente = false;
    new ResizeObserver(() => this.pedirDibujo()).observe(canvas);
  }

  // Lanes known before any change arrives (the LEDs), with their level at board time t.
  reiniciar(pines, niveles, t) {
    this.pines.clear();
    for (const { pin, etiqueta } of pines) {
      this.pines.set(pin, { etiqueta, inicial: nivelDe(niveles?.[pin]), desde: t, cambios: [] });
    }
    this.pedirDibujo();
  }

  añadir(cambios) {
    for (const c of cambios) {
      if (typeof c?.pin !== "string" || !Number.isFinite(c.time)) continue;
      let carril = this.pines.get(c.pin);
      if (!carril) {
        carril = { etiqueta: c.label || c.pin, inicial: null, desde: c.time, cambios: [] };
        this.pines.set(c.pin, carril);
      } else if (c.label && carril.etiqueta === c.pin) {
        carril.etiqueta = c.label;
      }
      // A reset brings board time back: the old history no longer precedes it.
      const ultimo = carril.cambios[carril.cambios.length - 1];
      if (ultimo && c.time < ultimo[0]) {
        carril.cambios.length = 0;
        carril.desde = c.time;
      }
      carril.cambios.push([c.time, nivelDe(c.level)]);
      if (carril.cambios.length > MAX_CAMBIOS) {
        carril.inicial = carril.cambios[0][1];
        carril.cambios.splice(0, carril.cambios.length - MAX_CAMBIOS);
      }
      if (c.time > this.ahora) this.ahora = c.time;
    }
    this.pedirDibujo();
  }

  tiempo(t) {
    if (!Number.isFinite(t)) return;
    // Board time going back by more than a report's jitter means a reset.
    if (t < this.ahora - 0.5) {
      for (const carril of this.pines.values()) {
        if (carril.cambios.length) carril.inicial = carril.cambios[carril.cambios.length - 1][1];
        carril.cambios.length = 0;
        carril.desde = t;
      }
      this.ahora = t;
    } else if (t > this.ahora) {
      this.ahora = t;
    }
    this.pedirDibujo();
  }

  pedirDibujo() {
    if (this.pendiente) return;
    this.pendiente = true;
    requestAnimationFrame(() => {
      this.pendiente = false;
      this.podar();
      this.dibujar();
    });
  }

  // Keeps the last edge before the window: it gives the level at its left border.
  podar() {
    const desde = this.ahora - VENTANA;
    for (const carril of this.pines.values()) {
      let n = 0;
      while (n < carril.cambios.length && carril.cambios[n][0] < desde) n++;
      if (n > 0) {
        carril.inicial = carril.cambios[n - 1][1];
        carril.cambios.splice(0, n);
      }
    }
  }

  dibujar() {
    const ppd = window.devicePixelRatio || 1;
    const ancho = this.canvas.clientWidth;
    const alto = ALTO_EJE + Math.max(1, this.pines.size) * ALTO_CARRIL + 4;
    if (this.canvas.style.height !== `${alto}px`) this.canvas.style.height = `${alto}px`;
    if (this.canvas.width !== Math.round(ancho * ppd) || this.canvas.height !== Math.round(alto * ppd)) {
      this.canvas.width = Math.round(ancho * ppd);
      this.canvas.height = Math.round(alto * ppd);
    }
    const ctx = this.ctx;
    ctx.setTransform(ppd, 0, 0, ppd, 0, 0);
    ctx.clearRect(0, 0, ancho, alto);
    ctx.font = "12px system-ui, sans-serif";
    ctx.textBaseline = "middle";

    const x0 = MARGEN_IZQ, x1 = ancho - 8;
    const desde = this.ahora - VENTANA;
    const x = (t) => x0 + ((t - desde) / VENTANA) * (x1 - x0);

    // Axis: one tick per second, labelled in board seconds.
    ctx.strokeStyle = "#e1e4e8";
    ctx.fillStyle = "#6a717b";
    ctx.lineWidth = 1;
    for (let s = Math.ceil(desde); s <= this.ahora; s++) {
      if (s < 0) continue;
      const xs = Math.round(x(s)) + 0.5;
      ctx.beginPath();
      ctx.moveTo(xs, ALTO_EJE - 4);
      ctx.lineTo(xs, alto);
      ctx.stroke();
      if (xs + 3 + ctx.measureText(`${s}s`).width <= x1) ctx.fillText(`${s}s`, xs + 3, ALTO_EJE / 2);
    }

    if (this.pines.size === 0) {
      ctx.fillText("no output pin changes yet", x0, ALTO_EJE + ALTO_CARRIL / 2);
      return;
    }
    let fila = 0;
    const rotuloDe = ([pin, carril]) => (carril.etiqueta && carril.etiqueta !== pin ? `${carril.etiqueta} ${pin}` : pin);
    const ordenados = [...this.pines.entries()].sort((a, b) => rotuloDe(a).localeCompare(rotuloDe(b), "en", { numeric: true }));
    for (const entrada of ordenados) {
      const carril = entrada[1];
      const arriba = ALTO_EJE + fila * ALTO_CARRIL + 5;
      const abajo = arriba + ALTO_CARRIL - 10;
      ctx.fillStyle = "#1f2328";
      ctx.fillText(rotuloDe(entrada), 4, (arriba + abajo) / 2, MARGEN_IZQ - 8);

      // Level intervals across the window; before the page knew the pin, nothing.
      const tramos = [];
      let nivel = carril.inicial, xa = Math.max(x0, Math.min(x1, x(carril.desde)));
      for (const [t, n] of carril.cambios) {
        const xc = Math.max(x0, Math.min(x1, x(t)));
        tramos.push([xa, xc, nivel]);
        nivel = n;
        xa = xc;
      }
      tramos.push([xa, x1, nivel]);

      ctx.fillStyle = "rgba(26, 127, 55, 0.15)";
      for (const [a, b, n] of tramos) if (n === 1) ctx.fillRect(a, arriba, b - a, abajo - arriba);
      ctx.strokeStyle = "#1a7f37";
      ctx.lineWidth = 1.5;
      ctx.beginPath();
      let previo = null;
      for (const [a, b, n] of tramos) {
        if (n === null) { previo = null; continue; }
        const y = n ? arriba : abajo;
        if (previo === null) ctx.moveTo(a, y); else ctx.lineTo(a, y);
        ctx.lineTo(b, y);
        previo = n;
      }
      ctx.stroke();
      fila++;
    }
  }
}

function nivelDe(v) {
  if (v === true || v === 1) return 1;
  if (v === false || v === 0) return 0;
  return null;
}
