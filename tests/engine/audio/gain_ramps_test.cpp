// The ramps and the pan law on their own.

#include "engine/audio/gain_ramps.h"

#include <gtest/gtest.h>

namespace klv::engine {
namespace {

// Frames until the value stops moving, and where it stops.
template <typename Step> std::pair<int, float> settle(float value, Step step) {
    for (int frames = 0; frames < 100000; ++frames) {
        const float next = step(value);
        if (next == value)
            return {frames, value};
        value = next;
    }
    return {-1, value};
}

TEST(VolumeRamp, MovesOneStepPerFrameAndStopsWithinAStepWithoutSnapping) {
    struct Case {
        float from;
        float to;
        int frames; // distance / 0.0025; the float sum may arrive one frame early
    } cases[] = {
        {1.0f, 0.0f, 400}, {0.0f, 1.0f, 400}, {0.0f, 2.0f, 800}, {1.0f, 1.001f, 0},
        {0.5f, 0.5f, 0},   {2.0f, 1.0f, 400}, {0.3f, 0.31f, 4},
    };
    for (const Case& c : cases) {
        const auto [frames, end] = settle(c.from, [&](float v) { return stepVolume(v, c.to); });
        EXPECT_LE(frames, c.frames) << c.from << " -> " << c.to;
        EXPECT_GE(frames, c.frames - 1) << c.from << " -> " << c.to;
        EXPECT_LE(std::abs(end - c.to), 0.0025f) << c.from << " -> " << c.to;
    }
    // The full swing, as a fader pulled from the top: exactly 400 frames, ending just above
    // the target rather than on it.
    const auto [frames, end] = settle(1.0f, [](float v) { return stepVolume(v, 0.0f); });
    EXPECT_EQ(frames, 400);
    EXPECT_GT(end, 0.0f);
}

TEST(PanGains, NearSideAtUnityFarSideLinear) {
    struct Case {
        int32_t pan;
        float left;
        float right;
    } cases[] = {
        {0, 1.0f, 1.0f},   {100, 0.0f, 1.0f}, {-100, 1.0f, 0.0f},
        {-50, 1.0f, 0.5f}, {25, 0.75f, 1.0f},
    };
    for (const Case& c : cases) {
        const PanGains gains = panGains(c.pan);
        EXPECT_FLOAT_EQ(gains.left, c.left) << c.pan;
        EXPECT_FLOAT_EQ(gains.right, c.right) << c.pan;
    }
}

// Per frame at most one channel rises and one falls, the left first.
TEST(MasterGain, LeftTakesPrecedenceWhenBothMoveTheSameWay) {
    struct Case {
        const char* what;
        float fromLeft, fromRight, toLeft, toRight;
        int leftFrames;  // frames until the left has arrived
        int rightStarts; // first frame at which the right moves
        int rightFrames; // frames until the right has arrived
    } cases[] = {
        {"both fall", 1, 1, 0, 0, 400, 400, 800},
        {"both rise", 0, 0, 1, 1, 400, 400, 800},
        {"left rises, right falls", 0, 1, 1, 0, 400, 0, 400},
        {"left falls, right rises", 1, 0, 0, 1, 400, 0, 400},
        {"right only", 1, 0, 1, 1, 0, 0, 400},
    };
    for (const Case& c : cases) {
        MasterGain gain{c.fromLeft, c.fromRight};
        int leftFrames = 0, rightStarts = -1, rightFrames = 0;
        for (int frame = 0; frame < 2000; ++frame) {
            const MasterGain before = gain;
            gain.step(c.toLeft, c.toRight);
            if (gain.left != before.left)
                leftFrames = frame + 1;
            if (gain.right != before.right) {
                if (rightStarts < 0)
                    rightStarts = frame;
                rightFrames = frame + 1;
            }
        }
        EXPECT_EQ(leftFrames, c.leftFrames) << c.what;
        EXPECT_EQ(rightStarts, c.rightStarts) << c.what;
        EXPECT_EQ(rightFrames, c.rightFrames) << c.what;
        EXPECT_NEAR(gain.left, c.toLeft, 0.0025) << c.what;
        EXPECT_NEAR(gain.right, c.toRight, 0.0025) << c.what;
    }
}

} // namespace
} // namespace klv::engine
