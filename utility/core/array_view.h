// A read-only view of the values of a vector of any allocator, so that
// functions over big arrays take whatever their callers hold without a copy.
#pragma once

#include <cstddef>
#include <vector>

template <class T>
class ArrayView {
public:
    ArrayView() = default;
    template <class Allocator>
    ArrayView(const std::vector<T, Allocator>& values)
        : first(values.data()), count(values.size()) {}

    std::size_t size() const { return count; }
    const T* begin() const { return first; }
    const T* end() const { return first + count; }
    const T& operator[](std::size_t i) const { return first[i]; }

private:
    const T* first = nullptr;
    std::size_t count = 0;
};
