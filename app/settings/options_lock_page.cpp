#include "app/settings/options_lock_page.h"

#include "app/settings/feature_lock.h"
#include "app/settings/feature_lock_page.h"
#include "app/settings/folder_browser.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace klv::app {

LockPage::LockPage(OptionsRecord& copy, FeatureLock& lock, QWidget* parent)
    : OptionsPage(copy, parent), m_lock(lock) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* password = new QGroupBox(QStringLiteral("Password"), this);
    auto* passwordLayout = new QHBoxLayout(password);
    auto* note = new QLabel(QString::fromLatin1(kFeatureLockNote), password);
    note->setWordWrap(true);
    m_password = new QPushButton(password);
    m_password->setObjectName(QStringLiteral("cmdPassword"));
    passwordLayout->addWidget(note, 1);
    passwordLayout->addWidget(m_password);
    layout->addWidget(password);

    m_features = new QGroupBox(QStringLiteral("Features to Restrict:"), this);
    m_features->setObjectName(QStringLiteral("fraFeatures"));
    auto* features = new QGridLayout(m_features);
    m_lockEnabled = flagBox(QStringLiteral("&Require Authentication for the Following Features:"),
                            &OptionsRecord::LockEnabled, "chkLockEnabled");
    features->addWidget(m_lockEnabled, 0, 0, 1, 3);
    features->setColumnMinimumWidth(0, 20);
    m_featureBoxes = {
        flagBox(QStringLiteral("Change Program &Options"), &OptionsRecord::LockOptions,
                "chkLockOptions"),
        flagBox(QStringLiteral("Manage Plu&gins"), &OptionsRecord::LockPlugins, "chkLockPlugins"),
        flagBox(QStringLiteral("Modify &ID3 Tags"), &OptionsRecord::LockID3, "chkLockID3"),
    };
    m_lockNav = flagBox(QStringLiteral("Restrict the &Navigator to this Folder:"),
                        &OptionsRecord::LockNav, "chkLockNav");
    m_featureBoxes.push_back(m_lockNav);
    int row = 1;
    for (QCheckBox* box : m_featureBoxes)
        features->addWidget(box, row++, 1, 1, 2);
    m_navDir = textBox(&OptionsRecord::NavDir, "txtNavDir");
    m_browse = new QPushButton(QStringLiteral("&Browse..."), m_features);
    m_browse->setObjectName(QStringLiteral("cmdBrowse"));
    auto* folderRow = new QHBoxLayout;
    folderRow->addSpacing(20);
    folderRow->addWidget(m_navDir, 1);
    folderRow->addWidget(m_browse);
    features->addLayout(folderRow, row, 1, 1, 2);
    features->setColumnStretch(2, 1);
    layout->addWidget(m_features);
    layout->addStretch(1);

    connect(m_password, &QPushButton::clicked, this, &LockPage::changePassword);
    connect(m_browse, &QPushButton::clicked, this, &LockPage::browse);
    onRefresh([this] { applyEnabling(); });
}

void LockPage::applyEnabling() {
    const FeatureLockPageState state = featureLockPageState(
        FeatureLock::hasPassword(), m_lockEnabled->isChecked(), m_lockNav->isChecked());
    m_password->setText(state.passwordCaption);
    if (m_lockEnabled->isChecked() != state.lockEnabledChecked)
        m_lockEnabled->setChecked(state.lockEnabledChecked); // writes the copy and refreshes
    m_lockEnabled->setEnabled(state.lockEnabledEnabled);
    m_features->setEnabled(state.frameEnabled);
    for (QCheckBox* box : m_featureBoxes)
        box->setEnabled(state.featureBoxesEnabled);
    m_navDir->setEnabled(state.navDirEnabled);
    m_browse->setEnabled(state.navDirEnabled);
}

void LockPage::changePassword() {
    if (!m_lock.changePassword())
        return;
    refresh();
    emit edited();
}

void LockPage::browse() {
    const QString start = m_navDir->text();
    const QString chosen = m_chooseFolder
                               ? m_chooseFolder(window(), start)
                               : browseForFolder(window(), QStringLiteral("Choose Folder"), start);
    if (!chosen.isEmpty())
        m_navDir->setText(chosen);
}

} // namespace klv::app
