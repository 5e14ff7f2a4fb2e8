// What the user does on a line: knobs and their detents, the wheel and double-clicks, the
// crossfader assignment, keys, the tracker, the LCD, menus and drag and drop.

#include "app/decks/line_geometry.h"
#include "tests/app/decks/line_test_fixture.h"

#include <QCursor>
#include <QDropEvent>
#include <QHelpEvent>
#include <QMimeData>
#include <QTest>
#include <QToolTip>
#include <QUrl>

namespace klv::test {
namespace {

using app::LineControl;
using State = LineControl::State;
using Button = LineControl::Button;

void wheel(QWidget& w, QPoint at, int notches) {
    QWheelEvent e(QPointF(at), w.mapToGlobal(QPointF(at)), QPoint(), QPoint(0, 120 * notches),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&w, &e);
}

void drag(QWidget& w, QPoint from, QPoint to) {
    QTest::mousePress(&w, Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), w.mapToGlobal(QPointF(to)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &move);
    QTest::mouseRelease(&w, Qt::LeftButton, {}, to);
}

void key(QWidget& w, int k, Qt::KeyboardModifiers mods = {}) {
    QTest::keyClick(&w, static_cast<Qt::Key>(k), mods);
}

TEST_F(LinesTest, FaderPositionsGiveTheVolumeLaw) {
    struct Case {
        int top;
        float gain;
    };
    for (const Case c : {Case{179, 2.0f}, Case{199, 1.5f}, Case{219, 1.0f}, Case{259, 0.5f},
                         Case{299, 0.0f}, Case{100, 2.0f}, Case{400, 0.0f}}) {
        LineControl& l = line(0);
        l.setVal(c.top - l.faderTop());
        EXPECT_FLOAT_EQ(l.gain(), c.gain) << "fader at " << c.top;
    }
    EXPECT_EQ(line(0).faderTop(), 299) << "held within its range";
}

TEST_F(LinesTest, FaderDragSnapsToUnityOnlyNearIt) {
    LineControl& l = line(0);
    const int x = app::line::kFaderKnobLeft + 10;
    for (const auto& [target, expected] :
         {std::pair{218, 219}, {216, 216}, {220, 219}, {222, 222}, {150, 179}, {330, 299}}) {
        l.setVal(250 - l.faderTop());
        drag(l, QPoint(x, 255), QPoint(x, 255 + target - 250));
        EXPECT_EQ(l.faderTop(), expected) << "dragged to " << target;
    }
}

TEST_F(LinesTest, WheelAndDoubleClickOnTheKnobs) {
    LineControl& l = line(0);
    const QPoint fader(app::line::kFaderKnobLeft + 10, 200);
    wheel(l, fader, -1);
    EXPECT_EQ(l.faderTop(), 222) << "towards the user: 3 pixels down";
    wheel(l, fader, 2);
    EXPECT_EQ(l.faderTop(), 216);
    QTest::mouseDClick(&l, Qt::LeftButton, {}, fader);
    EXPECT_EQ(l.faderTop(), 219) << "a real double-click resets to unity";

    const QPoint pitch(app::line::kPitchKnobLeft + 10, 250);
    wheel(l, pitch, 1);
    EXPECT_EQ(l.pitchTop(), 266);
    wheel(l, pitch, -3);
    EXPECT_EQ(l.pitchTop(), 272);
    QTest::mouseDClick(&l, Qt::LeftButton, {}, pitch);
    EXPECT_EQ(l.pitchTop(), 268);
    EXPECT_EQ(l.pitchValue(), 1000);

    const QPoint pan(60, 157);
    QTest::mouseClick(&l, Qt::LeftButton, {}, pan);
    EXPECT_NE(l.panLeft(), 35) << "a click on the bar moves the knob to it";
    EXPECT_GT(l.panValue(), 0);
    wheel(l, pan, 1);
    const int panned = l.panLeft();
    EXPECT_EQ(l.panLeft(), panned) << "the pan ignores the wheel";
    QTest::mouseDClick(&l, Qt::LeftButton, {}, pan);
    EXPECT_EQ(l.panLeft(), 35);
    EXPECT_EQ(l.panValue(), 0);
}

TEST_F(LinesTest, PitchRangeAndInversion) {
    struct Case {
        int32_t range;
        int32_t invert;
        int top;
        int32_t pitch;
    };
    for (const Case c : {Case{0, 0, 233, 1080}, Case{0, 1, 233, 920}, Case{1, 0, 233, 1160},
                         Case{2, 0, 303, 500}, Case{3, 0, 233, 2000}, Case{3, 1, 233, 0},
                         Case{0, 0, 268, 1000}, Case{0, 0, 250, 1041}}) {
        state.options.PitchRange = c.range;
        state.options.InvertPitch = c.invert;
        LineControl& l = line(0);
        QTest::mouseDClick(&l, Qt::LeftButton, {}, QPoint(60, 250)); // back to zero first
        for (int top = 268; top != c.top; top += c.top < 268 ? -1 : 1)
            key(l, c.top < 268 ? Qt::Key_Up : Qt::Key_Down, Qt::ControlModifier);
        l.updateLayout();
        EXPECT_EQ(l.pitchTop(), c.top);
        EXPECT_EQ(l.pitchValue(), c.pitch) << "range " << c.range << " invert " << c.invert;
        EXPECT_EQ(l.buttonShown(Button::PitchReturn), c.pitch != 1000)
            << "pitch return only off zero";
    }
}

TEST_F(LinesTest, PitchReturnGlidesBackOnePixelPerFiftyTicks) {
    LineControl& l = line(0);
    key(l, Qt::Key_Up, Qt::ControlModifier);
    key(l, Qt::Key_Up, Qt::ControlModifier);
    ASSERT_EQ(l.pitchTop(), 266);
    l.init(1); // starts the display tick
    l.setVal(0);
    key(l, Qt::Key_Up, Qt::ControlModifier);
    key(l, Qt::Key_Up, Qt::ControlModifier);
    const int start = l.pitchTop();
    l.togglePitchReturn();
    ASSERT_TRUE(l.buttonOn(Button::PitchReturn));
    timers[0]->step(49);
    EXPECT_EQ(l.pitchTop(), start);
    timers[0]->step(1);
    EXPECT_EQ(l.pitchTop(), start + 1);
    timers[0]->step(50 * (268 - start));
    EXPECT_EQ(l.pitchTop(), 268);
    EXPECT_FALSE(l.pitchReturn());
    EXPECT_FALSE(l.buttonShown(Button::PitchReturn));
}

TEST_F(LinesTest, EachCrossfaderSideCarriesOneLine) {
    LineControl& a = line(0);
    LineControl& b = line(1);
    a.toggleXFSide(1);
    EXPECT_EQ(a.xfSide(), 1);
    EXPECT_FALSE(a.punch()) << "assigning leaves punch-in";
    EXPECT_EQ(a.xfValue(), 100) << "no crossfader: the centre";
    EXPECT_EQ(a.statusText(), QStringLiteral("X-FADER"));
    EXPECT_EQ(a.statusTip(), QStringLiteral("Line Enabled (Assigned to CrossFader)"));

    b.toggleXFSide(1);
    EXPECT_EQ(b.xfSide(), 1);
    EXPECT_EQ(a.xfSide(), 0);
    EXPECT_EQ(a.xfValue(), 0);
    EXPECT_FLOAT_EQ(a.gain(), 0.0f) << "off the crossfader and not punched in: silent";
    EXPECT_EQ(a.statusText(), QStringLiteral("MUTED"));

    b.toggleXFSide(2);
    EXPECT_EQ(b.xfSide(), 2);
    EXPECT_TRUE(b.buttonOn(Button::XFRight));
    EXPECT_FALSE(b.buttonOn(Button::XFLeft));
    b.setXFValue(25);
    EXPECT_FLOAT_EQ(b.gain(), 0.25f);
    EXPECT_EQ(b.statusColour(), 96u | (159u << 8) | (96u << 16)) << "a half-closed side";

    b.togglePunch();
    EXPECT_EQ(b.xfSide(), 0);
    EXPECT_FLOAT_EQ(b.gain(), 1.0f);
    EXPECT_EQ(b.statusText(), QStringLiteral("PUNCH-IN"));
    EXPECT_EQ(b.statusColour(), 65535u);
}

TEST_F(LinesTest, SpaceMutesAndUnmutes) {
    LineControl& l = line(0);
    ASSERT_TRUE(l.punch());
    key(l, Qt::Key_Space);
    EXPECT_TRUE(l.muting());
    EXPECT_FLOAT_EQ(l.gain(), 0.0f);
    key(l, Qt::Key_Space);
    EXPECT_FALSE(l.muting());
    EXPECT_FLOAT_EQ(l.gain(), 1.0f);
    l.togglePunch(); // neither punched in nor on the crossfader
    key(l, Qt::Key_Space);
    EXPECT_TRUE(l.punch()) << "Space switches a silent line on";
}

TEST_F(LinesTest, TransportKeysFollowTheShownButtons) {
    LineControl& l = line(0);
    l.loadFile(wav("song.wav", 4));
    key(l, Qt::Key_Home);
    EXPECT_EQ(l.state(), State::Loaded) << "Home with the stop button hidden does nothing";
    key(l, Qt::Key_Insert);
    EXPECT_EQ(l.state(), State::Playing);
    key(l, Qt::Key_Home);
    EXPECT_EQ(l.state(), State::Loaded);
    key(l, Qt::Key_Up);
    EXPECT_EQ(l.faderTop(), 215);
    key(l, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(l.faderTop(), 216);
    key(l, Qt::Key_Left);
    key(l, Qt::Key_Right);
    ASSERT_EQ(desk.focusMoves.size(), 2u);
    EXPECT_EQ(desk.focusMoves[0], std::make_pair(0, -1));
    EXPECT_EQ(desk.focusMoves[1], std::make_pair(0, 1));
}

// Every button that acts without a dialog or a menu, pressed where it is drawn, then by its key
// where it has one; each step changes what the button is for. The tip is the one shown there.
TEST_F(LinesTest, EveryButtonActsWhereItIsDrawnAndItsKeyDoesTheSame) {
    state.options.UseSecondary = 1;
    LineControl& l = line(0);
    l.loadFile(m3u("set.m3u", {wav("a.wav", 3), wav("b.wav", 3), wav("c.wav", 3)}));
    // Off zero pitch, the pitch return is shown until the next song resets the pitch.
    key(l, Qt::Key_Up, Qt::ControlModifier);
    const struct {
        QPoint at;
        const char* tip;
        Qt::Key key; // Qt::Key_unknown: none
        std::function<int()> value;
    } cases[] = {
        {QPoint(16, 135), "Cue (through CUE/Headphone Output)", Qt::Key_Delete,
         [&] { return l.current().preview; }},
        {QPoint(66, 214), "Slowly Set Pitch to Zero", Qt::Key_unknown,
         [&] { return l.pitchReturn() ? 1 : 0; }},
        {QPoint(75, 135), "Next Track", Qt::Key_PageDown, [&] { return l.listPos(); }},
        {QPoint(45, 135), "Previous Track", Qt::Key_End, [&] { return l.listPos(); }},
        {QPoint(66, 174), "Loop Current File", Qt::Key_unknown, [&] { return l.current().loop; }},
        {QPoint(66, 184), "Mute This Line (Overrides Punch-In and CrossFader)", Qt::Key_unknown,
         [&] { return l.muting() ? 1 : 0; }},
        {QPoint(9, 337), "Assign to the CrossFader's Left Side", Qt::Key_unknown,
         [&] { return l.xfSide(); }},
        {QPoint(79, 337), "Assign to the CrossFader's Right Side", Qt::Key_unknown,
         [&] { return l.xfSide(); }},
        {QPoint(66, 224), "Punch In (bypass CrossFader)", Qt::Key_unknown,
         [&] { return l.punch() ? 1 : 0; }},
        {QPoint(66, 194), "Choose Randomly from Playlist", Qt::Key_unknown,
         [&] { return l.shuffle() ? 1 : 0; }},
    };
    for (const auto& c : cases) {
        QHelpEvent hover(QEvent::ToolTip, c.at, l.mapToGlobal(c.at));
        QCoreApplication::sendEvent(&l, &hover);
        EXPECT_EQ(QToolTip::text(), QString::fromLatin1(c.tip));
        const int before = c.value();
        QTest::mouseClick(&l, Qt::LeftButton, {}, c.at);
        const int clicked = c.value();
        EXPECT_NE(clicked, before) << c.tip;
        if (c.key != Qt::Key_unknown) {
            key(l, c.key);
            EXPECT_NE(c.value(), clicked) << c.tip;
        }
    }
    EXPECT_EQ(l.state(), State::Loaded) << "none of them plays";

    // The context menu's Controls are the six transport buttons, offered while shown.
    auto menu = l.buildContextMenu();
    QMenu* controls = nullptr;
    for (QAction* a : menu->actions())
        if (a->text() == QStringLiteral("Controls"))
            controls = a->menu();
    ASSERT_NE(controls, nullptr);
    QStringList entries;
    for (QAction* a : controls->actions())
        entries << a->text() + (a->isEnabled() ? QString() : QStringLiteral(" (off)"));
    EXPECT_EQ(entries, QStringList({"Play/Pause", "Stop (off)", "Open File...", "Cue",
                                    "Previous Track", "Next Track"}));
    controls->actions()[0]->trigger();
    EXPECT_EQ(l.state(), State::Playing);
}

TEST_F(LinesTest, TrackerClickMovesFivePixelsAndTheLcdTogglesTheTimeMode) {
    startAudio();
    LineControl& l = line(0);
    l.loadFile(wav("song.wav", 10));
    l.trigger();
    block();
    const int before = l.trackerLeft();
    QTest::mouseClick(&l, Qt::LeftButton, {}, QPoint(86, 94));
    EXPECT_EQ(l.trackerLeft(), before + 5);
    EXPECT_EQ(l.state(), State::Playing) << "playback goes on from there";
    block();
    // The position comes back as a whole percent, so the knob may settle a pixel short.
    EXPECT_NEAR(l.trackerLeft(), before + 5, 1) << "about 6 % of the song, not the click's place";
    EXPECT_NEAR(KLV_LOAD_FIELD(l.current().percent), 6, 1);

    ASSERT_EQ(desk.remain, 1);
    QTest::mouseDClick(&l, Qt::LeftButton, {}, QPoint(40, 70));
    EXPECT_EQ(desk.remain, 0);
    QTest::mouseDClick(&l, Qt::LeftButton, {}, QPoint(40, 70));
    EXPECT_EQ(desk.remain, 1);
}

TEST_F(LinesTest, ContextMenuOffersWhatTheStateAllows) {
    LineControl& l = line(0);
    auto entry = [](QMenu& m, const QString& text) -> QAction* {
        for (QAction* a : m.actions())
            if (a->text() == text)
                return a;
        return nullptr;
    };
    auto empty = l.buildContextMenu();
    ASSERT_TRUE(entry(*empty, QStringLiteral("Clear File")));
    EXPECT_FALSE(entry(*empty, QStringLiteral("Clear File"))->isEnabled());
    EXPECT_FALSE(entry(*empty, QStringLiteral("ID3 Tag..."))->isEnabled());
    EXPECT_FALSE(entry(*empty, QStringLiteral("Auto Trigger"))->isEnabled());
    EXPECT_EQ(empty->defaultAction()->text(), QStringLiteral("Equalizer"));

    l.loadFile(wav("song.wav", 4));
    line(1).loadFile(wav("next.wav", 4));
    auto loaded = l.buildContextMenu();
    EXPECT_TRUE(entry(*loaded, QStringLiteral("Clear File"))->isEnabled());
    EXPECT_TRUE(entry(*loaded, QStringLiteral("ID3 Tag..."))->isEnabled()) << "WAV: ID3 chunk";
    QAction* trigger = entry(*loaded, QStringLiteral("Auto Trigger"));
    ASSERT_TRUE(trigger && trigger->isEnabled());
    QMenu* triggers = trigger->menu();
    ASSERT_EQ(triggers->actions().size(), 13);
    EXPECT_TRUE(triggers->actions()[0]->isChecked());
    triggers->actions()[4]->trigger(); // "&3 Seconds"
    EXPECT_EQ(l.autoTrigger(), 3);

    // The custom entry shows a long time as minutes and seconds.
    app::LineControl::setTriggerTimeHook([](QWidget*, int32_t& seconds) {
        seconds = 187;
        return true;
    });
    l.buildAutoTriggerMenu()->actions().back()->trigger();
    app::LineControl::setTriggerTimeHook({});
    EXPECT_EQ(l.autoTrigger(), 187);
    EXPECT_EQ(l.buildAutoTriggerMenu()->actions().back()->text(),
              QStringLiteral("Custom (3:07)..."));

    entry(*l.buildContextMenu(), QStringLiteral("Clear File"))->trigger();
    EXPECT_EQ(l.state(), State::Empty);
    EXPECT_TRUE(l.labelText(0).isEmpty());
}

TEST_F(LinesTest, DraggingAStoppedSongToAnotherLineMovesIt) {
    LineControl& from = line(0);
    LineControl& to = line(1);
    const QString song = wav("song.wav", 3);
    from.loadFile(song);
    std::unique_ptr<QMimeData> payload = from.dragPayload();
    ASSERT_TRUE(payload);

    QDragEnterEvent enter(QPoint(40, 200), Qt::CopyAction | Qt::MoveAction, payload.get(),
                          Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&to, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(40, 200), Qt::CopyAction | Qt::MoveAction, payload.get(),
                    Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&to, &drop);
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    from.fileDragEnded(drop.dropAction());

    EXPECT_EQ(to.fileName(), song);
    EXPECT_EQ(to.state(), State::Loaded);
    EXPECT_EQ(from.state(), State::Empty);
    EXPECT_TRUE(from.fileName().isEmpty());
}

TEST_F(LinesTest, DropsThatAreRefused) {
    LineControl& l = line(0);
    const QString text = QString::fromStdString((testHome() / "readme.txt").string());
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("hello");
    f.close();
    QMimeData unsupported;
    unsupported.setUrls({QUrl::fromLocalFile(text)});
    EXPECT_FALSE(l.dropRefusal(&unsupported).isEmpty());
    const QString reason = QStringLiteral("Not an audio file or playlist: readme.txt");
    {
        // Refused while dragged over: the moves are turned down.
        QDragEnterEvent enter(QPoint(40, 200), Qt::CopyAction, &unsupported, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(&l, &enter);
        QDragMoveEvent move(QPoint(40, 210), Qt::CopyAction, &unsupported, Qt::LeftButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(&l, &move);
        EXPECT_FALSE(move.isAccepted());
        EXPECT_TRUE(desk.messages.empty()) << "nothing said while only dragging";
        // Let go over the line: the reason reaches the status bar as a notice.
        QDropEvent drop(QPointF(40, 210), Qt::CopyAction, &unsupported, Qt::NoButton,
                        Qt::NoModifier);
        QCoreApplication::sendEvent(&l, &drop);
        EXPECT_FALSE(drop.isAccepted());
        ASSERT_EQ(desk.messages.size(), 1u);
        EXPECT_EQ(desk.messages[0].first, reason);
        EXPECT_EQ(desk.messages[0].second, 0);
        EXPECT_EQ(l.state(), State::Empty);
    }
    {
        // A source that ends the refused drag itself sends only a leave.
        QDragEnterEvent enter(QPoint(40, 200), Qt::CopyAction, &unsupported, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(&l, &enter);
        QCursor::setPos(l.mapToGlobal(QPoint(40, 200)));
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(&l, &leave);
        ASSERT_EQ(desk.messages.size(), 2u);
        EXPECT_EQ(desk.messages[1].first, reason);
    }

    // A playing line takes no drop while NoDropPlaying is set.
    QMimeData song;
    song.setUrls({QUrl::fromLocalFile(wav("song.wav", 3))});
    l.loadFile(wav("playing.wav", 3));
    l.pause();
    state.options.NoDropPlaying = 1;
    EXPECT_FALSE(l.dropRefusal(&song).isEmpty());
    state.options.NoDropPlaying = 0;
    EXPECT_TRUE(l.dropRefusal(&song).isEmpty());

    // A link is judged and loaded by its target.
    const QString link = QString::fromStdString((testHome() / "link.wav").string());
    ASSERT_TRUE(QFile::link(wav("target.wav", 3), link));
    QMimeData linked;
    linked.setUrls({QUrl::fromLocalFile(link)});
    LineControl& other = line(1);
    QDragEnterEvent over(QPoint(40, 200), Qt::CopyAction, &linked, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&other, &over);
    ASSERT_TRUE(over.isAccepted());
    QDropEvent drop(QPointF(40, 200), Qt::CopyAction, &linked, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&other, &drop);
    EXPECT_TRUE(other.fileName().endsWith(QStringLiteral("target.wav")));
}

TEST_F(LinesTest, StateSurvivesCleanUpAndInit) {
    state.options.Reopen = 2;
    state.options.ResetPitch = 0;
    {
        LineControl& l = line(1);
        l.loadFile(wav("kept.wav", 3));
        l.setVal(-20);
        key(l, Qt::Key_Up, Qt::ControlModifier);
        l.toggleMute();
        l.toggleLoop();
        l.toggleXFSide(2);
        l.cleanUp();
    }
    desk.lines.clear();
    lines.clear();
    timers.clear();
    for (int i = 0; i < 3; ++i)
        addLine();
    LineControl& l = line(1);
    l.init(0);
    EXPECT_EQ(l.faderTop(), 199);
    EXPECT_EQ(l.pitchTop(), 267);
    EXPECT_TRUE(l.muting());
    EXPECT_EQ(l.current().loop, 1);
    EXPECT_EQ(l.handle(1).loop, 0) << "stored flags go to the current handle only";
    EXPECT_EQ(l.xfSide(), 2);
    EXPECT_TRUE(l.buttonOn(Button::XFRight));
    EXPECT_TRUE(l.fileName().endsWith(QStringLiteral("kept.wav")));
    EXPECT_EQ(l.state(), State::Loaded);

    l.cleanUp();
    desk.lines.clear();
    lines.clear();
    timers.clear();
    for (int i = 0; i < 3; ++i)
        addLine();
    line(1).init(1);
    EXPECT_TRUE(line(1).fileName().isEmpty()) << "NoLoadFiles forgets the file";
    line(1).cleanUp();
    line(1).init(0);
    EXPECT_TRUE(line(1).fileName().isEmpty()) << "for good";
}

TEST_F(LinesTest, StoredPlaylistReopensAtTheSavedEntry) {
    state.options.Reopen = 2;
    const QString a = wav("a.wav", 2), b = wav("b.wav", 2), c = wav("c.wav", 2);
    const QString list = m3u("set.m3u", {a, b, c});
    line(0).loadFile(list);
    line(0).nextTrack();
    line(0).nextTrack();
    ASSERT_EQ(line(0).fileName(), c);
    line(0).cleanUp();
    desk.lines.clear();
    lines.clear();
    timers.clear();
    for (int i = 0; i < 3; ++i)
        addLine();
    line(0).init(0);
    EXPECT_EQ(line(0).playlist(), list);
    EXPECT_EQ(line(0).listPos(), 2);
    EXPECT_EQ(line(0).fileName(), c);
    EXPECT_EQ(line(0).state(), State::Loaded);
}

} // namespace
} // namespace klv::test
