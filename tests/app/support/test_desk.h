#pragma once
// A desk for tests that drive single controls: it holds whatever lines, master section and
// crossfader a test gives it and records the calls the controls make on the desk.

#include "app/shell/desk.h"

#include <QWidget>

#include <utility>
#include <vector>

namespace klv::test {

class TestDesk : public app::Desk {
public:
    explicit TestDesk(app::ProgramState& state) : m_state(state) {}

    app::ProgramState& state() override { return m_state; }
    QWidget* owner() override { return &ownerWidget; }

    int lineCount() const override { return static_cast<int>(lines.size()); }
    app::LineControl* line(int number) override {
        return number >= 0 && number < lineCount() ? lines[static_cast<size_t>(number)] : nullptr;
    }
    app::MasterSection* master() override { return masterSection; }
    app::CrossFader* crossFader() override { return fader; }
    app::Navigator* navigator() override { return nav; }

    void routeMessage(const QString& text, int32_t level, int32_t helpContext) override {
        messages.push_back({text, level});
        (void)helpContext;
    }
    void updateDesk(int32_t noLoad) override { updates.push_back(noLoad); }
    void clearXF(int32_t side) override { clearedSides.push_back(side); }
    void swapXFader() override { ++swaps; }
    void changeFocus(int fromLine, int d) override { focusMoves.push_back({fromLine, d}); }
    bool fullScreen() const override { return full; }
    void doFullScreen(bool on) override { full = on; }
    void lockChange() override { ++lockChanges; }
    int32_t timeRemain() const override { return remain; }
    void setTimeRemain(int32_t mode) override { remain = mode; }
    void toggleNavigator() override { ++navigatorToggles; }
    void showOptions() override { ++optionsShown; }
    void showPluginManager() override { ++pluginManagerShown; }

    QWidget ownerWidget;
    std::vector<app::LineControl*> lines;
    app::MasterSection* masterSection = nullptr;
    app::CrossFader* fader = nullptr;
    app::Navigator* nav = nullptr;

    std::vector<std::pair<QString, int32_t>> messages;
    std::vector<int32_t> updates;
    std::vector<int32_t> clearedSides;
    std::vector<std::pair<int, int>> focusMoves;
    int swaps = 0;
    bool full = false;
    int lockChanges = 0;
    int32_t remain = 1;
    int navigatorToggles = 0;
    int optionsShown = 0;
    int pluginManagerShown = 0;

private:
    app::ProgramState& m_state;
};

} // namespace klv::test
