# Turns the message table (code<TAB>text per line) into a C++ source with a sorted array.
# Usage: cmake -DIN=messages.tsv -DOUT=messages_table.cpp -P gen_messages.cmake
file(STRINGS "${IN}" lines ENCODING UTF-8)
set(rows "")
set(count 0)
foreach(line IN LISTS lines)
  if(line STREQUAL "")
    continue()
  endif()
  if(NOT line MATCHES "^([0-9]+)\t(.*)$")
    message(FATAL_ERROR "${IN}: malformed line: ${line}")
  endif()
  set(code ${CMAKE_MATCH_1})
  set(text "${CMAKE_MATCH_2}")
  if(text MATCHES "\\)kiv\"")
    message(FATAL_ERROR "${IN}: text of ${code} holds the raw-string delimiter")
  endif()
  list(APPEND pairs "${code}")
  set(text_${code} "${text}")
  math(EXPR count "${count} + 1")
endforeach()
list(SORT pairs COMPARE NATURAL)
list(REMOVE_DUPLICATES pairs)
list(LENGTH pairs unique)
if(NOT unique EQUAL count)
  message(FATAL_ERROR "${IN}: a code appears twice")
endif()
foreach(code IN LISTS pairs)
  string(APPEND rows "    {${code}, R\"kiv(${text_${code}})kiv\"},\n")
endforeach()
file(WRITE "${OUT}.tmp"
"// Generated from resources/messages.tsv by archive/gen_messages.cmake; do not edit.
#include \"archive/message_table.h\"

namespace kiv {

const MessageEntry kMessageTable[] = {
${rows}};
const std::size_t kMessageCount = ${count};

}  // namespace kiv
")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
