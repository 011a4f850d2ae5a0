#!/usr/bin/python3
"""The live board page in a real browser, against the simulator's web mode.

Runs the clock image under `lpc4088-sim IMAGE --web 127.0.0.1:0`, opens the
page in headless chromium and drives it as a user would: the LCD's clock,
its stop and resume buttons, LED 1 held by P2.22, an A/D slider, the run
controls, and requests a browser would never send. Exits 77 (skipped) only
when chromium, chromedriver or selenium are missing.

  /usr/bin/python3 tests/web/navegador_test.py --sim lpc4088-sim --image reloj.elf \\
      --artifacts DIR [--docs DIR] [unittest options]
"""
import argparse
import json
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.error
import urllib.request

SALTADO = 77
CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
ESPERA = 15           # seconds any single expectation may take on a loaded machine
ESPERA_ARRANQUE = 60  # the simulator and the browser starting on a loaded machine


def saltar(motivo):
    print(f"skipped: {motivo}", file=sys.stderr)
    sys.exit(SALTADO)


for programa in (CHROMIUM, CHROMEDRIVER):
    if not os.access(programa, os.X_OK):
        saltar(f"{programa} is not installed (Debian packages chromium, chromium-driver)")
try:
    from selenium import webdriver
    from selenium.common.exceptions import TimeoutException
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import Select, WebDriverWait
except ImportError:
    saltar("selenium is not installed (Debian package python3-selenium)")

ARGS = None

# Hash of the clock's corner of the LCD (HH:MM:SS in a 16x32 font at the
# top-left), how many of its pixels are lit, and its colours as "r,g,b".
JS_ESQUINA = """
const d = document.getElementById('lcd').getContext('2d').getImageData(0, 0, 160, 40).data;
let h = 2166136261, lit = 0;
const colores = new Set();
for (let i = 0; i < d.length; i += 4) {
  if (d[i] | d[i + 1] | d[i + 2]) lit++;
  if (colores.size < 16) colores.add(`${d[i]},${d[i + 1]},${d[i + 2]}`);
  h = Math.imul(h ^ (d[i] << 16 | d[i + 1] << 8 | d[i + 2]), 16777619) >>> 0;
}
return [h, lit, [...colores]];
"""

# Times, in page time, a press on the page and LED 1 lighting up after it.
JS_MEDIR_LED = """
window.medida = {pulsado: null, encendido: null};
const led = document.querySelector('[data-led="1"]');
document.addEventListener('pointerdown', () => { window.medida.pulsado = performance.now(); },
                          {capture: true, once: true});
new MutationObserver((cambios, observador) => {
  if (led.dataset.on === 'true') { window.medida.encendido = performance.now(); observador.disconnect(); }
}).observe(led, {attributes: true, attributeFilter: ['data-on']});
"""


class Simulador:
    """The simulator in web mode, its stderr kept for the record."""

    def __init__(self, sim, imagen):
        self.lineas = []
        self.url = None
        self._hay_url = threading.Event()
        self.proceso = subprocess.Popen([sim, imagen, "--web", "127.0.0.1:0"], stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                                        encoding="utf-8", errors="replace")
        threading.Thread(target=self._leer, daemon=True).start()
        if not self._hay_url.wait(ESPERA_ARRANQUE) or self.url is None:
            self.terminar()
            raise RuntimeError("the simulator printed no 'web: http://...' line:\n" + "".join(self.lineas))

    def _leer(self):
        for linea in self.proceso.stderr:
            self.lineas.append(linea)
            m = re.match(r"web: (http://127\.0\.0\.1:\d+/)\s*$", linea)
            if m and self.url is None:
                self.url = m.group(1)
                self._hay_url.set()
        self._hay_url.set()  # ended without it

    def terminar(self):
        """SIGTERM, then the exit status (None if it had to be killed)."""
        if self.proceso.poll() is None:
            self.proceso.send_signal(signal.SIGTERM)
            try:
                return self.proceso.wait(ESPERA)
            except subprocess.TimeoutExpired:
                self.proceso.kill()
                self.proceso.wait()
                return None
        return self.proceso.returncode


def pedir(url, cuerpo=None, cabeceras=None):
    """(status, decoded JSON or None) of a GET, or of a POST when there is a body."""
    peticion = urllib.request.Request(url, data=cuerpo, headers=cabeceras or {},
                                      method="POST" if cuerpo is not None else "GET")
    if cuerpo is not None:
        peticion.add_header("Content-Type", "application/json")
    try:
        with urllib.request.urlopen(peticion, timeout=ESPERA) as r:
            estado, datos = r.status, r.read()
    except urllib.error.HTTPError as e:
        estado, datos = e.code, e.read()
    try:
        return estado, json.loads(datos)
    except ValueError:
        return estado, None


def abrir_navegador(clase):
    """Headless chromium with a profile of its own, closed by the class's cleanups."""
    perfil = tempfile.mkdtemp(prefix="navegador_test.")
    clase.addClassCleanup(shutil.rmtree, perfil, ignore_errors=True)
    opciones = webdriver.ChromeOptions()
    opciones.binary_location = CHROMIUM
    for a in ("--headless=new", "--window-size=1280,900", "--disable-gpu", "--disable-dev-shm-usage",
              "--no-first-run", f"--user-data-dir={perfil}"):
        opciones.add_argument(a)
    if os.geteuid() == 0:
        opciones.add_argument("--no-sandbox")  # chromium refuses to run as root with it
    opciones.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    nav = webdriver.Chrome(service=Service(CHROMEDRIVER), options=opciones)
    clase.addClassCleanup(nav.quit)
    return nav


class PaginaTest(unittest.TestCase):
    # Methods run in name order on one simulator: each leaves the clock running
    # at 1x, and the last one stops the simulator.

    @classmethod
    def setUpClass(cls):
        # Class cleanups run even when setting up fails half way; they run last first.
        os.makedirs(ARGS.artifacts, exist_ok=True)
        cls.sim = Simulador(ARGS.sim, ARGS.image)
        cls.addClassCleanup(cls.guardar_registro_simulador)
        cls.addClassCleanup(cls.sim.terminar)
        cls.nav = abrir_navegador(cls)
        cls.addClassCleanup(cls.guardar_navegador)
        cls.nav.set_script_timeout(ESPERA)
        cls.nav.get(cls.sim.url)
        WebDriverWait(cls.nav, ESPERA_ARRANQUE).until(
            lambda n: n.find_elements(By.CSS_SELECTOR, '[data-pin="P2.27"]') and cls.iluminados() > 0,
            "the page never showed the board's buttons and a lit LCD")

    @classmethod
    def guardar_navegador(cls):
        cls.nav.save_screenshot(os.path.join(ARGS.artifacts, "placa_final.png"))
        with open(os.path.join(ARGS.artifacts, "consola_navegador.log"), "w") as f:
            for e in cls.nav.get_log("browser"):
                f.write(f"{e['level']} {e['message']}\n")

    @classmethod
    def guardar_registro_simulador(cls):
        with open(os.path.join(ARGS.artifacts, "simulador.log"), "w") as f:
            f.writelines(cls.sim.lineas)

    def setUp(self):
        # Every button released, so that one test's failure does not hold a pin for the next.
        for pin in ("P2.22", "P2.25", "P2.27"):
            pedir(self.sim.url + "api/input", json.dumps({"pin": pin, "press": False}).encode())

    # ---- helpers ----
    @classmethod
    def iluminados(cls):
        return cls.nav.execute_script(JS_ESQUINA)[1]

    def esquina(self):
        return self.nav.execute_script(JS_ESQUINA)[0]

    def hasta(self, condicion, mensaje, espera=ESPERA):
        try:
            return WebDriverWait(self.nav, espera, poll_frequency=0.05).until(lambda n: condicion())
        except TimeoutException:
            self.fail(f"{mensaje} (waited {espera} s)")

    def tiempo_placa(self):
        texto = self.nav.find_element(By.ID, "board-time").text
        m = re.fullmatch(r"(\d+\.\d{3}) s", texto)
        self.assertIsNotNone(m, f"board time shown as {texto!r}")
        return float(m.group(1))

    def esperar_tiempo_placa(self, segundos, al_pasar=lambda: None):
        """Waits for that much board time to pass, calling al_pasar on each poll."""
        fin = self.tiempo_placa() + segundos

        def pasado():
            al_pasar()
            return self.tiempo_placa() >= fin
        self.hasta(pasado, f"board time never reached {fin:.3f} s", ESPERA + 2 * segundos)

    def boton(self, pin):
        return self.nav.find_element(By.CSS_SELECTOR, f'[data-pin="{pin}"]')

    def led1(self):
        return self.nav.find_element(By.CSS_SELECTOR, '[data-led="1"]').get_attribute("data-on")

    def estado(self):
        codigo, e = pedir(self.sim.url + "api/state")
        self.assertEqual(codigo, 200)
        return e

    def pulsar(self, pin):
        ActionChains(self.nav).click(self.boton(pin)).perform()

    def cambio_de_segundo(self):
        antes = self.esquina()
        self.hasta(lambda: self.esquina() != antes, "the clock on the LCD did not change")

    # ---- tests ----
    def test_01_lcd_shows_the_clock_advancing(self):
        for _ in range(2):
            self.cambio_de_segundo()
        _, iluminados, colores = self.nav.execute_script(JS_ESQUINA)
        self.assertGreater(iluminados, 0, "the clock's corner of the LCD is dark")
        # Green on black in RGB565: any other colour is a wrong byte order or channel.
        self.assertEqual(set(colores), {"0,0,0", "0,255,0"})
        self.nav.save_screenshot(os.path.join(ARGS.artifacts, "placa.png"))
        if ARGS.docs:
            os.makedirs(ARGS.docs, exist_ok=True)
            shutil.copyfile(os.path.join(ARGS.artifacts, "placa.png"), os.path.join(ARGS.docs, "placa_web.png"))

    def test_02_stop_button_freezes_the_clock_and_resume_restarts_it(self):
        self.cambio_de_segundo()
        self.pulsar("P2.27")
        self.esperar_tiempo_placa(1.2)  # a second already under way may still tick
        parado = self.esquina()
        vistos = set()
        self.esperar_tiempo_placa(2.5, lambda: vistos.add(self.esquina()))
        self.assertEqual(vistos, {parado}, "the clock moved after P2.27 stopped it")
        self.pulsar("P2.25")
        self.hasta(lambda: self.esquina() != parado, "the clock did not resume after P2.25")

    def test_03_holding_p2_22_lights_led_1(self):
        cadena = lambda: ActionChains(self.nav)
        cabecera = self.nav.find_element(By.TAG_NAME, "header")

        def dedo(tipo, elemento=None):
            # The devtools protocol, since chromedriver drops a touch release sent in its own action.
            puntos = []
            if elemento is not None:
                x, y = self.nav.execute_script(
                    "const r = arguments[0].getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2];",
                    elemento)
                puntos = [{"x": x, "y": y}]
            self.nav.execute_cdp_cmd("Input.dispatchTouchEvent", {"type": tipo, "touchPoints": puntos})
        formas = {
            "mouse": (lambda: cadena().click_and_hold(self.boton("P2.22")).perform(),
                      lambda: cadena().release().perform()),
            "mouse released outside the button": (lambda: cadena().click_and_hold(self.boton("P2.22")).perform(),
                                                  lambda: cadena().move_to_element(cabecera).release().perform()),
            "touch": (lambda: dedo("touchStart", self.boton("P2.22")), lambda: dedo("touchEnd")),
            "key 1": (lambda: cadena().key_down("1").perform(), lambda: cadena().key_up("1").perform()),
        }
        for forma, (sujetar, soltar) in formas.items():
            with self.subTest(forma):
                self.nav.execute_script("document.activeElement && document.activeElement.blur()")
                self.assertEqual(self.led1(), "false")
                sujetar()
                self.hasta(lambda: self.led1() == "true", f"LED 1 stayed off with P2.22 held ({forma})")
                soltar()
                self.hasta(lambda: self.led1() == "false", f"LED 1 stayed on after releasing P2.22 ({forma})")

    def test_04_press_to_led_latency(self):
        muestras = []
        for _ in range(5):
            self.nav.execute_script(JS_MEDIR_LED)
            ActionChains(self.nav).click_and_hold(self.boton("P2.22")).perform()
            self.hasta(lambda: self.nav.execute_script("return window.medida.encendido") is not None,
                       "LED 1 stayed off with P2.22 held")
            m = self.nav.execute_script("return window.medida")
            muestras.append(m["encendido"] - m["pulsado"])
            ActionChains(self.nav).release().perform()
            self.hasta(lambda: self.led1() == "false", "LED 1 stayed on after releasing P2.22")
        texto = (f"press-to-LED latency over {len(muestras)} presses: median {statistics.median(muestras):.1f} ms, "
                 f"min {min(muestras):.1f} ms, max {max(muestras):.1f} ms")
        print(f"\n{texto}", file=sys.stderr)
        with open(os.path.join(ARGS.artifacts, "latencia.txt"), "w") as f:
            f.write(texto + "\n")

    def test_05_slider_sets_the_channel_voltage(self):
        deslizador = self.nav.find_element(By.CSS_SELECTOR, '[data-adc="0"]')
        salida = self.nav.find_element(By.ID, "adc-0-valor")
        for tecla, voltios in ((Keys.END, 3.3), (Keys.HOME, 0.0), (Keys.ARROW_RIGHT, 0.01)):
            with self.subTest(voltios=voltios):
                deslizador.send_keys(tecla)
                self.hasta(lambda: abs(self.estado()["adc"][0]["volts"] - voltios) < 0.001,
                           f"channel 0 never read {voltios} V in /api/state")
                self.assertTrue(salida.text.startswith(f"{voltios:.2f} V"), f"the page shows {salida.text!r}")

    def test_06_malformed_input_is_refused_and_the_board_runs_on(self):
        voltios = self.estado()["adc"][0]["volts"]
        malos = [b"", b"not json", b"[1,2,3]", b'{"pin":"P2.27","press":true',
                 b'{"pin":"P9.99","press":true}', b'{"pin":"P2.27","press":"yes"}',
                 b'{"pin":"P2.27","press":true,"extra":1}', b'{"pin":"P2.27","level":2}',
                 b'{"adc":0,"volts":3.31}', b'{"adc":0,"volts":-0.01}', b'{"adc":0,"volts":1e999}',
                 b'{"adc":0,"volts":"1.0"}', b'{"adc":8,"volts":1}', b'{"adc":18446744073709551617,"volts":1}',
                 b'{"uart0":5}', b'{"uart0":"x","adc":0}', b'{"\xff\xfe":1}']
        t0 = self.estado()["time"]
        for cuerpo in malos:
            with self.subTest(cuerpo=cuerpo):
                codigo, respuesta = pedir(self.sim.url + "api/input", cuerpo)
                self.assertEqual(codigo, 400)
                self.assertIsInstance(respuesta, dict)
                self.assertTrue(isinstance(respuesta.get("error"), str) and respuesta["error"])
        with self.subTest("a megabyte of garbage"):
            codigo, _ = pedir(self.sim.url + "api/input", b"[" * (1 << 20))
            self.assertTrue(400 <= codigo < 500, codigo)
        e = self.estado()
        self.assertEqual(e["adc"][0]["volts"], voltios)
        self.assertEqual(e["pins"]["P2.27"], 1)
        self.assertEqual(e["run"]["state"], "running")
        self.hasta(lambda: self.estado()["time"] > t0 + 0.5, "board time stopped after the refused requests")
        self.cambio_de_segundo()

    def test_07_requests_from_another_site_are_refused(self):
        puerto = self.sim.url.rsplit(":", 1)[1].rstrip("/")
        ajenas = {"foreign Origin": {"Origin": "http://example.com"},
                  "foreign Host": {"Host": f"example.com:{puerto}"}}
        # Should one get through, P2.22 must not stay held for the tests after this one.
        self.addCleanup(pedir, self.sim.url + "api/input", b'{"pin":"P2.22","press":false}')
        for nombre, cabeceras in ajenas.items():
            with self.subTest(nombre):
                codigo, _ = pedir(self.sim.url + "api/input", b'{"pin":"P2.22","press":true}', cabeceras)
                self.assertTrue(400 <= codigo < 500, codigo)
                self.assertEqual(self.estado()["pins"]["P2.22"], 1, "a refused request pressed P2.22")

    def test_08_run_controls(self):
        self.nav.find_element(By.ID, "pausar").click()
        self.hasta(lambda: self.estado()["running"] is False, "Pause did not pause the board")
        self.hasta(lambda: self.nav.find_element(By.ID, "pausar").text == "Resume", "no Resume button while paused")
        t = self.estado()["time"]
        self.nav.find_element(By.ID, "paso-10ms").click()
        self.hasta(lambda: self.estado()["time"] >= t + 0.01 - 1e-6, "+10 ms did not advance board time")
        self.assertLess(self.estado()["time"], t + 0.02, "+10 ms ran on past its 10 ms")
        self.nav.find_element(By.ID, "pausar").click()
        self.hasta(lambda: self.estado()["running"] is True, "Resume did not resume the board")
        selector = Select(self.nav.find_element(By.ID, "velocidad"))
        for valor, velocidad in (("0.25", 0.25), ("max", "max"), ("2", 2), ("1", 1)):
            with self.subTest(velocidad=velocidad):
                selector.select_by_value(valor)
                self.hasta(lambda: self.estado()["speed"] == velocidad, f"speed never became {velocidad}")
        antes = self.estado()["time"]
        self.nav.find_element(By.ID, "reiniciar").click()
        self.hasta(lambda: self.estado()["time"] < antes, "Reset did not take the board back to power-on")
        self.assertEqual(self.estado()["running"], True, "Reset did not keep the board running")
        self.cambio_de_segundo()

    def test_09_saved_lcd_and_record_reach_the_disk(self):
        carpeta = os.path.join(ARGS.artifacts, "descargas")
        shutil.rmtree(carpeta, ignore_errors=True)
        os.makedirs(carpeta)
        self.nav.execute_cdp_cmd("Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": carpeta})
        descargado = lambda fin: [f for f in os.listdir(carpeta) if f.endswith(fin)]
        self.nav.find_element(By.ID, "guardar-png").click()
        self.hasta(lambda: descargado(".png"), "Save LCD as PNG saved no file")
        with open(os.path.join(carpeta, descargado(".png")[0]), "rb") as f:
            png = f.read()
        self.assertEqual(png[:8], b"\x89PNG\r\n\x1a\n")
        self.assertEqual(png[12:24], b"IHDR" + (480).to_bytes(4, "big") + (272).to_bytes(4, "big"))
        self.nav.find_element(By.ID, "enlace-vcd").click()
        self.hasta(lambda: descargado(".vcd"), "the record link saved no file")
        with open(os.path.join(carpeta, descargado(".vcd")[0]), encoding="latin-1") as f:
            vcd = f.read()
        self.assertIn("$enddefinitions", vcd)
        self.assertIn("$var", vcd)

    def test_99_terminated_simulator_exits_cleanly_and_the_page_says_disconnected(self):
        self.assertEqual(self.sim.terminar(), 0)
        self.hasta(lambda: self.nav.find_element(By.ID, "conexion").text == "disconnected",
                   "the page did not say disconnected")


# Times, in page time, a key going down and the first change of the LCD
# canvas after it (looked at on every animation frame).
JS_MEDIR_LCD = """
const lienzo = document.getElementById('lcd');
const ctx = lienzo.getContext('2d');
const huella = () => {
  const d = ctx.getImageData(0, 0, lienzo.width, lienzo.height).data;
  let h = 2166136261;
  for (let i = 0; i < d.length; i += 4) h = Math.imul(h ^ (d[i] << 16 | d[i + 1] << 8 | d[i + 2]), 16777619) >>> 0;
  return h;
};
const antes = huella();
window.medida = {pulsado: null, cambiado: null};
document.addEventListener('keydown', () => { window.medida.pulsado = performance.now(); },
                          {capture: true, once: true});
const mirar = () => {
  if (window.medida.pulsado !== null && huella() !== antes) {
    window.medida.cambiado = performance.now();
  } else {
    requestAnimationFrame(mirar);
  }
};
requestAnimationFrame(mirar);
"""


class JuegoTest(unittest.TestCase):
    """The game image: its buttons carry the game's actions and keys, and a key
    press reaches the firmware and comes back as changed LCD pixels."""

    @classmethod
    def setUpClass(cls):
        imagen = os.path.join(os.path.dirname(ARGS.image), "juego.elf")
        if not os.path.isfile(imagen):
            raise unittest.SkipTest(f"no {imagen}")
        cls.sim = Simulador(ARGS.sim, imagen)
        cls.addClassCleanup(cls.sim.terminar)
        cls.nav = abrir_navegador(cls)
        cls.nav.set_script_timeout(ESPERA)
        cls.nav.get(cls.sim.url)
        WebDriverWait(cls.nav, ESPERA_ARRANQUE).until(
            lambda n: n.find_elements(By.CSS_SELECTOR, '[data-pin="P2.15"]'),
            "the page never showed the game's buttons")

    def test_buttons_carry_the_games_actions(self):
        etiquetas = {b.get_attribute("data-pin"): b.text for b in
                     self.nav.find_elements(By.CSS_SELECTOR, "[data-pin]")}
        for pin, accion in (("P2.21", "izquierda"), ("P2.23", "derecha"), ("P2.26", "girar"),
                            ("P2.15", "soltar")):
            self.assertIn(accion, etiquetas.get(pin, ""), etiquetas)

    def test_press_to_pixel_latency(self):
        # From the start screen a key starts a game and the LCD changes at
        # once: the firmware's debouncing, the 60 Hz feed and the page's
        # drawing are all in the figure.
        muestras = []
        for _ in range(5):
            codigo, _ = pedir(self.sim.url + "api/control", json.dumps({"action": "reset"}).encode())
            self.assertEqual(codigo, 200)
            # The start screen is drawn in the first milliseconds of board
            # time; half a second on, it has reached the page too.
            WebDriverWait(self.nav, ESPERA, poll_frequency=0.05).until(
                lambda n: pedir(self.sim.url + "api/state")[1]["time"] >= 0.5,
                "board time never reached 0.5 s after the reset")
            time.sleep(0.2)
            self.nav.execute_script(JS_MEDIR_LCD)
            ActionChains(self.nav).key_down(Keys.SPACE).pause(0.1).key_up(Keys.SPACE).perform()
            WebDriverWait(self.nav, ESPERA, poll_frequency=0.05).until(
                lambda n: n.execute_script("return window.medida.cambiado") is not None,
                "the LCD never changed after the key")
            m = self.nav.execute_script("return window.medida")
            muestras.append(m["cambiado"] - m["pulsado"])
        texto = (f"press-to-pixel latency (game start) over {len(muestras)} presses: median "
                 f"{statistics.median(muestras):.1f} ms, min {min(muestras):.1f} ms, "
                 f"max {max(muestras):.1f} ms")
        print(f"\n{texto}", file=sys.stderr)
        with open(os.path.join(ARGS.artifacts, "latencia_lcd.txt"), "w") as f:
            f.write(texto + "\n")


def main():
    global ARGS
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--sim", required=True, help="the lpc4088-sim program")
    p.add_argument("--image", required=True, help="the clock image (reloj.elf)")
    p.add_argument("--artifacts", required=True, help="folder for screenshots and logs")
    p.add_argument("--docs", help="folder to copy the page's screenshot to, as placa_web.png")
    ARGS, resto = p.parse_known_args()
    for nombre in ("sim", "image"):
        if not os.path.isfile(getattr(ARGS, nombre)):
            p.error(f"--{nombre}: {getattr(ARGS, nombre)} does not exist")
    os.makedirs(ARGS.artifacts, exist_ok=True)
    unittest.main(argv=[sys.argv[0]] + resto, verbosity=2)


if __name__ == "__main__":
    main()
