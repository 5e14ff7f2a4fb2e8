#pragma once
// The stored form of the administrator password: 20 capital letters derived from the
// password's first 20 characters (a shorter one padded with spaces) and a pseudo-random
// sequence that restarts from the same seed for every scramble. It is not encryption; it only
// keeps the password from being read off the settings store at a glance.

#include <QString>

#include <cstdint>

namespace klv::app {

constexpr int kPasswordLength = 20;

// The generator behind the scramble, private to it so that nobody else's random numbers are
// disturbed: a 32-bit linear congruential generator (x' = 1664525 x + 1013904223 mod 2^32,
// the constants from Numerical Recipes) started at 0x4B4C5633; next() gives x' / 2^32, in
// [0, 1). Stored passwords depend on these numbers: changing them locks every venue out.
class ScrambleRandom {
public:
    static constexpr uint32_t kSeed = 0x4B4C5633;
    double next();

private:
    uint32_t m_state = kSeed;
};

// For position i = 1..20 with character code c and the generator's next value r:
// d = round(r x i x 452), and the letter is 'A' + (d + c) mod 26.
QString scramblePassword(const QString& password);

} // namespace klv::app
