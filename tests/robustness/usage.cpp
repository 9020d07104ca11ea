#include "tests/robustness/usage.h"

#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>

namespace {

// Wine counts no GUI objects. It takes a GDI handle's low 16 bits alone as the
// handle, so every live GDI object of the process answers to one of them; the
// USER objects of this program are its windows, found by walking them all. On
// Windows GetGuiResources counts, and these are not needed.
unsigned ProbedGdiObjects()
{
    unsigned count = 0;
    for (std::uintptr_t index = 1; index <= 0xFFFF; ++index)
        count += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
    return count;
}

bool Ours(HWND window)
{
    DWORD process = 0;
    return GetWindowThreadProcessId(window, &process) && process == GetCurrentProcessId();
}

BOOL CALLBACK CountWindow(HWND, LPARAM count)
{
    ++*reinterpret_cast<unsigned*>(count);
    return TRUE;
}

BOOL CALLBACK CountWindowTree(HWND window, LPARAM count)
{
    if (Ours(window)) {
        CountWindow(window, count);
        EnumChildWindows(window, CountWindow, count);
    }
    return TRUE;
}

unsigned CountedWindows()
{
    unsigned count = 0;
    EnumWindows(CountWindowTree, reinterpret_cast<LPARAM>(&count));
    for (HWND window = nullptr; (window = FindWindowExA(HWND_MESSAGE, window, nullptr, nullptr));)
        CountWindowTree(window, reinterpret_cast<LPARAM>(&count));
    return count;
}

// What the program and the C runtime have allocated and not freed, to the byte;
// OpenGL's own allocations lie outside the Windows heaps.
std::size_t HeapBytes()
{
    HANDLE heaps[256];
    const DWORD count = GetProcessHeaps(256, heaps);
    std::size_t bytes = 0;
    for (DWORD h = 0; h < count && h < 256; ++h) {
        HeapLock(heaps[h]);
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heaps[h], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                bytes += entry.cbData;
        HeapUnlock(heaps[h]);
    }
    return bytes;
}

}  // namespace

Usage CurrentUsage()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    const unsigned gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const unsigned user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    // Wine leaves PrivateUsage at 0; the commit charge is the same count on Windows.
    return {counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage, HeapBytes(),
            gdi ? gdi : ProbedGdiObjects(), user ? user : CountedWindows()};
}

std::string Describe(const Usage& usage)
{
    char text[128];
    std::snprintf(text, sizeof text, "%zu KiB private, %zu bytes of heap, %u GDI objects, %u USER objects",
                  usage.PrivateBytes / 1024, usage.HeapBytes, usage.GdiObjects, usage.UserObjects);
    return text;
}
