// memchr with WebAssembly SIMD: sixteen bytes per step. The C library's own
// memchr goes a word at a time, and the format core searches long texts for
// single characters very often.
#include <stddef.h>
#include <wasm_simd128.h>

void *memchr(const void *source, int c, size_t n) {
    const unsigned char *s = (const unsigned char *)source;
    const unsigned char wanted = (unsigned char)c;
    const v128_t needle = wasm_i8x16_splat((signed char)wanted);
    for (; n >= 16; s += 16, n -= 16) {
        const int hits = wasm_i8x16_bitmask(wasm_i8x16_eq(wasm_v128_load(s), needle));
        if (hits) return (void *)(s + __builtin_ctz((unsigned)hits));
    }
    for (; n; ++s, --n)
        if (*s == wanted) return (void *)s;
    return NULL;
}
