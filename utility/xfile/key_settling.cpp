#include "utility/xfile/key_settling.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

enum KeyType : std::uint32_t { Rotation = 0, Scale = 1, Position = 2, Matrix = 4 };

template <class Key>
void Append(const std::vector<Key>& from, std::vector<Key>& to) {
    to.insert(to.end(), from.begin(), from.end());
}

// Sorted by time; of keys of the same time only the one given last stays.
template <class Key>
void SortChannel(std::vector<Key>& keys, KeyRepairs& repairs) {
    auto byTime = [](const Key& a, const Key& b) { return a.time < b.time; };
    if (!std::is_sorted(keys.begin(), keys.end(), byTime)) {
        ++repairs.reordered;
        std::stable_sort(keys.begin(), keys.end(), byTime);
    }
    size_t kept = 0;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (i + 1 < keys.size() && keys[i + 1].time == keys[i].time) {
            ++repairs.duplicates;
            continue;
        }
        keys[kept++] = keys[i];
    }
    keys.resize(kept);
}

template <class Key>
std::uint32_t LastTime(const std::vector<Key>& keys) {
    return keys.empty() ? 0 : keys.back().time;
}

bool Normalise(XQuaternion& q) {
    double length =
        std::sqrt(double(q.x) * q.x + double(q.y) * q.y + double(q.z) * q.z + double(q.w) * q.w);
    if (std::fabs(length - 1.0) < 1e-5)
        return false;
    if (length == 0 || !std::isfinite(length)) {
        q = XQuaternion();
        return true;
    }
    q = {float(q.x / length), float(q.y / length), float(q.z / length), float(q.w / length)};
    return true;
}

} // namespace

int KeyValueCount(std::uint32_t type) {
    switch (type) {
    case Rotation:
        return 4;
    case Scale:
    case Position:
        return 3;
    case Matrix:
        return 16;
    default:
        return 0;
    }
}

void AddKey(std::uint32_t type, std::uint32_t time, const float* v, XAnimation& keys) {
    switch (type) {
    case Rotation:
        keys.rotations.push_back({time, XQuaternion{v[1], v[2], v[3], v[0]}});
        break;
    case Scale:
        keys.scales.push_back({time, D3DXVECTOR3(v[0], v[1], v[2])});
        break;
    case Position:
        keys.positions.push_back({time, D3DXVECTOR3(v[0], v[1], v[2])});
        break;
    case Matrix: {
        D3DXMATRIX m;
        std::memcpy(m.m, v, sizeof m.m);
        XVectorKey scale{time, {}}, position{time, {}};
        XRotationKey rotation{time, {}};
        DecomposeMatrix(m, scale.value, rotation.value, position.value);
        keys.scales.push_back(scale);
        keys.rotations.push_back(rotation);
        keys.positions.push_back(position);
        break;
    }
    default:
        break;
    }
}

void AppendKeys(const XAnimation& from, XAnimation& to) {
    Append(from.rotations, to.rotations);
    Append(from.scales, to.scales);
    Append(from.positions, to.positions);
}

std::uint32_t SettleKeys(XAnimation& animation, KeyRepairs& repairs) {
    SortChannel(animation.rotations, repairs);
    SortChannel(animation.scales, repairs);
    SortChannel(animation.positions, repairs);
    for (XRotationKey& key : animation.rotations)
        repairs.normalised += Normalise(key.value);
    return std::max(
        {LastTime(animation.rotations), LastTime(animation.scales), LastTime(animation.positions)});
}

XQuaternion QuaternionFromRows(const float r[3][3]) {
    // The largest of w, x, y, z is found from the diagonal and divides the
    // others, which keeps the result exact near every angle.
    float trace = r[0][0] + r[1][1] + r[2][2];
    XQuaternion q;
    if (trace > 0) {
        float s = std::sqrt(trace + 1.0f) * 2.0f;
        q = {(r[1][2] - r[2][1]) / s, (r[2][0] - r[0][2]) / s, (r[0][1] - r[1][0]) / s, 0.25f * s};
    } else if (r[0][0] >= r[1][1] && r[0][0] >= r[2][2]) {
        float s = std::sqrt(1.0f + r[0][0] - r[1][1] - r[2][2]) * 2.0f;
        q = {0.25f * s, (r[0][1] + r[1][0]) / s, (r[2][0] + r[0][2]) / s, (r[1][2] - r[2][1]) / s};
    } else if (r[1][1] >= r[2][2]) {
        float s = std::sqrt(1.0f + r[1][1] - r[0][0] - r[2][2]) * 2.0f;
        q = {(r[0][1] + r[1][0]) / s, 0.25f * s, (r[1][2] + r[2][1]) / s, (r[2][0] - r[0][2]) / s};
    } else {
        float s = std::sqrt(1.0f + r[2][2] - r[0][0] - r[1][1]) * 2.0f;
        q = {(r[2][0] + r[0][2]) / s, (r[1][2] + r[2][1]) / s, 0.25f * s, (r[0][1] - r[1][0]) / s};
    }
    Normalise(q);
    return q;
}

void DecomposeMatrix(const D3DXMATRIX& m, D3DXVECTOR3& scale, XQuaternion& rotation,
                     D3DXVECTOR3& translation) {
    translation = D3DXVECTOR3(m._41, m._42, m._43);
    float rows[3][3];
    float lengths[3];
    for (int i = 0; i < 3; ++i) {
        lengths[i] =
            std::sqrt(m.m[i][0] * m.m[i][0] + m.m[i][1] * m.m[i][1] + m.m[i][2] * m.m[i][2]);
        for (int k = 0; k < 3; ++k)
            rows[i][k] = lengths[i] > 0 ? m.m[i][k] / lengths[i] : 0.0f;
    }
    float determinant = rows[0][0] * (rows[1][1] * rows[2][2] - rows[1][2] * rows[2][1]) -
                        rows[0][1] * (rows[1][0] * rows[2][2] - rows[1][2] * rows[2][0]) +
                        rows[0][2] * (rows[1][0] * rows[2][1] - rows[1][1] * rows[2][0]);
    if (determinant < 0) {
        lengths[0] = -lengths[0];
        for (float& value : rows[0])
            value = -value;
    }
    scale = D3DXVECTOR3(lengths[0], lengths[1], lengths[2]);
    if (lengths[0] == 0 || lengths[1] == 0 || lengths[2] == 0)
        rotation = XQuaternion();
    else
        rotation = QuaternionFromRows(rows);
}
