#pragma once
// The housekeeping thread: does for the output thread what the output thread must never do
// itself, because it would wait for a lock, the disk or a person: telling the user about a
// device that failed, taking an overloaded plug-in out of the list, unloading it. The output
// thread leaves a chore in a single-producer ring and plays on; this thread runs the chores in
// the order they were left, each to its end (a message box waits for the user here).
//
// The thread runs from startHousekeeping to stopHousekeeping, which the output's start and
// stop call around the output thread's life.

#include <cstdint>

namespace klv::engine {

// A piece of work with its arguments, copied whole into the ring (nothing is allocated).
struct Chore {
    void (*run)(const Chore& chore) = nullptr;
    int32_t first = 0;
    int32_t second = 0;
    void* target = nullptr;
    uint64_t serial = 0;
};

// [output thread] Leaves a chore for the housekeeping thread; never blocks, never allocates.
// false when the ring is full (the chore is dropped).
bool postChore(const Chore& chore);

// [ui thread] Starts the thread unless it runs. An earlier thread still busy with a chore is
// joined first if it has finished meanwhile; otherwise it is left to finish on its own.
void startHousekeeping();

// [ui thread] Lets the thread run the chores left so far and end, and joins it. Serves the
// window system while it waits (a chore may be showing a box); gives up waiting after about
// 5 s, leaving a thread still in a chore to be joined later.
void stopHousekeeping();

// [any thread] Whether a chore left so far is still waiting or running. For tests, which wait
// for the box a failure leads to.
bool choresPending();

} // namespace klv::engine
