// Test main of the program's tests: a Kelvara home of its own for each test process, Qt's
// offscreen platform unless the caller chose another, and one QApplication for all widgets.

#include "tests/doubles/wave_test_backend.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    klv::test::TempDir home;
    setenv("KELVARA_HOME", home.path().c_str(), 1);
    if (!std::getenv("KELVARA_AUDIO"))
        setenv("KELVARA_AUDIO", "test", 1);
    klv::platform::wavetest::install();
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
