// The checks a draw passes before it reaches a backend, as the debug runtime
// of Direct3D 9 makes them: the primitives, the vertex layout, the targets,
// the streams the layout reads and, for an indexed draw, its index range and
// every vertex its indices name. What reaches a backend reads inside its
// buffers, so that no backend drops a draw on checks of its own and every
// device refuses the same draws for the same reasons.
#include "platform/d3d9/formats.h"
#include "platform/d3d9/state_device.h"

#include <algorithm>
#include <climits>

namespace {
// Vertex numbers are worked out wide: a base vertex, an index and a count
// must neither wrap nor turn negative unnoticed.
using Wide = long long;
using WideUnsigned = unsigned long long;
} // namespace

HRESULT StateDevice::CheckPrimitives(const char* call, D3DPRIMITIVETYPE type, UINT count) {
    if (VertexCountOf(type, 1) == 0)
        return Refuse(call, "unknown primitive type %u", UINT(type));
    if (count == 0)
        return Refuse(call, "no primitives to draw");
    if (count > kMaxPrimitiveCount)
        return Refuse(call, "%u primitives, past the limit of %u", count, kMaxPrimitiveCount);
    return D3D_OK;
}

HRESULT StateDevice::CheckLayout(const char* call, StreamReads* reads) {
    *reads = StreamReads{};
    if (state.declaration) {
        const std::vector<D3DVERTEXELEMENT9>& elements = state.declaration->elements;
        if (elements.front().Stream == 0xFF)
            return Refuse(call, "the vertex declaration has no elements");
        for (const D3DVERTEXELEMENT9& e : elements) {
            if (e.Stream == 0xFF)
                break;
            UINT& bytes = reads->bytes[e.Stream];
            bytes = std::max(bytes, UINT(e.Offset) + DeclTypeSize(e.Type));
        }
        return D3D_OK;
    }
    if (state.fvf == 0)
        return Refuse(call, "no vertex declaration or FVF is set");
    const DWORD position = state.fvf & D3DFVF_POSITION_MASK;
    if (position != D3DFVF_XYZ && position != D3DFVF_XYZRHW)
        return Refuse(call, "FVF 0x%x has no XYZ or XYZRHW position", state.fvf);
    reads->bytes[0] = FvfStride(state.fvf);
    return D3D_OK;
}

HRESULT StateDevice::CheckTargets(const char* call) {
    const Surface* target = state.renderTarget;
    const Surface* depth = state.depthStencil;
    if (!target)
        return Refuse(call, "no render target is set");
    if (!depth)
        return D3D_OK;
    if (depth->desc.Width < target->desc.Width || depth->desc.Height < target->desc.Height)
        return Refuse(call, "the depth surface of %ux%u is smaller than the render target of %ux%u",
                      depth->desc.Width, depth->desc.Height, target->desc.Width,
                      target->desc.Height);
    if (depth->desc.MultiSampleType != target->desc.MultiSampleType)
        return Refuse(call,
                      "the depth surface's multisample type %u differs from the render "
                      "target's %u",
                      UINT(depth->desc.MultiSampleType), UINT(target->desc.MultiSampleType));
    return D3D_OK;
}

HRESULT StateDevice::CheckDrawState(const char* call, D3DPRIMITIVETYPE type, UINT count,
                                    StreamReads* reads) {
    HRESULT result = CheckPrimitives(call, type, count);
    if (SUCCEEDED(result))
        result = CheckLayout(call, reads);
    if (SUCCEEDED(result))
        result = CheckTargets(call);
    return result;
}

HRESULT StateDevice::CheckBufferDraw(const char* call, D3DPRIMITIVETYPE type, UINT count,
                                     VertexLimit* limit) {
    StreamReads reads;
    if (HRESULT refused = CheckDrawState(call, type, count, &reads); FAILED(refused))
        return refused;
    *limit = VertexLimit{0, UINT_MAX};
    for (UINT s = 0; s < kMaxStreams; ++s) {
        const UINT bytes = reads.bytes[s];
        if (bytes == 0)
            continue;
        const DeviceState::Stream& stream = state.streams[s];
        if (!stream.buffer)
            return Refuse(call, "stream %u has no vertex buffer", s);
        if (stream.stride == 0)
            return Refuse(call, "stream %u has a stride of 0", s);
        if (bytes > stream.stride)
            return Refuse(call,
                          "the vertex layout reads %u bytes of each vertex of stream %u, past "
                          "its stride of %u",
                          bytes, s, stream.stride);
        const size_t size = stream.buffer->data.size();
        const UINT vertices =
            size > stream.offset ? UINT((size - stream.offset) / stream.stride) : 0;
        if (vertices < limit->vertices)
            *limit = VertexLimit{s, vertices};
    }
    return D3D_OK;
}

HRESULT StateDevice::CheckMemoryDraw(D3DPRIMITIVETYPE type, UINT count, const void* data,
                                     UINT stride) {
    const char* call = "DrawPrimitiveUP";
    StreamReads reads;
    if (HRESULT refused = CheckDrawState(call, type, count, &reads); FAILED(refused))
        return refused;
    if (!data)
        return Refuse(call, "null vertex data");
    if (stride == 0)
        return Refuse(call, "a stride of 0");
    for (UINT s = 1; s < kMaxStreams; ++s)
        if (reads.bytes[s] != 0)
            return Refuse(call,
                          "the vertex declaration reads stream %u; drawing from memory feeds "
                          "stream 0 only",
                          s);
    if (reads.bytes[0] > stride)
        return Refuse(call,
                      "the vertex layout reads %u bytes of each vertex, past the stride of %u",
                      reads.bytes[0], stride);
    return D3D_OK;
}

HRESULT StateDevice::CheckVertexRange(const char* call, INT baseVertex, UINT minIndex,
                                      UINT numVertices, const VertexLimit& limit) {
    if (numVertices == 0)
        return Refuse(call, "NumVertices is 0");
    const Wide first = Wide(baseVertex) + minIndex;
    const Wide last = first + numVertices - 1;
    if (first < 0)
        return Refuse(call,
                      "the vertex range starts at vertex %lld (BaseVertexIndex %d, "
                      "MinVertexIndex %u), before the first",
                      first, baseVertex, minIndex);
    if (last >= Wide(limit.vertices))
        return Refuse(call,
                      "vertices %lld to %lld (BaseVertexIndex %d, MinVertexIndex %u, "
                      "NumVertices %u) past the %u vertices of stream %u",
                      first, last, baseVertex, minIndex, numVertices, limit.vertices, limit.stream);
    return D3D_OK;
}

HRESULT StateDevice::CheckIndices(const char* call, INT baseVertex, UINT startIndex,
                                  UINT indexCount, const VertexLimit& limit) {
    IndexBuffer& indices = *state.indices;
    const UINT available = indices.IndexCount();
    if (WideUnsigned(startIndex) + indexCount > available)
        return Refuse(call, "indices %u to %llu past the %u indices of the index buffer",
                      startIndex, WideUnsigned(startIndex) + indexCount - 1, available);
    auto inside = [&](const IndexBuffer::Extent& e) {
        return Wide(baseVertex) + e.smallest >= 0 &&
               Wide(baseVertex) + e.largest < Wide(limit.vertices);
    };
    // Most draws name vertices that all exist whatever range of the buffer
    // they draw: only the others read their own indices.
    if (inside(indices.WholeExtent()))
        return D3D_OK;
    const IndexBuffer::Extent drawn = indices.ExtentOf(startIndex, indexCount);
    if (Wide(baseVertex) + drawn.smallest < 0)
        return Refuse(call, "index %u with BaseVertexIndex %d names vertex %lld, before the first",
                      drawn.smallest, baseVertex, Wide(baseVertex) + drawn.smallest);
    if (inside(drawn))
        return D3D_OK;
    if (baseVertex == 0)
        return Refuse(call, "index %u past the %u vertices of stream %u", drawn.largest,
                      limit.vertices, limit.stream);
    return Refuse(call,
                  "index %u with BaseVertexIndex %d names vertex %lld, past the %u vertices of "
                  "stream %u",
                  drawn.largest, baseVertex, Wide(baseVertex) + drawn.largest, limit.vertices,
                  limit.stream);
}
