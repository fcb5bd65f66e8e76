// xmesh-info's fields for a file's animation sets, and the bounds of its
// mesh posed at a time of one of them.
#pragma once

#include <string>

struct PoseRequest {
    bool wanted = false; // --time was given
    double seconds = 0;
    std::string animation = "1"; // --animation: a number from 1 or a name
};

// ,"animations":[{"name":...,"seconds":S,"animated_frames":N},...], then
// ,"animation_notes":[...] when the reader repaired or dropped some of it
// (weights of missing vertices, keys out of order, ...), and with
// a request ,"posed":{"animation":NAME,"time":T,"bounds":{...}}, or
// ,"posed":null for a file without that set.
std::string AnimationFields(const char* path, const PoseRequest& request);
