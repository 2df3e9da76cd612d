// The quick takeover's record of one lowered process.
#pragma once
#include <stdint.h>

struct SAVED_PRIORITY {
    uint32_t dwProcessId;
    uint32_t dwPriorityClass;  // the class before the takeover; 0 when it could not be read
};
