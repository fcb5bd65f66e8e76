// The MSZIP blocks of compressed X files. Each block is
//   uncompressed size (16 bit) | compressed size (16 bit, counting what follows) | "CK" | raw
//   deflate
// and inflates with the output of the blocks before it as its dictionary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The largest uncompressed block the writer makes: the deflate window, so a
// block's dictionary is exactly the block before it.
constexpr size_t MszipBlockSize = 32768;

// Inflates the blocks in [data, data + size) and appends their output to out.
// False when a block is cut short, lacks its "CK", does not inflate, inflates
// to another size than it declares, or the output would pass maxOutput bytes.
bool InflateMszip(const std::uint8_t* data, size_t size, size_t maxOutput,
                  std::vector<std::uint8_t>& out);

// Appends the blocks that hold [data, data + size) to out.
bool DeflateMszip(const std::uint8_t* data, size_t size, std::vector<std::uint8_t>& out);
