// The master section's equalizer knobs and its named presets in the settings store.

#include "app/decks/master_eq_presets.h"
#include "tests/app/decks/master_audio_support.h"
#include "tests/app/decks/master_test_fixture.h"

#include <QAction>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>

#include <deque>
#include <functional>

namespace klv::test {
namespace {

using app::MasterSection;
namespace presets = app::eqpresets;

// Answers the modal windows that come up one after another, each with the next action.
class ModalScript {
public:
    explicit ModalScript(std::deque<std::function<void(QWidget*)>> steps)
        : m_steps(std::move(steps)) {
        m_poll.setInterval(5);
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible() || modal == m_last.data() || m_steps.empty())
                return;
            m_last = modal;
            auto step = std::move(m_steps.front());
            m_steps.pop_front();
            step(modal);
        });
        m_poll.start();
    }
    bool finished() const { return m_steps.empty(); }

private:
    std::deque<std::function<void(QWidget*)>> m_steps;
    QPointer<QWidget> m_last; // a box that is gone reads as null
    QTimer m_poll;
};

// Types name into the preset name box and presses OK; remembers what the box proposed.
std::function<void(QWidget*)> answerName(const QString& name, QString* proposed = nullptr) {
    return [name, proposed](QWidget* modal) {
        auto* box = qobject_cast<QInputDialog*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), "Save EQ Settings");
        EXPECT_EQ(box->labelText(), "Preset Name");
        if (proposed)
            *proposed = box->textValue();
        box->setTextValue(name);
        box->accept();
    };
}

std::function<void(QWidget*)> cancelName() {
    return [](QWidget* modal) { modal->close(); };
}

class MasterEqualizerTest : public MasterTest {
protected:
    // Opens the equalizer menu with a right click on the background and returns it.
    QMenu& openMenu() {
        QTest::mouseClick(section.get(), Qt::RightButton, {}, QPoint(90, 100 - 4));
        QMenu* menu = section->equalizerMenu();
        EXPECT_NE(menu, nullptr);
        return *menu;
    }
    QAction* entry(QMenu& menu, const QString& text) {
        for (QAction* action : menu.actions()) {
            if (action->text() == text)
                return action;
        }
        ADD_FAILURE() << "no entry " << text.toStdString();
        return nullptr;
    }
    // Runs the menu's "Save Current Settings..." with the modal script running alongside.
    void save(std::deque<std::function<void(QWidget*)>> steps) {
        QMenu& menu = openMenu();
        ModalScript script(std::move(steps));
        entry(menu, "&Save Current Settings...")->trigger();
        EXPECT_TRUE(script.finished());
        menu.close();
    }
    void setBands(const presets::Bands& values) {
        for (int b = 0; b < MasterSection::kBands; ++b) {
            const int top = 51 - values[static_cast<size_t>(b)];
            const QPoint grip = MasterSection::bandKnobRect(b, section->bandTop(b)).center();
            drag(grip, grip + QPoint(0, top - section->bandTop(b)));
        }
    }
    presets::Bands bandValues() const {
        presets::Bands values{};
        for (int b = 0; b < MasterSection::kBands; ++b)
            values[static_cast<size_t>(b)] = 51 - section->bandTop(b);
        return values;
    }
};

TEST_F(MasterEqualizerTest, KnobGestures) {
    MasterSection& s = build();
    for (int b = 0; b < MasterSection::kBands; ++b)
        EXPECT_EQ(s.bandTop(b), 51);

    // Dragging a knob follows the pointer within 15..87.
    const QPoint grip = MasterSection::bandKnobRect(3, 51).center();
    drag(grip, grip + QPoint(0, -12));
    EXPECT_EQ(s.bandTop(3), 39);
    drag(MasterSection::bandKnobRect(3, 39).center(), grip + QPoint(0, -200));
    EXPECT_EQ(s.bandTop(3), 15);

    // A press on the background takes the band under the pointer and drags it on.
    const int x = 4 + 17 * 7 + 8;
    QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(x, 30));
    EXPECT_EQ(s.bandTop(7), 30 - 4);
    QTest::mouseMove(&s, QPoint(x, 70));
    EXPECT_EQ(s.bandTop(7), 70 - 4);
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(x, 70));

    // Wheel: one pixel per notch; a double-click flattens.
    const QPoint band9(4 + 17 * 9 + 8, 40);
    turnWheel(band9, 2);
    EXPECT_EQ(s.bandTop(9), 49);
    turnWheel(band9, -5);
    EXPECT_EQ(s.bandTop(9), 54);
    QTest::mouseDClick(&s, Qt::LeftButton, {}, QPoint(4 + 17 * 7 + 2, 60));
    EXPECT_EQ(s.bandTop(7), 51);
}

TEST_F(MasterEqualizerTest, BandKnobsReachTheEngineInThirdsOfALevelUnit) {
    // A constant level lives in the lowest band only: its knob alone changes the output.
    ConstantLine line;
    MasterSection& s = build();
    const double flat = line.settledLevel(0);
    ASSERT_GT(flat, 0.3);
    const struct {
        int band;
        int top;
        double factor;
    } cases[] = {
        {0, 69, 0.5},  // -18 knob steps: -6 units, half the amplitude
        {0, 87, 0.25}, // the bottom: -12 units
        {5, 15, 0.25}, // a higher band leaves the constant level alone
        {0, 51, 1.0},
    };
    for (const auto& c : cases) {
        const QPoint grip = MasterSection::bandKnobRect(c.band, s.bandTop(c.band)).center();
        drag(grip, grip + QPoint(0, c.top - s.bandTop(c.band)));
        ASSERT_EQ(s.bandTop(c.band), c.top);
        EXPECT_NEAR(line.settledLevel(0), flat * c.factor, 0.01) << c.band << "/" << c.top;
    }
}

TEST_F(MasterEqualizerTest, ResetToFlatAndTheMenuCaptions) {
    MasterSection& s = build();
    QMenu& empty = openMenu();
    QStringList captions;
    for (QAction* action : empty.actions())
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(captions,
              QStringList({"&Save Current Settings...", "&Load Saved Settings",
                           "&Delete Saved Settings", "-", "Reset to Flat", "-", "About KLV3..."}));
    EXPECT_FALSE(entry(empty, "&Load Saved Settings")->isEnabled());
    EXPECT_FALSE(entry(empty, "&Delete Saved Settings")->isEnabled());
    empty.close();

    for (int n = 1; n <= 10; ++n)
        presets::append(QStringLiteral("Room & %1").arg(n), {});
    QMenu& full = openMenu();
    QMenu* load = entry(full, "&Load Saved Settings")->menu();
    ASSERT_NE(load, nullptr);
    ASSERT_TRUE(load->isEnabled());
    ASSERT_EQ(load->actions().size(), 10);
    EXPECT_EQ(load->actions()[0]->text(), "&1: Room && 1");
    EXPECT_EQ(load->actions()[8]->text(), "&9: Room && 9");
    EXPECT_EQ(load->actions()[9]->text(), "10: Room && 10");
    full.close();

    setBands({5, -5, 36, -36, 1, 0, 2, 3, 4, 12});
    QMenu& menu = openMenu();
    entry(menu, "Reset to Flat")->trigger();
    for (int b = 0; b < MasterSection::kBands; ++b)
        EXPECT_EQ(s.bandTop(b), 51);
}

TEST_F(MasterEqualizerTest, SavingANewNameAppendsAndAnExistingNameAsksFirst) {
    build();
    const presets::Bands first = {3, 0, -3, 6, 0, 0, 0, 0, 1, -1};
    setBands(first);
    QString proposed;
    save({answerName("Club", &proposed)});
    EXPECT_EQ(proposed, "My Saved EQ");
    EXPECT_EQ(presets::count(), 1);
    EXPECT_EQ(presets::name(1), "Club");
    EXPECT_EQ(presets::bands(1), first);

    save({answerName("Radio")});
    ASSERT_EQ(presets::count(), 2);

    // Yes overwrites "Club" in place: the count stays.
    const presets::Bands second = {-6, -6, 0, 0, 0, 0, 0, 0, 6, 6};
    setBands(second);
    headless.system.boxAnswer = platform::kIdYes;
    save({answerName("Club")});
    EXPECT_EQ(presets::count(), 2);
    EXPECT_EQ(presets::bands(1), second);
    EXPECT_EQ(presets::name(2), "Radio");
    const auto boxes = headless.system.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Confirm Overwrite");
    EXPECT_EQ(boxes[0].text, "Overwrite existing preset?");

    // No asks for the name again, proposing the one found; cancelling then stores nothing.
    headless.system.boxAnswer = platform::kIdNo;
    setBands({});
    QString again;
    save({answerName("Radio"), [&again](QWidget* modal) {
              again = qobject_cast<QInputDialog*>(modal)->textValue();
              modal->close();
          }});
    EXPECT_EQ(again, "Radio");
    EXPECT_EQ(presets::count(), 2);
    EXPECT_EQ(presets::bands(1), second);

    // Case matters, and an empty answer ends without a question.
    headless.system.clear();
    save({answerName("club")});
    EXPECT_EQ(presets::count(), 3);
    save({answerName("")});
    save({cancelName()});
    EXPECT_EQ(presets::count(), 3);
    EXPECT_TRUE(headless.system.boxes().empty());
}

TEST_F(MasterEqualizerTest, LoadingClampsTheStoredValues) {
    MasterSection& s = build();
    presets::write(1, "Odd", {});
    app::setRegText("Equalizer", "Count", "1");
    app::setRegText("Equalizer", "1: Band 1", "50");
    app::setRegText("Equalizer", "1: Band 2", "-99");
    app::setRegText("Equalizer", "1: Band 3", "7.9");
    app::setRegText("Equalizer", "1: Band 4", "junk");
    app::setRegText("Equalizer", "1: Band 5", "-12");
    QMenu& menu = openMenu();
    QMenu* load = entry(menu, "&Load Saved Settings")->menu();
    ASSERT_EQ(load->actions().size(), 1);
    EXPECT_EQ(load->actions()[0]->text(), "&1: Odd");
    load->actions()[0]->trigger();
    const presets::Bands expected = {36, -36, 7, 0, -12, 0, 0, 0, 0, 0};
    EXPECT_EQ(bandValues(), expected);
    EXPECT_EQ(s.bandTop(0), 15);
    EXPECT_EQ(s.bandTop(1), 87);
}

TEST_F(MasterEqualizerTest, DeletingRenumbersTheLaterPresets) {
    build();
    presets::append("One", {1});
    presets::append("Two", {2});
    presets::append("Three", {3, 3});

    headless.system.boxAnswer = platform::kIdNo;
    QMenu& menu = openMenu();
    QMenu* remove = entry(menu, "&Delete Saved Settings")->menu();
    ASSERT_EQ(remove->actions().size(), 3);
    remove->actions()[1]->trigger();
    EXPECT_EQ(presets::count(), 3);
    ASSERT_EQ(headless.system.boxes().size(), 1u);
    EXPECT_EQ(headless.system.boxes()[0].caption, "Confirm Delete");
    EXPECT_EQ(headless.system.boxes()[0].text, "Delete Setting Two?");

    headless.system.boxAnswer = platform::kIdYes;
    remove->actions()[1]->trigger();
    EXPECT_EQ(presets::count(), 2);
    EXPECT_EQ(presets::name(1), "One");
    EXPECT_EQ(presets::name(2), "Three");
    EXPECT_EQ(presets::bands(2), (presets::Bands{3, 3}));
    char buffer[16];
    EXPECT_LT(klvGetReg("Equalizer", "3: Name", buffer, sizeof buffer), 0);
    EXPECT_LT(klvGetReg("Equalizer", "3: Band 1", buffer, sizeof buffer), 0);
}

TEST_F(MasterEqualizerTest, TheSettingInUseIsPresetZeroAcrossRuns) {
    app::setRegText("Equalizer", "0: Band 2", "12");
    app::setRegText("Equalizer", "0: Band 10", "-40");
    MasterSection& s = build();
    EXPECT_EQ(s.bandTop(1), 39);
    EXPECT_EQ(s.bandTop(9), 87);
    const QPoint grip = MasterSection::bandKnobRect(4, 51).center();
    drag(grip, grip + QPoint(0, 9));
    s.cleanUp();
    EXPECT_EQ(presets::bands(0), (presets::Bands{0, 12, 0, 0, -9, 0, 0, 0, 0, -36}));
    // Preset 0 is never one of the saved presets.
    EXPECT_EQ(presets::count(), 0);
}

} // namespace
} // namespace klv::test
