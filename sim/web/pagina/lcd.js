// The board's LCD on a canvas: applies the server's RGB565 row updates and
// scales the canvas by a whole number of device pixels so that every LCD
// pixel stays a sharp square.

const CABECERA = 8;  // u16 first_row, rows, width, flags

export class Lcd {
  constructor(canvas, marco, rotuloApagado) {
    this.canvas = canvas;
    this.marco = marco;
    this.rotuloApagado = rotuloApagado;
    this.ctx = canvas.getContext("2d", { willReadFrequently: true });
    this.encendida = false;
    this.dimensionar(canvas.width, canvas.height);
    new ResizeObserver(() => this.escalar()).observe(marco);
    window.addEventListener("resize", () => this.escalar());
  }

  dimensionar(ancho, alto) {
    if (!(ancho > 0 && alto > 0 && ancho <= 4096 && alto <= 4096)) return;
    if (this.imagen && this.imagen.width === ancho && this.imagen.height === alto) return;
    this.canvas.width = ancho;
    this.canvas.height = alto;
    this.imagen = this.ctx.createImageData(ancho, alto);
    this.apagar();
    this.escalar();
  }

  // Largest whole number of device pixels per LCD pixel that fits the frame;
  // narrower than the LCD (a phone) it shrinks smoothly instead.
  escalar() {
    const ppd = window.devicePixelRatio || 1;
    const borde = this.canvas.offsetWidth - this.canvas.clientWidth;
    const disponible = Math.max(0, this.marco.clientWidth - borde);
    const factor = Math.floor((disponible * ppd) / this.canvas.width);
    if (factor >= 1) {
      this.canvas.style.width = `${(factor * this.canvas.width) / ppd + borde}px`;
    } else {
      this.canvas.style.width = "100%";
    }
  }

  apagar() {
    this.imagen.data.fill(0);
    for (let i = 3; i < this.imagen.data.length; i += 4) this.imagen.data[i] = 255;
    this.ctx.putImageData(this.imagen, 0, 0);
    this.encendida = false;
    this.rotuloApagado.hidden = false;
  }

  // One binary message from the server. A malformed one is refused whole,
  // rather than painting rows from the wrong place.
  aplicar(buffer) {
    if (!(buffer instanceof ArrayBuffer) || buffer.byteLength < CABECERA) return "short LCD message";
    const vista = new DataView(buffer);
    const primera = vista.getUint16(0, true);
    const filas = vista.getUint16(2, true);
    const ancho = vista.getUint16(4, true);
    const banderas = vista.getUint16(6, true);
    if (filas === 0) {
      if ((banderas & 1) === 0) this.apagar();
      return null;
    }
    const { width, height } = this.imagen;
    if (ancho !== width) return `LCD message ${ancho} pixels wide, the LCD is ${width}`;
    if (primera + filas > height) return `LCD rows ${primera}..${primera + filas - 1} past row ${height - 1}`;
    if (buffer.byteLength !== CABECERA + filas * ancho * 2) return "LCD message of the wrong length";

    const rgba = this.imagen.data;
    const fin = buffer.byteLength;
    let destino = primera * width * 4;
    for (let origen = CABECERA; origen < fin; origen += 2) {
      const p = vista.getUint16(origen, true);
      const r = (p >> 11) & 0x1f, g = (p >> 5) & 0x3f, b = p & 0x1f;
      rgba[destino] = (r << 3) | (r >> 2);
      rgba[destino + 1] = (g << 2) | (g >> 4);
      rgba[destino + 2] = (b << 3) | (b >> 2);
      rgba[destino + 3] = 255;
      destino += 4;
    }
    if ((banderas & 1) === 0) {
      this.apagar();
      return null;
    }
    this.encendida = true;
    this.rotuloApagado.hidden = true;
    this.ctx.putImageData(this.imagen, 0, 0, 0, primera, width, filas);
    return null;
  }

  guardarPng(nombre) {
    this.canvas.toBlob((blob) => {
      if (!blob) return;
      const url = URL.createObjectURL(blob);
      const a = document.createElement("a");
      a.href = url;
      a.download = nombre;
      document.body.append(a);
      a.click();
      a.remove();
      setTimeout(() => URL.revokeObjectURL(url), 10000);
    }, "image/png");
  }
}
