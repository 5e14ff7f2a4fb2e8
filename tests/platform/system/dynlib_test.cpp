#include "platform/system/dynlib.h"

#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>

using namespace klv::platform;
using klv::test::TempDir;

namespace {

TEST(DynLib, LoadsALibraryAndFindsItsExports) {
    void* math = loadLibrary("libm.so.6");
    ASSERT_NE(math, nullptr) << libraryError();
    using Function = double (*)(double);
    auto* squareRoot = reinterpret_cast<Function>(findSymbol(math, "sqrt"));
    ASSERT_NE(squareRoot, nullptr) << libraryError();
    EXPECT_EQ(squareRoot(16.0), 4.0);

    EXPECT_EQ(findSymbol(math, "plugin_no_such_entry"), nullptr);
    EXPECT_NE(libraryError().find("plugin_no_such_entry"), std::string::npos) << libraryError();
    unloadLibrary(math);
}

TEST(DynLib, FailuresGiveNullAndSayWhy) {
    TempDir dir;
    const auto notALibrary = dir.path() / "compressor.so";
    std::ofstream(notALibrary) << "this is text, not a shared library";
    const auto missing = dir.path() / "missing.so";

    struct Case {
        const char* what;
        std::string path;
    } cases[] = {
        {"missing file", missing.string()},
        {"not a library", notALibrary.string()},
        {"empty path", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(loadLibrary(c.path.c_str()), nullptr) << c.what;
        EXPECT_FALSE(libraryError().empty()) << c.what;
        if (!c.path.empty()) {
            EXPECT_NE(libraryError().find(c.path), std::string::npos) << libraryError();
        }
    }
    EXPECT_EQ(loadLibrary(nullptr), nullptr);
    EXPECT_EQ(findSymbol(nullptr, "plugin_init"), nullptr);
    unloadLibrary(nullptr); // nothing to do, nothing to crash
}

TEST(DynLib, TheErrorTextBelongsToTheThreadThatFailed) {
    ASSERT_EQ(loadLibrary("/nonexistent/plugin.so"), nullptr);
    const std::string mine = libraryError();
    ASSERT_FALSE(mine.empty());
    std::string seenElsewhere = "unset";
    std::thread([&] { seenElsewhere = libraryError(); }).join();
    EXPECT_EQ(seenElsewhere, "");
    EXPECT_EQ(libraryError(), mine);
}

} // namespace
