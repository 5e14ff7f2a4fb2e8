#include "app/browser/file_drag.h"
#include "app/browser/playlist_editor.h"
#include "app/shell/qt_window_system.h"
#include "tests/app/support/app_test_support.h"
#include "tests/app/support/song_fixtures.h"
#include "tests/app/support/test_desk.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

QT_BEGIN_NAMESPACE
// Readable paths in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{' << list.join(QStringLiteral(", ")).toStdString() << '}';
}
QT_END_NAMESPACE

namespace klv::app {
namespace {

namespace fs = std::filesystem;

// A short silent 16-bit stereo WAV file: enough for the engine to know it as audio.
void writeWav(const fs::path& path) {
    const uint32_t frames = 4410;
    const uint32_t dataBytes = frames * 4;
    std::ofstream out(path, std::ios::binary);
    const auto u32 = [&out](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&out](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(44100);
    u32(44100 * 4);
    u16(4);
    u16(16);
    out.write("data", 4);
    u32(dataBytes);
    out << std::string(dataBytes, '\0');
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Plays the user's part in a row of modal windows (boxes, file dialogs): each new one that comes
// up gets the next step, which must close it.
class ModalScript {
public:
    using Step = std::function<void(QWidget*)>;

    explicit ModalScript(std::vector<Step> steps) : m_steps(std::move(steps)) {
        m_poll.setInterval(5);
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || !modal->isVisible() || modal == m_last.data())
                return;
            m_last = modal;
            ++m_seen;
            if (m_next >= m_steps.size()) {
                modal->close(); // not in the script: counted, then sent away
                return;
            }
            m_steps[m_next++](modal);
        });
        m_poll.start();
    }
    // Modal windows that came up, scripted or not.
    int seen() const { return m_seen; }

private:
    std::vector<Step> m_steps;
    size_t m_next = 0;
    int m_seen = 0;
    QPointer<QWidget> m_last;
    QTimer m_poll;
};

ModalScript::Step press(QMessageBox::StandardButton button, QString* text = nullptr) {
    return [button, text](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        if (text != nullptr)
            *text = box->text();
        ASSERT_NE(box->button(button), nullptr);
        box->button(button)->click();
    };
}

// Chooses files in a file dialog: one path, or several names of one folder.
ModalScript::Step choose(const QStringList& paths) {
    return [paths](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        if (paths.size() == 1) {
            dialog->selectFile(paths.first());
        } else {
            dialog->setDirectory(QFileInfo(paths.first()).path());
            QStringList quoted;
            for (const QString& p : paths)
                quoted << '"' + QFileInfo(p).fileName() + '"';
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(quoted.join(' '));
        }
        static_cast<QDialog*>(dialog)->accept(); // public on QDialog, runs the file dialog's own
    };
}

class PlaylistEditorTest : public ::testing::Test {
protected:
    PlaylistEditorTest() {
        for (const char* name : {"a.wav", "b.wav", "c.wav", "d.wav", "e.wav"}) {
            writeWav(dir.path() / name);
            songs << file(name);
        }
        std::ofstream(dir.path() / "notes.txt") << "not audio\n";
        editor = std::make_unique<PlaylistEditor>(desk);
        editor->resize(640, 400);
        editor->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
    }

    QString file(const std::string& name) const {
        return QString::fromStdString((dir.path() / name).string());
    }
    void addAll(const QStringList& paths) {
        for (const QString& p : paths)
            editor->addFromFileList(p);
    }
    QString writeList(const std::string& name, const QStringList& paths) {
        std::ofstream out(dir.path() / name, std::ios::binary);
        for (const QString& p : paths)
            out << p.toStdString() << "\r\n";
        return file(name);
    }

    QWidget* viewport() const { return editor->list()->viewport(); }
    // A point on entry row, or below the last entry for row -1.
    QPoint pointAt(int row) const {
        if (row < 0)
            return {10, viewport()->height() - 4};
        return editor->list()->visualItemRect(editor->list()->item(row)).center();
    }
    // Brings a payload over the list at row (a drag that enters there, as the window system
    // delivers it) and returns the effect the list answers.
    Qt::DropAction dragOver(const QMimeData* payload, int row) {
        QDragEnterEvent enter(pointAt(row), Qt::CopyAction | Qt::MoveAction, payload,
                              Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport(), &enter);
        QDragMoveEvent move(pointAt(row), Qt::CopyAction | Qt::MoveAction, payload, Qt::LeftButton,
                            Qt::NoModifier);
        QApplication::sendEvent(viewport(), &move);
        return move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
    }
    // Drags the payload to row and lets it go there.
    void dropAt(const QMimeData* payload, int row) {
        dragOver(payload, row);
        QDropEvent drop(pointAt(row), Qt::CopyAction | Qt::MoveAction, payload, Qt::LeftButton,
                        Qt::NoModifier);
        QApplication::sendEvent(viewport(), &drop);
        QApplication::processEvents(); // a dropped playlist is asked about after the drop
    }
    // Drags entry from (0-based) onto entry to (-1: below the entries) as the list's own drag.
    Qt::DropAction moveEntry(int from, int to) {
        std::unique_ptr<QMimeData> payload(editor->beginDrag(from));
        EXPECT_NE(payload, nullptr);
        if (payload == nullptr)
            return Qt::IgnoreAction;
        EXPECT_EQ(payload->urls(), QList<QUrl>{QUrl::fromLocalFile(editor->entries()[from])});
        EXPECT_EQ(editor->dragSource(), from + 1);
        const Qt::DropAction effect = dragOver(payload.get(), to);
        dropAt(payload.get(), to);
        editor->endDrag();
        return effect;
    }
    std::vector<platform::HeadlessWindowSystem::Box> boxes() { return headless.system.boxes(); }

    test::ScopedHeadless headless;
    test::TempDir dir;
    ProgramState state;
    test::TestDesk desk{state};
    QStringList songs;
    std::unique_ptr<PlaylistEditor> editor;
};

TEST_F(PlaylistEditorTest, ButtonsFollowTheListAndTheChangedFlag) {
    const struct {
        QPushButton* button;
        const char* tooltip;
    } buttons[] = {
        {editor->newButton(), "New Playlist"},
        {editor->openButton(), "Open Playlist"},
        {editor->saveButton(), "Save Playlist"},
        {editor->saveAsButton(), "Save Playlist As..."},
        {editor->sortButton(), "Sort Alphabetically"},
        {editor->randomizeButton(), "Randomize Playlist"},
    };
    for (const auto& b : buttons)
        EXPECT_EQ(b.button->toolTip(), b.tooltip);
    ASSERT_GE(editor->playlist(), 0);
    EXPECT_FALSE(editor->saveButton()->isEnabled());
    EXPECT_FALSE(editor->sortButton()->isEnabled());
    EXPECT_FALSE(editor->randomizeButton()->isEnabled());

    QSignalSpy selected(editor.get(), &PlaylistEditor::entrySelected);
    editor->addFromFileList(songs[0]);
    editor->addFromFileList(songs[1]);
    EXPECT_EQ(editor->entries(), (QStringList{songs[0], songs[1]}));
    EXPECT_EQ(editor->list()->currentRow(), 1);
    EXPECT_EQ(editor->list()->item(1)->toolTip(), songs[1]);
    EXPECT_EQ(editor->list()->item(1)->text(), songs[1]);
    ASSERT_FALSE(selected.isEmpty());
    EXPECT_EQ(selected.last().first().toString(), songs[1]);
    EXPECT_EQ(klvGetPlaylistCount(editor->playlist()), 2);
    EXPECT_TRUE(editor->changed());
    EXPECT_TRUE(editor->saveButton()->isEnabled());
    EXPECT_TRUE(editor->sortButton()->isEnabled());
    EXPECT_TRUE(editor->randomizeButton()->isEnabled());
}

TEST_F(PlaylistEditorTest, RemovingTheLastEntryMarksOnlyASavedListChanged) {
    const struct {
        bool fromFile;
        bool changedAfter;
    } cases[] = {{false, false}, {true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fromFile);
        if (c.fromFile)
            editor->openPlaylist(writeList("one.m3u", {songs[2]}));
        else
            editor->addFromFileList(songs[2]);
        ASSERT_EQ(editor->entries(), QStringList{songs[2]});
        editor->list()->setCurrentRow(0);
        editor->removeSelected();
        EXPECT_TRUE(editor->entries().isEmpty());
        EXPECT_EQ(klvGetPlaylistCount(editor->playlist()), 0);
        EXPECT_EQ(editor->changed(), c.changedAfter);
        EXPECT_EQ(editor->saveButton()->isEnabled(), c.changedAfter);
        EXPECT_FALSE(editor->sortButton()->isEnabled());
        editor->removeSelected(); // nothing left: nothing happens
        EXPECT_EQ(editor->changed(), c.changedAfter);
    }
}

TEST_F(PlaylistEditorTest, RemovingByKeyAndDoubleClickAndRefreshingByF5) {
    addAll({songs[0], songs[1], songs[2]});
    editor->list()->setCurrentRow(1);
    editor->list()->setFocus();
    QTest::keyClick(editor->list(), Qt::Key_Delete);
    EXPECT_EQ(editor->entries(), (QStringList{songs[0], songs[2]}));

    const QRect first = editor->list()->visualItemRect(editor->list()->item(0));
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, first.center());
    QTest::mouseDClick(viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_EQ(editor->entries(), QStringList{songs[2]});

    klvAddPlaylistFile(editor->playlist(), 0, songs[4].toUtf8().constData());
    EXPECT_EQ(editor->entries(), QStringList{songs[2]});
    QTest::keyClick(editor->list(), Qt::Key_F5);
    EXPECT_EQ(editor->entries(), (QStringList{songs[4], songs[2]}));

    QSignalSpy toggled(editor.get(), &PlaylistEditor::prelistenToggled);
    QTest::keyClick(editor->list(), Qt::Key_Space);
    EXPECT_EQ(toggled.count(), 1);
}

TEST_F(PlaylistEditorTest, SortAlternatesAndRandomizeStartsAgainAscending) {
    const QString upper = file("B.wav");
    writeWav(upper.toStdString());
    addAll({songs[2], upper, songs[0]});
    const QStringList ascending{songs[0], upper, songs[2]};
    const QStringList descending{songs[2], upper, songs[0]};

    editor->sortButton()->click();
    EXPECT_EQ(editor->entries(), ascending);
    editor->sortButton()->click();
    EXPECT_EQ(editor->entries(), descending);
    editor->randomizeButton()->click();
    EXPECT_EQ(editor->entries().size(), 3);
    editor->sortButton()->click();
    EXPECT_EQ(editor->entries(), ascending);
    EXPECT_TRUE(editor->changed());
}

TEST_F(PlaylistEditorTest, DraggingAnEntryInsideTheList) {
    EXPECT_EQ(editor->beginDrag(0), nullptr); // an empty list has nothing to drag
    EXPECT_EQ(editor->dragSource(), 0);
    const QStringList& s = songs; // a b c d e
    const struct {
        int from, onto; // 0-based; onto -1: below the entries
        QStringList after;
    } cases[] = {
        {4, 1, {s[0], s[4], s[1], s[2], s[3]}},  // fifth onto second: before it
        {1, 4, {s[0], s[2], s[3], s[4], s[1]}},  // second onto fifth: after it
        {1, 3, {s[0], s[2], s[3], s[1], s[4]}},  // second onto fourth: after it
        {2, -1, {s[0], s[1], s[3], s[4], s[2]}}, // onto no entry: to the end
        {2, 2, {s[0], s[1], s[2], s[3], s[4]}},  // onto itself: nothing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " onto " << c.onto);
        headless.system.boxAnswer = platform::kIdNo; // New: drop the last round's changes
        editor->newPlaylist();
        addAll(songs);
        EXPECT_EQ(moveEntry(c.from, c.onto), Qt::MoveAction);
        EXPECT_EQ(editor->entries(), c.after);
        EXPECT_EQ(editor->dragSource(), 0);
        EXPECT_EQ(editor->highlightedRow(), -1);
        EXPECT_EQ(klvGetPlaylistCount(editor->playlist()), 5);
    }
}

TEST_F(PlaylistEditorTest, DroppingFilesFromOutside) {
    const struct {
        const char* name;
        int onto;
        Qt::DropAction effect;
        int insertedAt; // -1: nothing added
    } cases[] = {
        {"e.wav", 1, Qt::CopyAction, 1},        // before the entry under the pointer
        {"d.wav", -1, Qt::CopyAction, 3},       // below the entries: appended
        {"notes.txt", 0, Qt::IgnoreAction, -1}, // not playable
        {"gone.wav", 0, Qt::IgnoreAction, -1},  // missing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        editor->openPlaylist(writeList("three.m3u", {songs[0], songs[1], songs[2]}));
        ASSERT_FALSE(editor->changed());
        std::unique_ptr<QMimeData> payload(fileDragPayload(file(c.name)));
        EXPECT_EQ(dragOver(payload.get(), c.onto), c.effect);
        EXPECT_EQ(editor->highlightedRow(), c.effect == Qt::IgnoreAction ? -1 : c.onto);
        dropAt(payload.get(), c.onto);
        EXPECT_EQ(editor->highlightedRow(), -1);
        QStringList expected{songs[0], songs[1], songs[2]};
        if (c.insertedAt >= 0)
            expected.insert(c.insertedAt, file(c.name));
        EXPECT_EQ(editor->entries(), expected);
        EXPECT_EQ(editor->changed(), c.insertedAt >= 0);
    }

    // Into an empty list.
    headless.system.boxAnswer = platform::kIdNo;
    editor->newPlaylist();
    std::unique_ptr<QMimeData> payload(fileDragPayload(songs[3]));
    dropAt(payload.get(), -1);
    EXPECT_EQ(editor->entries(), QStringList{songs[3]});
}

TEST_F(PlaylistEditorTest, SongsOfEveryFormatAreDroppedAndOfferedByTheAddDialog) {
    const QString flac = test::copySongFixture("song.flac", dir.path() / "Track.FLAC");
    const QString opus = test::copySongFixture("song.opus", dir.path() / "track.opus");
    ASSERT_FALSE(flac.isEmpty() || opus.isEmpty()) << "no song fixtures (ffmpeg missing)";
    editor->openPlaylist(writeList("two.m3u", {songs[0], songs[1]}));
    for (const QString& path : {flac, opus}) {
        std::unique_ptr<QMimeData> payload(fileDragPayload(path));
        EXPECT_EQ(dragOver(payload.get(), -1), Qt::CopyAction) << path.toStdString();
        dropAt(payload.get(), -1);
    }
    EXPECT_EQ(editor->entries(), (QStringList{songs[0], songs[1], flac, opus}));

    QStringList filters;
    {
        ModalScript script({[&filters](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            filters = dialog->nameFilters();
            dialog->reject();
        }});
        editor->addButton()->click();
    }
    ASSERT_EQ(filters.size(), 2);
    for (const char* pattern : {"*.mp3", "*.WAV", "*.flac", "*.FLAC", "*.m4a", "*.M4A", "*.ogg",
                                "*.OGA", "*.opus", "*.OPUS", "*.aiff", "*.AIFC", "*.MP4"})
        EXPECT_TRUE(filters[0].contains(QLatin1String(pattern))) << pattern;
    EXPECT_FALSE(filters[0].contains(QLatin1String("*.m3u"))) << "songs only";
}

TEST_F(PlaylistEditorTest, ADroppedPlaylistIsAddedOrOpenedAsAnswered) {
    const QString dropped = writeList("dropped.m3u", {songs[3], songs[4]});
    const struct {
        int answer;
        QStringList after;
        bool changed;
        QString playlistFile;
    } cases[] = {
        {platform::kIdYes, {songs[0], songs[3], songs[4]}, true, QString()},
        {platform::kIdCancel, {songs[0]}, true, QString()},
        // No: the save question comes first (answered No as well), then the file opens.
        {platform::kIdNo, {songs[3], songs[4]}, false, dropped},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        headless.system.boxAnswer = platform::kIdNo;
        editor->newPlaylist();
        editor->addFromFileList(songs[0]);
        headless.system.clear();
        headless.system.boxAnswer = c.answer;
        std::unique_ptr<QMimeData> payload(fileDragPayload(dropped));
        EXPECT_EQ(dragOver(payload.get(), 0), Qt::CopyAction);
        dropAt(payload.get(), 0);
        EXPECT_EQ(editor->entries(), c.after);
        EXPECT_EQ(editor->changed(), c.changed);
        EXPECT_EQ(editor->playlistFile(), c.playlistFile);

        const auto asked = boxes();
        ASSERT_EQ(asked.size(), c.answer == platform::kIdNo ? 2u : 1u);
        EXPECT_EQ(asked[0].caption, "What do you want to do?");
        EXPECT_EQ(asked[0].text,
                  "Do you want to add the contents of the new Playlist file to the current "
                  "Playlist?\r\n\r\n"
                  "    \u2022 Choose Yes to add the contents to the current Playlist\r\n"
                  "    \u2022 Choose No to open the new Playlist for Editing\r\n"
                  "    \u2022 Choose Cancel to take no action");
        EXPECT_EQ(asked[0].flags, platform::kMbYesNoCancel | platform::kMbIconQuestion);
        if (asked.size() == 2) {
            EXPECT_EQ(asked[1].caption, "Confirm Open");
            EXPECT_EQ(asked[1].text, "Save Changes to current playlist?");
        }
    }
}

TEST_F(PlaylistEditorTest, CancellingTheSaveQuestionOfADroppedPlaylistKeepsTheList) {
    QtWindowSystem boxes;
    platform::setWindowSystem(&boxes);
    editor->openPlaylist(writeList("mine.m3u", {songs[0]}));
    editor->addFromFileList(songs[1]);
    const QString dropped = writeList("dropped.m3u", {songs[3]});
    QString question;
    {
        ModalScript script({press(QMessageBox::No), press(QMessageBox::Cancel, &question)});
        std::unique_ptr<QMimeData> payload(fileDragPayload(dropped));
        dropAt(payload.get(), -1);
        EXPECT_EQ(script.seen(), 2);
    }
    platform::setWindowSystem(&headless.system);
    EXPECT_EQ(question, "Save Changes to " + file("mine.m3u") + "?");
    EXPECT_EQ(editor->entries(), (QStringList{songs[0], songs[1]}));
    EXPECT_EQ(editor->playlistFile(), file("mine.m3u"));
    EXPECT_TRUE(editor->changed());
}

TEST_F(PlaylistEditorTest, TheSaveQuestionAndItsAnswers) {
    const QString mine = writeList("mine.klv", {songs[0]});
    const struct {
        int answer;
        PlaylistEditor::SaveAnswer result;
        bool saved;
    } cases[] = {
        {platform::kIdCancel, PlaylistEditor::SaveAnswer::Stop, false},
        {platform::kIdNo, PlaylistEditor::SaveAnswer::GoOn, false},
        {platform::kIdYes, PlaylistEditor::SaveAnswer::GoOn, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        writeList("mine.klv", {songs[0]});
        editor->openPlaylist(mine);
        headless.system.clear();
        EXPECT_EQ(editor->askSave(), PlaylistEditor::SaveAnswer::GoOn); // unchanged: no question
        EXPECT_TRUE(boxes().empty());

        editor->addFromFileList(songs[1]);
        headless.system.boxAnswer = c.answer;
        EXPECT_EQ(editor->askSave(), c.result);
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].caption, "Confirm Open");
        EXPECT_EQ(boxes()[0].text, ("Save Changes to " + mine + "?").toStdString());
        EXPECT_EQ(boxes()[0].flags, platform::kMbYesNoCancel | platform::kMbIconQuestion);
        const std::string expected = c.saved ? "a.wav\r\nb.wav\r\n" // inside the list's folder
                                             : songs[0].toStdString() + "\r\n";
        EXPECT_EQ(readAll(mine.toStdString()), expected);
        EXPECT_EQ(editor->changed(), !c.saved);
    }
}

TEST_F(PlaylistEditorTest, SaveAsThenNewThenSaveWritesThePreviousFile) {
    addAll({songs[0], songs[1]});
    {
        ModalScript script({choose({file("set")})}); // the chosen type's extension is added
        editor->saveAsButton()->click();
        EXPECT_EQ(script.seen(), 1);
    }
    const QString saved = file("set.m3u");
    EXPECT_EQ(editor->playlistFile(), saved);
    EXPECT_FALSE(editor->changed());
    EXPECT_EQ(readAll(saved.toStdString()), "a.wav\r\nb.wav\r\n");

    editor->newButton()->click();
    EXPECT_TRUE(editor->entries().isEmpty());
    EXPECT_FALSE(editor->changed());
    EXPECT_EQ(editor->playlistFile(), saved);

    editor->addFromFileList(songs[4]);
    {
        ModalScript script({});
        editor->saveButton()->click();
        QApplication::processEvents();
        EXPECT_EQ(script.seen(), 0);
    }
    EXPECT_FALSE(editor->changed());
    EXPECT_EQ(readAll(saved.toStdString()), "e.wav\r\n");

    // A PLS name saves the PLS format.
    editor->addFromFileList(songs[3]);
    {
        ModalScript script({choose({file("set.pls")})});
        editor->saveAs();
    }
    EXPECT_EQ(readAll(dir.path() / "set.pls"),
              "[playlist]\r\nNumberOfEntries=2\r\nFile1=e.wav\r\nFile2=d.wav\r\n");
}

TEST_F(PlaylistEditorTest, CancelledDialogsChangeNothing) {
    addAll({songs[0]});
    const auto cancel = [](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); };
    for (QPushButton* button : {editor->saveButton(), editor->saveAsButton(), editor->addButton(),
                                editor->openButton()}) {
        SCOPED_TRACE(button->toolTip().toStdString());
        headless.system.boxAnswer = platform::kIdNo; // Open asks about the changes first
        ModalScript script({cancel});
        button->click();
        EXPECT_EQ(script.seen(), 1);
        EXPECT_EQ(editor->entries(), QStringList{songs[0]});
        EXPECT_TRUE(editor->changed());
        EXPECT_TRUE(editor->playlistFile().isEmpty());
    }
}

TEST_F(PlaylistEditorTest, OpenAndAddThroughTheirDialogs) {
    const QString list = writeList("list.pls", {});
    std::ofstream(list.toStdString(), std::ios::binary)
        << "[playlist]\r\nNumberOfEntries=3\r\nFile1=c.wav\r\nFile3=a.wav\r\n";
    {
        ModalScript script({choose({list})});
        editor->openButton()->click();
    }
    EXPECT_EQ(editor->entries(), (QStringList{songs[2], songs[0]}));
    EXPECT_EQ(editor->playlistFile(), list);
    EXPECT_FALSE(editor->changed());

    {
        ModalScript script({choose({songs[4], songs[1]})});
        editor->addButton()->click();
    }
    EXPECT_EQ(editor->entries().mid(0, 2), (QStringList{songs[2], songs[0]}));
    ASSERT_EQ(editor->entries().size(), 4);
    EXPECT_TRUE(editor->entries().contains(songs[4]));
    EXPECT_TRUE(editor->entries().contains(songs[1]));
    EXPECT_TRUE(editor->changed());
}

TEST_F(PlaylistEditorTest, AFileThatCannotBeOpenedLeavesAnEmptyListToWorkOn) {
    editor->openPlaylist(writeList("mine.m3u", {songs[0]}));
    const QString gone = file("gone.m3u");
    editor->openPlaylist(gone);
    EXPECT_TRUE(editor->entries().isEmpty());
    EXPECT_EQ(editor->playlistFile(), file("mine.m3u"));
    ASSERT_FALSE(desk.messages.empty());
    EXPECT_EQ(desk.messages.back().first, "Can't open Playlist: " + gone);

    editor->addFromFileList(songs[1]); // still kept by the engine, so it can be saved
    EXPECT_EQ(klvGetPlaylistCount(editor->playlist()), 1);
    editor->save();
    EXPECT_EQ(readAll(dir.path() / "mine.m3u"), "b.wav\r\n");
}

TEST_F(PlaylistEditorTest, ClosingAsksWithYesAndNoUntilTheChangesAreSettled) {
    editor->addFromFileList(songs[0]);
    headless.system.boxAnswer = platform::kIdNo;
    editor->offerSaveOnClose();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].flags, platform::kMbYesNo | platform::kMbIconQuestion);
    EXPECT_EQ(boxes()[0].text, "Save Changes to current playlist?");

    // Yes with a cancelled Save As asks again; the second Yes saves.
    QtWindowSystem qt;
    platform::setWindowSystem(&qt);
    {
        const auto cancel = [](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); };
        ModalScript script({press(QMessageBox::Yes), cancel, press(QMessageBox::Yes),
                            choose({file("closing.klv")})});
        editor->offerSaveOnClose();
        EXPECT_EQ(script.seen(), 4);
    }
    platform::setWindowSystem(&headless.system);
    EXPECT_FALSE(editor->changed());
    EXPECT_EQ(readAll(dir.path() / "closing.klv"), "a.wav\r\n");
}

TEST_F(PlaylistEditorTest, TheContextMenuOffersLinesAndRemovingOnly) {
    int built = 0; // the navigator fills the lines while the menu is built
    QObject::connect(editor.get(), &PlaylistEditor::openInLineMenu, editor.get(),
                     [&built](QMenu* lines) {
                         ++built;
                         lines->addAction(QStringLiteral("Line 1"));
                     });
    QContextMenuEvent onEmpty(QContextMenuEvent::Mouse, pointAt(-1),
                              viewport()->mapToGlobal(pointAt(-1)));
    QApplication::sendEvent(viewport(), &onEmpty);
    EXPECT_EQ(built, 0); // no menu on an empty list

    addAll({songs[0], songs[1]});
    editor->list()->setCurrentRow(0);
    QStringList shown;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr)
            return;
        poll.stop();
        QAction* remove = nullptr;
        for (QAction* action : menu->actions()) {
            shown << action->text() + (action->isEnabled() ? "" : " (off)");
            if (action->text() == "Remove File")
                remove = action;
        }
        ASSERT_NE(remove, nullptr);
        menu->setActiveAction(remove);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    poll.start();
    QContextMenuEvent onEntry(QContextMenuEvent::Mouse, pointAt(0),
                              viewport()->mapToGlobal(pointAt(0)));
    QApplication::sendEvent(viewport(), &onEntry);
    EXPECT_EQ(built, 1);
    EXPECT_EQ(shown,
              (QStringList{"Open in Line", "Remove File", "Clear Queue (off)", "Refresh (off)"}));
    EXPECT_EQ(editor->entries(), QStringList{songs[1]});
}

TEST_F(PlaylistEditorTest, TheButtonRowFitsThePage) {
    addAll(songs);
    editor->list()->setCurrentRow(2);
    for (const int width : {640, 496, 360}) {
        SCOPED_TRACE(width);
        editor->resize(width, 300);
        QApplication::processEvents();
        EXPECT_LE(editor->addButton()->geometry().right(), width - 1);
        EXPECT_EQ(editor->addButton()->width(), editor->newButton()->width());
        EXPECT_LT(editor->newButton()->geometry().bottom(), editor->list()->geometry().top());
        EXPECT_EQ(editor->list()->geometry().bottom(), 300 - 1);
    }
    editor->resize(496, 300);
    QApplication::processEvents();
    test::keepScreenshot(*editor, "playlist_editor.png");
}

} // namespace
} // namespace klv::app
