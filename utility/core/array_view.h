// A read-only view of a run of values in an array of any kind (a vector of
// any allocator, a locked buffer), so that functions over big arrays take
// whatever their callers hold without a copy.
#pragma once

#include <cstddef>
#include <vector>

template <class T>
class ArrayView {
public:
    ArrayView() = default;
    ArrayView(const T* first, std::size_t count) : first(first), count(count) {}
    template <class Allocator>
    ArrayView(const std::vector<T, Allocator>& values)
        : first(values.data()), count(values.size()) {}

    const T* data() const { return first; }
    std::size_t size() const { return count; }
    bool empty() const { return count == 0; }
    const T* begin() const { return first; }
    const T* end() const { return first + count; }
    const T& operator[](std::size_t i) const { return first[i]; }

private:
    const T* first = nullptr;
    std::size_t count = 0;
};
