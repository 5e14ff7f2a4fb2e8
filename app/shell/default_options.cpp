#include "app/shell/default_options.h"

#include <sys/utsname.h>

#include <algorithm>
#include <cstring>

namespace klv::app {

namespace {

// Colour references keep red in the low byte: 0x00BBGGRR.
constexpr int32_t kLcdLit = 0xFFC800; // red 0, green 200, blue 255
constexpr int32_t kLcdDim = 0x302400; // red 0, green 36, blue 48
constexpr int32_t kGrey = 0xC0C0C0;
constexpr int32_t kFocus = 0x28DC00; // red 0, green 220, blue 40

template <size_t N> void putText(char (&field)[N], std::string_view text) {
    putOptionText(field, N, text);
}

} // namespace

void putOptionText(char* field, size_t width, std::string_view text) {
    const size_t n = std::min(width, text.size());
    std::memcpy(field, text.data(), n);
    std::memset(field + n, ' ', width - n);
}

int32_t winVersion5FromRelease(std::string_view release) {
    int32_t major = 0;
    size_t i = 0;
    for (; i < release.size() && release[i] >= '0' && release[i] <= '9'; ++i) {
        major = major * 10 + (release[i] - '0');
        if (major >= 5)
            return 1; // more digits can only make it larger
    }
    return 0;
}

int32_t systemWinVersion5() {
    utsname name{};
    if (uname(&name) != 0)
        return 0;
    return winVersion5FromRelease(name.release);
}

int32_t maxLinesForWidth(int32_t screenWidthPx) {
    // An unknown (0) or tiny screen fits no line at all.
    return std::max(0, (screenWidthPx - 180) / 90);
}

int32_t clampNumLines(int32_t numLines, int32_t maxLines) {
    if (numLines > maxLines)
        numLines = maxLines;
    if (numLines < 2)
        numLines = 2;
    return numLines;
}

void assignDefaultOptions(OptionsRecord& r) {
    std::memset(&r, 0, sizeof(r));
    r.PrimaryDevice = 0;
    r.SecondaryDevice = 0;
    r.FadeSpeed = 1;
    r.ResetPitch = 1;
    r.UseSecondary = 0;
    r.SkipSilence = 1;
    r.SilenceThreshold = 15;
    r.Reopen = 1;
    r.Clock12Hour = 1;
    r.AutoPlay = 0;
    r.NoDropPlaying = 1;
    r.NoOpenPlaying = 1;
    r.NumLines = 6;
    r.InvertPitch = 0;
    r.HeadphoneMode = 0;
    r.PreFader = 1;
    r.LCDBackColor = 0x000000;
    r.LCDLitColor = kLcdLit;
    r.LCDDimColor = kLcdDim;
    r.TextColor = kGrey;
    r.BackColor = 0x000000;
    r.EnsureOn = 1;
    r.TimeScale = 1;
    r.PitchRange = 0;
    r.OverSample = 0;
    r.ConfirmExit = 1;
    r.XFade = 1;
    r.FocusColor = kFocus;
    r.Bold = 0;
    r.SmallFont = 0;
    r.RemQueue1 = 1;
    r.RemQueue2 = 0;
    r.NoDupes1 = 1;
    r.NoDupes2 = 1;
    putText(r.QueueName1, "Requests");
    putText(r.QueueName2, "Popular Songs");
    r.ShowClock = 1;
    r.WinVersion5 = systemWinVersion5();
    r.Reserved1 = 0;
    r.StatusLevel = 1;
    r.LockEnabled = 0;
    r.LockOptions = 1;
    r.LockPlugins = 1;
    r.LockNav = 0;
    r.LockID3 = 1;
    // The navigator's lock folder: the file system root stands where a drive root would.
    putText(r.NavDir, "/");
    putText(r.ID3Format[0], "%G");
    putText(r.ID3Format[1], "%A");
    putText(r.ID3Format[2], "%T");
    putText(r.NoID3Format[0], "<No ID3 Tag>");
    putText(r.NoID3Format[1], "%D1");
    putText(r.NoID3Format[2], "%F");
}

} // namespace klv::app
