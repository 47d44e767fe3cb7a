# cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=name -P EmbedBytes.cmake
# Writes a C++ source defining velkaro::SYMBOL, the bytes of INPUT, and
# velkaro::SYMBOLSize, their number. The source is rewritten only when its
# text changes, so an unchanged catalogue recompiles nothing.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# One line per 32 bytes keeps the source readable by tools.
string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
string(CONCAT text "// Generated from ${INPUT_NAME} at build time.\n#include <cstddef>\n\nnamespace velkaro {\n"
         "extern const unsigned char ${SYMBOL}[];\nextern const std::size_t ${SYMBOL}Size;\n"
         "const unsigned char ${SYMBOL}[] = {\n${bytes}0};\nconst std::size_t ${SYMBOL}Size = ${size};\n}\n")
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT "${text}" @ONLY)
