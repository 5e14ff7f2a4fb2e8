#include "tests/fuzz/fuzz_line.h"

#include "engine/audio/sample_ring.h"
#include "engine/core/file_type.h"
#include "engine/core/line_threads.h"
#include "engine/core/mp3_xing.h"
#include "engine/core/slot_pool.h"
#include "engine/core/transport_internal.h"
#include "engine/core/transport_message.h"
#include "tests/fuzz/fuzz_support.h"

#include <unistd.h>

#include <cmath>
#include <cstring>

namespace klv::fuzz {

namespace {

// One set of ring buffers for the whole run: the fuzzer opens one line at a time.
uint8_t g_fileRing[kFileRingBytes];
Frame g_sampleRing[kSampleRingFrames];
Frame g_resample[kResampleBufferBytes / sizeof(Frame)];
engine::WavScratch g_wav;
engine::Mp3Scratch g_mp3;
Frame g_drained[4096];

} // namespace

FuzzLine::FuzzLine() {
    m_handle.quiet = 1;
    m_handle.fileName = m_name;
}

FuzzLine::~FuzzLine() {
    close();
}

bool FuzzLine::open(const char* path) {
    close();
    std::strncpy(m_name, path, sizeof(m_name) - 1);
    const int fd = engine::openAudioFile(m_name);
    if (fd < 0)
        return false;
    const int64_t size = engine::audioFileSize(fd);
    m_handle.file = fd;
    m_slot = engine::takeSlot();
    require(m_slot != nullptr, "a slot is free");
    m_handle.slot = m_slot;
    m_slot->fileRing = g_fileRing;
    m_slot->sampleRing = g_sampleRing;
    m_slot->resampleBuffer = reinterpret_cast<uint8_t*>(g_resample);
    m_slot->volume.store(1.0f);
    m_slot->pitch.store(1000);
    m_slot->dataEnd.store(static_cast<int32_t>(size));
    m_handle.state = 1;

    engine::DeferredMessage message;
    if (engine::detectFileType(&m_handle, *m_slot, message) != 0) {
        close();
        return false;
    }
    if (m_handle.isWave == KLV_SOURCE_MP3)
        engine::readXingSeekTable(fd, *m_slot);
    return true;
}

void FuzzLine::play(int32_t maxPasses) {
    if (m_slot == nullptr)
        return;
    engine::DecoderRun run;
    for (int32_t pass = 0; pass < maxPasses && m_handle.finished == 0; ++pass) {
        engine::readerPass(&m_handle, *m_slot);
        if (engine::decoderPass(&m_handle, *m_slot, run, g_wav, g_mp3) ==
            engine::kDecoderPassFailed)
            return;
        int32_t taken;
        while ((taken = engine::sampleRingRead(*m_slot, g_drained, 4096)) > 0) {
            for (int32_t i = 0; i < taken; ++i)
                require(std::isfinite(g_drained[i].left) && std::isfinite(g_drained[i].right),
                        "decoded frames are finite");
        }
    }
}

void FuzzLine::close() {
    if (m_handle.file > 0)
        ::close(m_handle.file);
    m_handle.file = 0;
    engine::releaseLineDecoder(&m_handle);
    if (m_slot != nullptr)
        engine::clearSlot(*m_slot);
    m_slot = nullptr;
    m_handle.slot = nullptr;
    m_handle.state = 0;
    m_handle.finished = 0;
    m_handle.isWave = 0;
}

} // namespace klv::fuzz
