// The compressor's settings dialog, played headless: its template, what it shows, and what
// its sliders, switches and buttons do to the stored settings and to the running sound.

#include "tests/plugins/compressor_fixture.h"

namespace klv::test {
namespace {

class CompressorDialog : public CompressorTest {
protected:
    void SetUp() override {
        CompressorTest::SetUp();
        m_plugin.start();
        m_dialog = m_plugin.settings(99);
        ASSERT_NE(m_dialog, 0);
    }
    platform::HeadlessWindowSystem::Dialog shown() { return *m_windows.dialog(m_dialog); }
    const platform::HeadlessWindowSystem::DialogControl* control(int32_t id) {
        m_copy = shown();
        for (const auto& c : m_copy.controls)
            if (c.id == id)
                return &c;
        return nullptr;
    }
    std::string text(int32_t id) {
        std::string t;
        m_windows.itemText(m_dialog, id, t);
        return t;
    }

    platform::WindowHandle m_dialog = 0;
    platform::HeadlessWindowSystem::Dialog m_copy;
};

TEST_F(CompressorDialog, TemplateHasTheLayoutOfTheSettingsWindow) {
    const auto d = shown();
    EXPECT_EQ(d.title, "Compressor/Limiter Settings");
    EXPECT_EQ(d.cx, 243);
    EXPECT_EQ(d.cy, 87);
    EXPECT_EQ(d.fontName, "MS Sans Serif");
    EXPECT_EQ(d.fontPointSize, 8);
    EXPECT_EQ(d.owner, 99);
    const struct {
        int32_t id, kind;
        const char* text;
        int32_t x, y, cx, cy;
    } expected[] = {
        {1, KLV_CONTROL_DEFAULT_BUTTON, "OK", 186, 66, 50, 14},
        {1000, KLV_CONTROL_TRACKBAR, "", 51, 10, 85, 10},
        {1001, KLV_CONTROL_TRACKBAR, "", 51, 25, 85, 10},
        {1002, KLV_CONTROL_TRACKBAR, "", 51, 40, 85, 10},
        {1003, KLV_CONTROL_TRACKBAR, "", 51, 55, 85, 10},
        {1004, KLV_CONTROL_TRACKBAR, "", 51, 70, 85, 10},
        {1005, KLV_CONTROL_CHECK_BOX, "Soft Knee", 171, 10, 65, 9},
        {1006, KLV_CONTROL_CHECK_BOX, "Sidechain Filter", 171, 25, 65, 9},
        {1007, KLV_CONTROL_CHECK_BOX, "Joint Left/Right", 171, 40, 65, 9},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.id);
        const auto* c = control(e.id);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->kind, e.kind);
        if (e.kind != KLV_CONTROL_TRACKBAR) {
            EXPECT_EQ(c->text, e.text);
        }
        EXPECT_EQ((std::vector<int32_t>{c->x, c->y, c->cx, c->cy}),
                  (std::vector<int32_t>{e.x, e.y, e.cx, e.cy}));
    }
    const char* names[] = {"Threshold:", "Attack:", "Release:", "Gain:", "Enhance:"};
    for (int row = 0; row < 5; ++row) {
        SCOPED_TRACE(names[row]);
        const auto* value = control(1008 + row);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->x, 136);
        EXPECT_EQ(value->y, 10 + 15 * row);
        bool found = false;
        for (const auto& c : shown().controls)
            found = found || (c.kind == KLV_CONTROL_LABEL_RIGHT && c.text == names[row] &&
                              c.x == 7 && c.y == 10 + 15 * row && c.cx == 44 && c.cy == 10);
        EXPECT_TRUE(found);
    }
}

// The defaults as the dialog opens: the release of 120 lies beyond its slider, whose knob
// stops at 100, while the label still tells 1200 ms.
TEST_F(CompressorDialog, OpensWithTheRangesPositionsSwitchesAndLabelsOfTheSettings) {
    const struct {
        int32_t id, minimum, maximum, position;
        const char* label;
    } rows[] = {
        {1000, -20, 20, -1, "-1 db"}, {1001, 1, 250, 3, "0.3 ms"}, {1002, 5, 100, 100, "1200 ms"},
        {1003, -20, 20, 0, "0 db"},   {1004, 0, 60, 30, "3.0"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.id);
        const auto* c = control(r.id);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->minimum, r.minimum);
        EXPECT_EQ(c->maximum, r.maximum);
        EXPECT_EQ(c->position, r.position);
        EXPECT_EQ(text(r.id + 8), r.label);
    }
    EXPECT_TRUE(control(1005)->checked);
    EXPECT_TRUE(control(1006)->checked);
    EXPECT_FALSE(control(1007)->checked);
}

// A slider move reads all five sliders, stores all eight settings and changes the sound from
// the next frame on: the model, told the stored settings at the same moment, stays in step.
TEST_F(CompressorDialog, ASliderMoveStoresAllEightSettingsAndChangesTheCoefficients) {
    CompressorModel model(storedSettings());
    std::vector<float> in(2 * KLV_PLUGIN_BLOCK_FRAMES * 8);
    for (size_t k = 0; k < in.size() / 2; ++k) {
        const float x = static_cast<float>(0.9 * std::sin(2 * M_PI * 200 * k / 44100.0));
        in[2 * k] = x;
        in[2 * k + 1] = -x;
    }
    EXPECT_LT(largestDifference(m_plugin.run(in), model.run(in)), 2e-5);

    ASSERT_TRUE(m_windows.moveTrackbar(m_dialog, 1000, -12));
    const CompressorSettings stored = storedSettings();
    EXPECT_EQ((std::vector<int32_t>(stored.value, stored.value + 8)),
              (std::vector<int32_t>{-12, 3, 100, 0, 30, 1, 1, 0}))
        << "all five slider positions, the release now the slider's";
    EXPECT_EQ(text(1008), "-12 db");
    EXPECT_EQ(text(1010), "1000 ms");

    model.configure(stored);
    EXPECT_LT(largestDifference(m_plugin.run(in), model.run(in)), 2e-5);

    const struct {
        int32_t id, position;
        int index;
        const char* label;
    } moves[] = {
        {1001, 57, 1, "5.7 ms"}, {1002, 5, 2, "50 ms"}, {1003, 7, 3, "7 db"}, {1004, 0, 4, "0.0"}};
    for (const auto& m : moves) {
        SCOPED_TRACE(m.id);
        ASSERT_TRUE(m_windows.moveTrackbar(m_dialog, m.id, m.position, KLV_TB_ENDTRACK));
        const CompressorSettings now = storedSettings();
        EXPECT_EQ(now.value[m.index], m.position);
        EXPECT_EQ(text(m.id + 8), m.label);
        model.configure(now);
        EXPECT_LT(largestDifference(m_plugin.run(in), model.run(in)), 2e-5);
    }
}

TEST_F(CompressorDialog, SwitchesStoreTheirStateAndOkClosesWithoutStoring) {
    const struct {
        int32_t id;
        int index;
        int32_t after;
    } presses[] = {{1005, 5, 0}, {1006, 6, 0}, {1007, 7, 1}, {1005, 5, 1}};
    CompressorModel model(storedSettings());
    const std::vector<float> in = std::vector<float>(2 * KLV_PLUGIN_BLOCK_FRAMES, 0.95f);
    for (const auto& p : presses) {
        SCOPED_TRACE(p.id);
        ASSERT_TRUE(m_windows.pressButton(m_dialog, p.id));
        const CompressorSettings now = storedSettings();
        EXPECT_EQ(now.value[p.index], p.after);
        model.configure(now);
        EXPECT_LT(largestDifference(m_plugin.run(in), model.run(in)), 2e-5);
    }
    // OK closes the window and stores nothing.
    storeSetting(0, 7);
    ASSERT_TRUE(m_windows.pressButton(m_dialog, 1));
    EXPECT_FALSE(m_windows.dialog(m_dialog).has_value());
    EXPECT_EQ(storedSettings().value[0], 7);
}

TEST_F(CompressorDialog, ClosingTheWindowStoresNothing) {
    storeSetting(2, 42);
    ASSERT_TRUE(m_windows.closeDialog(m_dialog));
    EXPECT_FALSE(m_windows.dialog(m_dialog).has_value());
    EXPECT_EQ(storedSettings().value[2], 42);
}

TEST_F(CompressorDialog, EveryCallOpensAnotherWindowAndUnloadingClosesThemAll) {
    const intptr_t second = m_plugin.settings(99);
    EXPECT_NE(second, 0);
    EXPECT_NE(second, m_dialog);
    EXPECT_EQ(m_windows.dialogs().size(), 2u);
    m_plugin.uninit();
    EXPECT_TRUE(m_windows.dialogs().empty()) << "no dialog outlives the library's code";
}

// A window system that cannot make the dialog.
class NoDialogs : public platform::HeadlessWindowSystem {
public:
    platform::WindowHandle createDialog(platform::WindowHandle, const KlvDialogTemplate&,
                                        KlvDialogProc, void*) override {
        return 0;
    }
};

TEST_F(CompressorTest, ADialogThatCannotBeMadeIsReported) {
    NoDialogs windows;
    platform::setWindowSystem(&windows);
    m_plugin.start();
    EXPECT_EQ(m_plugin.settings(12), 0);
    const auto boxes = windows.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Can't create dialog :(");
    EXPECT_EQ(boxes[0].caption, "Settings Dialog Failed");
    EXPECT_EQ(boxes[0].flags & platform::kMbIconMask, platform::kMbIconExclamation);
    EXPECT_EQ(boxes[0].owner, 12);
    platform::setWindowSystem(&m_windows);
}

} // namespace
} // namespace klv::test
