#include "app/browser/tag_editor.h"

#include "app/browser/genre_table.h"
#include "app/settings/feature_lock.h"
#include "app/shell/qt_window_system.h"
#include "platform/ui/window_system.h"

#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>

namespace klv::app {

namespace {

constexpr std::array<const char*, TagEditor::kFieldCount> kCaptions = {
    "Title:", "Artist:", "Album:", "Comment:", "Year:", "Track:", "BPM:", "Key:"};

// What the short boxes let a user type; a stored text of another shape is shown as it is.
// Year: "1999" or a date "1999-05-01"; track: "3" or "3/12"; BPM: "128" or "127.5".
const char* shortFieldPattern(int field) {
    switch (field) {
    case TagEditor::kYear:
        return R"([0-9]{0,4}(-[0-9]{0,2}){0,2})";
    case TagEditor::kTrack:
        return R"([0-9]{0,4}(/[0-9]{0,4})?)";
    case TagEditor::kBpm:
        return R"([0-9]{0,3}([.,][0-9]{0,2})?)";
    default:
        return nullptr;
    }
}

// The box's width for a text of width characters, beside its caption on the numbers' row.
int boxWidth(const QFontMetrics& metrics, int characters) {
    return metrics.horizontalAdvance(QString(characters, QLatin1Char('0'))) + 16;
}

} // namespace

TagEditor::TagEditor(const QString& path, QWidget* parent) : QDialog(parent), m_path(path) {
    const bool mp3 = klvWhatIsIt(path.toUtf8().constData()) == KLV_KIND_MP3;
    setWindowTitle(mp3 ? QStringLiteral("ID3 Tag Information") : QStringLiteral("Tag Information"));

    auto* grid = new QGridLayout;
    m_filename = new QLineEdit;
    m_filename->setReadOnly(true);
    auto* filenameCaption = new QLabel(QStringLiteral("Filename:"));
    filenameCaption->setBuddy(m_filename);
    grid->addWidget(filenameCaption, 0, 0);
    grid->addWidget(m_filename, 0, 1);

    std::array<QLabel*, kFieldCount> captions{};
    for (int field = 0; field < kFieldCount; ++field) {
        auto* box = new QLineEdit;
        box->setMaxLength(kFieldLimits[static_cast<size_t>(field)]);
        if (const char* pattern = shortFieldPattern(field)) {
            box->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QString::fromLatin1(pattern)), box));
        }
        box->installEventFilter(this);
        connect(box, &QLineEdit::textEdited, this, &TagEditor::edited);
        auto* caption = new QLabel(QString::fromLatin1(kCaptions[static_cast<size_t>(field)]));
        caption->setBuddy(box);
        m_fields[static_cast<size_t>(field)] = box;
        captions[static_cast<size_t>(field)] = caption;
        if (field <= kComment) {
            grid->addWidget(caption, 1 + field, 0);
            grid->addWidget(box, 1 + field, 1);
        }
    }
    // Year, track, BPM and key are short: they share a row.
    const QFontMetrics metrics(font());
    m_fields[kYear]->setFixedWidth(boxWidth(metrics, 10));
    m_fields[kTrack]->setFixedWidth(boxWidth(metrics, 7));
    m_fields[kBpm]->setFixedWidth(boxWidth(metrics, 6));
    m_fields[kKey]->setFixedWidth(boxWidth(metrics, 6));
    auto* numbers = new QHBoxLayout;
    numbers->addWidget(m_fields[kYear]);
    for (const int field : {kTrack, kBpm, kKey}) {
        numbers->addSpacing(12);
        numbers->addWidget(captions[static_cast<size_t>(field)]);
        numbers->addWidget(m_fields[static_cast<size_t>(field)]);
    }
    numbers->addStretch(1);
    grid->addWidget(captions[kYear], 5, 0);
    grid->addLayout(numbers, 5, 1);

    m_genre = new QComboBox;
    m_genre->setEditable(true);
    m_genre->setInsertPolicy(QComboBox::NoInsert);
    // The named genres are suggestions; "(Unknown)" is what the label shows for none.
    for (int32_t n = 0; n < kUnknownGenre; ++n)
        m_genre->addItem(genreName(n));
    m_genre->setMaxVisibleItems(20);
    m_genre->lineEdit()->setMaxLength(KLV_TAG_TEXT - 1);
    m_genre->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    m_genre->completer()->setCompletionMode(QCompleter::PopupCompletion);
    m_genre->lineEdit()->installEventFilter(this);
    connect(m_genre->lineEdit(), &QLineEdit::textEdited, this, &TagEditor::edited);
    connect(m_genre, &QComboBox::activated, this, &TagEditor::edited);
    auto* genreCaption = new QLabel(QStringLiteral("Genre:"));
    genreCaption->setBuddy(m_genre);
    grid->addWidget(genreCaption, 6, 0);
    grid->addWidget(m_genre, 6, 1);
    grid->setColumnStretch(1, 1);

    m_save = new QPushButton(QStringLiteral("&Save"));
    m_close = new QPushButton(QStringLiteral("&Close"));
    m_save->setAutoDefault(false);
    m_close->setAutoDefault(false);
    connect(m_save, &QPushButton::clicked, this, &TagEditor::save);
    connect(m_close, &QPushButton::clicked, this, &TagEditor::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_save);
    buttons->addWidget(m_close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    setMinimumWidth(metrics.horizontalAdvance(QLatin1Char('M')) * 40);

    fill();
}

void TagEditor::fill() {
    m_filling = true;
    m_filename->setText(m_path);
    m_tag = readSongTags(m_path).value_or(SongTags{});
    const std::array<const QString*, kFieldCount> texts = {
        &m_tag.title, &m_tag.artist, &m_tag.album, &m_tag.comment,
        &m_tag.year,  &m_tag.track,  &m_tag.bpm,   &m_tag.key};
    for (int field = 0; field < kFieldCount; ++field)
        m_fields[static_cast<size_t>(field)]->setText(*texts[static_cast<size_t>(field)]);
    // An ID3v1 tag without a genre reads as the table's "(Unknown)": an empty box says so.
    const QString genre = m_tag.genre == genreName(kUnknownGenre) ? QString() : m_tag.genre;
    m_genre->setCurrentIndex(m_genre->findText(genre, Qt::MatchExactly));
    m_genre->setEditText(genre);
    m_save->setEnabled(false);
    m_close->setText(QStringLiteral("&Close"));
    m_filling = false;
}

void TagEditor::edited() {
    if (m_filling)
        return;
    m_save->setEnabled(true);
    m_close->setText(QStringLiteral("&Cancel"));
}

SongTags TagEditor::boxesTags() const {
    const auto text = [this](int field) {
        return m_fields[static_cast<size_t>(field)]->text().trimmed();
    };
    SongTags tags;
    tags.title = text(kTitle);
    tags.artist = text(kArtist);
    tags.album = text(kAlbum);
    tags.comment = m_fields[kComment]->text(); // a comment keeps its spaces
    tags.year = text(kYear);
    tags.track = text(kTrack);
    tags.bpm = text(kBpm);
    tags.key = text(kKey);
    tags.genre = m_genre->currentText().trimmed();
    return tags;
}

void TagEditor::save() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const SongTags tags = boxesTags();
    const KlvTags record = klvTagsFrom(tags);
    char reason[KLV_TAG_REASON] = {};
    const QByteArray path = m_path.toUtf8();
    const bool ok = klvSetTags(path.constData(), &record, reason) == 0;
    QApplication::restoreOverrideCursor();
    if (ok) {
        m_tag = tags;
        m_written = true;
        m_failure.clear();
        m_close->setText(QStringLiteral("&Close"));
        m_save->setEnabled(false);
        return;
    }
    reason[KLV_TAG_REASON - 1] = '\0';
    m_failure = QString::fromUtf8(reason);
    if (m_failure.isEmpty())
        m_failure = QStringLiteral("the file could not be written");
    const QString text =
        QStringLiteral("Can't save the tag of ") + m_path + QStringLiteral(":\n") + m_failure;
    platform::windowSystem().messageBox(klv::app::windowHandle(this), text.toStdString(),
                                        "Tag Information",
                                        platform::kMbOk | platform::kMbIconExclamation);
}

bool TagEditor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (auto* box = qobject_cast<QLineEdit*>(watched))
            QTimer::singleShot(0, box, &QLineEdit::selectAll); // after the click places the cursor
    }
    return QDialog::eventFilter(watched, event);
}

bool editId3Tag(QWidget* owner, const QString& path, FeatureLock& lock, SongTags* tag) {
    if (!lock.mayOpen(GuardedFeature::Id3Tags))
        return false;
    TagEditor editor(path, owner);
    editor.exec();
    if (tag)
        *tag = editor.tag();
    return editor.written();
}

bool editId3Tag(QWidget* owner, const QString& path, SongTags* tag) {
    return editId3Tag(owner, path, featureLock(), tag);
}

} // namespace klv::app
