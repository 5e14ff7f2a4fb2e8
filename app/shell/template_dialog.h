#pragma once
// A modeless dialog built from a KlvDialogTemplate: trackbars become QSliders, check boxes
// QCheckBoxes, buttons QPushButtons, labels QLabels, frames QGroupBoxes, placed at their
// dialog-unit positions converted with the template font. The dialog procedure hears
// KLV_DLG_INIT before the window shows; KLV_DLG_COMMAND for button presses and check box
// clicks; KLV_DLG_HSCROLL for every trackbar change the user makes (KLV_TB_THUMBTRACK while
// dragging, the step codes for keys and clicks on the groove, KLV_TB_THUMBPOSITION and
// KLV_TB_ENDTRACK on release); KLV_DLG_CLOSE for the title bar's close and Escape; and
// KLV_DLG_DESTROY once, whoever destroys it (the procedure, the host, or the owner window
// going away). [ui-thread]

#include "platform/ui/dialog_template.h"

#include <QDialog>
#include <QRect>
#include <QSize>

#include <map>
#include <string>

class QFont;

namespace klv::app {

// Dialog base units of a font: the average character width (over the 52 Latin letters,
// rounded) and the line height, in pixels.
QSize dialogBaseUnits(const QFont& font);
// A rectangle in dialog units as pixels: x and width times base width / 4, y and height times
// base height / 8, each rounded to the nearest pixel.
QRect dialogUnitsToPixels(const QRect& units, const QSize& baseUnits);

class TemplateDialog final : public QDialog {
    Q_OBJECT
public:
    // Builds the window and its controls; nothing is notified yet.
    TemplateDialog(QWidget* owner, const KlvDialogTemplate& dialogTemplate, KlvDialogProc proc,
                   void* userData);
    ~TemplateDialog() override;

    // Notifies KLV_DLG_INIT and shows the window.
    void start();
    // Notifies KLV_DLG_DESTROY (once), hides the window and deletes it later.
    void destroy();
    bool destroyed() const { return m_destroyed; }

    QWidget* control(int32_t id) const;
    bool setTrackbarRange(int32_t id, int32_t minimum, int32_t maximum);
    bool setTrackbarPos(int32_t id, int32_t position);
    int32_t trackbarPos(int32_t id) const;
    bool setCheck(int32_t id, bool checked);
    bool isChecked(int32_t id) const;
    bool setItemText(int32_t id, const std::string& text);
    bool itemText(int32_t id, std::string& text) const;

    const QSize& baseUnits() const { return m_baseUnits; }

public slots:
    void reject() override; // Escape: like the title bar's close

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void addControl(const KlvDialogControl& control);
    intptr_t notify(uint32_t msg, intptr_t wParam, intptr_t lParam);
    // The user asked to close: the procedure may keep the window, otherwise it goes.
    bool askToClose();

    KlvDialogProc m_proc;
    void* m_userData;
    QSize m_baseUnits;
    std::map<int32_t, QWidget*> m_controls;
    bool m_hostChange = false; // set while a host call moves a control: no notification
    bool m_destroyed = false;
};

} // namespace klv::app
