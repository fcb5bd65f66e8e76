// The transforms of a file's frames at a time of one of its sets.
#pragma once

#include "utility/xfile/xfile_animation.h"

#include <vector>

// The local transform of an animated frame at `tick`: rotation by
// spherical, scale and position by linear interpolation between the keys
// around it; before the first key and after the last the end key holds. A
// channel without keys keeps the part of `rest` (the frame's own matrix).
D3DXMATRIX SampleAnimation(const XAnimation& animation, const D3DXMATRIX& rest, double tick);

// Each frame's transform from its space to the file's at `seconds` into
// `set` (null: the frames' own matrices, the pose at rest). `local` and
// `world` are resized to the frame count.
void PoseFrames(const XAnimationData& data, const XAnimationSet* set, double seconds,
                std::vector<D3DXMATRIX>& local, std::vector<D3DXMATRIX>& world);
