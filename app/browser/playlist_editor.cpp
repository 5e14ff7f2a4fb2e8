#include "app/browser/playlist_editor.h"

#include "app/browser/file_drag.h"
#include "app/browser/playlist_list.h"
#include "app/shell/desk.h"
#include "app/shell/file_kinds.h"
#include "app/shell/qt_window_system.h"
#include "app/shell/text_helpers.h"
#include "klv3.h"
#include "platform/ui/window_system.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <array>

namespace klv::app {

namespace {

// Gaps between the buttons of the row, in pixels: the file buttons stand close together, the
// list buttons and Add a little apart from them.
constexpr int kButtonGap = 2;
constexpr int kGroupGap = 6;
constexpr int kButtonHeight = 24;
constexpr int kMinButtonWidth = 40;
constexpr int kListTop = kButtonHeight + 4;

const QString kDroppedPlaylistText =
    QStringLiteral("Do you want to add the contents of the new Playlist file to the current "
                   "Playlist?\r\n\r\n"
                   "    \u2022 Choose Yes to add the contents to the current Playlist\r\n"
                   "    \u2022 Choose No to open the new Playlist for Editing\r\n"
                   "    \u2022 Choose Cancel to take no action");

QByteArray engineText(const QString& text) {
    return text.toUtf8();
}

} // namespace

PlaylistEditor::PlaylistEditor(Desk& desk, QWidget* parent) : QWidget(parent), m_desk(desk) {
    m_new = makeButton(QStringLiteral("New"), QStringLiteral("New Playlist"));
    m_open = makeButton(QStringLiteral("Open"), QStringLiteral("Open Playlist"));
    m_save = makeButton(QStringLiteral("Save"), QStringLiteral("Save Playlist"));
    m_saveAs = makeButton(QStringLiteral("Save As"), QStringLiteral("Save Playlist As..."));
    m_sort = makeButton(QStringLiteral("Sort"), QStringLiteral("Sort Alphabetically"));
    m_rand = makeButton(QStringLiteral("Shuffle"), QStringLiteral("Randomize Playlist"));
    m_add = makeButton(QStringLiteral("Add"), QStringLiteral("Add Files to Playlist"));
    connect(m_new, &QPushButton::clicked, this, &PlaylistEditor::newPlaylist);
    connect(m_open, &QPushButton::clicked, this, &PlaylistEditor::openFromDialog);
    connect(m_save, &QPushButton::clicked, this, &PlaylistEditor::save);
    connect(m_saveAs, &QPushButton::clicked, this, &PlaylistEditor::saveAs);
    connect(m_sort, &QPushButton::clicked, this, &PlaylistEditor::sortAlphabetically);
    connect(m_rand, &QPushButton::clicked, this, &PlaylistEditor::randomize);
    connect(m_add, &QPushButton::clicked, this, &PlaylistEditor::addFromDialog);

    m_list = new PlaylistList(*this, this);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { removeSelected(); });
    connect(m_list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* current) {
        if (current != nullptr)
            emit entrySelected(current->data(Qt::UserRole).toString());
    });

    m_playlist = klvCreatePlaylist();
    updateButtons();
    layOutButtons();
}

PlaylistEditor::~PlaylistEditor() {
    closePlaylist();
}

QPushButton* PlaylistEditor::makeButton(const QString& caption, const QString& tooltip) {
    auto* button = new QPushButton(caption, this);
    button->setToolTip(tooltip);
    button->setFocusPolicy(Qt::TabFocus);
    button->setAutoDefault(false);
    return button;
}

void PlaylistEditor::layOutButtons() {
    const std::array<QPushButton*, 7> row{m_new, m_open, m_save, m_saveAs, m_sort, m_rand, m_add};
    // All seven equally wide: as wide as the widest caption needs, narrower when the page is
    // too narrow for that, so that Add never falls off the edge.
    constexpr int kGaps = 2 * kButtonGap + 4 * kButtonGap + 2 * kGroupGap;
    int width = 0;
    for (QPushButton* b : row)
        width = std::max(width, b->sizeHint().width());
    width = std::max(kMinButtonWidth, std::min(width, (this->width() - kGaps) / 7));
    int x = kButtonGap;
    for (size_t i = 0; i < row.size(); ++i) {
        row[i]->setGeometry(x, 0, width, kButtonHeight);
        x += width + (i == 3 || i == 5 ? kGroupGap : kButtonGap);
    }
    m_list->setGeometry(0, kListTop, this->width(), std::max(0, height() - kListTop));
}

void PlaylistEditor::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOutButtons();
}

QListWidget* PlaylistEditor::list() const {
    return m_list;
}

QStringList PlaylistEditor::entries() const {
    QStringList paths;
    for (int row = 0; row < m_list->count(); ++row)
        paths << m_list->item(row)->data(Qt::UserRole).toString();
    return paths;
}

int PlaylistEditor::highlightedRow() const {
    return m_highlight != nullptr ? m_list->row(m_highlight) : -1;
}

void PlaylistEditor::ensurePlaylist() {
    if (m_playlist < 0)
        m_playlist = klvCreatePlaylist();
}

void PlaylistEditor::closePlaylist() {
    if (m_playlist >= 0)
        klvClosePlaylist(m_playlist);
    m_playlist = -1;
}

void PlaylistEditor::setChanged(bool changed) {
    m_changed = changed;
    updateButtons();
}

void PlaylistEditor::updateButtons() {
    m_save->setEnabled(m_changed);
    const bool hasEntries = m_list->count() > 0;
    m_sort->setEnabled(hasEntries);
    m_rand->setEnabled(hasEntries);
}

void PlaylistEditor::refill() {
    m_highlight = nullptr;
    m_list->clear();
    const int32_t count = klvGetPlaylistCount(m_playlist);
    const QIcon icon = style()->standardIcon(QStyle::SP_FileIcon);
    for (int32_t i = 0; i < count; ++i) {
        char buffer[KLV_PATH_BUFFER] = {};
        if (klvGetPlaylistFile(m_playlist, i, buffer) != 0)
            continue;
        const QString path = fromEngineBuffer(buffer, sizeof buffer);
        auto* item = new QListWidgetItem(icon, path);
        item->setData(Qt::UserRole, path);
        item->setToolTip(path);
        m_list->addItem(item);
    }
    updateButtons();
}

void PlaylistEditor::selectRow(int row) {
    if (row < 0 || row >= m_list->count())
        return;
    m_list->setCurrentRow(row);
    m_list->scrollToItem(m_list->item(row));
}

PlaylistEditor::SaveAnswer PlaylistEditor::askSave() {
    if (!m_changed)
        return SaveAnswer::GoOn;
    const QString text =
        m_playlistFile.isEmpty()
            ? QStringLiteral("Save Changes to current playlist?")
            : QStringLiteral("Save Changes to ") + m_playlistFile + QStringLiteral("?");
    const int answer = platform::windowSystem().messageBox(
        klv::app::windowHandle(window()), text.toStdString(), "Confirm Open",
        platform::kMbYesNoCancel | platform::kMbIconQuestion);
    if (answer == platform::kIdYes) {
        save();
        return m_changed ? SaveAnswer::Stop : SaveAnswer::GoOn;
    }
    return answer == platform::kIdNo ? SaveAnswer::GoOn : SaveAnswer::Stop;
}

void PlaylistEditor::offerSaveOnClose() {
    while (m_changed) {
        const QString text =
            m_playlistFile.isEmpty()
                ? QStringLiteral("Save Changes to current playlist?")
                : QStringLiteral("Save Changes to ") + m_playlistFile + QStringLiteral("?");
        const int answer = platform::windowSystem().messageBox(
            klv::app::windowHandle(window()), text.toStdString(), "Confirm Open",
            platform::kMbYesNo | platform::kMbIconQuestion);
        if (answer != platform::kIdYes)
            return;
        save(); // a cancelled or failed save leaves the changes and asks again
    }
}

void PlaylistEditor::newPlaylist() {
    if (askSave() == SaveAnswer::Stop)
        return;
    closePlaylist();
    m_playlist = klvCreatePlaylist();
    refill();
    setChanged(false);
}

void PlaylistEditor::openFromDialog() {
    if (askSave() == SaveAnswer::Stop)
        return;
    QFileDialog dialog(this, QStringLiteral("Open Playlist"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("Playlist Files (*.pls *.m3u *.klv *.PLS *.M3U *.KLV)"),
                           QStringLiteral("All Files (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    openPlaylist(dialog.selectedFiles().first());
}

void PlaylistEditor::openPlaylist(const QString& fName) {
    closePlaylist();
    m_playlist = klvOpenPlaylist(engineText(fName).constData());
    if (m_playlist >= 0) {
        m_playlistFile = fName;
    } else {
        // Without a playlist every later edit would be lost: keep an empty one to work on.
        m_playlist = klvCreatePlaylist();
        m_desk.routeMessage(QStringLiteral("Can't open Playlist: ") + fName, 1, 0);
    }
    m_changed = false;
    refill();
}

void PlaylistEditor::save() {
    if (m_playlistFile.isEmpty() || m_playlist < 0) {
        saveAs();
        return;
    }
    QWidget* win = window();
    win->setEnabled(false);
    if (klvSavePlaylist(m_playlist, engineText(m_playlistFile).constData()) == 0)
        m_changed = false;
    win->setEnabled(true);
    updateButtons();
}

void PlaylistEditor::saveAs() {
    QFileDialog dialog(this, QStringLiteral("Save Playlist As"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = {QStringLiteral("M3U Playlist (*.m3u)"),
                                 QStringLiteral("KLV Playlist (*.klv)"),
                                 QStringLiteral("PLS Playlist (*.pls)")};
    const QStringList suffixes = {QStringLiteral("m3u"), QStringLiteral("klv"),
                                  QStringLiteral("pls")};
    dialog.setNameFilters(filters);
    // A name typed without an extension gets the chosen type's, which decides the format.
    dialog.setDefaultSuffix(suffixes.first());
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        const qsizetype i = filters.indexOf(filter);
        if (i >= 0)
            dialog.setDefaultSuffix(suffixes[i]);
    });
    if (!m_playlistFile.isEmpty())
        dialog.selectFile(m_playlistFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    m_playlistFile = dialog.selectedFiles().first();
    if (m_playlist < 0) {
        ensurePlaylist();
        refill();
    }
    save();
}

void PlaylistEditor::sortAlphabetically() {
    klvSortPlaylist(m_playlist, m_sortDescending ? 1 : 0);
    m_sortDescending = !m_sortDescending;
    refill();
    setChanged(true);
}

void PlaylistEditor::randomize() {
    m_sortDescending = false;
    klvRandomizePlaylist(m_playlist);
    refill();
    setChanged(true);
}

void PlaylistEditor::addFromDialog() {
    QFileDialog dialog(this, QStringLiteral("Add Files to Playlist"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters({songFilesFilter(), QStringLiteral("All Files (*)")});
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return;
    ensurePlaylist();
    for (const QString& file : files)
        klvAddPlaylistFile(m_playlist, -1, engineText(file).constData());
    refill();
    setChanged(true);
}

void PlaylistEditor::addFromFileList(const QString& path) {
    ensurePlaylist();
    klvAddPlaylistFile(m_playlist, -1, engineText(path).constData());
    refill();
    selectRow(m_list->count() - 1);
    setChanged(true);
}

void PlaylistEditor::removeSelected() {
    const int row = m_list->currentRow();
    if (m_list->count() == 0 || row < 0)
        return;
    klvDelPlaylistFile(m_playlist, row);
    refill();
    selectRow(std::min(row, m_list->count() - 1));
    // An entry taken out of a list that was never saved leaves nothing worth keeping.
    setChanged(m_list->count() > 0 || !m_playlistFile.isEmpty());
}

QMimeData* PlaylistEditor::beginDrag(int row) {
    if (m_list->count() == 0 || row < 0 || row >= m_list->count())
        return nullptr;
    m_dragSource = row + 1;
    return fileDragPayload(m_list->item(row)->data(Qt::UserRole).toString());
}

void PlaylistEditor::endDrag() {
    m_dragSource = 0;
    setHighlight(-1);
}

int PlaylistEditor::dragEffect(const QMimeData* payload) const {
    return listDragEffect(payload, m_dragSource > 0);
}

void PlaylistEditor::setHighlight(int row) {
    QListWidgetItem* item = row >= 0 ? m_list->item(row) : nullptr;
    if (item == m_highlight)
        return;
    if (m_highlight != nullptr)
        m_highlight->setBackground(QBrush());
    m_highlight = item;
    if (m_highlight != nullptr) {
        QColor color = m_list->palette().color(QPalette::Highlight);
        color.setAlpha(96);
        m_highlight->setBackground(color);
    }
}

void PlaylistEditor::drop(const QMimeData* payload) {
    const QString path = acceptedDropFile(payload);
    if (path.isEmpty() || !QFileInfo(path).isFile() || !dragIsPlayable(payload)) {
        setHighlight(-1);
        return;
    }
    if (isPlaylistKind(klvWhatIsIt(engineText(path).constData()))) {
        setHighlight(-1);
        m_dragSource = 0;
        // Asked once the drop has ended, so the program the file came from is not kept
        // waiting for the drop's answer while the question is open.
        QTimer::singleShot(0, this, [this, path] { dropPlaylist(path); });
        return;
    }
    if (m_dragSource > 0)
        dropMove();
    else
        dropOutside(path);
}

void PlaylistEditor::dropPlaylist(const QString& path) {
    const int answer = platform::windowSystem().messageBox(
        klv::app::windowHandle(window()), kDroppedPlaylistText.toStdString(),
        "What do you want to do?", platform::kMbYesNoCancel | platform::kMbIconQuestion);
    if (answer == platform::kIdYes) {
        ensurePlaylist();
        klvAddPlaylist(m_playlist, engineText(path).constData());
        refill();
        setChanged(true);
    } else if (answer == platform::kIdNo) {
        if (askSave() == SaveAnswer::GoOn)
            openPlaylist(path);
    }
}

void PlaylistEditor::dropOutside(const QString& path) {
    const int target = highlightedRow();
    ensurePlaylist();
    klvAddPlaylistFile(m_playlist, target, engineText(path).constData());
    m_dragSource = 0;
    refill();
    selectRow(target >= 0 ? target : m_list->count() - 1);
    setChanged(true);
}

void PlaylistEditor::dropMove() {
    const int from = m_dragSource - 1;
    const int target = highlightedRow();
    m_dragSource = 0;
    if (target == from || from >= m_list->count()) {
        setHighlight(-1);
        return;
    }
    const QString path = m_list->item(from)->data(Qt::UserRole).toString();
    klvDelPlaylistFile(m_playlist, from);
    // Above the old place the entry goes before the highlighted one; below it, after it, which
    // is the same index once the entry has left its old place.
    const int position = target;
    klvAddPlaylistFile(m_playlist, position, engineText(path).constData());
    refill();
    selectRow(position >= 0 ? position : m_list->count() - 1);
    setChanged(true);
}

void PlaylistEditor::showContextMenu(const QPoint& globalPos) {
    QMenu menu(this);
    QMenu* lines = menu.addMenu(QStringLiteral("Open in Line"));
    emit openInLineMenu(lines);
    lines->setEnabled(!lines->isEmpty());
    QAction* remove = menu.addAction(QStringLiteral("Remove File"));
    menu.addAction(QStringLiteral("Clear Queue"))->setEnabled(false);
    menu.addAction(QStringLiteral("Refresh"))->setEnabled(false);
    if (menu.exec(globalPos) == remove)
        removeSelected();
}

} // namespace klv::app
