#pragma once
// The folder browser: a folder chooser that starts with the start folder selected and shows
// the selected path in a status line under the list. [ui-thread]

#include <QString>

class QFileDialog;
class QWidget;

namespace klv::app {

// The chosen folder, or an empty text when the user cancelled.
QString browseForFolder(QWidget* owner, const QString& title, const QString& startFolder);

// The dialog browseForFolder runs, for callers that want to show it themselves.
QFileDialog* makeFolderBrowser(QWidget* owner, const QString& title, const QString& startFolder);

} // namespace klv::app
