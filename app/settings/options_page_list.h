#pragma once
// The list of page captions on the left of the options dialog. The selected caption is drawn
// in the highlight colours while the list has the focus and in the button colours when it has
// not, so the page being shown stays marked while the user works on it. [ui-thread]

#include <QPalette>
#include <QStringList>
#include <QWidget>

#include <functional>

namespace klv::app {

// Background and text colour roles of a caption.
struct CaptionRoles {
    QPalette::ColorRole background;
    QPalette::ColorRole text;
};
CaptionRoles captionRoles(bool selected, bool listHasFocus);

class PageList final : public QWidget {
    Q_OBJECT
public:
    explicit PageList(const QStringList& captions, QWidget* parent = nullptr);

    int selected() const { return m_selected; }
    // Marks a caption selected without asking (the dialog has decided already).
    void setSelected(int index);
    int count() const { return static_cast<int>(m_captions.size()); }
    QRect captionRect(int index) const;

    QSize sizeHint() const override;

signals:
    // The user clicked a caption or pressed an arrow key; the dialog decides.
    void pageRequested(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int rowHeight() const;

    QStringList m_captions;
    int m_selected = 0;
};

} // namespace klv::app
