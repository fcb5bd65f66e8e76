// Reference counting shared by every object of both Direct3D backends.
#pragma once

#include "platform/d3d9/d3d9.h"

// Counts the objects alive; read through LiveDirect3DObjects.
void CountDirect3DObject(int delta);
// The factory installed with SetDirect3DFactory, or null.
Direct3DFactory InstalledDirect3DFactory();

template <class Interface>
class RefCounted : public Interface {
public:
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    ULONG AddRef() override { return ++refs; }
    ULONG Release() override {
        ULONG left = --refs;
        if (left == 0)
            delete this;
        return left;
    }
    ULONG RefCount() const { return refs; }

protected:
    RefCounted() { CountDirect3DObject(+1); }
    ~RefCounted() override { CountDirect3DObject(-1); }

private:
    ULONG refs = 1;
};

// Assigns a counted reference: the new object gains one, the old loses one.
template <class T, class U>
void ReplaceRef(T*& slot, U* object) {
    if (object)
        object->AddRef();
    if (slot)
        slot->Release();
    slot = object;
}

template <class T>
void ReleaseRef(T*& slot) {
    if (slot) {
        slot->Release();
        slot = nullptr;
    }
}
