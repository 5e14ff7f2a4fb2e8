#pragma once
// A master section on a test desk, on the program's own state (the feature lock reads it),
// with the engine's options stored and a clock timer the test steps.

#include "app/decks/master_section.h"
#include "app/shell/default_options.h"
#include "app/shell/interval_timer.h"
#include "app/shell/program_state.h"
#include "app/shell/registry_text.h"
#include "tests/app/support/app_test_support.h"
#include "tests/app/support/test_desk.h"

#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <memory>

namespace klv::test {

class MasterTest : public testing::Test {
protected:
    MasterTest() : desk(app::programState()) {
        app::assignDefaultOptions(options());
        options().PrimaryDevice = 0;
        options().SecondaryDevice = 1;
        options().UseSecondary = 1;
        options().HeadphoneMode = 0;
        options().ShowClock = 1;
        klvSaveOptions(&options());
    }
    ~MasterTest() override {
        if (section)
            section->cleanUp();
    }

    OptionsRecord& options() { return app::programState().options; }

    // Builds the section as start-up does: Init, then the main window's layout.
    app::MasterSection& build() {
        clock = new app::SteppedTimer;
        section = std::make_unique<app::MasterSection>(desk, nullptr, clock);
        desk.masterSection = section.get();
        section->init();
        section->updateLayout();
        section->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(section.get()));
        return *section;
    }

    // The middle of master knob index (0 left, 1 right, 2 headphones) where it stands now.
    QPoint knobPoint(int index) const {
        const QRect bar = app::MasterSection::faderBar(index);
        const int top = index == 2 ? section->headphoneTop() : section->faderTop(index);
        return QPoint(bar.center().x(), top + 10);
    }

    void drag(const QPoint& from, const QPoint& to) {
        QTest::mousePress(section.get(), Qt::LeftButton, {}, from);
        QTest::mouseMove(section.get(), to);
        QTest::mouseRelease(section.get(), Qt::LeftButton, {}, to);
    }

    void click(const QPoint& at) { QTest::mouseClick(section.get(), Qt::LeftButton, {}, at); }
    void clickButton(app::MasterSection::Button button) {
        click(app::MasterSection::buttonRect(button).center());
    }

    void turnWheel(const QPoint& at, int notches) {
        QWheelEvent event(QPointF(at), QPointF(section->mapToGlobal(at)), QPoint(),
                          QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                          false);
        QApplication::sendEvent(section.get(), &event);
    }

    ScopedHeadless headless;
    TestDesk desk;
    app::SteppedTimer* clock = nullptr;
    std::unique_ptr<app::MasterSection> section;
};

} // namespace klv::test
