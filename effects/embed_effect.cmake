# Writes an effect text into a C++ source as a byte array, at build time:
#   cmake -DSOURCE=text -DOUTPUT=file.cpp -DSYMBOL=name [-DDEFINE=MACRO] -P embed_effect.cmake
# With DEFINE the line "@define MACRO 1" is added after the text (so that line
# numbers in messages stay those of the text), which is how one effect text
# gives two resources. The array is NAME, its size NAME_size.
file(READ "${SOURCE}" body HEX)
set(suffix "")
if(DEFINE)
    # On a line of its own, adding no empty line to the last section.
    set(line "@define ${DEFINE} 1\n")
    if(NOT body MATCHES "0a$")
        set(line "\n${line}")
    endif()
    string(HEX "${line}" suffix)
endif()
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${body}${suffix}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}"
"// Generated from ${SOURCE} by embed_effect.cmake; edit the effect text instead.
extern const unsigned char ${SYMBOL}[] = {
    ${bytes}
};
extern const unsigned int ${SYMBOL}_size = sizeof ${SYMBOL};
")
