#include "options.h"

#include <charconv>
#include <cstring>

namespace klvplay {

namespace {

bool parseInt(const char* text, int minimum, int maximum, int& value) {
    const char* end = text + std::strlen(text);
    const auto [at, error] = std::from_chars(text, end, value);
    return error == std::errc() && at == end && value >= minimum && value <= maximum;
}

} // namespace

const char* usage() {
    return "usage: klvplay [options] FILE...\n"
           "Plays MP3 and WAV files through the Kelvara engine, each on a line of its own.\n"
           "\n"
           "  --device N        output device number (default 0; see --list-devices)\n"
           "  --pitch P         speed in thousandths, 0..2000 (default 1000, normal speed)\n"
           "  --loop            play the files again and again (Ctrl-C ends)\n"
           "  --no-skip         keep leading silence\n"
           "  --list-devices    list the output devices and end\n"
           "  --tags FILE       print the tags the engine reads from FILE, one \"name: value\"\n"
           "                    a line (every name, empty when absent), and end\n"
           "  --help            show this text\n"
           "\n"
           "With KELVARA_AUDIO=virtual, device 0 plays into nothing in real time and device 1\n"
           "records what it plays into kelvara-rec-<n>.wav in $KELVARA_HOME (or\n"
           "$XDG_DATA_HOME/kelvara/recordings).\n";
}

bool parseOptions(int argc, char** argv, Options& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                error = std::string(name) + " needs a value";
                return nullptr;
            }
            return argv[++i];
        };
        if (arg == "--device") {
            const char* text = value("--device");
            if (!text)
                return false;
            if (!parseInt(text, 0, 255, options.device)) {
                error = "--device takes a device number";
                return false;
            }
        } else if (arg == "--pitch") {
            const char* text = value("--pitch");
            if (!text)
                return false;
            if (!parseInt(text, 0, 2000, options.pitch)) {
                error = "--pitch takes a speed in thousandths from 0 to 2000";
                return false;
            }
        } else if (arg == "--tags") {
            const char* text = value("--tags");
            if (!text)
                return false;
            options.tagsFile = text;
        } else if (arg == "--loop") {
            options.loop = true;
        } else if (arg == "--no-skip") {
            options.skipSilence = false;
        } else if (arg == "--list-devices") {
            options.listDevices = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--") {
            for (++i; i < argc; ++i)
                options.files.push_back(argv[i]);
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else {
            options.files.push_back(arg);
        }
    }
    if (!options.help && !options.listDevices && options.tagsFile.empty() &&
        options.files.empty()) {
        error = "no file to play";
        return false;
    }
    return true;
}

} // namespace klvplay
