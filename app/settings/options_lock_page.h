#pragma once
// 8 "Feature Lock": the administrator password and the features it guards. [ui-thread]

#include "app/settings/options_page.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace klv::app {

class FeatureLock;

class LockPage final : public OptionsPage {
    Q_OBJECT
public:
    LockPage(OptionsRecord& copy, FeatureLock& lock, QWidget* parent = nullptr);

    // "S&et" / "Chang&e": asks for the new password twice and stores it.
    void changePassword();
    // "Browse...": the folder browser, starting at the folder in the text box.
    void browse();

    // The folder browser; tests answer it without a dialog.
    using FolderChooser = std::function<QString(QWidget* owner, const QString& start)>;
    void setFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }

private:
    void applyEnabling();

    FeatureLock& m_lock;
    QPushButton* m_password;
    QGroupBox* m_features;
    QCheckBox* m_lockEnabled;
    QCheckBox* m_lockNav;
    std::vector<QCheckBox*> m_featureBoxes;
    QLineEdit* m_navDir;
    QPushButton* m_browse;
    FolderChooser m_chooseFolder;
};

} // namespace klv::app
