// Shrinking an image with a box filter while its rows arrive: each target
// pixel is the mean of the source pixels its area covers, from the first one
// it touches to the last, so odd sizes lose no row or column; when a side
// halves exactly that is the 2 x 2 mean of a mip chain.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <cstdint>
#include <vector>

// Takes the source rows top to bottom and writes each target row as soon as
// the last source row under it has come, so that only a few rows of sums are
// kept whatever the size of the source. Pixels have four channels; `Sum`
// holds the sum of a channel over every source pixel of a target pixel.
template <class Channel, class Sum>
class BoxShrinker {
public:
    // `target` holds width x height pixels; neither side may be larger than
    // the source's. False when the memory for the sums is not there.
    bool Start(UINT sourceWidth, UINT sourceHeight, UINT width, UINT height, Channel* target);
    // The next source row, sourceWidth pixels.
    void AddRow(const Channel* row);

private:
    struct Span {
        UINT first, end;
    };
    static Span Cover(UINT index, UINT sourceSize, UINT targetSize);
    void WriteRow(UINT y);

    UINT sourceWidth = 0, sourceHeight = 0, width = 0, height = 0;
    Channel* target = nullptr;
    UINT sourceRow = 0; // the next source row to come
    UINT targetRow = 0; // the first target row not yet written
    std::vector<Span> columns;
    std::vector<Sum> rowSums; // the latest source row summed over each column span
    // A source row lies under at most two target rows: the sums of
    // targetRow and targetRow + 1, by the parity of the row.
    std::vector<Sum> sums[2];
};

extern template class BoxShrinker<std::uint8_t, std::uint64_t>;
extern template class BoxShrinker<float, float>;
