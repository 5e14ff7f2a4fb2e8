#pragma once
// frmStartup: the small window that shows what start-up and shut-down are doing.

#include <QWidget>

class QLabel;

namespace klv::app {

class SplashWindow : public QWidget {
    Q_OBJECT
public:
    explicit SplashWindow(QWidget* parent = nullptr);

    // Shows text followed by "...", shows the window when hidden, repaints it and lets pending
    // events run, so the text is on screen before the next, possibly slow, step.
    void showText(const QString& text);

    QString statusText() const;

private:
    QLabel* m_title;
    QLabel* m_status;
};

} // namespace klv::app
