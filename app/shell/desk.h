#pragma once
// What the parts of the mixing desk ask of each other. The main window is the desk in the
// program; tests hand the controls a small desk of their own (tests/app/test_desk.h), so a line
// or the master section can be driven without the whole window around it.
// [ui-thread] Every call here runs on the user-interface thread.

#include "app/shell/program_state.h"

#include <QString>

#include <cstdint>

class QWidget;

namespace klv::app {

class LineControl;   // ctlLine, app/decks/line_control.h
class MasterSection; // ctlMain, app/decks/master_section.h
class CrossFader;    // ctlCrossFader, app/decks/cross_fader.h
class Navigator;     // frmNavigator, app/browser/navigator_window.h

class Desk {
public:
    virtual ~Desk() = default;

    virtual ProgramState& state() = 0;
    // The window that owns the desk's dialogs and boxes.
    virtual QWidget* owner() = 0;

    // The lines, numbered 0..lineCount()-1; line() is null for a number that does not exist.
    virtual int lineCount() const = 0;
    virtual LineControl* line(int number) = 0;
    // Null until they exist (and in tests that do without them).
    virtual MasterSection* master() = 0;
    virtual CrossFader* crossFader() = 0;
    // Null while the navigator is closed.
    virtual Navigator* navigator() = 0;

    // A message for the user: up to StatusLevel in the status bar, above it a box.
    virtual void routeMessage(const QString& text, int32_t level, int32_t helpContext) = 0;

    // Update: creates or removes lines to match NumLines and lays the desk out; noLoad 1 keeps new
    // lines from re-opening their last files.
    virtual void updateDesk(int32_t noLoad) = 0;
    // Empties one crossfader side (1 left, 2 right) on every line that is on it.
    virtual void clearXF(int32_t side) = 0;
    // Every line on the left goes right and the other way round.
    virtual void swapXFader() = 0;
    // Focus ring: from a line (its number) or from the master section (fromLine -1), d = -1/+1.
    virtual void changeFocus(int fromLine, int d) = 0;

    virtual bool fullScreen() const = 0;
    virtual void doFullScreen(bool on) = 0;
    // The program became open or locked; every control re-reads the lock.
    virtual void lockChange() = 0;

    // Time display mode handed to the engine with klvSetRemain.
    virtual int32_t timeRemain() const = 0;
    virtual void setTimeRemain(int32_t mode) = 0;

    // The master section's buttons: navigator shown/closed, options, plug-in manager.
    virtual void toggleNavigator() = 0;
    virtual void showOptions() = 0;
    virtual void showPluginManager() = 0;
};

} // namespace klv::app
