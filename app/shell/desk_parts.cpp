#include "app/shell/desk_parts.h"

// The controls are built by their own engineers; until a control exists here the desk simply
// has none of it, and every operation on it does nothing.

namespace klv::app {

QWidget* widgetOf(LineControl*) {
    return nullptr;
}
QWidget* widgetOf(MasterSection*) {
    return nullptr;
}
QWidget* widgetOf(CrossFader*) {
    return nullptr;
}

LineControl* makeLine(Desk&, QWidget*, int) {
    return nullptr;
}
void initLine(LineControl&, int32_t) {}
void cleanUpLine(LineControl&) {}
void updateLine(LineControl&) {}
void pauseLine(LineControl&) {}
void stopLine(LineControl&) {}
void clearLineXF(LineControl&, int32_t) {}
void swapLineSide(LineControl&, int32_t, int32_t) {}
void openLineFile(LineControl&, const QString&) {}
void triggerLine(LineControl&) {}

MasterSection* makeMaster(Desk&, QWidget*) {
    return nullptr;
}
void initMaster(MasterSection&) {}
void cleanUpMaster(MasterSection&) {}
void updateMaster(MasterSection&) {}
void updateMasterLockButton(MasterSection&) {}
int32_t startMasterVU(MasterSection&) {
    return -1;
}

CrossFader* makeCrossFader(Desk&, QWidget*) {
    return nullptr;
}
void updateCrossFader(CrossFader&) {}
int32_t crossFaderValueLeft(CrossFader&) {
    return 0;
}
int32_t crossFaderValueRight(CrossFader&) {
    return 0;
}
void setCrossFaderLabel(CrossFader&, int, const QString&) {}
void reverseCrossFader(CrossFader&) {}

} // namespace klv::app
