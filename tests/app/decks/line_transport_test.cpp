// A line's transport against the real engine: playing, stopping, a second song while the first
// plays, playlists, the triggers between lines and the playlist crossfade.

#include "tests/app/decks/line_test_fixture.h"

#include "app/settings/song_eq.h"

#include <QTest>

namespace klv::test {
namespace {

using app::LineControl;
using State = LineControl::State;
using Button = LineControl::Button;

int32_t stateOf(LineHandle& h) {
    return KLV_LOAD_FIELD(h.state);
}

TEST_F(LinesTest, PlayButtonPlaysTheSongAndStopKeepsItLoaded) {
    startAudio();
    LineControl& l = line(0);
    l.loadFile(wav("song.wav", 3));
    ASSERT_EQ(l.state(), State::Loaded);
    EXPECT_TRUE(l.buttonShown(Button::PlayPause));
    EXPECT_FALSE(l.buttonShown(Button::Stop)) << "stop is hidden while nothing plays";
    EXPECT_FALSE(l.trackerShown());

    // Punched in at unity by default: the line is heard at its own level.
    QTest::mouseClick(&l, Qt::LeftButton, {}, QPoint(10, 110));
    EXPECT_EQ(l.state(), State::Playing);
    EXPECT_EQ(stateOf(l.current()), 2);
    EXPECT_TRUE(l.buttonShown(Button::Stop));
    EXPECT_TRUE(l.trackerShown());
    ASSERT_TRUE(playUntil([] { return maxLeft() > kLineSample * 9 / 10; }, 200))
        << "the song reaches the main output";

    QTest::mouseClick(&l, Qt::LeftButton, {}, QPoint(10, 110));
    EXPECT_EQ(l.state(), State::Paused);

    QTest::mouseClick(&l, Qt::LeftButton, {}, QPoint(40, 110));
    EXPECT_EQ(l.state(), State::Loaded);
    EXPECT_FALSE(l.fileName().isEmpty());
}

TEST_F(LinesTest, PushButtonActsOnlyWhenReleasedInside) {
    LineControl& l = line(0);
    l.loadFile(wav("song.wav", 3));
    QTest::mousePress(&l, Qt::LeftButton, {}, QPoint(10, 110));
    EXPECT_EQ(l.state(), State::Loaded) << "a press alone does nothing";
    QMouseEvent move(QEvent::MouseMove, QPointF(60, 300), l.mapToGlobal(QPointF(60, 300)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&l, &move);
    QTest::mouseRelease(&l, Qt::LeftButton, {}, QPoint(60, 300));
    EXPECT_EQ(l.state(), State::Loaded) << "released outside: cancelled";
}

TEST_F(LinesTest, SongEqualizerBandsGoToTheEngine) {
    LineControl& l = line(0);
    l.loadFile(wav("song.wav", 3));
    l.setEQ(1, 2.5f);
    l.setEQ(4, -9.0f);
    EXPECT_EQ(klvGetSongEQ(&l.current(), 1), 5);
    EXPECT_EQ(klvGetSongEQ(&l.current(), 4), -18);
    // The next load of the song shows its stored bands on the panel.
    l.loadFile(l.fileName());
    EXPECT_EQ(l.songEq().position(1), 19 - 5);
    EXPECT_EQ(l.songEq().position(4), 19 + 18);
    l.showEQ();
    EXPECT_TRUE(l.songEq().isVisible());
    l.hideEQ();
    EXPECT_FALSE(l.songEq().isVisible());
}

TEST_F(LinesTest, SecondSongWhilePlayingSoundsTooAndStopEndsBoth) {
    startAudio();
    LineControl& l = line(0);
    l.loadFile(wav("first.wav", 5));
    l.pause();
    ASSERT_EQ(l.currentHandleIndex(), 0);

    l.openFile(wav("second.wav", 5));
    EXPECT_EQ(l.currentHandleIndex(), 1) << "the playing song moved to the other handle";
    EXPECT_EQ(stateOf(l.handle(0)), 2) << "the first song goes on sounding";
    EXPECT_EQ(stateOf(l.handle(1)), 1);
    l.pause();
    EXPECT_EQ(stateOf(l.handle(1)), 2);
    // Both at unity add up above one song's level.
    ASSERT_TRUE(playUntil([] { return maxLeft() > kLineSample * 3 / 2; }, 300));

    l.doStop();
    EXPECT_EQ(stateOf(l.handle(0)), 0) << "the older song is closed";
    EXPECT_EQ(stateOf(l.handle(1)), 1) << "the current song stays loaded";
    EXPECT_EQ(l.state(), State::Loaded);
}

TEST_F(LinesTest, TrackButtonsStepThroughThePlaylist) {
    const QString a = wav("a.wav", 2), b = wav("b.wav", 2), c = wav("c.wav", 2);
    LineControl& l = line(0);
    l.loadFile(m3u("list.m3u", {a, b, c}));
    ASSERT_EQ(l.listCount(), 3);
    EXPECT_EQ(l.fileName(), a);
    EXPECT_TRUE(l.buttonShown(Button::Previous));
    EXPECT_TRUE(l.buttonShown(Button::Next));
    EXPECT_TRUE(l.buttonShown(Button::Shuffle)) << "shuffle comes with a playlist";

    l.previousTrack();
    EXPECT_EQ(l.fileName(), a) << "nothing before the first entry";
    l.nextTrack();
    l.nextTrack();
    EXPECT_EQ(l.fileName(), c);
    EXPECT_EQ(l.listPos(), 2);
    l.nextTrack();
    EXPECT_EQ(l.fileName(), c) << "the last entry without loop stays";
    l.toggleLoop();
    l.nextTrack();
    EXPECT_EQ(l.fileName(), a) << "with loop the list wraps";

    // Skipping while playing starts the new song at once and closes the old one.
    l.pause();
    l.nextTrack();
    EXPECT_EQ(l.fileName(), b);
    EXPECT_EQ(l.state(), State::Playing);
    EXPECT_EQ(stateOf(l.handle(l.currentHandleIndex() ^ 1)), 0);

    auto later = l.buildPlaylistMenu(Button::Next);
    ASSERT_TRUE(later);
    ASSERT_EQ(later->actions().size(), 1);
    EXPECT_EQ(later->actions()[0]->text(), QStringLiteral("c.wav"));
    auto earlier = l.buildPlaylistMenu(Button::Previous);
    ASSERT_TRUE(earlier);
    EXPECT_EQ(earlier->actions()[0]->text(), QStringLiteral("a.wav"));
    earlier->actions()[0]->trigger();
    EXPECT_EQ(l.fileName(), a);
    EXPECT_EQ(l.state(), State::Playing);
}

TEST_F(LinesTest, PlaylistEndWithTriggerAtEndStartsTheNextLine) {
    startAudio();
    LineControl& l = line(0);
    line(1).loadFile(wav("next.wav", 5));
    l.loadFile(m3u("list.m3u", {wav("a.wav", 1), wav("b.wav", 1)}));
    ASSERT_TRUE(l.buttonShown(Button::AutoTrigger)) << "this line and the next both hold a file";
    state.options.XFade = 0;
    l.setAutoTrigger(0);
    l.trigger();

    ASSERT_TRUE(playUntil([&] { return l.listPos() == 1; })) << "the list goes on by itself";
    EXPECT_EQ(l.state(), State::Playing);
    EXPECT_EQ(line(1).state(), State::Loaded);
    ASSERT_TRUE(playUntil([&] { return line(1).state() == State::Playing; }));
    EXPECT_EQ(l.state(), State::Loaded) << "this line stops at its last entry";
    EXPECT_EQ(l.autoTrigger(), -1) << "the trigger fires once";
    EXPECT_FALSE(l.buttonOn(Button::AutoTrigger));
    EXPECT_EQ(l.buttonTip(Button::AutoTrigger), QStringLiteral("Auto Trigger Next Line"));
}

TEST_F(LinesTest, EarlyTriggerFiresTheGivenSecondsBeforeTheEnd) {
    startAudio();
    LineControl& l = line(0);
    line(1).loadFile(wav("next.wav", 5));
    l.loadFile(wav("song.wav", 8));
    l.setAutoTrigger(5);
    EXPECT_EQ(l.buttonTip(Button::AutoTrigger), QStringLiteral("Auto Trigger at 5 Seconds"));
    l.trigger();
    ASSERT_TRUE(playUntil([&] { return line(1).state() == State::Playing; }));
    const int32_t remaining = KLV_LOAD_FIELD(l.current().remaining);
    EXPECT_LE(remaining, 500);
    EXPECT_GT(remaining, 450) << "fired within a few blocks of the mark";
    EXPECT_EQ(l.state(), State::Playing) << "this line plays on";
    EXPECT_EQ(l.autoTrigger(), -1);
}

TEST_F(LinesTest, PlaylistCrossfadeStartsTheNextEntryOnTheOtherHandle) {
    startAudio();
    state.options.XFade = 3;
    LineControl& l = line(0);
    const QString a = wav("a.wav", 8), b = wav("b.wav", 8);
    l.loadFile(m3u("list.m3u", {a, b}));
    l.trigger();
    ASSERT_TRUE(playUntil([&] { return l.fileName() == b; }));
    EXPECT_EQ(l.currentHandleIndex(), 1);
    EXPECT_EQ(stateOf(l.handle(0)), 2) << "the old entry plays out";
    EXPECT_EQ(stateOf(l.handle(1)), 2) << "the new entry starts at once";
    const int32_t remaining = KLV_LOAD_FIELD(l.handle(0).remaining);
    EXPECT_LE(remaining, 300);
    EXPECT_GT(remaining, 250);
    ASSERT_TRUE(playUntil([&] { return stateOf(l.handle(0)) == 0; }))
        << "the old handle is closed when its song has ended";
    EXPECT_EQ(l.state(), State::Playing);

    // The last entry has nothing to fade into: it plays to its end on its own handle, where a
    // trigger at the end starts the next line and this line stops with its song loaded.
    line(1).loadFile(wav("next.wav", 5));
    l.setAutoTrigger(0);
    ASSERT_TRUE(playUntil([&] { return line(1).state() == State::Playing; }));
    EXPECT_EQ(l.currentHandleIndex(), 1);
    EXPECT_EQ(l.fileName(), b);
    EXPECT_EQ(l.state(), State::Loaded);
}

TEST_F(LinesTest, TriggerStartsOnlyALoadedOrPausedLineAndSwitchesItOn) {
    LineControl& l = line(0);
    l.trigger();
    EXPECT_EQ(l.state(), State::Empty);
    l.loadFile(wav("song.wav", 3));
    l.toggleMute();
    ASSERT_TRUE(l.muting());
    l.trigger();
    EXPECT_EQ(l.state(), State::Playing);
    EXPECT_FALSE(l.muting()) << "EnsureOn un-mutes a triggered line";
    EXPECT_TRUE(l.punch());
    EXPECT_FLOAT_EQ(l.gain(), 1.0f);
    l.trigger();
    EXPECT_EQ(l.state(), State::Playing) << "a playing line is left alone";
}

TEST_F(LinesTest, UnknownFileLeavesTheLineEmptyWithAMessage) {
    const QString path = QString::fromStdString((testHome() / "notes.txt").string());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not audio");
    f.close();
    LineControl& l = line(0);
    l.loadFile(path);
    EXPECT_EQ(l.state(), State::Empty);
    ASSERT_EQ(desk.messages.size(), 1u);
    EXPECT_EQ(desk.messages[0].first, QStringLiteral("Can't determine file type: ") + path);
    EXPECT_EQ(desk.messages[0].second, 2);
}

} // namespace
} // namespace klv::test
