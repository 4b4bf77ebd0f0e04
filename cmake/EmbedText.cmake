# Run as a script: writes OUT, a C++ source holding the bytes of IN as SYMBOL (see
# engine_embed_text). Bytes go out as hex so any text, quotes and all, survives unchanged.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" hexlen)
math(EXPR size "${hexlen} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUT} "// Generated from ${IN}; edit that file instead.\n"
     "extern const unsigned char ${SYMBOL}[];\nextern const unsigned long ${SYMBOL}Size;\n"
     "const unsigned char ${SYMBOL}[] = {\n${bytes}0};\n"
     "const unsigned long ${SYMBOL}Size = ${size};\n")
