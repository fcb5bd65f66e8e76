// The quaternion arithmetic posing needs, in the convention of the files'
// rotation keys: the matrix of a rotation is the one row vectors are
// multiplied by.
#pragma once

#include "utility/xfile/xfile_animation.h"

// Spherical interpolation along the shorter arc from a (s = 0) to b (s = 1).
XQuaternion Slerp(const XQuaternion& a, const XQuaternion& b, float s);

// Scale, then rotation, then translation.
D3DXMATRIX ComposeTransform(const D3DXVECTOR3& scale, const XQuaternion& rotation,
                            const D3DXVECTOR3& translation);
