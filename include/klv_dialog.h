/*
 * klv_dialog.h - dialogs described by a static table of controls, for plug-ins and any other
 * code without a GUI toolkit (in libklvplatform; klv_plugin.h includes this header).
 *
 * The caller describes its dialog as a KlvDialogTemplate and hands it to klvCreateDialog
 * together with a dialog procedure. The program's window system builds the window from the
 * table; the procedure hears about the dialog's life and the user's actions through
 * notifications and changes controls through the host calls below.
 *
 * Units. Positions and sizes are dialog units of the template's font: one horizontal unit is
 * a quarter of the font's average character width, one vertical unit an eighth of its height.
 *
 * Threads. [ui-thread] Every host call is made on the program's user-interface thread, which
 * is where dialog procedures run (klvShowSettings calls plugin_settings there). The procedure
 * may call any host call for its own dialog, klvDestroyDialog included. The one exception is
 * klvDestroyDialog from a plugin_uninit on the engine's housekeeping thread (klv_plugin.h):
 * the window system serves it on the ui thread and the call returns once the dialog is gone.
 */
#ifndef KLV_DIALOG_H
#define KLV_DIALOG_H

#include <stdint.h>

#include "klv_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* NOLINTBEGIN(modernize-use-using): a C header, where only typedef names a type. */

/* A dialog's window handle; 0 means none. It is an ordinary window handle: it may own message
 * boxes. It becomes invalid when the dialog is destroyed; host calls then do nothing. */
typedef KlvWindow KlvDialog;

/* Control kinds. */
#define KLV_CONTROL_PUSH_BUTTON 1    /* sends KLV_DLG_COMMAND when pressed */
#define KLV_CONTROL_DEFAULT_BUTTON 2 /* the same, and Enter presses it */
#define KLV_CONTROL_CHECK_BOX 3      /* toggles its own state, then sends KLV_DLG_COMMAND */
#define KLV_CONTROL_TRACKBAR 4       /* horizontal slider without ticks; KLV_DLG_HSCROLL */
#define KLV_CONTROL_LABEL 5          /* static text, left aligned */
#define KLV_CONTROL_LABEL_RIGHT 6    /* static text, right aligned */
#define KLV_CONTROL_GROUP_BOX 7      /* frame with a caption around other controls */

/* Id of a control nobody addresses (static labels, frames). */
#define KLV_CONTROL_NO_ID (-1)

typedef struct KlvDialogControl {
    int32_t id;       /* unique within the dialog, or KLV_CONTROL_NO_ID */
    int32_t kind;     /* KLV_CONTROL_* */
    const char* text; /* UTF-8 caption; null or "" for none */
    int32_t x, y;     /* top-left corner in dialog units */
    int32_t cx, cy;   /* size in dialog units */
} KlvDialogControl;

typedef struct KlvDialogTemplate {
    const char* title;     /* UTF-8 window caption */
    int32_t cx, cy;        /* client size in dialog units */
    const char* fontName;  /* e.g. "MS Sans Serif"; a similar font stands in when missing */
    int32_t fontPointSize; /* e.g. 8 */
    const KlvDialogControl* controls; /* read during klvCreateDialog only */
    int32_t controlCount;
} KlvDialogTemplate;

/* Notifications, with the numbers of the platform the plug-in interface comes from.
 * KLV_DLG_INIT     once, after the controls exist and before the window shows.
 *                  wParam 0, lParam the userData given to klvCreateDialog.
 * KLV_DLG_COMMAND  a button or check box was pressed. wParam: the control's id in the low
 *                  16 bits, the notification code (KLV_BN_CLICKED) in the high 16 bits;
 *                  lParam 0. A check box has already changed its state.
 * KLV_DLG_HSCROLL  a trackbar moved. wParam: scroll code (KLV_TB_*) in the low 16 bits, the
 *                  new position in the high 16 bits (signed); lParam: the trackbar's id.
 * KLV_DLG_CLOSE    the user closed the window (title bar, Escape). Returning 0 lets the host
 *                  destroy it; non-zero keeps it open.
 * KLV_DLG_DESTROY  the dialog is being destroyed; the handle is invalid once this returns.
 * The procedure's result is ignored except for KLV_DLG_CLOSE. */
#define KLV_DLG_DESTROY 0x0002
#define KLV_DLG_CLOSE 0x0010
#define KLV_DLG_INIT 0x0110
#define KLV_DLG_COMMAND 0x0111
#define KLV_DLG_HSCROLL 0x0114

#define KLV_BN_CLICKED 0

#define KLV_TB_LINEUP 0
#define KLV_TB_LINEDOWN 1
#define KLV_TB_PAGEUP 2
#define KLV_TB_PAGEDOWN 3
#define KLV_TB_THUMBPOSITION 4
#define KLV_TB_THUMBTRACK 5
#define KLV_TB_TOP 6
#define KLV_TB_BOTTOM 7
#define KLV_TB_ENDTRACK 8

/* Low and high 16-bit halves of a notification's wParam. */
#define KLV_LOWORD(w) ((int32_t)((uintptr_t)(w)&0xFFFF))
#define KLV_HIWORD(w) ((int32_t)(((uintptr_t)(w) >> 16) & 0xFFFF))
/* The trackbar position of a KLV_DLG_HSCROLL wParam (positions may be negative). */
#define KLV_HSCROLL_POS(w) ((int32_t)(int16_t)KLV_HIWORD(w))

typedef intptr_t (*KlvDialogProc)(KlvDialog dialog, uint32_t msg, intptr_t wParam, intptr_t lParam);

/* Builds a modeless dialog owned by owner (0: no owner), runs KLV_DLG_INIT and shows it.
 * The template is read during the call only. Returns the dialog, or 0 when it cannot be made
 * (no window system, an invalid template). Each call makes another window. */
KLV_HOST_API KlvDialog klvCreateDialog(KlvWindow owner, const KlvDialogTemplate* dialogTemplate,
                                       KlvDialogProc proc, void* userData);
/* Destroys the dialog (KLV_DLG_DESTROY first). Nothing for an unknown handle. */
KLV_HOST_API void klvDestroyDialog(KlvDialog dialog);

/* Control access by id. The setters return 0, or -1 for an unknown dialog or id or a control
 * of another kind. A trackbar's position is kept within its range. */
KLV_HOST_API int32_t klvDialogSetTrackbarRange(KlvDialog dialog, int32_t id, int32_t minimum,
                                               int32_t maximum);
KLV_HOST_API int32_t klvDialogSetTrackbarPos(KlvDialog dialog, int32_t id, int32_t position);
/* The trackbar's position; 0 for an unknown dialog or id. */
KLV_HOST_API int32_t klvDialogGetTrackbarPos(KlvDialog dialog, int32_t id);
KLV_HOST_API int32_t klvDialogSetCheck(KlvDialog dialog, int32_t id, int32_t checked);
/* 1 when the check box is checked, 0 otherwise (also for an unknown dialog or id). */
KLV_HOST_API int32_t klvDialogGetCheck(KlvDialog dialog, int32_t id);
/* Caption of a label, button, check box or group box (UTF-8). */
KLV_HOST_API int32_t klvDialogSetText(KlvDialog dialog, int32_t id, const char* text);
/* Copies the caption into buffer (size bytes, always zero-terminated when size > 0, cut when
 * longer). The caption's length in bytes, or -1 for an unknown dialog or id. */
KLV_HOST_API int32_t klvDialogGetText(KlvDialog dialog, int32_t id, char* buffer, int32_t size);

/* NOLINTEND(modernize-use-using) */

#ifdef __cplusplus
}
#endif

#endif /* KLV_DIALOG_H */
