// Reading an effect text into its layout. The text is made of sections, each
// started by a line that begins with '@':
//   @define NAME [VALUE]        a macro for the programs that name it
//   @declarations               parameters, samplers, preshaders, techniques
//   @common NAME                a block of GLSL that programs can include
//   @vertex NAME [uses BLOCK...] a vertex program: the blocks, then its text
//   @pixel NAME [uses BLOCK...]  a pixel program, likewise
// effects/README.md describes the declarations.
#pragma once

#include "utility/effect/effect_layout.h"

#include <string>

// False with a message naming the line when the text is not a valid effect.
bool ParseEffectText(const std::string& text, EffectLayout* layout, std::string* error);

// The declarations section alone (programs must already be in the layout).
bool ParseDeclarations(const SourceText& declarations, EffectLayout* layout, std::string* error);
