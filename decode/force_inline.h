// Marks the per-bit and per-byte routines of the decoder's hot loop: they
// must be inlined even where the stub is optimised for size, because a call
// per bit would cost more than the routine itself.
#pragma once

#if defined(__GNUC__)
#define VELTRANE_FORCE_INLINE inline __attribute__((always_inline))
#else
#define VELTRANE_FORCE_INLINE inline
#endif
