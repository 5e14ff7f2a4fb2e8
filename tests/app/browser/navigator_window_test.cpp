// The navigator as a window: opening and closing, the queues' titles and persistence through
// it, adding from the file list to the current tab, the context menus and the file
// information with the pre-listen player.

#include "app/browser/file_queue.h"
#include "app/browser/file_queue_tabs.h"
#include "app/browser/navigator_file_list.h"
#include "app/browser/navigator_prelisten.h"
#include "app/browser/playlist_editor.h"
#include "app/decks/line_control.h"
#include "app/shell/registry_text.h"
#include "app/shell/screen_units.h"
#include "tests/app/browser/navigator_test_util.h"
#include "tests/app/support/app_test_support.h"
#include "tests/app/support/song_fixtures.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QMenu>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace klv::test {
namespace {

using app::Navigator;

class NavigatorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        music.wav(QStringLiteral("a.wav"), 3.0);
        music.wav(QStringLiteral("b.wav"));
        music.mp3(QStringLiteral("c.mp3"));
        music.file(QStringLiteral("list.pls"), "[playlist]\nFile1=a.wav\nNumberOfEntries=1\n");
        music.folder(QStringLiteral("Crates"));
        app::setRegText("Settings", "Last Dir", music.root().toStdString());
    }
    void clickFile(const QString& name) {
        QTreeWidgetItem* entry = bench.navigator->fileList().entryWithCaption(name);
        ASSERT_NE(entry, nullptr) << name.toStdString();
        app::NavigatorFileList& list = bench.navigator->fileList();
        list.setCurrentItem(entry);
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                          list.visualItemRect(entry).center());
    }
    void key(Qt::Key which) {
        app::NavigatorFileList& list = bench.navigator->fileList();
        QTest::keyClick(&list, which);
    }
    static QStringList menuTexts(const QMenu& menu, bool enabledOnly = false) {
        QStringList texts;
        for (const QAction* action : menu.actions()) {
            if (action->isVisible() && (!enabledOnly || action->isEnabled()))
                texts.append(action->text());
        }
        return texts;
    }
    QString panel(int n) { return bench.navigator->preListen().panelText(n); }

    MusicFolder music;
    NavigatorBench bench;
};

TEST_F(NavigatorWindow, OpensOnTheLastFolderWithTheQueueTitlesAndClosesCleanly) {
    app::putOptionText(bench.state.options.QueueName1, sizeof bench.state.options.QueueName1,
                       "  Tonight ");
    Navigator& nav = bench.open();
    EXPECT_EQ(nav.windowTitle(), QStringLiteral("KLV File Navigator"));
    EXPECT_TRUE(bench.state.navigatorOpen);
    EXPECT_EQ(nav.currentDir(), music.root());
    EXPECT_EQ(nav.tabs().tabText(0), QStringLiteral("Tonight"));
    EXPECT_EQ(nav.tabs().tabText(1), QStringLiteral("Popular Songs"));
    EXPECT_EQ(nav.tabs().tabText(2), QStringLiteral("Playlist"));
    EXPECT_EQ(nav.currentTab(), Navigator::kQueueTab1);
    EXPECT_EQ(nav.preListen().handle().index, 63);
    EXPECT_GT(nav.driveBox().count(), 0);
    EXPECT_EQ(nav.minimumSize(), app::kNavigatorMinimumSize);

    nav.queue(0).addFile(music.path(QStringLiteral("a.wav")));
    nav.queue(1).addFile(music.path(QStringLiteral("b.wav")));
    nav.close();
    EXPECT_FALSE(bench.state.navigatorOpen);
    EXPECT_EQ(app::getRegText("File Queue 1", "File 1", ""),
              music.path(QStringLiteral("a.wav")).toStdString());
    bench.close();

    Navigator& again = bench.open();
    EXPECT_EQ(again.queue(0).paths(), QStringList{music.path(QStringLiteral("a.wav"))});
    EXPECT_EQ(again.queue(1).paths(), QStringList{music.path(QStringLiteral("b.wav"))});
}

TEST_F(NavigatorWindow, StandsUnderTheMainWindowWithItsWidth) {
    bench.desk.ownerWidget.setGeometry(40, 30, 900, 200);
    bench.desk.ownerWidget.show();
    Navigator& nav = bench.open();
    nav.updateNavigator();
    const QRect main = bench.desk.ownerWidget.frameGeometry();
    EXPECT_EQ(nav.geometry().left(), main.left());
    EXPECT_EQ(nav.geometry().width(), main.width());
    EXPECT_EQ(nav.geometry().top(), main.bottom() + 1);
    EXPECT_GE(nav.height(), app::kNavigatorMinimumSize.height());
}

TEST_F(NavigatorWindow, EnterOnAFileAddsItToTheQueueOfTheCurrentTab) {
    Navigator& nav = bench.open();
    clickFile(QStringLiteral("b.wav"));
    key(Qt::Key_Return);
    nav.selectTab(Navigator::kQueueTab2);
    key(Qt::Key_Return);
    key(Qt::Key_Return);
    EXPECT_EQ(nav.queue(0).paths(), QStringList{music.path(QStringLiteral("b.wav"))});
    EXPECT_EQ(nav.queue(1).entryCount(), 2); // the file list never checks for duplicates

    // Enter and Right on a folder open it; Left goes back up and selects it.
    nav.fileList().setCurrentItem(nav.fileList().entryWithCaption(QStringLiteral(" Crates")));
    key(Qt::Key_Right);
    EXPECT_EQ(nav.currentDir(), music.path(QStringLiteral("Crates")));
    key(Qt::Key_Left);
    EXPECT_EQ(nav.currentDir(), music.root());
    EXPECT_EQ(nav.fileList().currentItem()->text(0), QStringLiteral(" Crates"));
}

TEST_F(NavigatorWindow, AFileHeldOverAHiddenTabOpensIt) {
    Navigator& nav = bench.open();
    nav.tabs().dragOverTab(Navigator::kQueueTab2);
    bench.tabTimer->step();
    EXPECT_EQ(nav.currentTab(), Navigator::kQueueTab2);
    EXPECT_TRUE(nav.queue(1).isVisibleTo(&nav));
    EXPECT_FALSE(nav.queue(0).isVisibleTo(&nav));

    nav.tabs().dragOverTab(Navigator::kPlaylistTab);
    bench.tabTimer->step();
    EXPECT_EQ(nav.currentTab(), Navigator::kPlaylistTab);
    EXPECT_TRUE(nav.playlistPage().isVisibleTo(&nav));
}

TEST_F(NavigatorWindow, ContextMenusOfferWhatTheirListCanDo) {
    Navigator& nav = bench.open();
    clickFile(QStringLiteral("a.wav"));
    const auto files = nav.buildMenu(-1);
    EXPECT_EQ(menuTexts(*files),
              (QStringList{QStringLiteral("Open in Line"), QStringLiteral("Add to Queue"),
                           QStringLiteral("Remove File"), QStringLiteral("Clear Queue"),
                           QStringLiteral("Refresh")}));
    EXPECT_EQ(menuTexts(*files, true),
              (QStringList{QStringLiteral("Open in Line"), QStringLiteral("Add to Queue"),
                           QStringLiteral("Refresh")}));

    nav.selectTab(Navigator::kPlaylistTab);
    EXPECT_TRUE(menuTexts(*nav.buildMenu(-1)).contains(QStringLiteral("Add to Playlist")));
    nav.fileList().setCurrentItem(nav.fileList().entryWithCaption(QStringLiteral(" Crates")));
    EXPECT_FALSE(menuTexts(*nav.buildMenu(-1), true).contains(QStringLiteral("Add to Playlist")));

    nav.queue(1).addFile(music.path(QStringLiteral("a.wav")));
    nav.queue(1).addFile(music.path(QStringLiteral("b.wav")));
    const auto queue = nav.buildMenu(1);
    EXPECT_EQ(menuTexts(*queue),
              (QStringList{QStringLiteral("Open in Line"), QStringLiteral("Remove File"),
                           QStringLiteral("Clear Queue"), QStringLiteral("Refresh")}));
    EXPECT_FALSE(menuTexts(*queue, true).contains(QStringLiteral("Refresh")));
    for (QAction* action : queue->actions()) {
        if (action->text() == QStringLiteral("Clear Queue"))
            action->trigger();
    }
    EXPECT_EQ(nav.queue(1).entryCount(), 0);
    EXPECT_EQ(nav.queue(0).entryCount(), 0);
}

TEST_F(NavigatorWindow, OpenInLineLoadsTheSelectedFileOnALineThatIsNotPlaying) {
    std::vector<std::unique_ptr<app::LineControl>> lines;
    for (int number = 0; number < 2; ++number) {
        lines.push_back(
            std::make_unique<app::LineControl>(bench.desk, number, nullptr, new app::SteppedTimer));
        bench.desk.lines.push_back(lines.back().get());
    }
    lines[1]->loadFile(music.path(QStringLiteral("b.wav")));
    lines[1]->pause();
    ASSERT_TRUE(lines[1]->areYouPlaying());

    Navigator& nav = bench.open();
    clickFile(QStringLiteral("a.wav"));
    const auto menu = nav.buildMenu(-1);
    QMenu* open = menu->actions().first()->menu();
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(menuTexts(*open), (QStringList{QStringLiteral("Line 1"), QStringLiteral("Line 2")}));
    EXPECT_EQ(menuTexts(*open, true), QStringList{QStringLiteral("Line 1")});
    open->actions().first()->trigger();
    EXPECT_EQ(lines[0]->fileName(), music.path(QStringLiteral("a.wav")));
    EXPECT_EQ(lines[1]->fileName(), music.path(QStringLiteral("b.wav")));

    bench.close();
    bench.desk.lines.clear();
}

TEST_F(NavigatorWindow, EnterOnAFileAddsItToThePlaylistOnThePlaylistTab) {
    ScopedHeadless screen;
    screen.system.boxAnswer = platform::kIdNo;
    Navigator& nav = bench.open();
    nav.selectTab(Navigator::kPlaylistTab);
    clickFile(QStringLiteral("c.mp3"));
    key(Qt::Key_Return);
    auto& editor = static_cast<app::PlaylistEditor&>(nav.playlistPage());
    EXPECT_EQ(editor.entries(), QStringList{music.path(QStringLiteral("c.mp3"))});
    EXPECT_EQ(nav.queue(0).entryCount(), 0);
    EXPECT_EQ(nav.queue(1).entryCount(), 0);

    // Closing offers the unsaved playlist for saving, once when the answer is No.
    nav.close();
    const auto boxes = screen.system.boxes();
    ASSERT_EQ(boxes.size(), 1U);
    EXPECT_EQ(boxes[0].text, "Save Changes to current playlist?");
    EXPECT_FALSE(bench.state.navigatorOpen);
}

TEST_F(NavigatorWindow, InformationPanelsByKindOfFile) {
    Navigator& nav = bench.open();
    clickFile(QStringLiteral("a.wav"));
    EXPECT_EQ(panel(1), QStringLiteral("PCM File"));
    EXPECT_EQ(panel(2), QStringLiteral("1411 kbps")); // 176400 bytes a second / 125
    EXPECT_EQ(panel(3), QStringLiteral("44100 Hz"));
    EXPECT_FALSE(panel(4).isEmpty());
    EXPECT_EQ(panel(7), music.path(QStringLiteral("a.wav")));
    EXPECT_EQ(nav.selectedFile(), music.path(QStringLiteral("a.wav")));
    EXPECT_TRUE(nav.preListen().playButton().isEnabled());

    clickFile(QStringLiteral("list.pls"));
    EXPECT_EQ(panel(1), QStringLiteral("Playlist"));
    for (int n = 2; n <= 6; ++n)
        EXPECT_TRUE(panel(n).isEmpty()) << n;
    EXPECT_EQ(panel(7), music.path(QStringLiteral("list.pls")));
    EXPECT_FALSE(nav.preListen().playButton().isEnabled());
    EXPECT_EQ(nav.selectedFile(), music.path(QStringLiteral("a.wav"))); // still the audio file

    clickFile(QStringLiteral("c.mp3"));
    EXPECT_EQ(panel(1), QStringLiteral("MP3 File"));
    EXPECT_EQ(panel(3), QStringLiteral("44100 Hz"));
}

TEST_F(NavigatorWindow, ListsAndDescribesSongsOfEveryFormat) {
    const struct {
        const char* fixture;
        const char* name; // upper-case extensions too
        const char* format;
    } cases[] = {
        {"song.flac", "d.flac", "FLAC File"}, {"song.flac", "E.FLAC", "FLAC File"},
        {"song.m4a", "f.m4a", "M4A File"},    {"song.ogg", "g.ogg", "Ogg Vorbis File"},
        {"song.opus", "h.opus", "Opus File"}, {"song.aiff", "i.aiff", "AIFF File"},
        {"song24.wav", "j.wav", "WAV File"},
    };
    for (const auto& c : cases)
        ASSERT_FALSE(
            copySongFixture(c.fixture, (music.root() + u'/' + c.name).toStdString()).isEmpty())
            << "no song fixture " << c.fixture << " (ffmpeg missing)";
    Navigator& nav = bench.open();
    const QStringList listed = nav.fileList().captions();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(listed.contains(QString::fromLatin1(c.name)));
        clickFile(QString::fromLatin1(c.name));
        EXPECT_EQ(panel(1), QString::fromLatin1(c.format));
        EXPECT_TRUE(panel(3).endsWith(QStringLiteral(" Hz")));
        EXPECT_FALSE(panel(4).isEmpty());
        EXPECT_EQ(panel(7), music.path(QString::fromLatin1(c.name)));
        EXPECT_TRUE(nav.preListen().playButton().isEnabled());
    }
}

TEST_F(NavigatorWindow, PreListenPlaysStopsAndFollowsThePosition) {
    Navigator& nav = bench.open();
    app::PreListenPlayer& player = nav.preListen();
    clickFile(QStringLiteral("a.wav"));
    LineHandle& handle = player.handle();

    key(Qt::Key_Space); // play
    EXPECT_EQ(KLV_LOAD_FIELD(handle.state), 2);
    EXPECT_EQ(handle.preview, 0); // UseSecondary off: the main mix
    EXPECT_FALSE(player.playButton().isEnabled());
    EXPECT_TRUE(player.stopButton().isEnabled());
    EXPECT_TRUE(player.tracker().isEnabled());
    EXPECT_TRUE(bench.stopTimer->isActive());

    // Selecting the playing file again does not open it afresh.
    clickFile(QStringLiteral("a.wav"));
    EXPECT_EQ(KLV_LOAD_FIELD(handle.state), 2);
    bench.stopTimer->step();
    EXPECT_TRUE(bench.stopTimer->isActive());

    key(Qt::Key_Space); // stop
    EXPECT_NE(KLV_LOAD_FIELD(handle.state), 2);
    EXPECT_TRUE(player.playButton().isEnabled());
    bench.stopTimer->step();
    EXPECT_FALSE(bench.stopTimer->isActive());
    EXPECT_FALSE(player.stopButton().isEnabled());
    EXPECT_FALSE(player.tracker().isEnabled());
    EXPECT_EQ(player.tracker().value(), 0);
}

TEST_F(NavigatorWindow, DraggingTheTrackerMovesThePreListenAndResumesIt) {
    Navigator& nav = bench.open();
    app::PreListenPlayer& player = nav.preListen();
    clickFile(QStringLiteral("a.wav"));
    player.play();
    LineHandle& handle = player.handle();
    QSlider& tracker = player.tracker();

    tracker.setSliderDown(true); // pressed: the song holds still
    EXPECT_EQ(KLV_LOAD_FIELD(handle.paused), 1);
    tracker.setSliderPosition(60); // moved while paused: shown only
    EXPECT_EQ(KLV_LOAD_FIELD(handle.paused), 1);
    tracker.setSliderDown(false); // let go: moved there and playing again
    EXPECT_EQ(KLV_LOAD_FIELD(handle.paused), 0);
    EXPECT_EQ(KLV_LOAD_FIELD(handle.state), 2);
    klvUpdatePos(&handle);
    EXPECT_GE(KLV_LOAD_FIELD(handle.percent), 59);
}

TEST_F(NavigatorWindow, WithUseSecondaryPreListenGoesToTheHeadphones) {
    bench.state.options.UseSecondary = 1;
    Navigator& nav = bench.open();
    clickFile(QStringLiteral("a.wav"));
    nav.preListen().play();
    EXPECT_EQ(nav.preListen().handle().preview, 1);
    nav.preListen().stop();
    EXPECT_EQ(nav.preListen().handle().preview, 0);
}

TEST_F(NavigatorWindow, AFileThatDisappearedEmptiesThePanels) {
    Navigator& nav = bench.open();
    clickFile(QStringLiteral("b.wav"));
    QFile::remove(music.path(QStringLiteral("a.wav")));
    nav.getInfo(music.path(QStringLiteral("a.wav")));
    for (int n = 1; n <= 6; ++n)
        EXPECT_TRUE(panel(n).isEmpty() || panel(n) == QStringLiteral("Unknown")) << n;
    EXPECT_FALSE(nav.preListen().playButton().isEnabled());
}

TEST_F(NavigatorWindow, ScreenshotsOfEachTab) {
    Navigator& nav = bench.open();
    nav.resize(1000, 420);
    nav.queue(0).addFile(music.path(QStringLiteral("a.wav")));
    nav.queue(0).addFile(music.path(QStringLiteral("c.mp3")));
    nav.queue(1).addFile(music.path(QStringLiteral("b.wav")));
    clickFile(QStringLiteral("a.wav"));
    nav.show();
    const char* names[] = {"navigator_queue1.png", "navigator_queue2.png",
                           "navigator_playlist.png"};
    for (int tab = 0; tab < 3; ++tab) {
        nav.selectTab(tab);
        QApplication::processEvents();
        EXPECT_EQ(nav.currentTab(), tab);
        keepScreenshot(nav, QString::fromUtf8(names[tab]));
    }
}

} // namespace
} // namespace klv::test
