# Turns an event code table (resources/events/*.txt: "CODE<TAB>meaning" lines, # comments) into a
# C++ source with one array. Run as: cmake -DIN=<txt> -DOUT=<cpp> -DNAME=<array> -P EventTable.cmake
file(STRINGS "${IN}" lines ENCODING UTF-8)
set(body "")
set(count 0)
set(number 0)
foreach(line IN LISTS lines)
  math(EXPR number "${number} + 1")
  if(line MATCHES "^#" OR line STREQUAL "")
    continue()
  endif()
  if(NOT line MATCHES "^([0-9A-Z]+)\t([^\t\"\\\\]+)$")
    message(FATAL_ERROR "${IN}:${number}: not a \"CODE<TAB>meaning\" line: ${line}")
  endif()
  string(APPEND body "    {\"${CMAKE_MATCH_1}\", \"${CMAKE_MATCH_2}\"},\n")
  math(EXPR count "${count} + 1")
endforeach()
file(WRITE "${OUT}.tmp" "// Generated from ${IN} at build time; edit the text file, not this.
#include \"protocol/event_meanings.h\"

namespace corvane {

const EventCodeEntry ${NAME}[] = {
${body}};
const std::size_t ${NAME}Count = ${count};

}  // namespace corvane
")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
