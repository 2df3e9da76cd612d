/* 64-bit division, which gcc calls on its own on the 32-bit processor; the shift-and-subtract
   core is also built natively for its unit tests. */
#include "runtime/Divide.h"

/* With 32-bit instructions only: a 64-bit "/" here would call the helpers below, that is itself.
   Division by zero faults as the divide instruction would. */
uint64_t RuntimeDivMod64(uint64_t n, uint64_t d, uint64_t* rem)
{
    if (d == 0) {
        volatile uint32_t zero = 0;
        *rem = (uint32_t)n / zero;
        return 0;
    }
    uint64_t q = 0;
    if (n >= d) {
        int shift = 0;
        while (!(d & 0x8000000000000000ULL) && (d << 1) <= n) {
            d <<= 1;
            ++shift;
        }
        for (; shift >= 0; --shift) {
            q <<= 1;
            if (n >= d) {
                n -= d;
                q |= 1;
            }
            d >>= 1;
        }
    }
    *rem = n;
    return q;
}

#if defined(__i386__) && defined(_WIN32)
static uint64_t Magnitude(int64_t v) { return v < 0 ? 0 - (uint64_t)v : (uint64_t)v; }

uint64_t __udivdi3(uint64_t n, uint64_t d)
{
    uint64_t r;
    return RuntimeDivMod64(n, d, &r);
}

uint64_t __umoddi3(uint64_t n, uint64_t d)
{
    uint64_t r;
    RuntimeDivMod64(n, d, &r);
    return r;
}

int64_t __divdi3(int64_t n, int64_t d)
{
    uint64_t r;
    uint64_t q = RuntimeDivMod64(Magnitude(n), Magnitude(d), &r);
    return (n < 0) != (d < 0) ? (int64_t)(0 - q) : (int64_t)q;
}

int64_t __moddi3(int64_t n, int64_t d)
{
    uint64_t r;
    RuntimeDivMod64(Magnitude(n), Magnitude(d), &r);
    return n < 0 ? (int64_t)(0 - r) : (int64_t)r;
}
#endif
