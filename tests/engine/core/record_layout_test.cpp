// The records that cross the library boundary or are stored keep their layouts: a record saved
// by one build must load in another, and the program and library must agree field by field.

#include "klv3.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace {

struct FieldAt {
    const char* name;
    size_t offset;
    size_t expected;
};

#define KLV_FIELD(record, field, at)                                                               \
    FieldAt {                                                                                      \
#field, offsetof(record, field), at                                                        \
    }

TEST(RecordLayout, OptionsRecordIsTheStored452Bytes) {
    EXPECT_EQ(sizeof(OptionsRecord), 452u);
    const FieldAt fields[] = {
        KLV_FIELD(OptionsRecord, PrimaryDevice, 0),
        KLV_FIELD(OptionsRecord, SecondaryDevice, 4),
        KLV_FIELD(OptionsRecord, FadeSpeed, 8),
        KLV_FIELD(OptionsRecord, ResetPitch, 12),
        KLV_FIELD(OptionsRecord, UseSecondary, 16),
        KLV_FIELD(OptionsRecord, SkipSilence, 20),
        KLV_FIELD(OptionsRecord, SilenceThreshold, 24),
        KLV_FIELD(OptionsRecord, Reopen, 28),
        KLV_FIELD(OptionsRecord, Clock12Hour, 32),
        KLV_FIELD(OptionsRecord, AutoPlay, 36),
        KLV_FIELD(OptionsRecord, NoDropPlaying, 40),
        KLV_FIELD(OptionsRecord, NoOpenPlaying, 44),
        KLV_FIELD(OptionsRecord, NumLines, 48),
        KLV_FIELD(OptionsRecord, InvertPitch, 52),
        KLV_FIELD(OptionsRecord, HeadphoneMode, 56),
        KLV_FIELD(OptionsRecord, PreFader, 60),
        KLV_FIELD(OptionsRecord, LCDBackColor, 64),
        KLV_FIELD(OptionsRecord, LCDLitColor, 68),
        KLV_FIELD(OptionsRecord, LCDDimColor, 72),
        KLV_FIELD(OptionsRecord, TextColor, 76),
        KLV_FIELD(OptionsRecord, BackColor, 80),
        KLV_FIELD(OptionsRecord, EnsureOn, 84),
        KLV_FIELD(OptionsRecord, TimeScale, 88),
        KLV_FIELD(OptionsRecord, PitchRange, 92),
        KLV_FIELD(OptionsRecord, OverSample, 96),
        KLV_FIELD(OptionsRecord, ConfirmExit, 100),
        KLV_FIELD(OptionsRecord, XFade, 104),
        KLV_FIELD(OptionsRecord, FocusColor, 108),
        KLV_FIELD(OptionsRecord, Bold, 112),
        KLV_FIELD(OptionsRecord, SmallFont, 116),
        KLV_FIELD(OptionsRecord, RemQueue1, 120),
        KLV_FIELD(OptionsRecord, RemQueue2, 124),
        KLV_FIELD(OptionsRecord, NoDupes1, 128),
        KLV_FIELD(OptionsRecord, NoDupes2, 132),
        KLV_FIELD(OptionsRecord, QueueName1, 136),
        KLV_FIELD(OptionsRecord, QueueName2, 176),
        KLV_FIELD(OptionsRecord, ShowClock, 216),
        KLV_FIELD(OptionsRecord, WinVersion5, 220),
        KLV_FIELD(OptionsRecord, Reserved1, 224),
        KLV_FIELD(OptionsRecord, StatusLevel, 228),
        KLV_FIELD(OptionsRecord, LockEnabled, 232),
        KLV_FIELD(OptionsRecord, LockOptions, 236),
        KLV_FIELD(OptionsRecord, LockPlugins, 240),
        KLV_FIELD(OptionsRecord, LockNav, 244),
        KLV_FIELD(OptionsRecord, LockID3, 248),
        KLV_FIELD(OptionsRecord, NavDir, 252),
        KLV_FIELD(OptionsRecord, ID3Format, 332),
        KLV_FIELD(OptionsRecord, NoID3Format, 392),
    };
    for (const FieldAt& field : fields)
        EXPECT_EQ(field.offset, field.expected) << field.name;
    EXPECT_EQ(sizeof(OptionsRecord::QueueName1), 40u);
    EXPECT_EQ(sizeof(OptionsRecord::NavDir), 80u);
    EXPECT_EQ(sizeof(OptionsRecord::ID3Format), 60u);
    EXPECT_EQ(sizeof(OptionsRecord::NoID3Format), 60u);
}

TEST(RecordLayout, Id3RecordIs140Bytes) {
    EXPECT_EQ(sizeof(Id3Record), 140u);
    const FieldAt fields[] = {
        KLV_FIELD(Id3Record, title, 0),   KLV_FIELD(Id3Record, artist, 32),
        KLV_FIELD(Id3Record, album, 64),  KLV_FIELD(Id3Record, comment, 96),
        KLV_FIELD(Id3Record, year, 128),  KLV_FIELD(Id3Record, track, 132),
        KLV_FIELD(Id3Record, genre, 136),
    };
    for (const FieldAt& field : fields)
        EXPECT_EQ(field.offset, field.expected) << field.name;
}

TEST(RecordLayout, UserMessageIs264Bytes) {
    EXPECT_EQ(sizeof(UserMessage), 264u);
    EXPECT_EQ(offsetof(UserMessage, text), 0u);
    EXPECT_EQ(offsetof(UserMessage, level), 256u);
    EXPECT_EQ(offsetof(UserMessage, helpContext), 260u);
}

// The 17 fields keep their order; handles and pointers are pointer-sized, the rest 32-bit.
TEST(RecordLayout, LineHandleKeepsItsSeventeenFieldsInOrder) {
    const size_t order[] = {
        offsetof(LineHandle, file),     offsetof(LineHandle, state),
        offsetof(LineHandle, isWave),   offsetof(LineHandle, quiet),
        offsetof(LineHandle, index),    offsetof(LineHandle, displayDC),
        offsetof(LineHandle, reserved), offsetof(LineHandle, ownerWindow),
        offsetof(LineHandle, loop),     offsetof(LineHandle, finished),
        offsetof(LineHandle, percent),  offsetof(LineHandle, remaining),
        offsetof(LineHandle, paused),   offsetof(LineHandle, preview),
        offsetof(LineHandle, fileName), offsetof(LineHandle, decoder),
        offsetof(LineHandle, slot),
    };
    for (size_t i = 1; i < std::size(order); ++i)
        EXPECT_LT(order[i - 1], order[i]) << "field " << i + 1;
    EXPECT_EQ(order[0], 0u);

    LineHandle h{};
    EXPECT_EQ(sizeof(h.file), 4u);
    EXPECT_EQ(sizeof(h.state), 4u);
    EXPECT_EQ(sizeof(h.loop), 4u);
    EXPECT_EQ(sizeof(h.preview), 4u);
    EXPECT_EQ(sizeof(h.displayDC), sizeof(void*));
    EXPECT_EQ(sizeof(h.ownerWindow), sizeof(void*));
    EXPECT_EQ(sizeof(h.fileName), sizeof(void*));
    EXPECT_EQ(sizeof(h.decoder), sizeof(void*));
    // The pointer field itself is measured, not what it points to.
    EXPECT_EQ(sizeof(h.slot), sizeof(void*)); // NOLINT(bugprone-sizeof-expression)
    EXPECT_EQ(offsetof(LineHandle, slot) + sizeof(void*), sizeof(LineHandle));
}

} // namespace
