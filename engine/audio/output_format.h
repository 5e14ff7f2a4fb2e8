#pragma once
// The engine's output format and block size.

#include <cstdint>

namespace klv::engine {

// One block is 1024 frames, about 23.2 ms; everything downstream of the lines works in blocks.
constexpr int32_t kBlockFrames = 1024;
constexpr double kBlockSeconds = kBlockFrames / 44100.0;
// 16-bit stereo: 4 bytes per frame, 4096 bytes (2048 samples) per block.
constexpr int32_t kBlockSamples = kBlockFrames * 2;
constexpr uint32_t kBlockBytes = kBlockFrames * 4;
// Queue depth per device: 8 blocks, about 186 ms, absorb the scheduling jitter of a desktop.
constexpr int32_t kQueueBuffers = 8;
// Twice a block: the most source frames one block can need, at double speed.
constexpr int32_t kLineInputFrames = 2 * kBlockFrames;

} // namespace klv::engine
