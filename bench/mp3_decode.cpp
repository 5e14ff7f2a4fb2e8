// MP3 decoding through the engine's adapter (its own framing, byte-rate bookkeeping, output
// limits and the SampleRing write) against bare libmpg123 decoding the same bytes, in one run.
// Goal: the adapter keeps at least 0.9 of libmpg123's throughput (counter "ratio").

#include "engine/audio/sample_ring.h"
#include "engine/core/file_ring.h"
#include "engine/core/mp3_decode_step.h"
#include "engine/core/mp3_decoder.h"
#include "engine/core/slot_pool.h"

#include "bench/bench_support.h"

#include <benchmark/benchmark.h>
#include <mpg123.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace klv::engine;
using Clock = std::chrono::steady_clock;

// About 60 seconds of the 10-minute fixture.
constexpr size_t kBytes = 1000000;

fs::path fixtureFolder() {
    if (const char* folder = std::getenv("KLV_FIXTURE_DIR"))
        return folder;
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "fixtures";
}

std::string fixtureBytes(const char* name, size_t limit) {
    std::ifstream in(fixtureFolder() / name, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return bytes.substr(0, limit);
}

// A line's rings outside the slot table, as the decoder thread sees them.
struct BenchLine {
    std::unique_ptr<LineSlot> slot = std::make_unique<LineSlot>();
    std::unique_ptr<uint8_t[]> fileRing = std::make_unique<uint8_t[]>(kFileRingBytes);
    std::unique_ptr<Frame[]> sampleRing = std::make_unique<Frame[]>(kSampleRingFrames);
    std::unique_ptr<Frame[]> resample = std::make_unique<Frame[]>(8192);
    LineHandle h{};
    char name[16] = "bench.mp3";
    BenchLine() {
        clearSlot(*slot);
        slot->fileRing = fileRing.get();
        slot->sampleRing = sampleRing.get();
        slot->resampleBuffer = reinterpret_cast<uint8_t*>(resample.get());
        slot->sampleRate = 44100;
        slot->byteRateCount = 1;
        slot->byteRateSum = 16000;
        h.slot = slot.get();
        h.fileName = name;
    }
    ~BenchLine() { clearSlot(*slot); }
};

// Returns the frames decoded.
int64_t decodeWithAdapter(const std::string& bytes) {
    BenchLine line;
    Mp3Decoder* decoder = Mp3Decoder::create();
    auto scratch = std::make_unique<Mp3Scratch>();
    size_t fed = 0;
    int64_t frames = 0;
    int idle = 0;
    while (idle < 4) {
        // The reader's part: keep the FileRing topped up.
        const size_t room = static_cast<size_t>(fileRingFree(*line.slot));
        const size_t count = std::min(room, bytes.size() - fed);
        int32_t write = line.slot->fileWrite.load() % kFileRingBytes;
        for (size_t done = 0; done < count;) {
            const size_t part = std::min(count - done, static_cast<size_t>(kFileRingBytes - write));
            std::memcpy(line.fileRing.get() + write, bytes.data() + fed + done, part);
            done += part;
            write = (write + static_cast<int32_t>(part)) % kFileRingBytes;
        }
        line.slot->fileWrite.store(write);
        fed += count;

        const int32_t before = line.slot->sampleWrite.load();
        decodeMp3Step(&line.h, *line.slot, *decoder, *scratch);
        const int32_t produced =
            (line.slot->sampleWrite.load() - before + kSampleRingFrames) % kSampleRingFrames;
        frames += produced;
        // The output thread's part: the ring is emptied at once.
        line.slot->sampleRead.store(line.slot->sampleWrite.load());
        idle = produced == 0 && fed == bytes.size() ? idle + 1 : 0;
    }
    Mp3Decoder::destroy(decoder);
    return frames;
}

int64_t decodeBare(const std::string& bytes) {
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    mpg123_param(handle, MPG123_FLAGS, MPG123_QUIET | MPG123_FORCE_STEREO, 0.0);
    mpg123_param(handle, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.0);
    mpg123_format_none(handle);
    mpg123_format(handle, 44100, MPG123_STEREO, MPG123_ENC_FLOAT_32);
    mpg123_open_feed(handle);
    int64_t frames = 0;
    size_t fed = 0;
    for (;;) {
        off_t number = 0;
        unsigned char* audio = nullptr;
        size_t size = 0;
        const int result = mpg123_decode_frame(handle, &number, &audio, &size);
        if (result == MPG123_OK) {
            frames += static_cast<int64_t>(size / 8);
            benchmark::DoNotOptimize(audio);
        } else if (result == MPG123_NEED_MORE) {
            if (fed == bytes.size())
                break;
            const size_t piece = std::min<size_t>(1024, bytes.size() - fed);
            mpg123_feed(handle, reinterpret_cast<const unsigned char*>(bytes.data() + fed), piece);
            fed += piece;
        } else if (result != MPG123_NEW_FORMAT) {
            break;
        }
    }
    mpg123_delete(handle);
    return frames;
}

void adapterAgainstLibmpg123(benchmark::State& state) {
    const std::string bytes = fixtureBytes("mp3_10min.mp3", kBytes);
    if (bytes.size() < kBytes) {
        state.SkipWithError("fixture mp3_10min.mp3 missing: build the fixtures first");
        return;
    }
    mpg123_init();
    double adapterSeconds = 0.0;
    double bareSeconds = 0.0;
    int64_t adapterFrames = 0;
    int64_t bareFrames = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        adapterFrames = decodeWithAdapter(bytes);
        adapterSeconds += std::chrono::duration<double>(Clock::now() - start).count();
        start = Clock::now();
        bareFrames = decodeBare(bytes);
        bareSeconds += std::chrono::duration<double>(Clock::now() - start).count();
    }
    const double iterations = static_cast<double>(state.iterations());
    const double adapterRate = adapterFrames * iterations / adapterSeconds;
    const double bareRate = bareFrames * iterations / bareSeconds;
    state.counters["adapter_x_realtime"] = adapterRate / 44100.0;
    state.counters["libmpg123_x_realtime"] = bareRate / 44100.0;
    state.counters["ratio"] = adapterRate / bareRate;
    state.counters["frames_equal"] = adapterFrames == bareFrames ? 1 : 0;
}
BENCHMARK(adapterAgainstLibmpg123)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

int main(int argc, char** argv) {
    return klv::bench::runBenchmarks(argc, argv);
}
