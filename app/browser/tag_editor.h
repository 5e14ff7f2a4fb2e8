#pragma once
// "ID3 Tag Information" ("Tag Information" for a song that is no MP3): shows and edits a song's
// own tag, read as the line reads it (readSongTags) and written with klvSetTags, full-length
// texts in UTF-8. The dialog works on its own copy of the tag; nothing is written until Save
// is pressed, and Save is enabled only after an edit. A refused write is explained in a box
// and leaves the file as it was. [ui-thread]

#include "app/browser/song_tags.h"

#include <QDialog>
#include <QString>

#include <array>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace klv::app {

class FeatureLock;

class TagEditor final : public QDialog {
    Q_OBJECT
public:
    // The boxes in their order, and the characters each takes.
    enum Field { kTitle, kArtist, kAlbum, kComment, kYear, kTrack, kBpm, kKey, kFieldCount };
    static constexpr std::array<int, kFieldCount> kFieldLimits{
        KLV_TAG_TEXT - 1,  KLV_TAG_TEXT - 1,  KLV_TAG_TEXT - 1,  KLV_TAG_TEXT - 1,
        KLV_TAG_SHORT - 1, KLV_TAG_SHORT - 1, KLV_TAG_SHORT - 1, KLV_TAG_SHORT - 1};

    // Reads the tag of path at once.
    explicit TagEditor(const QString& path, QWidget* parent = nullptr);

    // The dialog's copy of the tag: as read, then as last written.
    const SongTags& tag() const { return m_tag; }
    // True once a Save has written the tag.
    bool written() const { return m_written; }
    // Why the last Save failed, as the engine said; empty after a success.
    const QString& failure() const { return m_failure; }

    QLineEdit* filenameEdit() const { return m_filename; }
    QLineEdit* fieldEdit(int field) const { return m_fields[static_cast<size_t>(field)]; }
    // Editable: any genre text, with the genre table's names offered.
    QComboBox* genreBox() const { return m_genre; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* closeButton() const { return m_close; }

public slots:
    // Writes the boxes with klvSetTags; after a failure Save stays enabled for another try.
    void save();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fill();
    void edited();
    SongTags boxesTags() const;

    QString m_path;
    SongTags m_tag;
    bool m_written = false;
    bool m_filling = false;
    QString m_failure;
    QLineEdit* m_filename = nullptr;
    std::array<QLineEdit*, kFieldCount> m_fields{};
    QComboBox* m_genre = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_close = nullptr;
};

// The line menu's "ID3 Tag...": passes the feature lock for tag editing first (a refusal is
// reported and nothing opens), then shows the editor modally over owner. True when a tag was
// written, so the line reads it again. When tag is given it receives the dialog's copy.
bool editId3Tag(QWidget* owner, const QString& path, SongTags* tag = nullptr);
// The same with a given lock (tests, or a program with a lock of its own).
bool editId3Tag(QWidget* owner, const QString& path, FeatureLock& lock, SongTags* tag = nullptr);

} // namespace klv::app
