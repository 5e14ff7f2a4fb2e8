#include "app/settings/plugin_manager.h"

#include "app/settings/feature_lock.h"
#include "app/shell/desk.h"
#include "app/shell/help_about.h"
#include "app/shell/qt_window_system.h"

#include "klv3.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace klv::app {

PluginManager::PluginManager(Desk& desk, std::vector<PluginEntry>& list,
                             std::filesystem::path folder, QWidget* parent)
    : QDialog(parent), m_desk(desk), m_rows(list), m_folder(std::move(folder)) {
    setWindowTitle(QStringLiteral("KLV3 Plugin Manager"));
    setModal(true);

    auto* frame = new QGroupBox(QStringLiteral("Audio Plugins"), this);
    m_list = new QListWidget(frame);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setMinimumSize(260, 200);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(m_list);

    m_refresh = new QPushButton(QStringLiteral("Refr&esh"), this);
    m_settings = new QPushButton(QStringLiteral("&Settings"), this);
    m_about = new QPushButton(QStringLiteral("A&bout"), this);
    m_moveUp = new QPushButton(QStringLiteral("Move &Up"), this);
    m_moveDown = new QPushButton(QStringLiteral("Move &Dn"), this);
    m_help = new QPushButton(QStringLiteral("&Help"), this);
    m_done = new QPushButton(QStringLiteral("D&one"), this);
    m_done->setDefault(true);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {m_settings, m_about, m_refresh}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addSpacing(12);
    for (QPushButton* button : {m_moveUp, m_moveDown}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    m_help->setAutoDefault(false);
    buttons->addWidget(m_help);
    buttons->addWidget(m_done);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);

    connect(m_list, &QListWidget::currentRowChanged, this, [this](int) {
        if (m_filling)
            return;
        if (const int row = selectedRow(); row >= 0)
            m_remembered = m_rows[static_cast<size_t>(row)].Filename;
        updateButtons();
    });
    connect(m_list, &QListWidget::itemChanged, this, &PluginManager::rowChecked);
    connect(m_refresh, &QPushButton::clicked, this, [this] {
        rebuild();
        m_list->setFocus();
    });
    connect(m_settings, &QPushButton::clicked, this, [this] {
        if (const int row = selectedRow(); row >= 0)
            klvShowSettings(m_rows[static_cast<size_t>(row)].ID, app::windowHandle(this));
    });
    connect(m_about, &QPushButton::clicked, this, [this] {
        if (const int row = selectedRow(); row >= 0)
            klvShowAbout(m_rows[static_cast<size_t>(row)].ID, app::windowHandle(this));
    });
    connect(m_moveUp, &QPushButton::clicked, this, [this] { moveRow(-1); });
    connect(m_moveDown, &QPushButton::clicked, this, [this] { moveRow(1); });
    connect(m_help, &QPushButton::clicked, this,
            [this] { showHelpTopic(app::windowHandle(this), kTopicPlugins); });
    connect(m_done, &QPushButton::clicked, this, &QDialog::accept);

    // Plug-ins own their windows through this dialog: it must be a known window for them.
    registerWindow(this);
    rebuild();
}

PluginManager::~PluginManager() {
    unregisterWindow(this);
}

int PluginManager::selectedRow() const {
    const int row = m_list->currentRow();
    return row >= 0 && row < static_cast<int>(m_rows.size()) ? row : -1;
}

void PluginManager::rebuild() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setEnabled(false);
    loadPlugins(m_rows, m_folder);
    showRows();
    setEnabled(true);
    QApplication::restoreOverrideCursor();
}

void PluginManager::showRows() {
    m_filling = true;
    m_list->clear();
    int select = m_rows.empty() ? -1 : 0;
    for (size_t r = 0; r < m_rows.size(); ++r) {
        const PluginEntry& row = m_rows[r];
        // A library found in this run has no name until the next rebuild validates it; its
        // file name says more than an empty line.
        const QString name =
            row.Name.empty()
                ? QString::fromStdString(std::filesystem::path(row.Filename).filename().string())
                : QString::fromStdString(row.Name);
        auto* item = new QListWidgetItem(name);
        item->setToolTip(QString::fromStdString(row.Filename));
        item->setData(Qt::UserRole, static_cast<int>(r));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(row.ID >= 0 ? Qt::Checked : Qt::Unchecked);
        m_list->addItem(item);
        if (!m_remembered.empty() && row.Filename == m_remembered)
            select = static_cast<int>(r);
    }
    m_list->setCurrentRow(select);
    m_filling = false;
    updateButtons();
}

void PluginManager::updateButtons() {
    const int row = selectedRow();
    const int count = static_cast<int>(m_rows.size());
    const bool loaded = row >= 0 && m_rows[static_cast<size_t>(row)].ID >= 0;
    m_settings->setEnabled(count > 0 && loaded);
    m_about->setEnabled(count > 0 && loaded);
    m_moveUp->setEnabled(row > 0);
    m_moveDown->setEnabled(row >= 0 && row < count - 1);
}

void PluginManager::rowChecked(QListWidgetItem* item) {
    if (m_filling || !item)
        return;
    const int r = item->data(Qt::UserRole).toInt();
    if (r < 0 || r >= static_cast<int>(m_rows.size()))
        return;
    PluginEntry& row = m_rows[static_cast<size_t>(r)];
    m_remembered = row.Filename;
    if (row.ID >= 0) {
        klvUnloadPlugin(row.ID);
        row.ID = -1;
    } else {
        // The engine runs the plug-ins in list order: a new one goes before the first loaded
        // row below it.
        int32_t position = -1;
        for (size_t later = static_cast<size_t>(r) + 1; later < m_rows.size(); ++later) {
            if (m_rows[later].ID >= 0) {
                position = m_rows[later].ID;
                break;
            }
        }
        row.ID = klvLoadPlugin(row.Filename.c_str(), position);
    }
    loadPlugins(m_rows, m_folder);
    // The check box shows what the engine holds now; a library that failed stays unchecked.
    // The item that sent this signal must outlive it, so the list is redrawn afterwards.
    QMetaObject::invokeMethod(this, &PluginManager::showRows, Qt::QueuedConnection);
    updateButtons();
}

void PluginManager::moveRow(int direction) {
    const int a = selectedRow();
    const int b = a + direction;
    if (a < 0 || b < 0 || b >= static_cast<int>(m_rows.size()))
        return;
    PluginEntry& rowA = m_rows[static_cast<size_t>(a)];
    PluginEntry& rowB = m_rows[static_cast<size_t>(b)];
    std::swap(rowA.Filename, rowB.Filename);
    std::swap(rowA.Name, rowB.Name);
    // With one of them not loaded the engine has nothing to exchange: the IDs go with their
    // libraries instead.
    if (klvSwapPlugins(rowA.ID, rowB.ID) != 0)
        std::swap(rowA.ID, rowB.ID);
    rebuild();
    m_list->setFocus();
}

void PluginManager::done(int result) {
    // The options go back to the store as they are; the engine's copy is refreshed with them.
    klvSaveOptions(&m_desk.state().options);
    QDialog::done(result);
}

void showPluginManager(Desk& desk) {
    if (!featureLock().mayOpen(GuardedFeature::Plugins))
        return;
    PluginManager dialog(desk, pluginList(), pluginFolder(), desk.owner());
    dialog.exec();
}

} // namespace klv::app
