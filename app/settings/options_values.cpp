#include "app/settings/options_values.h"

#include "platform/audio/wave_out.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace klv::app {

namespace {

// The boxes are written as the colours read (red, green, blue); records keep red lowest.
constexpr int32_t fromRgb(uint32_t rgb) {
    return static_cast<int32_t>(((rgb & 0xFF0000) >> 16) | (rgb & 0x00FF00) |
                                ((rgb & 0x0000FF) << 16));
}

// Upper limits of the sample picture's bands, in twips from its top.
constexpr int32_t kTextLabelsEnd = 240;
constexpr int32_t kBackgroundEnd = 435;
constexpr int32_t kLitSegmentEnd = 645;
constexpr int32_t kDimSegmentEnd = 840;
constexpr int32_t kFocusBand = 120;

} // namespace

QStringList optionsPageCaptions() {
    return {QStringLiteral("General"),        QStringLiteral("Display"),
            QStringLiteral("Colors"),         QStringLiteral("Audio Devices"),
            QStringLiteral("Playback"),       QStringLiteral("Crossfader"),
            QStringLiteral("File Navigator"), QStringLiteral("Status Messages"),
            QStringLiteral("Feature Lock")};
}

QStringList reopenCaptions() {
    return {QStringLiteral("Never &Re-Open Files"),
            QStringLiteral("Files on &Local Hard Disk Only"),
            QStringLiteral("All &Files Previously Opened")};
}

QStringList confirmExitCaptions() {
    return {QStringLiteral("Always Con&firm"), QStringLiteral("&When Files are Playing"),
            QStringLiteral("N&ever Confirm")};
}

QStringList timeScaleCaptions() {
    return {QStringLiteral("Adjust Speed and &Pitch (Faster)"),
            QStringLiteral("Adjust &Tempo (More CPU)")};
}

QStringList overSampleEntries() {
    return {QStringLiteral("4x (75%)"), QStringLiteral("8x (87%)")};
}

QStringList pitchRangeEntries() {
    return {QStringLiteral("8 Percent"), QStringLiteral("16 Percent"), QStringLiteral("50 Percent"),
            QStringLiteral("100 Percent")};
}

QStringList crossfadeEntries() {
    QStringList entries{QStringLiteral("No Crossfade"), QStringLiteral("1 Second")};
    for (int seconds = 2; seconds <= 10; ++seconds)
        entries << QStringLiteral("%1 Seconds").arg(seconds);
    return entries;
}

QStringList fadeSpeedEntries() {
    return {QStringLiteral("Slow"), QStringLiteral("Medium"), QStringLiteral("Fast"),
            QStringLiteral("Very Fast"), QStringLiteral("Ludicrous")};
}

QStringList numLinesEntries(int32_t maxLines) {
    QStringList entries;
    for (int32_t n = 2; n <= std::max<int32_t>(2, maxLines); ++n)
        entries << QString::number(n);
    return entries;
}

int entryForValue(int32_t value, int entryCount) {
    if (entryCount <= 0 || value <= 0)
        return 0;
    return value % entryCount;
}

int numLinesEntry(int32_t numLines, int entryCount) {
    return std::clamp(numLines - 2, 0, std::max(0, entryCount - 1));
}

QString thresholdText(int32_t tenths) {
    return QStringLiteral("%1%").arg(tenths / 10.0, 0, 'f', 1);
}

QString deviceEntry(uint32_t id, const QString& name) {
    return QStringLiteral("ID %1: %2").arg(id).arg(name);
}

QStringList waveDeviceEntries() {
    QStringList entries;
    const uint32_t count = platform::waveOutGetNumDevs();
    for (uint32_t id = 0; id < count; ++id) {
        std::string name;
        platform::waveOutGetDeviceName(id, name);
        entries << deviceEntry(id, QString::fromStdString(name));
    }
    return entries;
}

QStringList colorElementCaptions() {
    return {QStringLiteral("KLV Interface - Text Labels"),
            QStringLiteral("KLV Interface - Background"),
            QStringLiteral("LED Display - Lighted Segment"),
            QStringLiteral("LED Display - Dimmed Segment"),
            QStringLiteral("LED Display - Background"),
            QStringLiteral("KLV Interface - Focus Rectangle")};
}

int32_t& colorField(OptionsRecord& record, int element) {
    switch (element) {
    case kTextLabels:
        return record.TextColor;
    case kBackground:
        return record.BackColor;
    case kLitSegment:
        return record.LCDLitColor;
    case kDimSegment:
        return record.LCDDimColor;
    case kLedBackground:
        return record.LCDBackColor;
    default:
        return record.FocusColor;
    }
}

int32_t colorField(const OptionsRecord& record, int element) {
    return colorField(const_cast<OptionsRecord&>(record), element);
}

const std::array<int32_t, kColorBoxCount>& colorBoxes() {
    static constexpr std::array<int32_t, kColorBoxCount> kBoxes = {
        fromRgb(0xFFFFFF), fromRgb(0xFFC0C0), fromRgb(0xFFE0C0), fromRgb(0xFFFFC0),
        fromRgb(0xC0FFC0), fromRgb(0xC0FFFF), fromRgb(0xC0C0FF), fromRgb(0xFFC0FF),
        fromRgb(0xE0E0E0), fromRgb(0xFF8080), fromRgb(0xFFC080), fromRgb(0xFFFF80),
        fromRgb(0x80FF80), fromRgb(0x80FFFF), fromRgb(0x8080FF), fromRgb(0xFF80FF),
        fromRgb(0xC0C0C0), fromRgb(0xFF0000), fromRgb(0xFF8000), fromRgb(0xFFFF00),
        fromRgb(0x00FF00), fromRgb(0x00FFFF), fromRgb(0x0000FF), fromRgb(0xFF00FF),
        fromRgb(0x808080), fromRgb(0xC00000), fromRgb(0xC04000), fromRgb(0xC0C000),
        fromRgb(0x00C000), fromRgb(0x00C0C0), fromRgb(0x0000C0), fromRgb(0xC000C0),
        fromRgb(0x404040), fromRgb(0x800000), fromRgb(0x804000), fromRgb(0x808000),
        fromRgb(0x008000), fromRgb(0x008080), fromRgb(0x000080), fromRgb(0x800080),
        fromRgb(0x000000), fromRgb(0x400000), fromRgb(0x402000), fromRgb(0x404000),
        fromRgb(0x004000), fromRgb(0x004040), fromRgb(0x000040), fromRgb(0x400040)};
    return kBoxes;
}

int colorBoxOf(int32_t colour) {
    const auto& boxes = colorBoxes();
    const auto it = std::find(boxes.begin(), boxes.end(), colour);
    return it == boxes.end() ? -1 : static_cast<int>(it - boxes.begin());
}

int colorElementAtHeight(int32_t twipsFromTop, int32_t pictureHeightTwips) {
    if (twipsFromTop >= pictureHeightTwips - kFocusBand)
        return kFocusRectangle;
    if (twipsFromTop < kTextLabelsEnd)
        return kTextLabels;
    if (twipsFromTop < kBackgroundEnd)
        return kBackground;
    if (twipsFromTop < kLitSegmentEnd)
        return kLitSegment;
    if (twipsFromTop < kDimSegmentEnd)
        return kDimSegment;
    return kLedBackground;
}

int32_t colorElementMarkTwips(int element, int32_t pictureHeightTwips) {
    switch (element) {
    case kTextLabels:
        return kTextLabelsEnd / 2;
    case kBackground:
        return (kTextLabelsEnd + kBackgroundEnd) / 2;
    case kLitSegment:
        return (kBackgroundEnd + kLitSegmentEnd) / 2;
    case kDimSegment:
        return (kLitSegmentEnd + kDimSegmentEnd) / 2;
    case kLedBackground:
        return (kDimSegmentEnd + pictureHeightTwips - kFocusBand) / 2;
    default:
        return pictureHeightTwips - kFocusBand / 2;
    }
}

QString optionText(const char* field, size_t width) {
    const char* end = static_cast<const char*>(std::memchr(field, '\0', width));
    const size_t length = end ? static_cast<size_t>(end - field) : width;
    const QString text = QString::fromUtf8(field, static_cast<qsizetype>(length));
    // A zero byte means the engine wrote the text: it is taken as it is.
    return end ? text : text.trimmed();
}

void setOptionText(char* field, size_t width, const QString& text) {
    QByteArray bytes = text.toUtf8();
    if (static_cast<size_t>(bytes.size()) > width) {
        // Never leave half a character behind: readers decode the field as UTF-8.
        qsizetype cut = static_cast<qsizetype>(width);
        while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
            --cut;
        bytes.truncate(cut);
    }
    const size_t n = static_cast<size_t>(bytes.size());
    std::memcpy(field, bytes.constData(), n);
    std::memset(field + n, ' ', width - n);
}

bool audioRestartNeeded(const OptionsRecord& copy, const OptionsRecord& live) {
    return copy.PrimaryDevice != live.PrimaryDevice ||
           copy.SecondaryDevice != live.SecondaryDevice || copy.UseSecondary != live.UseSecondary ||
           copy.WinVersion5 != live.WinVersion5;
}

bool devicesClash(const OptionsRecord& record) {
    return record.UseSecondary != 0 && record.PrimaryDevice == record.SecondaryDevice;
}

QString deviceClashMessage() {
    return QStringLiteral("You must choose two different sound cards for the Preview/CUE "
                          "function. Please change one of your sound devices, or uncheck "
                          "\"Enable Secondary Device\"");
}

} // namespace klv::app
