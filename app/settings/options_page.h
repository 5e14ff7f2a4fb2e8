#pragma once
// One page of the options dialog. A page edits the dialog's working copy of the OptionsRecord
// directly: each control is bound to its field when it is made, load() sets every control from
// the copy, and every change the user makes writes the copy and says edited(). [ui-thread]

#include "klv3.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace klv::app {

class OptionsPage : public QWidget {
    Q_OBJECT
public:
    using Flag = int32_t OptionsRecord::*;

    OptionsPage(OptionsRecord& copy, QWidget* parent = nullptr);

    // Sets every control from the copy. Loading edits nothing: edited() stays quiet.
    virtual void load();

    // The page's controls that take the focus, in the order its layout shows them: top to
    // bottom, left to right, frames opened where they stand.
    QList<QWidget*> controlsInLayoutOrder() const;

signals:
    // The user changed the copy.
    void edited();

protected:
    // Controls bound to a field; name is the control's object name.
    QCheckBox* flagBox(const QString& caption, Flag field, const char* name);
    // A list whose entry i stands for the value i + offset; stored values select
    // entryForValue(value - offset), so values past the list wrap.
    QComboBox* listBox(const QStringList& entries, Flag field, const char* name, int offset = 0);
    // Option buttons whose button i stands for the value i; a stored value selects value modulo
    // the number of buttons.
    std::vector<QRadioButton*> optionButtons(const QStringList& captions, Flag field,
                                             const char* name);
    // A fixed-width text field, shown trimmed, stored padded; the whole text is selected when
    // the box gets the focus.
    template <size_t N>
    QLineEdit* textBox(char (OptionsRecord::*field)[N], const char* name, int maxLength = N) {
        return textBoxFor([this, field]() -> char* { return (m_copy.*field); }, N, name, maxLength);
    }

    // Runs after load() has set the controls, and after every edit: a page's enabling rules.
    void onRefresh(std::function<void()> refresh) { m_refresh.push_back(std::move(refresh)); }
    // Adds what load() does for a control made without the helpers.
    void onLoad(std::function<void()> load) { m_loaders.push_back(std::move(load)); }
    // Called by a page's own handlers after they have written the copy.
    void markEdited();
    bool loading() const { return m_loading; }
    void refresh();

    OptionsRecord& m_copy;

private:
    QLineEdit* textBoxFor(std::function<char*()> field, size_t width, const char* name,
                          int maxLength);

    std::vector<std::function<void()>> m_loaders;
    std::vector<std::function<void()>> m_refresh;
    bool m_loading = false;
};

// A text box that selects its whole text when it gets the focus.
void selectAllOnFocus(QLineEdit* edit);

} // namespace klv::app
