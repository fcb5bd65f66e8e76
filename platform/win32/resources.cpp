#include "platform/win32/resources.h"

#include <vector>

namespace {

struct Table {
    const EmbeddedResource* entries;
    std::size_t count;
};

std::vector<Table>& Tables() {
    static std::vector<Table> tables;
    return tables;
}

// The number a resource name stands for: MAKEINTRESOURCEA's value, or the
// digits of a "#123" string; -1 for any other name.
long IdentifierOf(LPCSTR name) {
    if (!name)
        return -1;
    if (IS_INTRESOURCE(name))
        return long(reinterpret_cast<std::uintptr_t>(name));
    if (name[0] != '#' || name[1] == '\0')
        return -1;
    long id = 0;
    for (const char* c = name + 1; *c; ++c) {
        if (*c < '0' || *c > '9' || id > 0xFFFF)
            return -1;
        id = id * 10 + (*c - '0');
    }
    return id <= 0xFFFF ? id : -1;
}

bool IsOwnModule(HMODULE module) {
    return module == nullptr || module == GetModuleHandleA(nullptr);
}

const EmbeddedResource* EntryOf(HRSRC resource) {
    return reinterpret_cast<const EmbeddedResource*>(resource);
}

} // namespace

void RegisterResources(const EmbeddedResource* table, std::size_t count) {
    if (!table || count == 0)
        return;
    for (const Table& t : Tables())
        if (t.entries == table)
            return;
    Tables().push_back(Table{table, count});
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
    long id = IdentifierOf(name);
    long typeId = IdentifierOf(type);
    if (!IsOwnModule(module) || id < 0 || typeId < 0)
        return nullptr;
    for (const Table& t : Tables())
        for (std::size_t i = 0; i < t.count; ++i)
            if (t.entries[i].id == id && t.entries[i].type == typeId)
                return reinterpret_cast<HRSRC>(const_cast<EmbeddedResource*>(&t.entries[i]));
    return nullptr;
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
    if (!IsOwnModule(module) || !resource)
        return nullptr;
    return const_cast<void*>(EntryOf(resource)->data);
}

LPVOID LockResource(HGLOBAL loaded) {
    return loaded;
}

DWORD SizeofResource(HMODULE module, HRSRC resource) {
    if (!IsOwnModule(module) || !resource)
        return 0;
    return EntryOf(resource)->size;
}
