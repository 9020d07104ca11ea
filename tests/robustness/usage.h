// What the process holds: its private memory, the part of it in the Windows
// heaps, and its GDI and USER objects.
#pragma once

#include <cstddef>
#include <string>

struct Usage {
    std::size_t PrivateBytes;
    std::size_t HeapBytes;
    unsigned GdiObjects;
    unsigned UserObjects;
};

Usage CurrentUsage();
std::string Describe(const Usage& usage);
