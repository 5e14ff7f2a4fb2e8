// How a line looks in each of its states and with a tagged and an untagged file. The pictures
// are kept for a person to look at (KLV_SCREENSHOT_DIR); the checks pin what the picture shows.

#include "tests/app/decks/line_test_fixture.h"

#include <QFile>
#include <QImage>
#include <QMenu>
#include <QTest>

#include <cstring>

namespace klv::test {
namespace {

using app::LineControl;
using State = LineControl::State;
using Button = LineControl::Button;

TEST_F(LinesTest, FourStatesShowTheirButtons) {
    LineControl& l = line(0);
    keepScreenshot(l, QStringLiteral("line_empty.png"));
    EXPECT_EQ(l.state(), State::Empty);
    EXPECT_TRUE(l.buttonShown(Button::Open));
    EXPECT_FALSE(l.buttonShown(Button::PlayPause));
    EXPECT_FALSE(l.buttonShown(Button::Cue)) << "cue needs the secondary device";

    l.loadFile(wav("song.wav", 5));
    keepScreenshot(l, QStringLiteral("line_loaded.png"));
    EXPECT_EQ(l.state(), State::Loaded);
    EXPECT_TRUE(l.buttonShown(Button::PlayPause));
    EXPECT_FALSE(l.buttonShown(Button::Stop));

    state.options.NoOpenPlaying = 1;
    l.pause();
    keepScreenshot(l, QStringLiteral("line_playing.png"));
    EXPECT_EQ(l.state(), State::Playing);
    EXPECT_TRUE(l.buttonShown(Button::Stop));
    EXPECT_TRUE(l.trackerShown());
    EXPECT_FALSE(l.buttonShown(Button::Open)) << "no open while playing with NoOpenPlaying";

    l.pause();
    keepScreenshot(l, QStringLiteral("line_paused.png"));
    EXPECT_EQ(l.state(), State::Paused);
    EXPECT_TRUE(l.buttonShown(Button::Stop));

    state.options.UseSecondary = 1;
    l.updateLayout();
    EXPECT_TRUE(l.buttonShown(Button::Cue));
}

TEST_F(LinesTest, TaggedAndUntaggedFilesFillTheLabel) {
    const QString source = fixture("mp3_cbr128.mp3");
    if (!QFile::exists(source))
        GTEST_SKIP() << "the build's MP3 fixtures are missing";
    const QString tagged = QString::fromStdString((testHome() / "Tagged" / "hit.mp3").string());
    const QString plain = QString::fromStdString((testHome() / "Crate" / "plain.mp3").string());
    QDir().mkpath(QFileInfo(tagged).path());
    QDir().mkpath(QFileInfo(plain).path());
    ASSERT_TRUE(QFile::copy(source, tagged));
    ASSERT_TRUE(QFile::copy(source, plain));
    Id3Record tag{};
    std::strcpy(tag.artist, "The Artist");
    std::strcpy(tag.title, "A Title");
    tag.genre = 35;
    ASSERT_EQ(setid3(tagged.toUtf8().constData(), &tag), 0);

    LineControl& l = line(0);
    l.loadFile(tagged);
    ASSERT_TRUE(l.hasTag());
    EXPECT_EQ(l.labelText(0), QStringLiteral("House"));
    EXPECT_EQ(l.labelText(1), QStringLiteral("The Artist"));
    EXPECT_EQ(l.labelText(2), QStringLiteral("A Title"));
    EXPECT_EQ(l.labelTip(1), QStringLiteral("The Artist"));
    keepScreenshot(l, QStringLiteral("line_tagged.png"));

    // "ID3 Tag..." is offered for an MP3; after the editor the tag is read again.
    auto menu = l.buildContextMenu();
    QAction* tagEntry = nullptr;
    for (QAction* a : menu->actions())
        if (a->text() == QStringLiteral("ID3 Tag..."))
            tagEntry = a;
    ASSERT_TRUE(tagEntry && tagEntry->isEnabled());
    LineControl::setTagEditorHook([](QWidget*, const QString& path) {
        Id3Record edited{};
        std::strcpy(edited.artist, "Edited");
        std::strcpy(edited.title, "A Title");
        edited.genre = 8;
        return setid3(path.toUtf8().constData(), &edited) == 0;
    });
    tagEntry->trigger();
    LineControl::setTagEditorHook({});
    EXPECT_EQ(l.labelText(0), QStringLiteral("Jazz"));
    EXPECT_EQ(l.labelText(1), QStringLiteral("Edited"));

    LineControl& m = line(1);
    m.loadFile(plain);
    EXPECT_FALSE(m.hasTag());
    EXPECT_EQ(m.labelText(0), QStringLiteral("<No ID3 Tag>"));
    EXPECT_EQ(m.labelText(1), QStringLiteral("Crate"));
    EXPECT_EQ(m.labelText(2), QStringLiteral("plain.mp3"));
    keepScreenshot(m, QStringLiteral("line_untagged.png"));

    // The label's pixels: text drawn on the LCD colour in the rows' band, at any pixel ratio.
    const QImage shot = l.grab().toImage();
    const qreal dpr = shot.devicePixelRatio();
    EXPECT_EQ(shot.size() / dpr, QSize(90, 348));
    const auto at = [&](int x, int y) { return shot.pixelColor(QPoint(x, y) * dpr); };
    bool text = false;
    for (int x = 2; x < 88 && !text; ++x)
        text = at(x, 24) != at(1, 49);
    EXPECT_TRUE(text);
}

TEST_F(LinesTest, PlaylistLineShowsEveryButton) {
    state.options.UseSecondary = 1;
    LineControl& l = line(0);
    line(1).loadFile(wav("next.wav", 3));
    l.loadFile(m3u("set.m3u", {wav("a.wav", 3), wav("b.wav", 3)}));
    l.toggleCue();
    l.toggleMute();
    l.toggleShuffle();
    l.toggleXFSide(1);
    l.setAutoTrigger(4);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&l, Qt::Key_Up, Qt::ControlModifier);
    l.togglePitchReturn();
    l.setFocus();
    keepScreenshot(l, QStringLiteral("line_every_button.png"));
    for (int i = 0; i < LineControl::kButtonCount; ++i) {
        const auto button = static_cast<Button>(i);
        EXPECT_EQ(l.buttonShown(button), button != Button::Stop) << i;
    }
    for (Button button : {Button::Cue, Button::Mute, Button::Shuffle, Button::XFLeft,
                          Button::PitchReturn, Button::AutoTrigger})
        EXPECT_TRUE(l.buttonOn(button)) << static_cast<int>(button);
    for (Button button : {Button::Loop, Button::XFRight, Button::Punch})
        EXPECT_FALSE(l.buttonOn(button)) << static_cast<int>(button);
    EXPECT_EQ(l.statusText(), QStringLiteral("MUTED"));
    EXPECT_EQ(l.statusTip(), QStringLiteral("Muted (Mute Button Engaged)"));
}

} // namespace
} // namespace klv::test
