#include "app/shell/qt_window_system.h"

#include "app/settings/status_bar.h"
#include "app/shell/main_window.h"
#include "klv3.h"
#include "platform/store/home.h"
#include "tests/app/support/app_test_support.h"
#include "tests/support/temp_home.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QEventLoop>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

namespace klv::app {
namespace {

using namespace klv::platform;

UserMessage userMessage(const char* text, int32_t level, int32_t helpContext = 0) {
    UserMessage m{};
    std::strncpy(m.text, text, sizeof m.text - 1);
    m.level = level;
    m.helpContext = helpContext;
    return m;
}

// Runs work on a thread of its own while the GUI thread keeps handling events, and returns
// once the thread has finished.
void runOnOtherThread(const std::function<void()>& work) {
    QEventLoop loop;
    std::thread thread([&] {
        work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    thread.join();
}

TEST(QtWindowSystem, MessageFromAnotherThreadIsHandledOnTheGuiThreadWhileTheSenderWaits) {
    QtWindowSystem system;
    QWidget target;
    std::atomic<bool> senderReturned{false};
    bool senderReturnedAtEntry = true;
    QThread* handlerThread = nullptr;
    std::string textSeen;
    registerWindow(&target, [&](uint32_t msg, intptr_t wParam, intptr_t) -> intptr_t {
        handlerThread = QThread::currentThread();
        senderReturnedAtEntry = senderReturned.load();
        if (msg == KLV_MSG_USER_MESSAGE)
            textSeen = reinterpret_cast<const UserMessage*>(wParam)->text;
        return 77;
    });

    intptr_t answer = 0;
    QThread* senderThread = nullptr;
    runOnOtherThread([&] {
        senderThread = QThread::currentThread();
        UserMessage m = userMessage("Decoding Failed for /music/a.mp3", 2);
        answer = system.sendMessage(windowHandle(&target), KLV_MSG_USER_MESSAGE,
                                    reinterpret_cast<intptr_t>(&m), 0);
        senderReturned = true;
        std::memset(m.text, 'x', sizeof m.text - 1); // reused at once, as the engine may
    });

    EXPECT_NE(senderThread, qApp->thread());
    EXPECT_EQ(handlerThread, qApp->thread());
    EXPECT_FALSE(senderReturnedAtEntry);
    EXPECT_EQ(answer, 77); // only a sender that waited can know the answer
    EXPECT_EQ(textSeen, "Decoding Failed for /music/a.mp3");
}

TEST(QtWindowSystem, EngineMessageReachesTheMainWindowsStatusBarFromAnotherThread) {
    test::ScopedHeadless boxes; // boxes are recorded, messages go through Qt
    QtWindowSystem system;
    ProgramState state;
    state.options.StatusLevel = 2;
    MainWindow main(state);
    runOnOtherThread([&] {
        UserMessage m = userMessage("Can't open /music/missing.mp3", 2);
        system.sendMessage(main.handle(), KLV_MSG_USER_MESSAGE, reinterpret_cast<intptr_t>(&m), 0);
        std::memset(m.text, 0, sizeof m.text); // gone as soon as the send returns
    });
    EXPECT_EQ(main.status().messageText(), "Can't open /music/missing.mp3");
    EXPECT_TRUE(boxes.system.boxes().empty());
}

TEST(QtWindowSystem, EngineMessagesAreRoutedByStatusLevel) {
    test::ScopedHeadless boxes;
    QtWindowSystem system;
    const std::string unterminated(256, 'u');
    const struct {
        int32_t statusLevel;
        int32_t level;
        std::string text;
        const char* caption; // null: the status bar
        uint32_t flags;
    } cases[] = {
        {2, 2, "error to the bar", nullptr, 0},
        {2, 0, "notice to the bar", nullptr, 0},
        {1, 2, "error to a box", "KLV Error", kMbOk | kMbIconExclamation},
        {0, 1, "warning to a box", "KLV Warning", kMbOk | kMbIconInformation},
        {1, 1, "warning to the bar", nullptr, 0},
        {2, 2, unterminated, nullptr, 0},
    };
    for (const auto& c : cases) {
        boxes.system.clear();
        ProgramState state;
        state.options.StatusLevel = c.statusLevel;
        MainWindow main(state);
        UserMessage m{};
        std::memcpy(m.text, c.text.data(), std::min(c.text.size(), sizeof m.text));
        m.level = c.level;
        system.sendMessage(main.handle(), KLV_MSG_USER_MESSAGE, reinterpret_cast<intptr_t>(&m), 0);
        const auto shown = boxes.system.boxes();
        if (c.caption) {
            ASSERT_EQ(shown.size(), 1u) << c.text;
            EXPECT_EQ(shown[0].caption, c.caption);
            EXPECT_EQ(shown[0].text, c.text);
            EXPECT_EQ(shown[0].flags, c.flags);
            EXPECT_EQ(shown[0].owner, main.handle());
            EXPECT_TRUE(main.status().messageText().isEmpty());
        } else {
            EXPECT_TRUE(shown.empty()) << c.text;
            EXPECT_EQ(main.status().messageText().toStdString(), c.text);
        }
    }
}

TEST(QtWindowSystem, UnknownAndStaleHandlesReachNobody) {
    QtWindowSystem system;
    int calls = 0;
    auto* gone = new QWidget;
    registerWindow(gone, [&](uint32_t, intptr_t, intptr_t) -> intptr_t { return ++calls; });
    const WindowHandle staleHandle = windowHandle(gone);
    EXPECT_EQ(liveWindow(staleHandle), gone);
    delete gone;
    EXPECT_EQ(liveWindow(staleHandle), nullptr);
    EXPECT_EQ(system.sendMessage(staleHandle, KLV_MSG_USER_MESSAGE, 0, 0), 0);
    EXPECT_EQ(system.sendMessage(0x1234, KLV_MSG_USER_MESSAGE, 0, 0), 0);
    EXPECT_EQ(system.sendMessage(0, KLV_MSG_USER_MESSAGE, 0, 0), 0);
    EXPECT_EQ(calls, 0);

    QWidget unregistered;
    registerWindow(&unregistered, [&](uint32_t, intptr_t, intptr_t) -> intptr_t { return 5; });
    unregisterWindow(&unregistered);
    EXPECT_EQ(system.sendMessage(windowHandle(&unregistered), 1, 0, 0), 0);
}

TEST(QtWindowSystem, MessageBoxShowsWhatTheFlagsAskAndAnswersTheButton) {
    QtWindowSystem system;
    const struct {
        uint32_t flags;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton press;
        int answer;
    } cases[] = {
        {kMbOk | kMbIconStop, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok, kIdOk},
        {kMbYesNo | kMbIconQuestion, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
         QMessageBox::Yes, kIdYes},
        {kMbYesNo | kMbIconQuestion, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
         QMessageBox::No, kIdNo},
        {kMbOkCancel | kMbIconExclamation, QMessageBox::Warning,
         QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel, kIdCancel},
        {kMbOk | kMbIconInformation, QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok,
         kIdOk},
    };
    for (const auto& c : cases) {
        bool seen = false;
        test::ModalResponder responder([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            seen = true;
            EXPECT_EQ(box->windowTitle(), "Confirm Exit");
            EXPECT_EQ(box->text(), "Are you sure you want to exit now?");
            EXPECT_EQ(box->icon(), c.icon);
            EXPECT_EQ(box->standardButtons(), c.buttons);
            box->button(c.press)->click();
        });
        EXPECT_EQ(
            system.messageBox(0, "Are you sure you want to exit now?", "Confirm Exit", c.flags),
            c.answer);
        EXPECT_TRUE(seen);
    }
}

TEST(QtWindowSystem, MessageBoxFromAnotherThreadIsOwnedByTheWindowAndBlocksTheCaller) {
    QtWindowSystem system;
    QWidget owner;
    registerWindow(&owner);
    owner.show();
    QWidget* parentSeen = nullptr;
    QThread* boxThread = nullptr;
    test::ModalResponder responder([&](QWidget* modal) {
        parentSeen = modal->parentWidget();
        boxThread = QThread::currentThread();
        qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Yes)->click();
    });
    int answer = 0;
    runOnOtherThread([&] {
        answer = system.messageBox(windowHandle(&owner), "Keep going?", "KLV3 Message",
                                   kMbYesNo | kMbIconQuestion);
    });
    EXPECT_EQ(answer, kIdYes);
    EXPECT_EQ(parentSeen, &owner);
    EXPECT_EQ(boxThread, qApp->thread());
}

// The GUI thread waiting for a sender without running its event loop, as closing a line waits
// for the line's threads: it polls and serves requests meanwhile. false when the sender never
// got its answer (the test then ends instead of hanging).
bool serveUntil(QtWindowSystem& system, const std::atomic<bool>& senderDone) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!senderDone && std::chrono::steady_clock::now() < giveUp) {
        system.serveRequests();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (senderDone)
        return true;
    QCoreApplication::processEvents();
    return false;
}

TEST(QtWindowSystem, GuiThreadWaitingForASenderServesItsRequest) {
    QtWindowSystem system;
    QWidget target;
    int handled = 0;
    registerWindow(&target, [&](uint32_t, intptr_t, intptr_t) -> intptr_t { return ++handled; });
    std::atomic<bool> senderDone{false};
    intptr_t answer = 0;
    // The sender is an engine thread the GUI thread waits for without running its event loop,
    // as closing a line waits for the line's threads: it polls and serves requests meanwhile.
    std::thread sender([&] {
        answer = system.sendMessage(windowHandle(&target), KLV_MSG_USER_MESSAGE, 0, 0);
        senderDone = true;
    });
    const bool finished = serveUntil(system, senderDone);
    sender.join();
    EXPECT_TRUE(finished);
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(handled, 1);
}

TEST(QtWindowSystem, ServingOffTheGuiThreadDoesNothing) {
    QtWindowSystem system;
    QWidget target;
    int handled = 0;
    QThread* handlerThread = nullptr;
    registerWindow(&target, [&](uint32_t, intptr_t, intptr_t) -> intptr_t {
        handlerThread = QThread::currentThread();
        return ++handled;
    });
    std::atomic<bool> sending{false};
    std::atomic<bool> senderDone{false};
    intptr_t answer = 0;
    std::thread sender([&] {
        sending = true;
        answer = system.sendMessage(windowHandle(&target), KLV_MSG_USER_MESSAGE, 0, 0);
        senderDone = true;
    });
    while (!sending)
        std::this_thread::yield();
    // A thread that is not the GUI thread keeps asking for a while after the request went in:
    // the request is left waiting, and so is its sender.
    std::thread other([&] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
        while (std::chrono::steady_clock::now() < until) {
            system.serveRequests();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    other.join();
    EXPECT_EQ(handled, 0);
    EXPECT_FALSE(senderDone);

    // The GUI thread then serves it.
    const bool finished = serveUntil(system, senderDone);
    sender.join();
    EXPECT_TRUE(finished);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(handlerThread, qApp->thread());
}

TEST(QtWindowSystem, HelpButtonOpensTheTopicAndLeavesTheBoxOpen) {
    QtWindowSystem system;
    std::vector<QUrl> opened;
    system.setHelpOpener([&](const QUrl& url) { opened.push_back(url); });
    int shown = 0;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        ++shown;
        QAbstractButton* help = nullptr;
        for (QAbstractButton* b : box->buttons()) {
            if (box->buttonRole(b) == QMessageBox::HelpRole)
                help = b;
        }
        ASSERT_NE(help, nullptr);
        EXPECT_EQ(help->text(), "&Help");
        // First the user reads up, then closes the box with OK.
        (shown == 1 ? help : box->button(QMessageBox::Ok))->click();
    });
    poll.start();
    EXPECT_EQ(system.messageBox(0, "Decoding Failed for /music/a.mp3", "KLV Error",
                                kMbOk | kMbIconExclamation | kMbHelp, 34),
              kIdOk);
    EXPECT_EQ(shown, 2);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], helpUrl(KLV_HELP_CONTEXT, 34));
}

TEST(QtWindowSystem, EngineFailureReachesTheStatusBarAsAnError) {
    test::ScopedHeadless boxes;
    QtWindowSystem system;
    platform::setWindowSystem(&system);
    ProgramState state;
    state.options.StatusLevel = 2;
    MainWindow main(state);
    OptionsRecord options{};
    klvLoadOptions(&options, main.handle()); // the engine's messages go to the main window
    test::TempDir dir;
    const std::string notAudio = (dir.path() / "not-audio.mp3").string();
    std::ofstream(notAudio) << std::string(8192, 'x'); // no MPEG frame anywhere
    LineHandle line{};
    line.ownerWindow = main.handle();
    EXPECT_EQ(klvOpen(&line, notAudio.c_str()), -1);
    klvClose(&line);
    platform::setWindowSystem(&boxes.system);
    EXPECT_EQ(main.status().messageText(), "Can't open file - Invalid or Unsupported File Type");
    EXPECT_EQ(main.status().level(), 2);
    EXPECT_EQ(main.status().titleText(), "Error:");
    EXPECT_FALSE(main.status().detailsVisible()); // the engine sends no help topic
}

TEST(QtWindowSystem, ColourChooserKeepsTheSixteenCustomColours) {
    QtWindowSystem system;
    uint32_t custom[16];
    for (uint32_t i = 0; i < 16; ++i)
        custom[i] = 0x010203 * (i + 1); // red in the low byte
    QColor initialSeen;
    QColor customSeen;
    test::ModalResponder responder([&](QWidget* modal) {
        auto* dialog = qobject_cast<QColorDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        initialSeen = dialog->currentColor();
        customSeen = QColorDialog::customColor(4);
        QColorDialog::setCustomColor(15, QColor(0x11, 0x22, 0x33)); // the user edits one
        dialog->setCurrentColor(QColor(0xAA, 0xBB, 0xCC));
        dialog->accept();
    });
    uint32_t chosen = 0;
    EXPECT_TRUE(system.chooseColor(0, 0x00FFC800, custom, chosen));
    EXPECT_EQ(initialSeen, QColor(0x00, 0xC8, 0xFF));
    EXPECT_EQ(customSeen, QColor(0x0F, 0x0A, 0x05)); // 0x050A0F: red in the low byte
    EXPECT_EQ(chosen, 0x00CCBBAAu);
    EXPECT_EQ(custom[15], 0x00332211u);
    EXPECT_EQ(custom[4], 0x00050A0Fu);
}

TEST(QtWindowSystem, ColourChooserCancelledStillReturnsTheCustomColours) {
    QtWindowSystem system;
    uint32_t custom[16] = {};
    test::ModalResponder responder([&](QWidget* modal) {
        QColorDialog::setCustomColor(0, QColor(0x10, 0x20, 0x30));
        qobject_cast<QColorDialog*>(modal)->reject();
    });
    uint32_t chosen = 0xDEAD;
    EXPECT_FALSE(system.chooseColor(0, 0x123456, custom, chosen));
    EXPECT_EQ(chosen, 0xDEADu);
    EXPECT_EQ(custom[0], 0x00302010u);
}

TEST(QtWindowSystem, HelpOpensTheProgramFoldersPages) {
    const QString page = QString::fromStdString((programDir() / "help" / "index.html").string());
    const struct {
        int32_t command;
        int32_t data;
        const char* fragment;
    } cases[] = {{KLV_HELP_CONTEXT, 1, "topic-1"},
                 {KLV_HELP_CONTEXT, 34, "topic-34"},
                 {KLV_HELP_FINDER, 0, ""},
                 {KLV_HELP_FINDER, 35, ""}};
    for (const auto& c : cases) {
        const QUrl url = helpUrl(c.command, c.data);
        EXPECT_EQ(url.toLocalFile(), page);
        EXPECT_EQ(url.fragment(), c.fragment) << c.command << "/" << c.data;
    }
}

} // namespace
} // namespace klv::app
