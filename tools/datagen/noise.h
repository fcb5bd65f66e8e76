// Deterministic noise for the painted textures, built on an integer hash so
// that every run paints the same texels.
#pragma once

#include <cstdint>

// A value in [0, 1) for one lattice point.
float LatticeValue(int x, int y, std::uint32_t seed);

// Smooth value noise in [0, 1] with one lattice cell per unit. With
// periodX > 0 the lattice repeats every periodX cells across x, so a band
// painted with it joins up where it wraps.
float ValueNoise(float x, float y, std::uint32_t seed, int periodX = 0);

// Octaves of value noise, each twice the frequency and half the weight of
// the one before, scaled back to [0, 1].
float FractalNoise(float x, float y, std::uint32_t seed, int octaves);

// The nearest and the second-nearest of a jittered grid of points (one per
// unit cell), and a random value that belongs to the nearest point's cell.
struct CellSample {
    float nearest;
    float second;
    float cellValue;
};
CellSample CellNoise(float x, float y, std::uint32_t seed);
