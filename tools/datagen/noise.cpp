#include "tools/datagen/noise.h"

#include <cmath>

namespace {

std::uint32_t Mix(std::uint32_t h) {
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

std::uint32_t Hash(int x, int y, std::uint32_t seed) {
    return Mix(std::uint32_t(x) * 0x8DA6B343u ^ Mix(std::uint32_t(y) * 0xD8163841u ^ seed));
}

float Fade(float t) {
    return t * t * (3 - 2 * t);
}

int Wrap(int x, int period) {
    if (period <= 0)
        return x;
    int r = x % period;
    return r < 0 ? r + period : r;
}

} // namespace

float LatticeValue(int x, int y, std::uint32_t seed) {
    return float(Hash(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

float ValueNoise(float x, float y, std::uint32_t seed, int periodX) {
    float fx = std::floor(x), fy = std::floor(y);
    int x0 = int(fx), y0 = int(fy);
    float sx = Fade(x - fx), sy = Fade(y - fy);
    int xa = Wrap(x0, periodX), xb = Wrap(x0 + 1, periodX);
    float top = LatticeValue(xa, y0, seed) * (1 - sx) + LatticeValue(xb, y0, seed) * sx;
    float bottom = LatticeValue(xa, y0 + 1, seed) * (1 - sx) + LatticeValue(xb, y0 + 1, seed) * sx;
    return top * (1 - sy) + bottom * sy;
}

float FractalNoise(float x, float y, std::uint32_t seed, int octaves) {
    float sum = 0, weight = 1, total = 0;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += ValueNoise(x, y, seed + std::uint32_t(octave) * 101u) * weight;
        total += weight;
        x *= 2, y *= 2, weight /= 2;
    }
    return sum / total;
}

CellSample CellNoise(float x, float y, std::uint32_t seed) {
    int cx = int(std::floor(x)), cy = int(std::floor(y));
    CellSample sample{1e9f, 1e9f, 0};
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            int gx = cx + dx, gy = cy + dy;
            float px = float(gx) + LatticeValue(gx, gy, seed) * 0.8f + 0.1f;
            float py = float(gy) + LatticeValue(gx, gy, seed + 1) * 0.8f + 0.1f;
            float distance = std::hypot(x - px, y - py);
            if (distance < sample.nearest) {
                sample.second = sample.nearest;
                sample.nearest = distance;
                sample.cellValue = LatticeValue(gx, gy, seed + 2);
            } else if (distance < sample.second) {
                sample.second = distance;
            }
        }
    return sample;
}
