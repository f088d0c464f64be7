# Writes a C++ source that holds files as byte arrays, for pages and other
# files the programs carry (the view page's markup, style and script).
#   cmake -DOUTPUT=out.cpp -DHEADER=tools/view/page_files.h -DNAMES="kA|kB"
#         -DFILES="a.html|b.js" -P embed_files.cmake
# Each file becomes `const std::string_view NAME` in namespace ferrovello,
# byte for byte.
set(text "// Generated at build time from the files named below: edit those, not this.\n")
string(APPEND text "#include \"${HEADER}\"\n\nnamespace ferrovello {\n\nnamespace {\n\n")
set(views "")
string(REPLACE "|" ";" FILES "${FILES}")
string(REPLACE "|" ";" NAMES "${NAMES}")
list(LENGTH FILES count)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  list(GET FILES ${i} file)
  list(GET NAMES ${i} name)
  file(READ "${file}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  # About twenty bytes a line.
  string(REGEX REPLACE "((0x..,){20})" "\\1\n" bytes "${bytes}")
  get_filename_component(shown "${file}" NAME)
  string(APPEND text "// ${shown}\nconst unsigned char ${name}_bytes[] = {\n${bytes}0};\n\n")
  string(APPEND views "const std::string_view ${name}(reinterpret_cast<const char*>(${name}_bytes), ${size});\n")
endforeach()
string(APPEND text "}  // namespace\n\n${views}\n}  // namespace ferrovello\n")
file(WRITE "${OUTPUT}.new" "${text}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
