# Writes the built-in font's image as a C++ source: cmake -DIN=font.mvec -DOUT=file.cpp -P this.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
file(WRITE ${OUT}.tmp
  "// Generated from the built-in font image; do not edit.\n#include <cstddef>\n"
  "extern const unsigned char kBuiltinFontData[];\nextern const size_t kBuiltinFontSize;\n"
  "alignas(4) const unsigned char kBuiltinFontData[] = \"${escaped}\";\n"
  "const size_t kBuiltinFontSize = ${size};\n")
file(RENAME ${OUT}.tmp ${OUT})
