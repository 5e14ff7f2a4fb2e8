#pragma once
// What the options dialog shows for the values of the OptionsRecord: the fixed lists, the
// colour boxes and elements, the device entries, the fixed-width text fields, and the rules
// that decide between a plain save and an audio restart. Kept apart from the widgets so that
// the rules can be checked without a dialog.

#include "klv3.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <cstdint>

namespace klv::app {

// The page captions of the list on the dialog's left, in page order.
enum OptionsPageIndex : int {
    kPageGeneral,
    kPageDisplay,
    kPageColors,
    kPageAudioDevices,
    kPagePlayback,
    kPageCrossfader,
    kPageFileNavigator,
    kPageStatusMessages,
    kPageFeatureLock,
    kPageCount
};
QStringList optionsPageCaptions();

// List entries and option buttons in index order.
QStringList reopenCaptions();      // opReopen
QStringList confirmExitCaptions(); // opConfirmExit
QStringList timeScaleCaptions();   // opTimeScale
QStringList overSampleEntries();   // cmbOSamp
QStringList pitchRangeEntries();   // cmbPercent
QStringList crossfadeEntries(); // cmbXFade: "No Crossfade", "1 Second", "2 Seconds".."10 Seconds"
QStringList fadeSpeedEntries(); // cmbFadeSpeed
// cmbNumLines: "2" up to maxLines (at least "2", so the list is never empty).
QStringList numLinesEntries(int32_t maxLines);

// Which entry a stored value selects. Values outside the list wrap the way the dialog has
// always read them (Reopen 4 selects entry 1); negative values count as 0.
int entryForValue(int32_t value, int entryCount);
// cmbNumLines: list position NumLines - 2, kept inside the list.
int numLinesEntry(int32_t numLines, int entryCount);

// The threshold slider's label: tenths of a percent with one decimal, 15 -> "1.5%".
QString thresholdText(int32_t tenths);

// "ID <n>: <name>"
QString deviceEntry(uint32_t id, const QString& name);
// One entry for every wave output device of the platform, in device order.
QStringList waveDeviceEntries();

// The colour elements of cmbElement, in list order.
enum ColorElement : int {
    kTextLabels,
    kBackground,
    kLitSegment,
    kDimSegment,
    kLedBackground,
    kFocusRectangle,
    kColorElementCount
};
QStringList colorElementCaptions();
// The record field an element edits.
int32_t& colorField(OptionsRecord& record, int element);
int32_t colorField(const OptionsRecord& record, int element);

// The 48 colour boxes, 6 rows of 8, index = row * 8 + column, as colour references 0x00BBGGRR.
constexpr int kColorBoxRows = 6;
constexpr int kColorBoxColumns = 8;
constexpr int kColorBoxCount = kColorBoxRows * kColorBoxColumns;
const std::array<int32_t, kColorBoxCount>& colorBoxes();
// The first box showing colour, or -1 when none does.
int colorBoxOf(int32_t colour);

// The sample picture's height in twips and the element under a point that height from its top.
constexpr int32_t kSampleHeightTwips = 1200;
int colorElementAtHeight(int32_t twipsFromTop, int32_t pictureHeightTwips);
// The middle of an element's band, where the marker arrow points.
int32_t colorElementMarkTwips(int element, int32_t pictureHeightTwips);

// Fixed-width text fields: read trimmed (cut at a zero byte when there is one); written padded
// with spaces, cut at a whole character when the text is longer than the field.
QString optionText(const char* field, size_t width);
void setOptionText(char* field, size_t width, const QString& text);
template <size_t N> QString optionText(const char (&field)[N]) {
    return optionText(field, N);
}
template <size_t N> void setOptionText(char (&field)[N], const QString& text) {
    setOptionText(field, N, text);
}

// The audio must restart when a device field or WinVersion5 differs between the records.
bool audioRestartNeeded(const OptionsRecord& copy, const OptionsRecord& live);
// The one refused input: the secondary device on and equal to the primary.
bool devicesClash(const OptionsRecord& record);
inline const char* const kDeviceClashCaption = "Audio Device Selection Error";
QString deviceClashMessage();

} // namespace klv::app
