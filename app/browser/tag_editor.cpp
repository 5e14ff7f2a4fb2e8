#include "app/browser/tag_editor.h"

#include "app/browser/genre_table.h"
#include "app/settings/feature_lock.h"
#include "app/shell/registry_text.h"
#include "app/shell/text_helpers.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cstring>

namespace klv::app {

namespace {

constexpr int kTextFields = 4; // title, artist, album, comment
constexpr int kYear = 4;
constexpr int kTrack = 5;
// Bytes a tag text takes in the file; the record's 32 bytes leave room for the terminator.
constexpr qsizetype kTagTextBytes = 30;
constexpr size_t kRecordTextBytes = 32;

char* recordText(Id3Record& tag, int field) {
    char* const texts[kTextFields] = {tag.title, tag.artist, tag.album, tag.comment};
    return texts[field];
}

// The box's text as the tag stores it: UTF-8 cut to the tag's 30 bytes without splitting a
// character, space padded, zero terminated inside the record's 32 bytes.
void putTagText(char* field, const QString& text) {
    QByteArray bytes = text.toUtf8();
    if (bytes.size() > kTagTextBytes) {
        qsizetype cut = kTagTextBytes;
        while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
            --cut;
        bytes.truncate(cut);
    }
    std::memset(field, 0, kRecordTextBytes);
    std::memcpy(field, bytes.constData(), static_cast<size_t>(bytes.size()));
    std::memset(field + bytes.size(), ' ', static_cast<size_t>(kTagTextBytes - bytes.size()));
}

// Texts from the engine end at a zero byte within their 32 bytes.
QString tagText(const char* field) {
    return cutOrTrim(
        QString::fromUtf8(field, static_cast<qsizetype>(strnlen(field, kRecordTextBytes))));
}

} // namespace

TagEditor::TagEditor(const QString& path, QWidget* parent) : QDialog(parent), m_path(path) {
    setWindowTitle(QStringLiteral("ID3 Tag Information"));

    auto* grid = new QGridLayout;
    m_filename = new QLineEdit;
    m_filename->setReadOnly(true);
    auto* filenameCaption = new QLabel(QStringLiteral("Filename:"));
    filenameCaption->setBuddy(m_filename);
    grid->addWidget(filenameCaption, 0, 0);
    grid->addWidget(m_filename, 0, 1, 1, 3);

    static const char* const kCaptions[6] = {
        "Title:", "Artist:", "Album:", "Comment:", "Year:", "Track:"};
    for (int field = 0; field < 6; ++field) {
        auto* box = new QLineEdit;
        box->setMaxLength(kFieldLimits[static_cast<size_t>(field)]);
        box->installEventFilter(this);
        connect(box, &QLineEdit::textEdited, this, &TagEditor::edited);
        auto* caption = new QLabel(QString::fromLatin1(kCaptions[field]));
        caption->setBuddy(box);
        m_fields[static_cast<size_t>(field)] = box;
        if (field < kTextFields) {
            grid->addWidget(caption, 1 + field, 0);
            grid->addWidget(box, 1 + field, 1, 1, 3);
        }
    }
    // Year and track are short: they share a row.
    const QFontMetrics metrics(font());
    m_fields[kYear]->setMaximumWidth(metrics.horizontalAdvance(QStringLiteral("00000")) + 16);
    m_fields[kTrack]->setMaximumWidth(metrics.horizontalAdvance(QStringLiteral("000")) + 16);
    auto* numbers = new QHBoxLayout;
    numbers->addWidget(m_fields[kYear]);
    auto* trackCaption = new QLabel(QStringLiteral("Track:"));
    trackCaption->setBuddy(m_fields[kTrack]);
    numbers->addSpacing(12);
    numbers->addWidget(trackCaption);
    numbers->addWidget(m_fields[kTrack]);
    numbers->addStretch(1);
    auto* yearCaption = new QLabel(QStringLiteral("Year:"));
    yearCaption->setBuddy(m_fields[kYear]);
    grid->addWidget(yearCaption, 5, 0);
    grid->addLayout(numbers, 5, 1, 1, 3);

    m_genre = new QComboBox;
    for (int32_t n = 0; n < kGenreCount; ++n)
        m_genre->addItem(genreName(n));
    m_genre->setMaxVisibleItems(20);
    connect(m_genre, &QComboBox::activated, this, &TagEditor::edited);
    auto* genreCaption = new QLabel(QStringLiteral("Genre:"));
    genreCaption->setBuddy(m_genre);
    grid->addWidget(genreCaption, 6, 0);
    grid->addWidget(m_genre, 6, 1, 1, 3);
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
    const QByteArray path = m_path.toUtf8();
    int32_t genre = kUnknownGenre;
    if (getid3(path.constData(), &m_tag) == 0) {
        for (int field = 0; field < kTextFields; ++field)
            m_fields[static_cast<size_t>(field)]->setText(tagText(recordText(m_tag, field)));
        if (m_tag.year > 0)
            m_fields[kYear]->setText(QString::number(m_tag.year));
        if (m_tag.track > 0)
            m_fields[kTrack]->setText(QString::number(m_tag.track));
        // 126 is the table's "(Unknown)"; a number past the named genres reads as that.
        genre = m_tag.genre < 0 || m_tag.genre > 125 ? kUnknownGenre : m_tag.genre;
    }
    m_genre->setCurrentIndex(m_genre->findText(genreName(genre), Qt::MatchExactly));
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

void TagEditor::save() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Id3Record tag = m_tag;
    tag.genre = genreIndex(m_genre->currentText());
    for (int field = 0; field < kTextFields; ++field)
        putTagText(recordText(tag, field), m_fields[static_cast<size_t>(field)]->text());
    tag.year = numericValue(m_fields[kYear]->text().toStdString());
    tag.track = numericValue(m_fields[kTrack]->text().toStdString());
    const QByteArray path = m_path.toUtf8();
    if (setid3(path.constData(), &tag) == 0) {
        m_tag = tag;
        m_written = true;
        m_close->setText(QStringLiteral("&Close"));
        m_save->setEnabled(false);
    }
    QApplication::restoreOverrideCursor();
}

bool TagEditor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (auto* box = qobject_cast<QLineEdit*>(watched))
            QTimer::singleShot(0, box, &QLineEdit::selectAll); // after the click places the cursor
    }
    return QDialog::eventFilter(watched, event);
}

bool editId3Tag(QWidget* owner, const QString& path, FeatureLock& lock, Id3Record* tag) {
    if (!lock.mayOpen(GuardedFeature::Id3Tags))
        return false;
    TagEditor editor(path, owner);
    editor.exec();
    if (tag)
        *tag = editor.tag();
    return editor.written();
}

bool editId3Tag(QWidget* owner, const QString& path, Id3Record* tag) {
    return editId3Tag(owner, path, featureLock(), tag);
}

} // namespace klv::app
