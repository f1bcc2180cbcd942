// What a string holds on the heap beyond its own object: nothing while its text fits the object
// (the short-string buffer), else its capacity and the terminating zero. The byte bounds of the
// queue to the worker and of the records count with it.
#pragma once

#include <cstddef>
#include <string>

namespace corvane {

inline std::size_t heapBytes(const std::string& text) {
    return text.capacity() > std::string().capacity() ? text.capacity() + 1 : 0;
}

}  // namespace corvane
