// Meshes of the utility library: triangle lists with a vertex declaration,
// 16- or 32-bit indices and one attribute (subset id) per face, kept in the
// device's vertex and index buffers (which hold their data in system memory
// and mirror it to the GPU); adjacency, bowtie cleaning, tangents, and
// loading from X files.
#pragma once

#include "utility/d3dx9core.h"
#include "utility/d3dx9math.h"

constexpr DWORD D3DXMESH_32BIT = 0x001;
constexpr DWORD D3DXMESH_DONOTCLIP = 0x002;
constexpr DWORD D3DXMESH_POINTS = 0x004;
constexpr DWORD D3DXMESH_RTPATCHES = 0x008;
constexpr DWORD D3DXMESH_NPATCHES = 0x4000;
constexpr DWORD D3DXMESH_VB_SYSTEMMEM = 0x010;
constexpr DWORD D3DXMESH_VB_MANAGED = 0x020;
constexpr DWORD D3DXMESH_VB_WRITEONLY = 0x040;
constexpr DWORD D3DXMESH_VB_DYNAMIC = 0x080;
constexpr DWORD D3DXMESH_IB_SYSTEMMEM = 0x100;
constexpr DWORD D3DXMESH_IB_MANAGED = 0x200;
constexpr DWORD D3DXMESH_IB_WRITEONLY = 0x400;
constexpr DWORD D3DXMESH_IB_DYNAMIC = 0x800;
constexpr DWORD D3DXMESH_SYSTEMMEM = 0x110;
constexpr DWORD D3DXMESH_MANAGED = 0x220;
constexpr DWORD D3DXMESH_WRITEONLY = 0x440;
constexpr DWORD D3DXMESH_DYNAMIC = 0x880;

constexpr UINT MAX_FVF_DECL_SIZE = MAXD3DDECLLENGTH + 1;

constexpr HRESULT D3DXERR_INVALIDMESH = HRESULT(0x88760B55u);
constexpr HRESULT D3DXERR_INVALIDDATA = HRESULT(0x88760B59u);

struct D3DXATTRIBUTERANGE {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
};

struct D3DXMATERIAL {
    D3DMATERIAL9 MatD3D;
    LPSTR pTextureFilename;
};

enum D3DXCLEANTYPE : DWORD {
    D3DXCLEAN_BACKFACING = 0x1,
    D3DXCLEAN_BOWTIES = 0x2,
    D3DXCLEAN_SKINNING = D3DXCLEAN_BACKFACING,
    D3DXCLEAN_OPTIMIZATION = D3DXCLEAN_BACKFACING,
    D3DXCLEAN_SIMPLIFICATION = D3DXCLEAN_BACKFACING | D3DXCLEAN_BOWTIES,
};

struct ID3DXMesh;

struct ID3DXBaseMesh : IUnknown {
    // Draws the faces whose attribute is attribId with the mesh's own
    // declaration, vertex and index buffers; a subset without faces draws
    // nothing.
    virtual HRESULT DrawSubset(DWORD attribId) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetNumBytesPerVertex() = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
    // Fills decl (room for MAX_FVF_DECL_SIZE entries) including the end marker.
    virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9* decl) = 0;
    // A copy with every vertex converted to `decl` by usage and usage index;
    // elements the source lacks are zero; faces and attributes are kept.
    virtual HRESULT CloneMesh(DWORD options, const D3DVERTEXELEMENT9* decl,
                              IDirect3DDevice9* device, ID3DXMesh** clone) = 0;
    virtual HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** buffer) = 0;
    virtual HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** buffer) = 0;
    virtual HRESULT LockVertexBuffer(DWORD flags, LPVOID* data) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD flags, LPVOID* data) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
    // With table null, size receives the number of ranges.
    virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) = 0;
    // Three entries a face: the face across the edge from corner k to corner
    // k + 1, or 0xFFFFFFFF.
    virtual HRESULT GenerateAdjacency(float epsilon, DWORD* adjacency) = 0;
};

struct ID3DXMesh : ID3DXBaseMesh {
    virtual HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) = 0;
    virtual HRESULT UnlockAttributeBuffer() = 0;
    virtual HRESULT SetAttributeTable(const D3DXATTRIBUTERANGE* table, DWORD size) = 0;
};

// Elements before the end marker (at most MAXD3DDECLLENGTH); 0 for null.
UINT D3DXGetDeclLength(const D3DVERTEXELEMENT9* declaration);
// Bytes per vertex of one stream: the end of its furthest element.
UINT D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* declaration, DWORD stream);
// The element table of a flexible vertex format; D3DERR_INVALIDCALL for a
// format without an untransformed or pre-transformed position.
HRESULT D3DXDeclaratorFromFVF(DWORD fvf, D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]);

// A mesh of numFaces faces and numVertices vertices, all zero, on the
// device's buffers (pools and usages from the options). The declaration is one
// stream (0) of known element types; 16-bit meshes hold at most 65535
// vertices. D3DERR_INVALIDCALL for anything else, empty meshes included.
HRESULT D3DXCreateMesh(DWORD numFaces, DWORD numVertices, DWORD options,
                       const D3DVERTEXELEMENT9* declaration, IDirect3DDevice9* device,
                       ID3DXMesh** mesh);
HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf,
                          IDirect3DDevice9* device, ID3DXMesh** mesh);

// The long operations below (adjacency, cleaning, tangents, reading an X
// file) report their progress to the load running on the calling thread and
// give up with E_ABORT when it is cancelled (see utility/core/load_report.h).

// Splits bowtie vertices (D3DXCLEAN_BOWTIES, the only cleaning there is:
// other types are D3DERR_INVALIDCALL); the adjacency is copied to
// adjacencyOut unchanged. meshOut is a new mesh when vertices were copied,
// otherwise the input mesh with one more reference. Bad indices or adjacency
// give D3DXERR_INVALIDMESH, with one line of text per finding in
// errorsAndWarnings when given.
HRESULT D3DXCleanMesh(D3DXCLEANTYPE cleanType, ID3DXMesh* meshIn, const DWORD* adjacencyIn,
                      ID3DXMesh** meshOut, DWORD* adjacencyOut, ID3DXBuffer** errorsAndWarnings);

// Writes the tangent (and binormal) elements of every vertex from positions,
// normals and texture coordinates, summed over the corners of each point.
HRESULT D3DXComputeTangent(ID3DXMesh* mesh, DWORD texStage, DWORD tangentIndex, DWORD binormalIndex,
                           DWORD wrap, const DWORD* adjacency);

// Reads every mesh of an X file (text, binary, compressed; 32- or 64-bit
// floats) into one mesh with one D3DXMATERIAL record per subset. The meshes
// are transformed by their frames and merged; the vertices are position,
// normal, texture coordinate 0 (zero where the file has none); faces are
// sorted by material and the attribute table set. The options are the
// mesh's, with D3DXMESH_32BIT added for more than 65535 vertices. The
// material buffer holds the records followed by the texture names they
// point at (null for none); a file without materials gives one white one.
// The adjacency buffer holds three DWORDs a face (tolerance 0). Effect
// instances are not read: that output is set to null. Outputs other than
// mesh may be null. `\` and `/` both separate directories in the path.
// D3DXERR_INVALIDDATA for broken content, E_FAIL for a file that cannot be
// read (anything but a regular file included), D3DERR_INVALIDCALL for
// missing arguments; nothing is left behind, and the reason is in
// LoadFailure(). The file is read as it is parsed, never whole in memory.
HRESULT D3DXLoadMeshFromXA(LPCSTR filename, DWORD options, IDirect3DDevice9* device,
                           ID3DXBuffer** adjacency, ID3DXBuffer** materials,
                           ID3DXBuffer** effectInstances, DWORD* numMaterials, ID3DXMesh** mesh);

// Formats of D3DXSaveMeshToX. COMPRESSED combines with BINARY ("bzip") or
// TEXT ("tzip"); FLOAT64 is this library's own flag for 64-bit floats.
constexpr DWORD D3DXF_FILEFORMAT_BINARY = 0;
constexpr DWORD D3DXF_FILEFORMAT_TEXT = 1;
constexpr DWORD D3DXF_FILEFORMAT_COMPRESSED = 2;
constexpr DWORD D3DXF_FILEFORMAT_FLOAT64 = 0x100;

struct D3DXEFFECTINSTANCE;

// Writes one Mesh object, outside any frame, from the mesh's position,
// normal and texture coordinate 0 elements (MeshNormals and
// MeshTextureCoords only where the mesh has them) and, when numMaterials is
// not 0, a MeshMaterialList of the materials with their TextureFilename; the
// attributes must then index them. Adjacency and effect instances are not
// written. D3DERR_INVALIDCALL for missing arguments, unknown format bits or
// attributes past the materials; D3DXERR_INVALIDMESH for a mesh without
// positions or with indices past its vertices; E_FAIL when the file cannot
// be written.
HRESULT D3DXSaveMeshToX(LPCSTR filename, ID3DXMesh* mesh, const DWORD* adjacency,
                        const D3DXMATERIAL* materials, const D3DXEFFECTINSTANCE* effectInstances,
                        DWORD numMaterials, DWORD format);

// The sphere about the mean of `count` positions, `stride` bytes apart, that
// holds them all. D3DERR_INVALIDCALL for null arguments.
HRESULT D3DXComputeBoundingSphere(const D3DXVECTOR3* firstPosition, DWORD count, DWORD stride,
                                  D3DXVECTOR3* center, float* radius);
