// Test X files written once as text and read in every encoding: the text
// body is turned into the binary tokens a binary writer would emit (names,
// strings, integer and float lists, braces) and compressed on request.
#pragma once

#include "utility/xfile/xfile_format.h"

#include <cstdint>
#include <string>
#include <vector>

// `body` is X file text without its header; numbers with a '.' or an
// exponent are floats, others integers. floatBytes is 4 or 8.
std::vector<std::uint8_t> EncodeXText(const std::string& body, XEncoding encoding,
                                      int floatBytes = 4);

// A translation as FrameTransformMatrix, SkinWeights and matrix keys write
// a matrix: 16 values and the closing separators.
std::string TranslationText(float x, float y, float z);
