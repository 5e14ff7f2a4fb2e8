#include "process_stats.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace klvsoak {

uint64_t residentKib() {
    std::FILE* file = std::fopen("/proc/self/statm", "r");
    if (!file)
        return 0;
    unsigned long long size = 0;
    unsigned long long resident = 0;
    const int fields = std::fscanf(file, "%llu %llu", &size, &resident);
    std::fclose(file);
    if (fields != 2)
        return 0;
    return resident * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE)) / 1024;
}

int threadCount() {
    std::error_code ec;
    int count = 0;
    for (std::filesystem::directory_iterator it("/proc/self/task", ec), end; !ec && it != end;
         it.increment(ec))
        ++count;
    return count;
}

} // namespace klvsoak
