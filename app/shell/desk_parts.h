#pragma once
// What the main window asks of the controls on the desk: the one place that knows the classes
// of the lines, the master section and the crossfader, so the window's own code reads as the
// desk's rules and not as the controls' interfaces. [ui-thread]

#include <QString>

#include <cstdint>

class QWidget;

namespace klv::app {

class Desk;
class LineControl;
class MasterSection;
class CrossFader;

QWidget* widgetOf(LineControl* line);
QWidget* widgetOf(MasterSection* master);
QWidget* widgetOf(CrossFader* fader);

// The lines. makeLine gives a line numbered number, a child of parent, not initialised yet.
LineControl* makeLine(Desk& desk, QWidget* parent, int number);
void initLine(LineControl& line, int32_t noLoad);
void cleanUpLine(LineControl& line);
void updateLine(LineControl& line);
void pauseLine(LineControl& line);
void stopLine(LineControl& line);
void clearLineXF(LineControl& line, int32_t side);
void openLineFile(LineControl& line, const QString& path);
void triggerLine(LineControl& line);

MasterSection* makeMaster(Desk& desk, QWidget* parent);
void initMaster(MasterSection& master);
void cleanUpMaster(MasterSection& master);
void updateMaster(MasterSection& master);
void updateMasterLockButton(MasterSection& master);
// klvStartVU on the section's VU picture.
void startMasterVU(MasterSection& master);

CrossFader* makeCrossFader(Desk& desk, QWidget* parent);
void updateCrossFader(CrossFader& fader);
// side 0 left, 1 right.
void setCrossFaderLabel(CrossFader& fader, int side, const QString& text);
// Every line on the left goes right and the other way round, each keeping its gain.
void swapCrossFaderSides(Desk& desk, CrossFader& fader);

} // namespace klv::app
