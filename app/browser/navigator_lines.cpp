#include "app/browser/navigator_lines.h"

#include "app/shell/desk.h"

#include <QMenu>

namespace klv::app {

bool lineTakesFile(Desk& desk, int number) {
    LineControl* line = desk.line(number);
    return line != nullptr;
}

void loadOnLine(Desk& desk, int number, const QString& path) {
    LineControl* line = desk.line(number);
    if (line == nullptr || path.isEmpty())
        return;
}

int deskTopHeight(Desk& desk) {
    (void)desk;
    return 0;
}

void fillLineMenu(Desk& desk, QMenu& submenu, const std::function<void(int)>& open) {
    for (int number = 0; number < desk.lineCount(); ++number) {
        QAction* item = submenu.addAction(QStringLiteral("Line %1").arg(number + 1));
        item->setEnabled(lineTakesFile(desk, number));
        QObject::connect(item, &QAction::triggered, &submenu, [open, number] { open(number); });
    }
}

} // namespace klv::app
