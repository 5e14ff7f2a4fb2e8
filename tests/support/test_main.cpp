// Test main: each test process runs in a Kelvara home of its own, removed afterwards, so tests
// never touch the user's settings and can run in parallel.

#include "tests/doubles/wave_test_backend.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    klv::test::TempDir home;
    setenv("KELVARA_HOME", home.path().c_str(), 1);
    if (!std::getenv("KELVARA_AUDIO"))
        setenv("KELVARA_AUDIO", "test", 1);
    klv::platform::wavetest::install();
    return RUN_ALL_TESTS();
}
