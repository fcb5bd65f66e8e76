// The pieces of xmesh-info's JSON lines.
#pragma once

#include <cstddef>
#include <string>

std::string JsonString(const std::string& text);
// null for values that are not finite.
std::string JsonNumber(double value);
std::string JsonVector(const float v[3]);
// {"min":[x,y,z],"max":[x,y,z]} of `count` positions `stride` bytes apart.
std::string JsonBounds(const float* first, size_t count, size_t stride);
