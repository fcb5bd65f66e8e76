#include "tools/datagen/skin_model.h"

#include "tools/datagen/profile.h"
#include "tools/datagen/skin_layout.h"
#include "tools/datagen/surfaces.h"

#include <cmath>

using namespace skin_layout;

namespace {

D3DXVECTOR3 Normalized(const D3DXVECTOR3& v) {
    D3DXVECTOR3 out;
    D3DXVec3Normalize(&out, &v);
    return out;
}

// The part of `wanted` across `axis`, as the phi = 0 direction of a swept
// surface around that axis.
D3DXVECTOR3 FrontAcross(const D3DXVECTOR3& axis, const D3DXVECTOR3& wanted) {
    return Normalized(wanted - axis * D3DXVec3Dot(&wanted, &axis));
}

MeshPiece BuildBody() {
    Revolution body;
    body.front = {0, 0, -1};
    body.frontScale = kBodyDepth;
    body.profile = Profile(BodyOutline());
    body.around = 40;
    body.along = 30;
    body.texcoord = [](float phi, float t, const D3DXVECTOR3&) {
        return BodyTexcoord(std::fabs(phi) / D3DX_PI, t);
    };
    return BuildRevolution(body);
}

// The outline's control points are not evenly spaced, so the limb's v is
// taken from the distance along its axis rather than from t.
MeshPiece BuildLimb(const LimbShape& shape, const UvRect& region, int along) {
    Revolution limb;
    limb.origin = shape.root;
    limb.axis = Normalized(shape.direction);
    limb.front = FrontAcross(limb.axis, D3DXVECTOR3(0, 0, -1));
    limb.profile = Profile(shape.outline);
    limb.around = 12;
    limb.along = along;
    const float length = shape.outline.back().y;
    limb.texcoord = [region, root = limb.origin, axis = limb.axis, length](float phi, float,
                                                                           const D3DXVECTOR3& p) {
        D3DXVECTOR3 offset = p - root;
        return region.At(D3DXVec3Dot(&offset, &axis) / length, std::fabs(phi) / D3DX_PI);
    };
    return BuildRevolution(limb);
}

MeshPiece BuildEye() {
    Revolution eye;
    eye.origin = kEyeCentre;
    eye.axis = Normalized(kEyeGaze);
    eye.front = FrontAcross(eye.axis, D3DXVECTOR3(0, 1, 0));
    eye.profile = [](float t) {
        return D3DXVECTOR2(kEyeRadius * std::sin(D3DX_PI * t), kEyeRadius * std::cos(D3DX_PI * t));
    };
    eye.around = 12;
    eye.along = 8;
    eye.texcoord = [](float phi, float t, const D3DXVECTOR3&) {
        return kEyeBand.At(t, std::fabs(phi) / D3DX_PI);
    };
    return BuildRevolution(eye);
}

// Outline heights fall from the top of the head to the bottom, so the
// height of a point picks t by bisection.
float BodyOutlineTAtHeight(float height) {
    Profile outline(BodyOutline());
    float low = 0, high = 1;
    for (int step = 0; step < 32; ++step) {
        float middle = (low + high) / 2;
        if (outline(middle).y > height)
            low = middle;
        else
            high = middle;
    }
    return (low + high) / 2;
}

} // namespace

MeshPiece BuildSkinModel() {
    MeshPiece model = BuildBody();
    const MeshPiece parts[] = {BuildLimb(Arm(), kArmBand, 18), BuildLimb(Leg(), kLegBand, 18),
                               BuildLimb(Antenna(), kAntennaBand, 8), BuildEye()};
    for (const MeshPiece& part : parts) {
        AppendPiece(model, part);
        AppendPiece(model, MirroredX(part));
    }
    WeldVertices(model, 1e-5f);
    return model;
}

std::vector<D3DMATERIAL9> SkinMaterials() {
    D3DMATERIAL9 skin{};
    skin.Diffuse = {0.9f, 0.9f, 0.9f, 1};
    skin.Ambient = {0.9f, 0.9f, 0.9f, 1};
    skin.Specular = {0.3f, 0.3f, 0.3f, 1};
    skin.Emissive = {0, 0, 0, 1};
    skin.Power = 24;
    return {skin};
}

D3DXVECTOR2 BodyArtPoint(const D3DXVECTOR3& point) {
    float around = std::atan2(std::fabs(point.x), -point.z / kBodyDepth) / D3DX_PI;
    return {around, BodyOutlineTAtHeight(point.y)};
}
