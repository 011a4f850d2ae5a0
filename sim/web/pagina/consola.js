// UART0 console: what the board sent, and a line to send to it.

const MAX_TEXTO = 200000;  // characters kept; older output is dropped first

export class Consola {
  constructor(pre, formulario, linea, borrar, enviar, avisar) {
    this.pre = pre;
    this.linea = linea;
    this.enviar = enviar;
    this.avisar = avisar;
    this.crPendiente = false;
    borrar.addEventListener("click", () => { this.pre.textContent = ""; });
    formulario.addEventListener("submit", (e) => {
      e.preventDefault();
      this.enviarLinea();
    });
  }

  // The server hands bytes over as code points U+0000..U+00FF.
  recibir(texto) {
    if (typeof texto !== "string" || texto.length === 0) return;
    const alFinal = this.pre.scrollTop + this.pre.clientHeight >= this.pre.scrollHeight - 4;
    // CR LF, a lone CR and a CR LF split across two messages all end one line.
    if (this.crPendiente && texto[0] !== "\n") texto = "\n" + texto;
    this.crPendiente = texto.endsWith("\r");
    if (this.crPendiente) texto = texto.slice(0, -1);
    let todo = this.pre.textContent + texto.replace(/\r\n?/g, "\n");
    if (todo.length > MAX_TEXTO) todo = todo.slice(todo.length - MAX_TEXTO);
    this.pre.textContent = todo;
    if (alFinal) this.pre.scrollTop = this.pre.scrollHeight;
  }

  async enviarLinea() {
    const texto = this.linea.value + "\n";
    // UART0 carries bytes: a character past U+00FF has no byte to become.
    const fuera = [...texto].find((c) => c.codePointAt(0) > 0xff);
    if (fuera !== undefined) {
      this.avisar(`"${fuera}" is not a Latin-1 character; nothing sent`);
      return;
    }
    if (await this.enviar({ uart0: texto })) this.linea.value = "";
  }
}
