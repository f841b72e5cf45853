#pragma once

#include <cstdlib>
#include <memory>

// xcb hands out replies and events allocated with malloc; the caller frees them.
template <typename T> struct XcbFree {
    void operator()(T* p) const { std::free(p); }
};
template <typename T> using XcbReply = std::unique_ptr<T, XcbFree<T>>;
