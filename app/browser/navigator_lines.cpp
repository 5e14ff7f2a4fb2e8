#include "app/browser/navigator_lines.h"

#include "app/decks/cross_fader.h"
#include "app/decks/line_control.h"
#include "app/shell/desk.h"

#include <QMenu>

namespace klv::app {

bool lineTakesFile(Desk& desk, int number) {
    const LineControl* line = desk.line(number);
    return line != nullptr && !line->areYouPlaying();
}

void loadOnLine(Desk& desk, int number, const QString& path) {
    LineControl* line = desk.line(number);
    if (line == nullptr || path.isEmpty() || line->areYouPlaying())
        return;
    line->loadFile(path);
}

int deskTopHeight(Desk& desk) {
    int height = 0;
    if (const LineControl* line = desk.line(0))
        height += line->height();
    if (const CrossFader* fader = desk.crossFader())
        height += fader->height();
    return height;
}

void fillLineMenu(Desk& desk, QMenu& submenu, const std::function<void(int)>& open) {
    for (int number = 0; number < desk.lineCount(); ++number) {
        QAction* item = submenu.addAction(QStringLiteral("Line %1").arg(number + 1));
        item->setEnabled(lineTakesFile(desk, number));
        QObject::connect(item, &QAction::triggered, &submenu, [open, number] { open(number); });
    }
}

} // namespace klv::app
