#include "utility/image/box_filter.h"

#include "utility/image/image.h"

#include <algorithm>

namespace {

std::uint8_t Mean(std::uint64_t sum, std::uint64_t count) {
    return std::uint8_t((sum + count / 2) / count);
}

float Mean(float sum, std::uint64_t count) {
    return sum / float(count);
}

} // namespace

template <class Channel, class Sum>
typename BoxShrinker<Channel, Sum>::Span
BoxShrinker<Channel, Sum>::Cover(UINT index, UINT sourceSize, UINT targetSize) {
    return Span{UINT(std::uint64_t(index) * sourceSize / targetSize),
                UINT((std::uint64_t(index + 1) * sourceSize + targetSize - 1) / targetSize)};
}

template <class Channel, class Sum>
bool BoxShrinker<Channel, Sum>::Start(UINT sourceWidth, UINT sourceHeight, UINT width, UINT height,
                                      Channel* target) {
    this->sourceWidth = sourceWidth;
    this->sourceHeight = sourceHeight;
    this->width = width;
    this->height = height;
    this->target = target;
    sourceRow = targetRow = 0;
    std::size_t values = std::size_t(width) * 4;
    if (!TryResize(columns, width) || !TryResize(rowSums, values) || !TryResize(sums[0], values) ||
        !TryResize(sums[1], values))
        return false;
    for (UINT x = 0; x < width; ++x)
        columns[x] = Cover(x, sourceWidth, width);
    std::fill(sums[0].begin(), sums[0].end(), Sum());
    std::fill(sums[1].begin(), sums[1].end(), Sum());
    return true;
}

template <class Channel, class Sum>
void BoxShrinker<Channel, Sum>::AddRow(const Channel* row) {
    for (UINT x = 0; x < width; ++x) {
        Sum* out = &rowSums[std::size_t(x) * 4];
        std::fill(out, out + 4, Sum());
        const Channel* pixel = row + std::size_t(columns[x].first) * 4;
        for (UINT sx = columns[x].first; sx < columns[x].end; ++sx, pixel += 4) {
            for (int channel = 0; channel < 4; ++channel)
                out[channel] += pixel[channel];
        }
    }
    for (UINT y = targetRow; y < height && y <= targetRow + 1; ++y) {
        if (Cover(y, sourceHeight, height).first > sourceRow)
            break;
        std::vector<Sum>& rowOf = sums[y & 1];
        for (std::size_t i = 0; i < rowOf.size(); ++i)
            rowOf[i] += rowSums[i];
    }
    if (targetRow < height && sourceRow + 1 == Cover(targetRow, sourceHeight, height).end)
        WriteRow(targetRow++);
    ++sourceRow;
}

template <class Channel, class Sum>
void BoxShrinker<Channel, Sum>::WriteRow(UINT y) {
    Span rows = Cover(y, sourceHeight, height);
    std::vector<Sum>& rowOf = sums[y & 1];
    Channel* out = target + std::size_t(y) * width * 4;
    for (UINT x = 0; x < width; ++x) {
        std::uint64_t count =
            std::uint64_t(rows.end - rows.first) * (columns[x].end - columns[x].first);
        for (int channel = 0; channel < 4; ++channel)
            out[std::size_t(x) * 4 + channel] = Mean(rowOf[std::size_t(x) * 4 + channel], count);
    }
    std::fill(rowOf.begin(), rowOf.end(), Sum());
}

template class BoxShrinker<std::uint8_t, std::uint64_t>;
template class BoxShrinker<float, float>;
