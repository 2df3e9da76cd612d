/* 64-bit unsigned division from 32-bit operations: the quotient, and the remainder in *rem. */
#pragma once
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif
uint64_t RuntimeDivMod64(uint64_t n, uint64_t d, uint64_t* rem);
#ifdef __cplusplus
}
#endif
