// The calls every device refuses, each with its reason word for word, and
// near misses every device accepts: one table that the recording, memory
// and OpenGL devices are all held to, so that they refuse alike.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

// The objects a case makes, released once the test has looked at the
// result; the device keeps its own references to what is bound.
class CaseObjects {
public:
    CaseObjects() = default;
    CaseObjects(const CaseObjects&) = delete;
    CaseObjects& operator=(const CaseObjects&) = delete;
    ~CaseObjects();

    template <class T>
    T* Keep(T* object) {
        if (object)
            objects.push_back(object);
        return object;
    }

private:
    std::vector<IUnknown*> objects;
};

// A case sets up what its call needs on a fresh device, makes the call and
// gives its result. A draw or clear that got through would cover pixels of
// the render target in red (0xFF0000).
using CaseCall = HRESULT (*)(IDirect3DDevice9* device, CaseObjects& objects);

struct RefusalCase {
    const char* name;
    CaseCall call;
    const char* reason; // what GetRefusalText says after the call
};

struct AcceptedCase {
    const char* name;
    CaseCall call;
    bool draws; // covers red pixels where a device draws
};

const std::vector<RefusalCase>& RefusalCases();
const std::vector<AcceptedCase>& AcceptedCases();

constexpr std::uint32_t kCaseRed = 0xFF0000;

// Binds `count` red screen-space vertices (XYZRHW | DIFFUSE, 20 bytes, laid
// out one each `stride` bytes from `offset`) going round the corners of a
// 64x48 target to stream 0, with their FVF.
void BindScreenVertices(IDirect3DDevice9* device, CaseObjects& objects, UINT count,
                        UINT stride = 20, UINT offset = 0);
// Binds an index buffer of these indices in `format`.
void BindIndices(IDirect3DDevice9* device, CaseObjects& objects, D3DFORMAT format,
                 std::initializer_list<std::uint32_t> indices);
