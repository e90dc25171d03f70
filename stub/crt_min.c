/* The few C library routines that the compiler may emit calls to on its own
   (block copies and clears), for the stub, which links no C runtime. Built
   with loop-pattern recognition off so these loops are not turned back into
   calls to themselves. */
#include <stddef.h>

void* memcpy(void* dest, const void* src, size_t count) {
    unsigned char* d = (unsigned char*)dest;
    const unsigned char* s = (const unsigned char*)src;
    while (count--) *d++ = *s++;
    return dest;
}

void* memmove(void* dest, const void* src, size_t count) {
    unsigned char* d = (unsigned char*)dest;
    const unsigned char* s = (const unsigned char*)src;
    if (d < s) {
        while (count--) *d++ = *s++;
    } else {
        d += count;
        s += count;
        while (count--) *--d = *--s;
    }
    return dest;
}

void* memset(void* dest, int value, size_t count) {
    unsigned char* d = (unsigned char*)dest;
    while (count--) *d++ = (unsigned char)value;
    return dest;
}

int memcmp(const void* a, const void* b, size_t count) {
    const unsigned char* x = (const unsigned char*)a;
    const unsigned char* y = (const unsigned char*)b;
    for (; count; --count, ++x, ++y) {
        if (*x != *y)
            return *x < *y ? -1 : 1;
    }
    return 0;
}

size_t strlen(const char* text) {
    const char* end = text;
    while (*end) ++end;
    return (size_t)(end - text);
}
