#pragma once

#include <cctype>

// Whether a /proc (or /proc/PID/fd) entry name is all digits, i.e. a process or descriptor.
inline bool isNumericProcName(const char* name)
{
    if (!*name)
        return false;
    for (; *name; ++name) {
        if (!std::isdigit(static_cast<unsigned char>(*name)))
            return false;
    }
    return true;
}
