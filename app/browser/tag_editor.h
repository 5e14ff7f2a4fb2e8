#pragma once
// "ID3 Tag Information": shows and edits the ID3v1 tag of one file through getid3/setid3. The
// dialog works on its own copy of the tag; nothing is written until Save is pressed, and Save
// is enabled only after an edit. [ui-thread]

#include "klv3.h"

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
    // Title, artist, album, comment, year, track: the boxes' order and their lengths.
    static constexpr std::array<int, 6> kFieldLimits{30, 30, 30, 30, 4, 2};

    // Reads the tag of path at once.
    explicit TagEditor(const QString& path, QWidget* parent = nullptr);

    // The dialog's copy of the tag: as read, then as last written.
    const Id3Record& tag() const { return m_tag; }
    // True once a Save has written the tag.
    bool written() const { return m_written; }

    QLineEdit* filenameEdit() const { return m_filename; }
    QLineEdit* fieldEdit(int field) const { return m_fields[static_cast<size_t>(field)]; }
    QComboBox* genreBox() const { return m_genre; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* closeButton() const { return m_close; }

public slots:
    // Writes the boxes with setid3; after a failure Save stays enabled for another try.
    void save();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fill();
    void edited();

    QString m_path;
    Id3Record m_tag{};
    bool m_written = false;
    bool m_filling = false;
    QLineEdit* m_filename = nullptr;
    std::array<QLineEdit*, 6> m_fields{};
    QComboBox* m_genre = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_close = nullptr;
};

// The line menu's "ID3 Tag...": passes the feature lock for tag editing first (a refusal is
// reported and nothing opens), then shows the editor modally over owner. True when a tag was
// written, so the line reads it again. When tag is given it receives the dialog's copy.
bool editId3Tag(QWidget* owner, const QString& path, Id3Record* tag = nullptr);
// The same with a given lock (tests, or a program with a lock of its own).
bool editId3Tag(QWidget* owner, const QString& path, FeatureLock& lock, Id3Record* tag = nullptr);

} // namespace klv::app
