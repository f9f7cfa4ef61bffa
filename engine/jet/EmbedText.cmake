# Writes a C++ header holding a text file as a byte array: run with -DINPUT=<file> -DOUTPUT=<header>
# -DNAME=<identifier>. Bytes rather than a raw string literal, so that no text in the file can end it.
file(READ ${INPUT} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
get_filename_component(source ${INPUT} NAME)
file(WRITE ${OUTPUT} "// Generated from ${source} at build time; do not edit.\n#pragma once\n\ninline constexpr unsigned char ${NAME}[] = {\n${bytes}0x00};\n")
