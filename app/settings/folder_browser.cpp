#include "app/settings/folder_browser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>

#include <memory>

namespace klv::app {

QFileDialog* makeFolderBrowser(QWidget* owner, const QString& title, const QString& startFolder) {
    auto* dialog = new QFileDialog(owner, title);
    dialog->setObjectName(QStringLiteral("folderBrowser"));
    dialog->setFileMode(QFileDialog::Directory);
    // Qt's own dialog: folders only, and room for the status line.
    dialog->setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);

    auto* status = new QLabel(dialog);
    status->setObjectName(QStringLiteral("status"));
    status->setTextFormat(Qt::PlainText);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout()))
        grid->addWidget(status, grid->rowCount(), 0, 1, grid->columnCount());
    QObject::connect(dialog, &QFileDialog::currentChanged, status, &QLabel::setText);

    // Opened in the start folder's parent with the start folder selected.
    const QFileInfo start(startFolder);
    if (!startFolder.isEmpty() && start.isDir()) {
        const QString absolute = start.absoluteFilePath();
        QDir parent(absolute);
        if (parent.cdUp() && absolute != parent.absolutePath()) {
            dialog->setDirectory(parent);
            dialog->selectFile(absolute);
        } else {
            dialog->setDirectory(absolute);
        }
        status->setText(absolute);
    } else {
        dialog->setDirectory(QDir::homePath());
    }
    return dialog;
}

QString browseForFolder(QWidget* owner, const QString& title, const QString& startFolder) {
    std::unique_ptr<QFileDialog> dialog(makeFolderBrowser(owner, title, startFolder));
    if (dialog->exec() != QDialog::Accepted)
        return QString();
    const QStringList chosen = dialog->selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

} // namespace klv::app
