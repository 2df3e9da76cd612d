// operator new and delete over the process heap, in place of libstdc++'s over MSVCRT's malloc.
#include <windows.h>
#include <stddef.h>

namespace {
void* Allocate(size_t size)
{
    void* p = ::HeapAlloc(::GetProcessHeap(), 0, size ? size : 1);
    // No exceptions in this program: out of memory ends it, as a throwing new would have.
    if (!p)
        ::FatalAppExitA(0, "Out of memory");
    return p;
}

void Release(void* p)
{
    if (p)
        ::HeapFree(::GetProcessHeap(), 0, p);
}
}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }
