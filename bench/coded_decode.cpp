// Coded lines: a line's decoder (records from the FileRing, libavcodec, soxr to 44100) against
// a bare FFmpeg decode loop on the same file (goal: at least 0.9 of its speed); klvOpen of a
// 10-minute FLAC and M4A (goal: under 20 ms apart from the thread start); and the CPU of 24
// lines playing FLAC together (goal: under 10 % of one core).

#include "engine/audio/sample_ring.h"
#include "engine/codec/coded_source.h"
#include "engine/core/file_type.h"
#include "engine/core/line_threads.h"
#include "engine/core/slot_pool.h"
#include "engine/core/transport_internal.h"
#include "engine/core/transport_message.h"
#include "klv3.h"

#include "bench/bench_support.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

fs::path fixtureFolder() {
    if (const char* folder = std::getenv("KLV_FIXTURE_DIR"))
        return folder;
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "fixtures";
}

// The whole file through FFmpeg's own loop: demux, decode, convert to float stereo (no rate
// change: the files are at 44100). Frames made.
int64_t bareDecode(const std::string& path) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return 0;
    avformat_find_stream_info(format, nullptr);
    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(context, format->streams[stream]->codecpar);
    context->thread_count = 1;
    avcodec_open2(context, codec, nullptr);
    SwrContext* swr = nullptr;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_FLT, 44100, &context->ch_layout,
                        context->sample_fmt, context->sample_rate, 0, nullptr);
    swr_init(swr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::vector<float> out(2 * 16384);
    int64_t frames = 0;
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == stream && avcodec_send_packet(context, packet) >= 0) {
            while (avcodec_receive_frame(context, frame) >= 0) {
                auto* target = reinterpret_cast<uint8_t*>(out.data());
                frames += swr_convert(swr, &target, 16384,
                                      const_cast<const uint8_t**>(frame->extended_data),
                                      frame->nb_samples);
            }
        }
        av_packet_unref(packet);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    swr_free(&swr);
    avcodec_free_context(&context);
    avformat_close_input(&format);
    return frames;
}

// The whole file through a line's reader and decoder passes on this thread. Frames made.
int64_t lineDecode(const std::string& path) {
    auto slot = std::make_unique<LineSlot>();
    klv::engine::clearSlot(*slot);
    auto fileRing = std::make_unique<uint8_t[]>(kFileRingBytes);
    auto sampleRing = std::make_unique<Frame[]>(kSampleRingFrames);
    slot->fileRing = fileRing.get();
    slot->sampleRing = sampleRing.get();
    slot->pitch = 1000;
    char name[KLV_PATH_BUFFER] = {};
    std::strncpy(name, path.c_str(), sizeof(name) - 1);
    LineHandle h{};
    h.quiet = 1;
    h.fileName = name;
    h.slot = slot.get();
    h.state = 1;
    h.file = klv::engine::openAudioFile(name);
    slot->dataEnd = static_cast<int32_t>(fs::file_size(path));
    klv::engine::DeferredMessage message;
    if (klv::engine::detectFileType(&h, *slot, message) != 0)
        return 0;
    auto* source = static_cast<klv::engine::CodedSource*>(h.decoder);
    // What the output thread does with the frames is its own cost, as the bare loop leaves its
    // output unread: the ring is emptied by moving its read index.
    auto drain = [&slot] {
        const int32_t used = klv::engine::sampleRingUsed(*slot);
        klv::engine::sampleRingOf(*slot).commitRead(used);
        return used;
    };
    int64_t frames = 0;
    while (!source->drained()) {
        source->readPass(&h, *slot, h.file);
        if (source->decodeStep(&h, *slot) != 0)
            break;
        frames += drain();
    }
    frames += drain();
    klv::engine::releaseLineDecoder(&h);
    ::close(h.file);
    klv::engine::clearSlot(*slot);
    return frames;
}

void decode(benchmark::State& state, const char* fixture, bool line) {
    const std::string path = (fixtureFolder() / fixture).string();
    if (!fs::exists(path)) {
        state.SkipWithError("fixture missing: build the fixtures first");
        return;
    }
    int64_t frames = 0;
    for (auto _ : state)
        frames = line ? lineDecode(path) : bareDecode(path);
    state.counters["frames"] = static_cast<double>(frames);
    state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(frames) / 44100 *
                                                          static_cast<double>(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}

void bareFlac(benchmark::State& state) {
    decode(state, "bench_10min.flac", false);
}
void lineFlac(benchmark::State& state) {
    decode(state, "bench_10min.flac", true);
}
void bareAac(benchmark::State& state) {
    decode(state, "bench_10min.m4a", false);
}
void lineAac(benchmark::State& state) {
    decode(state, "bench_10min.m4a", true);
}
BENCHMARK(bareFlac)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(lineFlac)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(bareAac)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(lineAac)->Unit(benchmark::kMillisecond)->Iterations(2);

void openTenMinutes(benchmark::State& state, const char* fixture) {
    const std::string path = (fixtureFolder() / fixture).string();
    if (!fs::exists(path)) {
        state.SkipWithError("fixture missing: build the fixtures first");
        return;
    }
    LineHandle h{};
    h.quiet = 1;
    h.index = 1;
    double openSeconds = 0.0;
    double startSeconds = 0.0;
    for (auto _ : state) {
        const auto opening = Clock::now();
        if (klvOpen(&h, path.c_str()) != 0) {
            state.SkipWithError("klvOpen failed");
            break;
        }
        openSeconds += std::chrono::duration<double>(Clock::now() - opening).count();
        state.PauseTiming();
        klv::engine::stopLineThreads(&h);
        KLV_STORE_FIELD(h.state, 1);
        const auto starting = Clock::now();
        klv::engine::startLineThreads(&h);
        startSeconds += std::chrono::duration<double>(Clock::now() - starting).count();
        klvClose(&h);
        state.ResumeTiming();
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["open_ms"] = 1000.0 * openSeconds / iterations;
    state.counters["open_without_thread_start_ms"] =
        1000.0 * (openSeconds - startSeconds) / iterations;
}
void openFlac(benchmark::State& state) {
    openTenMinutes(state, "bench_10min.flac");
}
void openM4a(benchmark::State& state) {
    openTenMinutes(state, "bench_10min.m4a");
}
BENCHMARK(openFlac)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(openM4a)->Unit(benchmark::kMillisecond)->Iterations(20);

// 24 lines of FLAC played for real time: their threads' CPU (the process's, less what it
// spends idle) as a share of one core. The SampleRings are drained at 44100 frames a second
// by this thread, as the output thread would.
void twentyFourFlacLines(benchmark::State& state) {
    const std::string path = (fixtureFolder() / "bench_10min.flac").string();
    if (!fs::exists(path)) {
        state.SkipWithError("fixture missing: build the fixtures first");
        return;
    }
    std::vector<std::unique_ptr<LineHandle>> lines;
    for (int i = 0; i < kLineSlotCount; ++i) {
        auto h = std::make_unique<LineHandle>();
        h->quiet = 1;
        h->index = i;
        if (klvOpen(h.get(), path.c_str()) != 0) {
            state.SkipWithError("klvOpen failed");
            return;
        }
        lines.push_back(std::move(h));
    }
    std::vector<Frame> out(4096);
    double share = 0.0;
    for (auto _ : state) {
        const double cpuStart = klv::bench::processCpuSeconds();
        const auto start = Clock::now();
        int64_t drainedFrames = 0;
        while (Clock::now() - start < std::chrono::seconds(5)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            const auto due = static_cast<int64_t>(
                std::chrono::duration<double>(Clock::now() - start).count() * 44100);
            const auto step = static_cast<int32_t>(std::min<int64_t>(due - drainedFrames, 4096));
            for (auto& h : lines)
                klv::engine::sampleRingRead(*h->slot, out.data(), step);
            drainedFrames += step;
        }
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        share = (klv::bench::processCpuSeconds() - cpuStart) / wall;
    }
    state.counters["cpu_share_of_one_core"] = share;
    for (auto& h : lines)
        klvClose(h.get());
}
BENCHMARK(twentyFourFlacLines)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return klv::bench::runBenchmarks(argc, argv);
}
