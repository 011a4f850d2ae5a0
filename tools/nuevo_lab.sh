#!/usr/bin/env bash
# ./lab new NAME: a lab area of the student's own, made from
# tools/plantilla_lab: NAME/main.cpp and NAME/firmware.cmake (image NAME.elf),
# tests/NAME/ (GoogleTest form and scenario file), and NAME registered in the
# area lists of cmake/firmware/CMakeLists.txt and tests/CMakeLists.txt.
# Every check comes before the first write: a refused name changes nothing.
set -euo pipefail
root="$1"
shift
cd "$root"

usage="usage: ./lab new NAME   (NAME: lower-case letters and digits in words joined by single underscores, each word starting with a letter, at most 32 characters; e.g. blinky, mi_lab2)"
refuse() {
  echo "lab new: $1" >&2
  exit 2
}

[ $# -eq 1 ] || { echo "$usage" >&2; exit 2; }
name="$1"
plantilla="$root/tools/plantilla_lab"
lista_firmware="cmake/firmware/CMakeLists.txt"
lista_tests="tests/CMakeLists.txt"

# The name becomes a folder, CMake targets, a file name and, capitalised, the
# test suite's name: this alphabet is safe in all of them, and words that
# start with a letter keep two names from capitalising alike (a_1b, a1b).
if ! [[ "$name" =~ ^[a-z][a-z0-9]*(_[a-z][a-z0-9]*)*$ ]] || [ ${#name} -gt 32 ]; then
  refuse "'$name' is not a valid lab name
$usage"
fi
clase=$(sed -E 's/(^|_)([a-z])/\U\2/g' <<<"$name")

[ ! -e "$name" ] || refuse "'$name' already exists at the top of the tree; choose another name"
[ ! -e "tests/$name" ] || refuse "tests/$name already exists; choose another name"

# Names the build already uses: top-level folders and files, test areas,
# modules (one per source file), every CMake target the tree defines, and the
# ones CMake or Ninja keep for themselves. The lab takes NAME (image),
# NAME_main (module) and NAME_test (test program).
reservados() {
  ls -A "$root"
  ls -A "$root/tests"
  find "$root" \( -path "$root/build" -o -path "$root/.git" \) -prune -o \
    -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.S' -o -name '*.h' \) -printf '%f\n' |
    sed 's/\.[^.]*$//'
  find "$root" \( -path "$root/build" -o -path "$root/.git" -o -path "$plantilla" \) -prune -o \
    -type f \( -name 'CMakeLists.txt' -o -name '*.cmake' \) -print0 |
    xargs -0 grep -ohE '(fw_imagen\(NAME|fw_object_module\(|add_library\(|add_executable\(|add_custom_target\(|lab_test\(NAME|lab_object_module\(NAME|lab_benchmark\(NAME|ExternalProject_Add\()[[:space:]]*[A-Za-z0-9_.+-]+' |
    sed -E 's/.*[([:space:]]//' || true
  printf '%s\n' all clean help install test package build firmware lab
}
ocupados=$(reservados | sort -u)
for propio in "$name" "${name}_main" "${name}_test"; do
  if grep -qxF "$propio" <<<"$ocupados"; then
    refuse "'$name' clashes with '$propio', a name the tree already uses (a folder, module, image or build target); choose another name"
  fi
done
if grep -rqE "TEST(_F|_P)?\([[:space:]]*$clase[[:space:]]*," tests --include='*.cpp'; then
  refuse "'$name' would name its tests $clase, a test suite the tree already has; choose another name"
fi

# Both lists must be where ./lab new edits them, or the lab would build by
# halves.
for lista in "$lista_firmware" "$lista_tests"; do
  grep -q '^foreach(area ' "$lista" || refuse "$lista has no 'foreach(area ...)' list to register '$name' in"
done
for f in main.cpp firmware.cmake tests/CMakeLists.txt tests/test.cpp tests/escenario; do
  [ -f "$plantilla/$f" ] || refuse "the template is incomplete: tools/plantilla_lab/$f is missing"
done

# Writes are staged under a temporary folder and moved in at the end, so a
# failure half way leaves no half lab behind.
tmp=$(mktemp -d "$root/.lab-new.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/area" "$tmp/tests"
rellenar() { sed -e "s/@NOMBRE@/$name/g" -e "s/@CLASE@/$clase/g" "$plantilla/$1" >"$2"; }
rellenar main.cpp "$tmp/area/main.cpp"
rellenar firmware.cmake "$tmp/area/firmware.cmake"
rellenar tests/CMakeLists.txt "$tmp/tests/CMakeLists.txt"
rellenar tests/test.cpp "$tmp/tests/${name}_test.cpp"
rellenar tests/escenario "$tmp/tests/$name.escenario"

# NAME goes last in each list: after the board, whose firmware.cmake defines
# fw_imagen.
registrar() {
  local lista="$1" salida="$2"
  awk -v nombre="$name" '
    /^foreach\(area / { dentro = 1 }
    dentro && /\)/ { sub(/\)/, " " nombre ")"); dentro = 0; hecho = 1 }
    { print }
    END { exit hecho ? 0 : 1 }' "$lista" >"$salida" ||
    refuse "could not find the end of the area list in $lista"
}
registrar "$lista_firmware" "$tmp/firmware_lista"
registrar "$lista_tests" "$tmp/tests_lista"

mv "$tmp/area" "$name"
mv "$tmp/tests" "tests/$name"
mv "$tmp/firmware_lista" "$lista_firmware"
mv "$tmp/tests_lista" "$lista_tests"

echo "lab new: made lab '$name':"
fila() { printf '  %-34s %s\n' "$1" "$2"; }
fila "$name/main.cpp" "the application: LED 1 blinks from timer 0's interrupt, LED 2 follows P2.22"
fila "$name/firmware.cmake" "module ${name}_main, image $name (.elf, .bin, .hex), the drivers it links"
fila "tests/$name/${name}_test.cpp" "GoogleTest form on the board simulator (tests $clase.*)"
fila "tests/$name/$name.escenario" "scenario form: lpc4088-sim $name.elf --scenario $name.escenario"
fila "tests/$name/CMakeLists.txt" "registers both with CTest"
echo "  and '$name' at the end of the area lists in $lista_firmware and $lista_tests"
echo "next:"
echo "  ./lab run $name --for 2s --press P2.22@1s"
echo "  cmake --build --preset dev --target ${name}_test && ctest --test-dir build/dev -R '^$clase\\.'"
echo "  ./lab board $name"
