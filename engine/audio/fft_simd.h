#pragma once
// Short float vectors through the compiler's vector extensions, for the transform and the
// stretcher's per-sample passes: four floats (one SSE or NEON register) and eight (one AVX
// register, or two of the others). Arrays handled with these are aligned to the vector and a
// multiple of its length long, except where an unaligned load says otherwise.

// Hot loops get a second copy for AVX2 with FMA on x86-64, chosen when the library loads
// where the processor has them. Not in sanitizer builds: the choice is made by the dynamic
// loader before the sanitizer's run-time is ready to watch it.
#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define KLV_SIMD_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define KLV_SIMD_CLONES
#endif

// Eight-float values never cross a call that is not inlined, so the calling-convention
// difference between AVX and older code is of no concern here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace klv::engine::simd {

// typedef, not using: clang gives the using form of the unaligned types the full alignment.
// NOLINTBEGIN(modernize-use-using)
typedef float F4 __attribute__((vector_size(16), aligned(16), may_alias));
// Four floats at any float boundary (windows that start anywhere in the source).
typedef float F4u __attribute__((vector_size(16), aligned(4), may_alias));
typedef float F8 __attribute__((vector_size(32), aligned(32), may_alias));
typedef float F8u __attribute__((vector_size(32), aligned(4), may_alias));
// NOLINTEND(modernize-use-using)

inline F4 load(const float* p) {
    return *reinterpret_cast<const F4*>(p);
}

inline F4 loadu(const float* p) {
    return *reinterpret_cast<const F4u*>(p);
}

inline void store(float* p, F4 v) {
    *reinterpret_cast<F4*>(p) = v;
}

inline F4 splat(float x) {
    return F4{x, x, x, x};
}

inline F8 load8(const float* p) {
    return *reinterpret_cast<const F8*>(p);
}

inline F8 loadu8(const float* p) {
    return *reinterpret_cast<const F8u*>(p);
}

inline void store8(float* p, F8 v) {
    *reinterpret_cast<F8*>(p) = v;
}

inline F8 splat8(float x) {
    return F8{x, x, x, x, x, x, x, x};
}

// Within each half of four: rows a, b, c, d become columns.
inline void transposeHalves(F8& a, F8& b, F8& c, F8& d) {
    const F8 ab0 = __builtin_shufflevector(a, b, 0, 8, 1, 9, 4, 12, 5, 13);
    const F8 ab1 = __builtin_shufflevector(a, b, 2, 10, 3, 11, 6, 14, 7, 15);
    const F8 cd0 = __builtin_shufflevector(c, d, 0, 8, 1, 9, 4, 12, 5, 13);
    const F8 cd1 = __builtin_shufflevector(c, d, 2, 10, 3, 11, 6, 14, 7, 15);
    a = __builtin_shufflevector(ab0, cd0, 0, 1, 8, 9, 4, 5, 12, 13);
    b = __builtin_shufflevector(ab0, cd0, 2, 3, 10, 11, 6, 7, 14, 15);
    c = __builtin_shufflevector(ab1, cd1, 0, 1, 8, 9, 4, 5, 12, 13);
    d = __builtin_shufflevector(ab1, cd1, 2, 3, 10, 11, 6, 7, 14, 15);
}

// The lower halves of a and b, and their upper halves.
inline F8 lowHalves(F8 a, F8 b) {
    return __builtin_shufflevector(a, b, 0, 1, 2, 3, 8, 9, 10, 11);
}

inline F8 highHalves(F8 a, F8 b) {
    return __builtin_shufflevector(a, b, 4, 5, 6, 7, 12, 13, 14, 15);
}

} // namespace klv::engine::simd

#pragma GCC diagnostic pop
