// Shared by the X file tests: reading the data folder and literal text,
// a small mesh with awkward values, and exact comparison of meshes.
#pragma once

#include "utility/xfile/xfile_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A file of tests/utility/xfile/data.
std::string DataPath(const std::string& relative);
std::vector<std::uint8_t> ReadBytes(const std::string& path);

// Reads X file text (header included) held in a string.
HRESULT ReadText(const std::string& text, XMeshData& mesh);

// Two quads of two materials, the second with a texture whose name holds a
// backslash and a quote, and values that print badly in decimal.
XMeshData SampleMesh();

// Indices or attributes, for comparing with a literal list.
std::vector<std::uint32_t> Values(const LargeVector<std::uint32_t>& values);

// Every bit of vertices, triangles, attributes and materials equal.
::testing::AssertionResult SameMesh(const XMeshData& a, const XMeshData& b);
