#pragma once
// klvplay's command line.

#include <string>
#include <vector>

namespace klvplay {

struct Options {
    std::vector<std::string> files;
    int device = 0;
    int pitch = 1000; // thousandths of normal speed
    bool loop = false;
    bool listDevices = false;
    bool skipSilence = true;
    bool help = false;
    std::string tagsFile; // --tags: print this file's tags instead of playing
};

// Parses argv; false with a message in error when the command line is not understood.
bool parseOptions(int argc, char** argv, Options& options, std::string& error);

const char* usage();

} // namespace klvplay
