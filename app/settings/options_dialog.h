#pragma once
// "KLV3 Program Options": edits a working copy of the program's OptionsRecord and commits it
// with Apply or OK. The left side lists the nine page captions, the right side shows the page
// whose caption is selected. [ui-thread]

#include "klv3.h"

#include <QDialog>

#include <array>

class QPushButton;
class QStackedWidget;

namespace klv::app {

class Desk;
class DevicePage;
class ColorPage;
class FeatureLock;
class LockPage;
class OptionsPage;
class PageList;

class OptionsDialog final : public QDialog {
    Q_OBJECT
public:
    // Copies the desk's live options and sets every control from the copy.
    OptionsDialog(Desk& desk, FeatureLock& lock, QWidget* parent = nullptr);
    ~OptionsDialog() override;

    const OptionsRecord& workingCopy() const { return m_copy; }

    int currentPage() const;
    // Shows page index; the "Feature Lock" page first asks for the password. False when the
    // page stayed as it was.
    bool selectPage(int index);

    // Apply: commits the copy (restarting the audio when a device changed). False when the
    // device choice was refused and nothing was committed.
    bool apply();

    OptionsPage* page(int index) const { return m_pages[static_cast<size_t>(index)]; }
    DevicePage* devicePage() const;
    ColorPage* colorPage() const;
    LockPage* lockPage() const;
    PageList* pageList() const { return m_list; }
    QPushButton* applyButton() const { return m_apply; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* helpButton() const { return m_help; }

public slots:
    void accept() override; // OK

private:
    // The one refused input: shows why, turns to the device page and its secondary list.
    bool refuseDeviceClash();
    void edited();

    Desk& m_desk;
    FeatureLock& m_lock;
    OptionsRecord m_copy{};
    PageList* m_list = nullptr;
    QStackedWidget* m_stack = nullptr;
    std::array<OptionsPage*, 9> m_pages{};
    QPushButton* m_apply = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_help = nullptr;
};

// Runs the options dialog modally over the desk's owner window. The caller has already passed
// the feature lock for "Change Program Options".
void showOptionsDialog(Desk& desk);

} // namespace klv::app
