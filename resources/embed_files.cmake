# Writes a C++ source that holds files as constant data:
#   cmake -DOUTPUT=out.cpp -DNAME=kSymbol -DINPUTS="a;b;…" -P embed_files.cmake
# The source defines zorvel::resources::embedded::NAME, an array of spans over the
# files' bytes in the order given. The file is rewritten only when its text changes, so
# an unchanged set of files compiles nothing again.
if(NOT OUTPUT OR NOT NAME OR NOT INPUTS)
  message(FATAL_ERROR "embed_files.cmake needs OUTPUT, NAME and INPUTS")
endif()

set(text "// Made by resources/embed_files.cmake from the files it names; not edited by hand.\n")
string(APPEND text "#include <cstdint>\n#include <span>\n\nnamespace zorvel::resources::embedded {\nnamespace {\n\n")
set(spans "")
set(index 0)
foreach(input IN LISTS INPUTS)
  file(READ "${input}" hex HEX)
  string(LENGTH "${hex}" digits)
  if(digits EQUAL 0)
    message(FATAL_ERROR "embed_files.cmake: ${input} is empty or missing")
  endif()
  # Twenty bytes a line, each as 0xNN.
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REPEAT "0x[0-9a-f][0-9a-f]," 20 line)
  string(REGEX REPLACE "(${line})" "\\1\n  " bytes "${bytes}")
  get_filename_component(name "${input}" NAME)
  string(APPEND text "// ${name}\nconst std::uint8_t kFile${index}[] = {\n  ${bytes}\n};\n\n")
  string(APPEND spans "    std::span<const std::uint8_t>(kFile${index}),\n")
  math(EXPR index "${index} + 1")
endforeach()
string(APPEND text "}  // namespace\n\nextern const std::span<const std::uint8_t> ${NAME}[${index}] = {\n${spans}};\n\n")
string(APPEND text "}  // namespace zorvel::resources::embedded\n")

if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
  if(old STREQUAL text)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${text}")
