// The file queues: what is kept between runs, drops from outside and from the queue itself,
// giving an entry up after a drag, and the tab that opens while a file is held over it.

#include "app/browser/file_drag.h"
#include "app/browser/file_queue.h"
#include "app/browser/file_queue_store.h"
#include "app/browser/file_queue_tabs.h"
#include "app/shell/registry_text.h"
#include "tests/app/browser/navigator_test_util.h"
#include "tests/app/support/song_fixtures.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include <memory>

namespace klv::test {
namespace {

using app::FileQueue;

class FileQueues : public ::testing::Test {
protected:
    void SetUp() override {
        app::assignDefaultOptions(state.options);
        for (int i = 1; i <= 6; ++i)
            music.wav(QStringLiteral("song%1.wav").arg(i));
        music.file(QStringLiteral("notes.txt"), "text\n");
    }
    QString song(int i) const { return music.path(QStringLiteral("song%1.wav").arg(i)); }
    // A queue holding songs 1..n in order.
    std::unique_ptr<FileQueue> queueOf(int index, int n) {
        auto queue = std::make_unique<FileQueue>(index, state);
        queue->resize(300, 400);
        for (int i = 1; i <= n; ++i)
            queue->addFile(song(i));
        return queue;
    }
    QStringList songs(std::initializer_list<int> numbers) const {
        QStringList result;
        for (int i : numbers)
            result.append(song(i));
        return result;
    }
    // A drag from the queue itself: entry `from` (1-based) dropped on entry `onto` (0: below
    // every entry).
    static void move(FileQueue& queue, int from, int onto) {
        queue.selectRow(from - 1);
        const QString path = queue.beginDrag();
        queue.dropFile(path, true, onto - 1);
        queue.endDrag(Qt::CopyAction);
    }

    MusicFolder music;
    app::ProgramState state;
};

TEST_F(FileQueues, EntriesShowTheFileNameAndCarryThePath) {
    auto queue = queueOf(0, 1);
    const QTreeWidgetItem* entry = queue->topLevelItem(0);
    EXPECT_EQ(entry->text(0), QStringLiteral("song1.wav"));
    EXPECT_EQ(entry->data(0, Qt::UserRole).toString(), song(1));
    EXPECT_EQ(entry->toolTip(0), song(1));
    EXPECT_EQ(queue->headerItem()->text(0), QStringLiteral("Filename"));
}

TEST_F(FileQueues, SavingFiveThenThreeLeavesNoStaleValues) {
    auto queue = queueOf(1, 5);
    queue->save();
    EXPECT_EQ(app::getRegText("File Queue 2", "Count", ""), "5");
    EXPECT_EQ(app::getRegText("File Queue 2", "File 5", ""), song(5).toStdString());

    auto shorter = queueOf(1, 3);
    shorter->save();
    EXPECT_EQ(app::getRegText("File Queue 2", "Count", ""), "3");
    EXPECT_EQ(app::getRegText("File Queue 2", "File 3", ""), song(3).toStdString());
    for (const char* stale : {"File 4", "File 5"})
        EXPECT_EQ(app::getRegText("File Queue 2", stale, "<none>"), "<none>") << stale;
    // The other queue is untouched.
    EXPECT_EQ(app::getRegText("File Queue 1", "Count", "<none>"), "<none>");

    FileQueue reloaded(1, state);
    reloaded.load();
    EXPECT_EQ(reloaded.paths(), songs({1, 2, 3}));
}

TEST_F(FileQueues, LoadingTakesPathsAsStored) {
    FileQueue empty(0, state);
    empty.load(); // no "Count" at all
    EXPECT_EQ(empty.entryCount(), 0);

    app::setRegText("File Queue 1", "Count", "3");
    app::setRegText("File Queue 1", "File 1", "/gone/away.mp3"); // not tested for existence
    app::setRegText("File Queue 1", "File 3", song(2).toStdString());
    FileQueue queue(0, state);
    queue.load();
    EXPECT_EQ(queue.paths(), (QStringList{QStringLiteral("/gone/away.mp3"), QString(), song(2)}));
}

TEST_F(FileQueues, NoDupesSelectsTheEntryAlreadyThereInsteadOfAdding) {
    state.options.NoDupes1 = 1;
    auto queue = queueOf(0, 4);
    queue->selectRow(0);
    queue->dropFile(song(3), false, 1);
    EXPECT_EQ(queue->paths(), songs({1, 2, 3, 4}));
    EXPECT_EQ(queue->selectedRow(), 2);
    EXPECT_EQ(queue->highlightRow(), -1);

    // The file list's double click makes no such check.
    queue->addFile(song(3));
    EXPECT_EQ(queue->paths(), songs({1, 2, 3, 4, 3}));

    // Without NoDupes the drop goes before the highlighted entry.
    state.options.NoDupes1 = 0;
    queue->dropFile(song(1), false, 1);
    EXPECT_EQ(queue->paths(), songs({1, 1, 2, 3, 4, 3}));
    EXPECT_EQ(queue->selectedRow(), 1);
}

TEST_F(FileQueues, ReorderingKeepsEveryFileOnce) {
    state.options.RemQueue1 = 1;
    struct Case {
        int from;
        int onto;
        QStringList expected;
    };
    const Case cases[] = {
        {5, 2, songs({1, 5, 2, 3, 4, 6})}, // above: before the entry under the pointer
        {2, 5, songs({1, 3, 4, 5, 2, 6})}, // below: after the entry that was fifth
        {3, 3, songs({1, 2, 3, 4, 5, 6})}, // onto itself: nothing
        {1, 0, songs({2, 3, 4, 5, 6, 1})}, // below every entry: to the end
    };
    for (const Case& c : cases) {
        auto queue = queueOf(0, 6);
        move(*queue, c.from, c.onto);
        EXPECT_EQ(queue->paths(), c.expected) << c.from << " onto " << c.onto;
        EXPECT_EQ(queue->dragSource(), 0);
    }
}

TEST_F(FileQueues, RemQueueGivesAnEntryUpOnlyAfterAnAcceptedDrop) {
    struct Case {
        int remQueue;
        Qt::DropAction effect;
        bool removed;
    };
    const Case cases[] = {
        {1, Qt::CopyAction, true},    // a line or the other queue took it
        {1, Qt::IgnoreAction, false}, // the line refused it
        {0, Qt::CopyAction, false},   // the queue keeps its files
    };
    for (const Case& c : cases) {
        state.options.RemQueue1 = c.remQueue;
        auto queue = queueOf(0, 3);
        queue->selectRow(1);
        EXPECT_EQ(queue->beginDrag(), song(2));
        EXPECT_EQ(queue->dragSource(), 2);
        queue->endDrag(c.effect);
        EXPECT_EQ(queue->paths(), c.removed ? songs({1, 3}) : songs({1, 2, 3}))
            << c.remQueue << " " << c.effect;
        EXPECT_EQ(queue->dragSource(), 0);
    }

    FileQueue empty(0, state);
    EXPECT_TRUE(empty.beginDrag().isEmpty());
    EXPECT_EQ(empty.dragSource(), 0);
}

TEST_F(FileQueues, DeleteAndDoubleClickRemoveTheSelectedEntry) {
    auto queue = queueOf(0, 3);
    queue->selectRow(1);
    QTest::keyClick(queue.get(), Qt::Key_Delete);
    EXPECT_EQ(queue->paths(), songs({1, 3}));

    const QPoint onLast = queue->visualItemRect(queue->topLevelItem(1)).center();
    QTest::mouseDClick(queue->viewport(), Qt::LeftButton, Qt::NoModifier, onLast);
    EXPECT_EQ(queue->paths(), songs({1}));

    queue->clearQueue();
    QTest::keyClick(queue.get(), Qt::Key_Delete); // nothing left to remove
    EXPECT_EQ(queue->entryCount(), 0);
}

TEST_F(FileQueues, RemQueueFollowsTheQueuesOwnOption) {
    state.options.RemQueue1 = 1;
    state.options.RemQueue2 = 0;
    auto first = queueOf(0, 2);
    auto second = queueOf(1, 2);
    for (FileQueue* queue : {first.get(), second.get()}) {
        queue->selectRow(0);
        EXPECT_EQ(queue->beginDrag(), song(1));
        queue->endDrag(Qt::CopyAction);
    }
    EXPECT_EQ(first->paths(), songs({2}));
    EXPECT_EQ(second->paths(), songs({1, 2}));
}

// Drag events as another program sends them: no source inside this one.
class OutsideDrops : public FileQueues {
protected:
    static std::unique_ptr<QMimeData> payload(const QStringList& paths) {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls.append(QUrl::fromLocalFile(path));
        data->setUrls(urls);
        return data;
    }
    // The application hands move and drop events only to the widget that took the drag's
    // entry, as during a real drag.
    static void enter(FileQueue& queue, const QMimeData& data, QPoint at) {
        QDragEnterEvent entering(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                                 Qt::NoModifier);
        QApplication::sendEvent(queue.viewport(), &entering);
    }
    static Qt::DropAction dragOver(FileQueue& queue, const QMimeData& data, QPoint at = {5, 5}) {
        enter(queue, data, at);
        QDragMoveEvent over(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                            Qt::NoModifier);
        QApplication::sendEvent(queue.viewport(), &over);
        return over.isAccepted() ? over.dropAction() : Qt::IgnoreAction;
    }
    static Qt::DropAction drop(FileQueue& queue, const QMimeData& data, QPoint at = {5, 5}) {
        enter(queue, data, at);
        QDropEvent dropped(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                           Qt::NoModifier);
        QApplication::sendEvent(queue.viewport(), &dropped);
        return dropped.isAccepted() ? dropped.dropAction() : Qt::IgnoreAction;
    }
};

TEST_F(OutsideDrops, OnlyTheFirstOfSeveralFilesArrives) {
    auto queue = queueOf(0, 0);
    const auto data = payload({song(4), song(5)});
    EXPECT_EQ(dragOver(*queue, *data), Qt::CopyAction);
    EXPECT_EQ(drop(*queue, *data), Qt::CopyAction);
    EXPECT_EQ(queue->paths(), songs({4}));
}

TEST_F(OutsideDrops, UnplayableOrMissingFilesAreRefused) {
    auto queue = queueOf(0, 1);
    const auto text = payload({music.path(QStringLiteral("notes.txt"))});
    EXPECT_EQ(dragOver(*queue, *text), Qt::IgnoreAction);
    const auto missing = payload({music.path(QStringLiteral("gone.wav"))});
    EXPECT_EQ(drop(*queue, *missing), Qt::IgnoreAction);
    QMimeData plain;
    plain.setText(song(2));
    EXPECT_EQ(dragOver(*queue, plain), Qt::IgnoreAction);
    EXPECT_EQ(drop(*queue, plain), Qt::IgnoreAction);
    EXPECT_EQ(queue->paths(), songs({1}));
}

TEST_F(OutsideDrops, SongsDecodedThroughFFmpegAreTaken) {
    auto queue = queueOf(0, 0);
    const QString m4a = copySongFixture("song.m4a", (music.root() + "/Set.M4A").toStdString());
    ASSERT_FALSE(m4a.isEmpty()) << "no song fixture (ffmpeg missing)";
    const auto data = payload({m4a});
    EXPECT_EQ(dragOver(*queue, *data), Qt::CopyAction);
    EXPECT_EQ(drop(*queue, *data), Qt::CopyAction);
    EXPECT_EQ(queue->paths(), QStringList{m4a});
}

TEST_F(OutsideDrops, ADropLandsBeforeTheEntryUnderThePointer) {
    auto queue = queueOf(1, 3);
    const QPoint onSecond = queue->visualItemRect(queue->topLevelItem(1)).center();
    const auto data = payload({song(6)});
    EXPECT_EQ(dragOver(*queue, *data, onSecond), Qt::CopyAction);
    EXPECT_EQ(queue->highlightRow(), 1);
    drop(*queue, *data, onSecond);
    EXPECT_EQ(queue->paths(), songs({1, 6, 2, 3}));
    EXPECT_EQ(queue->highlightRow(), -1);
}

TEST(FileDrag, APayloadCarriesOneFileAsAUri) {
    const std::unique_ptr<QMimeData> data(app::fileDragPayload(QStringLiteral("/m/a b#.mp3")));
    EXPECT_TRUE(data->hasFormat(QStringLiteral("text/uri-list")));
    EXPECT_EQ(data->urls().size(), 1);
    EXPECT_EQ(app::firstDraggedFile(data.get()), QStringLiteral("/m/a b#.mp3"));

    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.org/a.mp3"))});
    EXPECT_TRUE(app::firstDraggedFile(&web).isEmpty());
    EXPECT_TRUE(app::firstDraggedFile(nullptr).isEmpty());
}

TEST(FileQueueTabs, HoldingADragOverATabSelectsItAfterHalfASecond) {
    auto* timer = new app::SteppedTimer;
    app::FileQueueTabs tabs(timer);
    for (const char* caption : {"Requests", "Popular Songs", "Playlist"})
        tabs.addTab(QString::fromUtf8(caption));
    tabs.setCurrentIndex(0);

    tabs.dragOverTab(1);
    tabs.dragOverTab(2); // a new tab restarts the wait
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(tabs.currentIndex(), 0);
    timer->step();
    EXPECT_EQ(tabs.currentIndex(), 2);
    EXPECT_FALSE(timer->isActive());

    tabs.dragOverTab(1);
    tabs.dragOverTab(-1); // left every tab
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(timer->step(), 0);
    EXPECT_EQ(tabs.currentIndex(), 2);

    tabs.dragOverTab(0);
    tabs.dragEnded(); // dropped on the strip
    EXPECT_EQ(timer->step(), 0);
    EXPECT_EQ(tabs.currentIndex(), 2);
}

} // namespace
} // namespace klv::test
