#include "app/shell/desk_parts.h"

#include "app/decks/cross_fader.h"
#include "app/decks/line_control.h"
#include "app/decks/master_section.h"

namespace klv::app {

QWidget* widgetOf(LineControl* line) {
    return line;
}
QWidget* widgetOf(MasterSection* master) {
    return master;
}
QWidget* widgetOf(CrossFader* fader) {
    return fader;
}

LineControl* makeLine(Desk& desk, QWidget* parent, int number) {
    return new LineControl(desk, number, parent);
}
void initLine(LineControl& line, int32_t noLoad) {
    line.init(noLoad);
}
void cleanUpLine(LineControl& line) {
    line.cleanUp();
}
void updateLine(LineControl& line) {
    line.updateLayout();
}
void pauseLine(LineControl& line) {
    line.pause();
}
void stopLine(LineControl& line) {
    line.doStop();
}
void clearLineXF(LineControl& line, int32_t side) {
    line.clearXF(side);
}
void openLineFile(LineControl& line, const QString& path) {
    line.openFile(path);
}
void triggerLine(LineControl& line) {
    line.trigger();
}

MasterSection* makeMaster(Desk& desk, QWidget* parent) {
    return new MasterSection(desk, parent);
}
void initMaster(MasterSection& master) {
    master.init();
}
void cleanUpMaster(MasterSection& master) {
    master.cleanUp();
}
void updateMaster(MasterSection& master) {
    master.updateLayout();
}
void updateMasterLockButton(MasterSection& master) {
    master.updateLockButton();
}
void startMasterVU(MasterSection& master) {
    master.startMeters();
}

CrossFader* makeCrossFader(Desk& desk, QWidget* parent) {
    return new CrossFader(desk, parent);
}
void updateCrossFader(CrossFader& fader) {
    fader.updateLayout();
}
void setCrossFaderLabel(CrossFader& fader, int side, const QString& text) {
    fader.setXFLabel(side, text);
}
void swapCrossFaderSides(Desk& desk, CrossFader&) {
    klv::app::swapCrossFaderSides(desk);
}

} // namespace klv::app
