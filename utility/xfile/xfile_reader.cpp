#include "utility/xfile/xfile_reader.h"

#include "utility/core/load_report.h"
#include "utility/d3dx9mesh.h"
#include "utility/xfile/animation_links.h"
#include "utility/xfile/xfile_content.h"
#include "utility/xfile/xfile_scene.h"

#include <new>

namespace {

bool Parse(const XFileHeader& header, XContent& content, XScene& scene) {
    if (IsText(header.encoding))
        return ParseXText(content, header.floatBytes, scene);
    return ParseXBinary(content, header.floatBytes, scene);
}

// The body is parsed while it is still being read; the mesh is merged once
// it has all arrived whole, and the body's memory is given back first.
// With `animation`, the animation objects are kept there too.
template <class Open>
HRESULT Read(Open open, XFileHeader* headerOut, XTriangleOrder order, XMeshData& mesh,
             XAnimationData* animation) {
    XScene scene;
    scene.keepAnimation = animation != nullptr;
    {
        XContent content;
        XFileHeader header;
        HRESULT hr = open(content, header);
        if (FAILED(hr))
            return hr;
        if (headerOut)
            *headerOut = header;
        bool parsed = Parse(header, content, scene);
        content.Stop();
        if (LoadCancelled())
            return E_ABORT;
        // A body cut short by a damaged block may still parse: the damage
        // decides.
        if (content.Failed())
            return D3DXERR_INVALIDDATA;
        if (!parsed) {
            const XReadFailure& failure = scene.failure;
            if (failure.object.empty())
                SetLoadFailureAt(failure.position, "%s", failure.reason.c_str());
            else
                SetLoadFailureAt(failure.position, "%s: %s", failure.object.c_str(),
                                 failure.reason.c_str());
            return D3DXERR_INVALIDDATA;
        }
    }
    if (scene.meshes.empty()) {
        SetLoadFailure("the file holds no mesh");
        return D3DXERR_INVALIDDATA;
    }
    XVertexOrigins origins;
    if (!MergeScene(scene, order, mesh, animation ? &origins : nullptr)) {
        if (LoadCancelled())
            return E_ABORT;
        SetLoadFailure("the mesh is too large");
        return D3DXERR_INVALIDDATA;
    }
    if (!mesh.TriangleCount()) {
        SetLoadFailure("the file's meshes hold no triangle");
        return D3DXERR_INVALIDDATA;
    }
    if (animation)
        LinkAnimation(scene, origins, *animation);
    return D3D_OK;
}

template <class Open>
HRESULT ReadSafely(Open open, XFileHeader* header, XTriangleOrder order, XMeshData& mesh,
                   XAnimationData* animation = nullptr) {
    HRESULT result;
    try {
        result = Read(open, header, order, mesh, animation);
    } catch (const std::bad_alloc&) {
        result = E_OUTOFMEMORY;
    }
    if (result == E_OUTOFMEMORY)
        SetLoadFailure("out of memory");
    if (result == E_ABORT)
        SetLoadFailure("cancelled");
    if (FAILED(result)) {
        mesh = XMeshData();
        if (animation)
            *animation = XAnimationData();
    }
    return result;
}

} // namespace

HRESULT ReadXFile(const std::uint8_t* bytes, size_t size, XFileHeader* header, XMeshData& mesh) {
    if (!bytes && size)
        return D3DERR_INVALIDCALL;
    return ReadSafely(
        [&](XContent& content, XFileHeader& h) { return content.OpenMemory(bytes, size, h); },
        header, XTriangleOrder::File, mesh);
}

HRESULT ReadXFile(const char* path, XTriangleOrder order, XMeshData& mesh) {
    return ReadSafely([&](XContent& content, XFileHeader& h) { return content.OpenFile(path, h); },
                      nullptr, order, mesh);
}

HRESULT LoadXFileScene(const char* path, XFileScene& scene) {
    return ReadSafely([&](XContent& content, XFileHeader& h) { return content.OpenFile(path, h); },
                      nullptr, XTriangleOrder::ByAttribute, scene.mesh, &scene.animation);
}

HRESULT ReadXFileScene(const std::uint8_t* bytes, size_t size, XFileScene& scene) {
    if (!bytes && size)
        return D3DERR_INVALIDCALL;
    return ReadSafely(
        [&](XContent& content, XFileHeader& h) { return content.OpenMemory(bytes, size, h); },
        nullptr, XTriangleOrder::ByAttribute, scene.mesh, &scene.animation);
}
