// Whole X files, header included, through D3DXLoadMeshFromXA on the
// recording device, with every output asked for and checked.
#include "tools/fuzz/fuzz_support.h"
#include "tools/fuzz/mesh_checks.h"

#include "platform/d3d9/com.h"

#include <cstring>

namespace {

// Each record's texture name, when it has one, is a string inside the buffer.
void CheckMaterials(ID3DXBuffer* buffer, DWORD count) {
    FuzzCheck(count > 0, "a loaded mesh has a material");
    const auto* begin = static_cast<const char*>(buffer->GetBufferPointer());
    const char* end = begin + buffer->GetBufferSize();
    FuzzCheck(count * sizeof(D3DXMATERIAL) <= buffer->GetBufferSize(), "the records fit");
    const auto* records = reinterpret_cast<const D3DXMATERIAL*>(begin);
    for (DWORD i = 0; i < count; ++i) {
        const char* name = records[i].pTextureFilename;
        if (!name)
            continue;
        FuzzCheck(name >= begin && name < end, "texture names lie in the buffer");
        FuzzCheck(std::memchr(name, 0, size_t(end - name)) != nullptr,
                  "texture names end in the buffer");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* path = WriteScratchFile(data, size);
    IDirect3DDevice9* device = FuzzDevice();
    LiveObjectGuard guard;
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materials = nullptr;
    ID3DXBuffer* effects = nullptr;
    DWORD materialCount = 0;
    ID3DXMesh* mesh = nullptr;
    HRESULT hr = D3DXLoadMeshFromXA(path, 0, device, &adjacency, &materials, &effects,
                                    &materialCount, &mesh);
    FuzzCheck(SUCCEEDED(hr) == (mesh != nullptr), "a mesh exactly on success");
    FuzzCheck(!effects, "no effect instances");
    if (mesh) {
        FuzzCheck(adjacency && materials, "every output asked for is given");
        CheckMaterials(materials, materialCount);
        CheckMeshIndices(mesh);
        FuzzCheck(adjacency->GetBufferSize() == 3 * sizeof(DWORD) * mesh->GetNumFaces(),
                  "three adjacency entries a face");
        CheckAdjacency(mesh, static_cast<const DWORD*>(adjacency->GetBufferPointer()));
    } else {
        FuzzCheck(!adjacency && !materials && !materialCount, "nothing is left on failure");
    }
    ReleaseRef(adjacency);
    ReleaseRef(materials);
    ReleaseRef(mesh);
    return 0;
}
