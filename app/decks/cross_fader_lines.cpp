// What the crossfader's values do to the lines assigned to its sides.

#include "app/decks/cross_fader.h"
#include "app/decks/line_control.h"
#include "app/shell/desk.h"

#include <vector>

namespace klv::app {

void applyCrossFaderValues(Desk& desk, int32_t left, int32_t right) {
    for (int n = 0; n < desk.lineCount(); ++n) {
        LineControl* line = desk.line(n);
        if (!line)
            continue;
        if (line->xfSide() == 1)
            line->setXFValue(left);
        else if (line->xfSide() == 2)
            line->setXFValue(right);
    }
}

void swapCrossFaderSides(Desk& desk) {
    CrossFader* fader = desk.crossFader();
    std::vector<LineControl*> wasLeft;
    std::vector<LineControl*> wasRight;
    for (int n = 0; n < desk.lineCount(); ++n) {
        if (LineControl* line = desk.line(n); line && line->xfSide() == 1)
            wasLeft.push_back(line);
        else if (line && line->xfSide() == 2)
            wasRight.push_back(line);
    }
    // A line takes its new side only after every line has been read, so that assigning one
    // side (which empties it first) never moves a line that has already changed sides.
    for (LineControl* line : wasLeft)
        line->toggleXFSide(2);
    for (LineControl* line : wasRight)
        line->toggleXFSide(1);
    if (!fader)
        return;
    // Each line keeps its gain: the line now on the right had the left value, and the mirrored
    // knob gives the right side exactly that value.
    for (LineControl* line : wasLeft)
        line->setXFValue(fader->valueLeft());
    for (LineControl* line : wasRight)
        line->setXFValue(fader->valueRight());
    fader->xfReverse();
}

} // namespace klv::app
