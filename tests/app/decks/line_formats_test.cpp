// Songs of every format on a line: opening each through the Open dialog and by a drop from a
// file manager, and the label naming them from their own tags first.

#include "app/shell/file_kinds.h"
#include "tests/app/decks/line_test_fixture.h"
#include "tests/app/support/song_fixtures.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QMimeData>
#include <QUrl>

#include <cstring>

namespace klv::test {
namespace {

using app::LineControl;
using State = LineControl::State;

class LineFormatsTest : public LinesTest {
protected:
    // A copy of the song fixture in the test's home; empty (with a failure) when there is none.
    static QString song(const char* fixture, const char* name = nullptr) {
        const QString path =
            copySongFixture(fixture, testHome() / "Crate" / (name ? name : fixture));
        if (path.isEmpty())
            ADD_FAILURE() << "no song fixture " << fixture << " (ffmpeg missing at build time)";
        return path;
    }
    static QAction* tagEntry(QMenu& menu) {
        for (QAction* a : menu.actions())
            if (a->text() == QStringLiteral("ID3 Tag..."))
                return a;
        return nullptr;
    }
    // The rows of a line with the default formats: genre, artist, title.
    static void expectFixtureLabel(LineControl& l, const QString& title) {
        EXPECT_TRUE(l.hasTag());
        EXPECT_EQ(l.labelText(0), QStringLiteral("Deep House"));
        EXPECT_EQ(l.labelText(1), QStringLiteral("Fixture Artist"));
        EXPECT_EQ(l.labelText(2), title);
    }
};

TEST_F(LineFormatsTest, EverySongFormatOpensAndIsNamedByItsOwnTag) {
    const struct {
        const char* fixture;
        const char* title;
        int32_t source;
    } cases[] = {
        {"song.flac", "FLAC Title", KLV_SOURCE_CODED},
        {"song.m4a", "AAC Title", KLV_SOURCE_CODED},
        {"alac.m4a", "ALAC Title", KLV_SOURCE_CODED},
        {"song.ogg", "Vorbis Title", KLV_SOURCE_CODED},
        {"song.opus", "Opus Title", KLV_SOURCE_CODED},
        {"song.aiff", "AIFF Title", KLV_SOURCE_CODED},
        {"song24.wav", "WAV24 Title", KLV_SOURCE_CODED},
        {"id3v2only.mp3", "ID3v2 Only Title", KLV_SOURCE_MP3},
    };
    LineControl& l = line(0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture);
        const QString path = song(c.fixture);
        if (path.isEmpty())
            continue;
        l.loadFile(path);
        ASSERT_EQ(l.fileName(), path);
        EXPECT_EQ(l.state(), State::Loaded);
        EXPECT_EQ(KLV_LOAD_FIELD(l.current().isWave), c.source);
        expectFixtureLabel(l, QString::fromLatin1(c.title));
        auto menu = l.buildContextMenu();
        QAction* tag = tagEntry(*menu);
        ASSERT_NE(tag, nullptr);
        EXPECT_TRUE(tag->isEnabled()) << "every song has a tag of its own to edit";
    }
}

TEST_F(LineFormatsTest, AnMp3WithOnlyAnID3v2TagIsNotCalledUntagged) {
    const QString path = song("id3v2only.mp3");
    if (path.isEmpty())
        return;
    Id3Record v1{};
    ASSERT_NE(getid3(path.toUtf8().constData(), &v1), 0) << "the fixture must have no ID3v1";
    LineControl& l = line(0);
    l.loadFile(path);
    ASSERT_EQ(l.fileName(), path);
    expectFixtureLabel(l, QStringLiteral("ID3v2 Only Title"));
    keepScreenshot(l, QStringLiteral("line_id3v2.png"));

    // A title far past ID3v1's 30 bytes is shown whole once the editor has written it.
    const QString title =
        QString::fromUtf8("Ein sehr langer Titel – über dreißig Zeichen, 日本語も");
    LineControl::setTagEditorHook([&title](QWidget*, const QString& edited) {
        KlvTags tags{};
        klvGetTags(edited.toUtf8().constData(), &tags);
        const QByteArray bytes = title.toUtf8();
        std::memcpy(tags.title, bytes.constData(), static_cast<size_t>(bytes.size()) + 1);
        return klvSetTags(edited.toUtf8().constData(), &tags, nullptr) == 0;
    });
    auto menu = l.buildContextMenu();
    tagEntry(*menu)->trigger();
    LineControl::setTagEditorHook({});
    EXPECT_EQ(l.labelText(2), title);
    EXPECT_EQ(l.labelTip(2), title);
}

TEST_F(LineFormatsTest, AFlacDroppedFromAFileManagerOpens) {
    const QString path = song("song.flac", "Dropped.FLAC");
    if (path.isEmpty())
        return;
    LineControl& l = line(1);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    EXPECT_TRUE(l.dropRefusal(&data).isEmpty());
    QDragEnterEvent over(QPoint(40, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&l, &over);
    ASSERT_TRUE(over.isAccepted());
    EXPECT_EQ(over.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(40, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&l, &drop);
    EXPECT_EQ(l.fileName(), path);
    EXPECT_EQ(l.state(), State::Loaded);
    expectFixtureLabel(l, QStringLiteral("FLAC Title"));

    // It plays: the devices get sound from the decoded song.
    startAudio();
    l.pause();
    ASSERT_EQ(l.state(), State::Playing);
    const size_t from = platform::wavetest::played(0).size();
    EXPECT_TRUE(playUntil([from] { return maxLeft(from) > 1000; }, 400));
}

TEST_F(LineFormatsTest, TheOpenDialogOffersEveryFormatInBothCases) {
    const QString path = song("song.ogg", "Loud.OGG");
    if (path.isEmpty())
        return;
    QStringList filters;
    {
        ModalResponder choose([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            filters = dialog->nameFilters();
            dialog->selectFile(path);
            static_cast<QDialog*>(dialog)->accept();
        });
        auto menu = line(0).buildContextMenu();
        for (QAction* a : menu->actions())
            if (a->text() == QStringLiteral("Open File..."))
                a->trigger();
    }
    ASSERT_FALSE(filters.isEmpty());
    EXPECT_EQ(filters.first(), app::lineOpenFilter().section(QStringLiteral(";;"), 0, 0));
    for (const char* extension : {"mp3", "wav", "flac", "m4a", "mp4", "ogg", "oga", "opus", "aif",
                                  "aiff", "aifc", "aac", "alac", "wave", "m3u", "pls", "klv"}) {
        const QString pattern = QStringLiteral("*.") + QString::fromLatin1(extension);
        EXPECT_TRUE(filters.first().contains(pattern + u' ') ||
                    filters.first().contains(pattern + u')'))
            << extension;
        EXPECT_TRUE(filters.first().contains(pattern.toUpper())) << extension;
    }
    EXPECT_EQ(line(0).fileName(), path);
    expectFixtureLabel(line(0), QStringLiteral("Vorbis Title"));
}

} // namespace
} // namespace klv::test
