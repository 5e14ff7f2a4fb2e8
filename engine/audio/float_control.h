#pragma once
// The floating-point environment the engine computes in: every exception masked (a stray
// division by zero gives inf or NaN, never a trap) and, where the FPU has a precision control,
// 53-bit precision so that results match on every thread.

namespace klv::engine {

// Sets the calling thread's floating-point environment. Threads started afterwards inherit it.
void setEngineFloatControl();

} // namespace klv::engine
