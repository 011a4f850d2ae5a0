# Writes OUTPUT, a C++ source that holds every file in the folder BASE as a
# byte array, served at "/<file name>".
# Run as: cmake -DOUTPUT=... -DBASE=... -P EmbedFiles.cmake
file(GLOB FILES "${BASE}/*")
list(SORT FILES)
set(body "")
set(table "")
set(count 0)
foreach(file IN LISTS FILES)
  file(RELATIVE_PATH name "${BASE}" "${file}")
  file(READ "${file}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
  string(APPEND body "const unsigned char file${count}[] = {\n${bytes}0};\n")
  string(APPEND table "    {\"/${name}\", file${count}, ${size}},\n")
  math(EXPR count "${count} + 1")
endforeach()
if(count EQUAL 0)
  set(table "    {\"\", nullptr, 0},\n")
endif()
file(WRITE "${OUTPUT}.new" "// Generated from the page's files at build time; edit those instead.\n"
  "#include \"sim/web/server.h\"\n\nnamespace sim::web {\nnamespace {\n\n${body}\n}  // namespace\n\n"
  "const Asset kAssets[] = {\n${table}};\nconst std::size_t kAssetCount = ${count};\n\n}  // namespace sim::web\n")
# Only a changed file is rewritten, so nothing rebuilds for nothing.
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
