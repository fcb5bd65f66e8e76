// A compressed X file whose body holds a long run of content that carries
// nothing (blanks or comment lines in text, separator tokens in binary)
// ahead of one mesh: a decompression bomb that is valid from its first byte
// to its last, for the loader's tests and benchmarks. Every block of the
// padding deflates to the same few dozen bytes, so a file that declares
// gigabytes is a few megabytes and is made in moments, without the padding
// ever being held whole.
#pragma once

#include "utility/xfile/xfile_format.h"
#include "utility/xfile/xmesh_data.h"

#include <cstdint>
#include <vector>

enum class XPadding {
    Blanks,     // text: spaces and line breaks
    Comments,   // text: "//" lines
    Separators, // binary: ';' tokens
};

// `mesh` in `encoding` (TextCompressed or BinaryCompressed, 32-bit floats)
// after `paddingBytes` of `padding` (rounded up to whole MSZIP blocks).
// False when the padding does not suit the encoding, the body would pass
// the 4 GB the size field can declare, or compression fails.
bool WritePaddedXFile(const XMeshData& mesh, XEncoding encoding, XPadding padding,
                      std::uint64_t paddingBytes, std::vector<std::uint8_t>& out);
