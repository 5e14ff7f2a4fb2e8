// How a line looks in each of its states and with a tagged and an untagged file. The pictures
// are kept for a person to look at (KLV_SCREENSHOT_DIR); the checks pin what the picture shows.

#include "tests/app/line_test_fixture.h"

#include <QFile>
#include <QImage>

#include <cstring>

namespace klv::test {
namespace {

using app::LineControl;
using State = LineControl::State;

TEST_F(LinesTest, FourStatesShowTheirButtons) {
    LineControl& l = line(0);
    struct Step {
        const char* name;
        State state;
        std::vector<int> shown;
        std::vector<int> hidden;
    };
    keepScreenshot(l, QStringLiteral("line_empty.png"));
    EXPECT_EQ(l.state(), State::Empty);
    EXPECT_TRUE(l.buttonShown(2));
    EXPECT_FALSE(l.buttonShown(0));
    EXPECT_FALSE(l.buttonShown(3)) << "cue needs the secondary device";

    l.loadFile(wav("song.wav", 5));
    keepScreenshot(l, QStringLiteral("line_loaded.png"));
    EXPECT_EQ(l.state(), State::Loaded);
    EXPECT_TRUE(l.buttonShown(0));
    EXPECT_FALSE(l.buttonShown(1));

    state.options.NoOpenPlaying = 1;
    l.pause();
    keepScreenshot(l, QStringLiteral("line_playing.png"));
    EXPECT_EQ(l.state(), State::Playing);
    EXPECT_TRUE(l.buttonShown(1));
    EXPECT_TRUE(l.trackerShown());
    EXPECT_FALSE(l.buttonShown(2)) << "no open while playing with NoOpenPlaying";

    l.pause();
    keepScreenshot(l, QStringLiteral("line_paused.png"));
    EXPECT_EQ(l.state(), State::Paused);
    EXPECT_TRUE(l.buttonShown(1));

    state.options.UseSecondary = 1;
    l.updateLayout();
    EXPECT_TRUE(l.buttonShown(3));
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

    LineControl& m = line(1);
    m.loadFile(plain);
    EXPECT_FALSE(m.hasTag());
    EXPECT_EQ(m.labelText(0), QStringLiteral("<No ID3 Tag>"));
    EXPECT_EQ(m.labelText(1), QStringLiteral("Crate"));
    EXPECT_EQ(m.labelText(2), QStringLiteral("plain.mp3"));
    keepScreenshot(m, QStringLiteral("line_untagged.png"));

    // The label's pixels: text drawn on the LCD colour in the rows' band.
    const QImage shot = l.grab().toImage();
    EXPECT_EQ(shot.size(), QSize(90, 348));
    bool text = false;
    for (int x = 2; x < 88 && !text; ++x)
        text = shot.pixelColor(x, 24) != shot.pixelColor(1, 49);
    EXPECT_TRUE(text);
}

} // namespace
} // namespace klv::test
