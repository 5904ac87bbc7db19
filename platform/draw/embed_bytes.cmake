# Writes a C++ source that holds the bytes of INPUT as `const std::uint8_t SYMBOL[]` and its
# length as `const std::size_t SYMBOL_SIZE_NAME`. Run with cmake -P at build time.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT} by embed_bytes.cmake; do not edit.\n"
  "#include <cstddef>\n#include <cstdint>\n"
  "extern const std::uint8_t ${SYMBOL}[];\nextern const std::size_t ${SIZE_SYMBOL};\n"
  "const std::uint8_t ${SYMBOL}[] = {\n${bytes}\n};\n"
  "const std::size_t ${SIZE_SYMBOL} = ${size};\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
