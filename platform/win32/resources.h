// Resources embedded in the executable, found as Win32 finds them: a module,
// a type and an integer identifier. There is no resource compiler here, so
// the libraries that carry resources register their tables once at start-up
// (explicitly: a static library's self-registering global could be dropped by
// the linker).
#pragma once

#include "platform/win32/win32.h"

#include <cstddef>

struct HRSRC__;
using HRSRC = HRSRC__*;
using HGLOBAL = void*;

#define IS_INTRESOURCE(name) ((std::uintptr_t)(name) >> 16 == 0)
constexpr WORD kResourceTypeRcData = 10;
#define RT_RCDATA MAKEINTRESOURCEA(kResourceTypeRcData)

// One resource: its type and identifier (the WORDs of MAKEINTRESOURCEA) and
// its bytes, which must outlive the registration.
struct EmbeddedResource {
    WORD type;
    WORD id;
    const void* data;
    DWORD size;
};

// Adds a table to the executable's resources; registering the same table
// again changes nothing. The first registered entry of a type and identifier
// wins.
void RegisterResources(const EmbeddedResource* table, std::size_t count);

// The resource of `type` and `name` in `module` (null or GetModuleHandleA's
// handle: the executable itself), or null. Only integer identifiers exist;
// a name string, such as "#10000", is looked up by its number.
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL loaded);
DWORD SizeofResource(HMODULE module, HRSRC resource);
