// The navigator's folders: what the file list shows, going up and through the history, the
// folder kept between runs and the restriction to NavDir.

#include "app/browser/navigator_file_list.h"
#include "app/browser/navigator_paths.h"
#include "app/shell/registry_text.h"
#include "tests/app/browser/navigator_test_util.h"

#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace klv::test {
namespace {

using app::Navigator;

class NavigatorFolders : public ::testing::Test {
protected:
    void SetUp() override {
        music.folder(QStringLiteral("Music/Rock/80s"));
        music.folder(QStringLiteral("Music/Jazz"));
        music.wav(QStringLiteral("Music/intro.wav"));
        music.mp3(QStringLiteral("Music/Rock/anthem.mp3"));
        music.file(QStringLiteral("Music/notes.txt"), "not music\n");
        music.file(QStringLiteral("Music/set.m3u"), "intro.wav\n");
    }
    Navigator& open() {
        Navigator& nav = bench.open();
        return nav;
    }
    QStringList shown() { return bench.navigator->fileList().captions(); }
    QString selectedCaption() {
        const QTreeWidgetItem* entry = bench.navigator->fileList().currentItem();
        return entry != nullptr ? entry->text(0) : QString();
    }
    void mouseButton(Qt::MouseButton button) {
        QWidget* viewport = bench.navigator->fileList().viewport();
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5),
                            viewport->mapToGlobal(QPointF(5, 5)), button, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(viewport, &release);
    }

    MusicFolder music;
    NavigatorBench bench;
};

TEST_F(NavigatorFolders, ListsFoldersWithALeadingSpaceAndOnlyPlayableFiles) {
    Navigator& nav = open();
    nav.loadDir(music.path(QStringLiteral("Music")));

    EXPECT_EQ(shown(), (QStringList{QStringLiteral(" Jazz"), QStringLiteral(" Rock"),
                                    QStringLiteral("intro.wav"), QStringLiteral("set.m3u")}));
    EXPECT_EQ(nav.folderLabel().text(), music.path(QStringLiteral("Music")));
    const QTreeWidgetItem* jazz = nav.fileList().entryWithCaption(QStringLiteral(" Jazz"));
    ASSERT_NE(jazz, nullptr);
    EXPECT_EQ(jazz->data(0, app::NavigatorFileList::kPathRole).toString(),
              music.path(QStringLiteral("Music/Jazz")));
    EXPECT_EQ(jazz->toolTip(0), music.path(QStringLiteral("Music/Jazz")));
    EXPECT_EQ(selectedCaption(), QStringLiteral(" Jazz")); // the first entry
}

TEST_F(NavigatorFolders, LinksAreListedUnderTheirOwnNameWhenTheirTargetPlays) {
    music.link(QStringLiteral("Music/favourite"), QStringLiteral("Music/Rock/anthem.mp3"));
    music.link(QStringLiteral("Music/readme"), QStringLiteral("Music/notes.txt"));
    music.link(QStringLiteral("Music/gone.mp3"), QStringLiteral("Music/missing.mp3"));
    Navigator& nav = open();
    nav.loadDir(music.path(QStringLiteral("Music")));

    // A named pipe would block whoever reads it; the listing never opens it.
    ASSERT_EQ(::mkfifo(music.path(QStringLiteral("Music/pipe.mp3")).toUtf8().constData(), 0600), 0);
    nav.refresh();
    EXPECT_FALSE(shown().contains(QStringLiteral("pipe.mp3")));
    EXPECT_TRUE(shown().contains(QStringLiteral("favourite")));
    EXPECT_FALSE(shown().contains(QStringLiteral("readme")));
    EXPECT_FALSE(shown().contains(QStringLiteral("gone.mp3")));
}

TEST_F(NavigatorFolders, GoingUpSelectsTheFolderThatWasLeft) {
    Navigator& nav = open();
    nav.loadDir(music.path(QStringLiteral("Music/Rock/80s")));
    nav.goUp();
    EXPECT_EQ(nav.currentDir(), music.path(QStringLiteral("Music/Rock")));
    EXPECT_EQ(selectedCaption(), QStringLiteral(" 80s"));

    nav.goUp();
    EXPECT_EQ(nav.currentDir(), music.path(QStringLiteral("Music")));
    EXPECT_EQ(selectedCaption(), QStringLiteral(" Rock"));

    // Two levels at once (back through the history) still select the child on the way.
    nav.loadDir(music.path(QStringLiteral("Music/Rock/80s")));
    nav.loadDir(music.path(QStringLiteral("Music")) + u'/');
    EXPECT_EQ(selectedCaption(), QStringLiteral(" Rock"));
}

TEST_F(NavigatorFolders, MouseBackAndForwardStepThroughTheHistory) {
    Navigator& nav = open();
    const QString a = music.path(QStringLiteral("Music"));
    const QString b = music.path(QStringLiteral("Music/Rock"));
    const QString c = music.path(QStringLiteral("Music/Jazz"));
    nav.loadDir(a);
    nav.loadDir(b);
    nav.loadDir(c);

    mouseButton(Qt::BackButton);
    EXPECT_EQ(nav.currentDir(), b);
    mouseButton(Qt::BackButton);
    mouseButton(Qt::BackButton);
    mouseButton(Qt::BackButton); // stops at the first entry
    EXPECT_EQ(nav.currentDir(), nav.history().folders().first());
    const int size = static_cast<int>(nav.history().folders().size());

    mouseButton(Qt::ForwardButton);
    mouseButton(Qt::ForwardButton);
    mouseButton(Qt::ForwardButton);
    mouseButton(Qt::ForwardButton); // stops at the last
    EXPECT_EQ(nav.currentDir(), c);
    EXPECT_EQ(nav.history().folders().size(), size); // steps never add to the history
}

TEST_F(NavigatorFolders, ALargeFolderListsWhileTheProgramKeepsServingEvents) {
    for (int i = 0; i < 400; ++i)
        music.wav(QStringLiteral("Big/track%1.wav").arg(i, 3, 10, QLatin1Char('0')), 0.01);
    Navigator& nav = open();
    bool served = false;
    bool waitCursor = false;
    bool disabled = false;
    QTimer::singleShot(0, &nav, [&] {
        served = true;
        const QCursor* cursor = QGuiApplication::overrideCursor();
        waitCursor = cursor != nullptr && cursor->shape() == Qt::WaitCursor;
        disabled = !nav.isEnabled();
    });
    nav.loadDir(music.path(QStringLiteral("Big")));

    EXPECT_TRUE(served);
    EXPECT_TRUE(waitCursor);
    EXPECT_TRUE(disabled);
    EXPECT_EQ(shown().size(), 400);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(nav.isEnabled());
}

TEST_F(NavigatorFolders, F5ListsTheFolderAfreshAndADriveOpensItsRoot) {
    Navigator& nav = open();
    nav.loadDir(music.path(QStringLiteral("Music/Jazz")));
    EXPECT_TRUE(shown().isEmpty());
    music.wav(QStringLiteral("Music/Jazz/take5.wav"));
    const qsizetype visits = nav.history().folders().size();
    QTest::keyClick(&nav.fileList(), Qt::Key_F5);
    EXPECT_EQ(shown(), QStringList{QStringLiteral("take5.wav")});
    EXPECT_EQ(nav.history().folders().size(), visits);

    // Choosing the drive the folder is on opens that drive's root.
    const int root = nav.driveBox().findText(QStringLiteral("(/)"), Qt::MatchEndsWith);
    ASSERT_GE(root, 0);
    emit nav.driveBox().activated(root);
    EXPECT_EQ(nav.currentDir(), QStringLiteral("/"));
    EXPECT_EQ(nav.driveBox().currentIndex(), root);
}

TEST_F(NavigatorFolders, TheFolderIsKeptForTheNextOpening) {
    const QString rock = music.path(QStringLiteral("Music/Rock"));
    open().loadDir(rock);
    EXPECT_EQ(app::getRegText("Settings", "Last Dir", ""), rock.toStdString());
    bench.close();

    EXPECT_EQ(open().currentDir(), rock);
}

TEST_F(NavigatorFolders, AFolderThatCannotBeOpenedKeepsTheListAndSaysWhy) {
    Navigator& nav = open();
    nav.loadDir(music.path(QStringLiteral("Music")));
    const QStringList before = shown();
    bench.desk.messages.clear();

    nav.loadDir(music.path(QStringLiteral("Music/Nowhere")));

    EXPECT_EQ(nav.currentDir(), music.path(QStringLiteral("Music")));
    EXPECT_EQ(shown(), before);
    ASSERT_EQ(bench.desk.messages.size(), 1U);
    EXPECT_EQ(bench.desk.messages[0].first,
              QStringLiteral("Can't open folder: ") + music.path(QStringLiteral("Music/Nowhere")));
    EXPECT_EQ(bench.desk.messages[0].second, 2);
}

TEST_F(NavigatorFolders, ARequestOutsideNavDirShowsNavDirWhileLocked) {
    bench.restrictTo(music.path(QStringLiteral("Music")));
    Navigator& nav = open();

    nav.loadDir(QStringLiteral("/"));
    EXPECT_EQ(nav.currentDir(), music.path(QStringLiteral("Music")));
    EXPECT_TRUE(nav.restricted());
    EXPECT_FALSE(nav.upButton().isEnabled());
    EXPECT_FALSE(nav.driveBox().isEnabled());

    nav.loadDir(music.path(QStringLiteral("Music/Rock")));
    EXPECT_TRUE(nav.upButton().isEnabled());
    nav.goUp();
    EXPECT_EQ(nav.currentDir(), music.path(QStringLiteral("Music")));
    EXPECT_FALSE(nav.upButton().isEnabled());

    // Lifting the lock gives the way up back without another folder change.
    bench.state.options.LockEnabled = 0;
    nav.seeIfOK();
    EXPECT_FALSE(nav.restricted());
    EXPECT_TRUE(nav.upButton().isEnabled());
    EXPECT_TRUE(nav.driveBox().isEnabled());
}

TEST_F(NavigatorFolders, ALockOnAMissingNavDirHidesTheFolderShownBefore) {
    Navigator& nav = open();
    nav.loadDir(music.path(QStringLiteral("Music")));
    bench.restrictTo(music.path(QStringLiteral("Gone")));
    nav.seeIfOK();
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_TRUE(nav.currentDir().isEmpty());
    EXPECT_FALSE(nav.upButton().isEnabled());
    nav.loadDir(music.path(QStringLiteral("Music")));
    EXPECT_TRUE(shown().isEmpty());
}

TEST_F(NavigatorFolders, WithLockNavOffOnlyTheRootStopsTheWayUp) {
    bench.restrictTo(music.path(QStringLiteral("Music")), false);
    Navigator& nav = open();
    nav.loadDir(music.path(QStringLiteral("Music")));
    EXPECT_TRUE(nav.upButton().isEnabled());
    nav.loadDir(QStringLiteral("/"));
    EXPECT_EQ(nav.currentDir(), QStringLiteral("/"));
    EXPECT_FALSE(nav.upButton().isEnabled());
}

TEST(NavigatorPaths, RequestsStayInsideTheLockedFolder) {
    struct Case {
        const char* request;
        const char* shown;
    };
    const Case cases[] = {
        {"/srv/Songs", "/srv/Songs"},
        {"/srv/Songs/Pop", "/srv/Songs/Pop"},
        {"/srv/Songs/Pop/", "/srv/Songs/Pop"},
        {"/", "/srv/Songs"},
        {"/srv", "/srv/Songs"},
        {"/srv/SongsOld", "/srv/Songs"},         // a neighbour with the same start
        {"/srv/songs", "/srv/Songs"},            // another folder on a case-sensitive disk
        {"/srv/Songs/../Private", "/srv/Songs"}, // climbing out through the path's own text
    };
    for (const Case& c : cases) {
        EXPECT_EQ(app::keepInside(app::heldFolder(QString::fromUtf8(c.request)),
                                  QStringLiteral("/srv/Songs/")),
                  QString::fromUtf8(c.shown))
            << c.request;
    }
}

TEST(NavigatorPaths, UpRuleAndTheChildLeft) {
    EXPECT_FALSE(app::upAllowed(QStringLiteral("/"), false, QStringLiteral("/")));
    EXPECT_TRUE(app::upAllowed(QStringLiteral("/a"), false, QStringLiteral("/a")));
    EXPECT_FALSE(app::upAllowed(QStringLiteral("/a"), true, QStringLiteral("/a")));
    EXPECT_TRUE(app::upAllowed(QStringLiteral("/a/b"), true, QStringLiteral("/a")));

    EXPECT_EQ(app::childBeingLeft(QStringLiteral("/m/Rock"), QStringLiteral("/m")),
              QStringLiteral("Rock"));
    EXPECT_EQ(app::childBeingLeft(QStringLiteral("/m/Rock/80s"), QStringLiteral("/m")),
              QStringLiteral("Rock"));
    EXPECT_EQ(app::childBeingLeft(QStringLiteral("/home"), QStringLiteral("/")),
              QStringLiteral("home"));
    EXPECT_EQ(app::childBeingLeft(QStringLiteral("/mx/Rock"), QStringLiteral("/m")), QString());
    EXPECT_EQ(app::childBeingLeft(QStringLiteral("/m"), QStringLiteral("/m/Rock")), QString());
}

} // namespace
} // namespace klv::test
