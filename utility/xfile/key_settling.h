// The keys of an animation as the reader gathers them, and the order they
// are put in once read: by time, one key a time, rotations of unit length.
#pragma once

#include "utility/xfile/xfile_animation.h"

#include <cstdint>

// The values a key of this AnimationKey type holds: 4 (rotation, w x y z),
// 3 (scale), 3 (position), 16 (matrix); 0 for a type the format lacks.
int KeyValueCount(std::uint32_t type);

// One key of a known type; a matrix adds a key to each of the three
// channels.
void AddKey(std::uint32_t type, std::uint32_t time, const float* v, XAnimation& keys);
// The channels of `from` after those of `to`.
void AppendKeys(const XAnimation& from, XAnimation& to);

// Sorts each channel by time (stable: of keys at the same time the last one
// stays), normalises the rotations (a zero one becomes no rotation) and
// says how many keys it dropped or moved. Returns the last key's time.
struct KeyRepairs {
    size_t reordered = 0, duplicates = 0, normalised = 0;
};
std::uint32_t SettleKeys(XAnimation& animation, KeyRepairs& repairs);

// Scale, rotation and translation whose product (scale, then rotation, then
// translation, for row vectors) is the matrix; a mirroring matrix takes a
// negative x scale. Rows of zero length give no rotation.
void DecomposeMatrix(const D3DXMATRIX& m, D3DXVECTOR3& scale, XQuaternion& rotation,
                     D3DXVECTOR3& translation);
// The unit quaternion of a rotation matrix (rows of unit length, no mirror).
XQuaternion QuaternionFromRows(const float r[3][3]);
