/*
 * klv_plugin.h - the DSP plug-in interface of Kelvara, and the host services a plug-in may call.
 *
 * A plug-in is a shared library in the "Plugins" folder beside the program (Plugins/<name>.so).
 * The engine loads it by path, passes every block of the main mix through it after all lines
 * are summed and before the master volume and equalizer, and unloads it again. Plug-ins run in
 * list order; the user loads, orders and unloads them in the program's plug-in manager.
 *
 * Building a plug-in
 * - Write the six functions below with exactly these names and signatures in C, or in C++
 *   inside extern "C". Four are required; plugin_about and plugin_settings are optional.
 * - Export those functions and nothing else: compile with -fvisibility=hidden (the
 *   KLV_PLUGIN_EXPORT marks below make the entry points visible) and link with a version
 *   script such as  { global: plugin_*; local: *; };
 * - Link against libklvplatform.so for the host services (settings store, message boxes,
 *   dialogs) and nothing else of Kelvara. It lives beside the program; give the plug-in the
 *   run path $ORIGIN/.. so that it is found from the Plugins folder.
 * - Calling convention, sizes and layouts are those of the platform's C ABI (x86-64 System V
 *   on Linux): handles and pointers are pointer-sized, integers 32-bit, samples 32-bit floats.
 *
 * Life of a plug-in (what the engine does, in this order)
 * 1. Loads the library and looks up the four required functions; a library without them is
 *    refused and unloaded.
 * 2. plugin_info(text): the plug-in writes its description and returns 1. Anything else
 *    refuses the plug-in (it is unloaded, plugin_init is never called). The plug-in manager
 *    also calls plugin_info on libraries it only lists, without plugin_init.
 * 3. plugin_init(1024, module, owner), once.
 * 4. plugin_process(block) once per block on the output thread, for as long as the plug-in is
 *    in the list. Blocks are 1024 frames, about 23.2 ms at 44100 frames per second.
 * 5. plugin_about / plugin_settings whenever the user asks, on the ui thread, concurrently
 *    with plugin_process.
 * 6. plugin_uninit(), once, after the last plugin_process has returned; then the library is
 *    unloaded. plugin_uninit must destroy any window or dialog the plug-in still has open,
 *    since its code is gone afterwards.
 * The same library is never loaded twice into one list, so a plug-in may keep its settings
 * and state in global variables.
 *
 * Threads
 * - [ui-thread]: the program's user-interface thread. plugin_info, plugin_init, plugin_about,
 *   plugin_settings and the dialog procedures run there, and so does plugin_uninit unless the
 *   overload watchdog took the plug-in out.
 * - [housekeeping-thread]: the engine's housekeeping thread, where plugin_uninit runs after the
 *   watchdog took the plug-in out, possibly while a dialog procedure of the plug-in runs on
 *   the ui thread. klvDestroyDialog may be called from there: the window system serves it on
 *   the ui thread and returns once the dialog is gone. plugin_uninit never runs on the output
 *   thread.
 * - [audio-thread]: plugin_process runs on the engine's output thread, concurrently with the
 *   ui-thread functions. Values shared between the two (settings the dialog changes) must be
 *   single aligned 32-bit values or atomics: a change is picked up on a later frame.
 * - plugin_process must not block, take locks, allocate, do I/O or call the host services:
 *   the whole mix waits for it, and the sound card's queue holds only about 186 ms.
 *
 * The overload watchdog
 * The engine measures every plugin_process call in milliseconds. A call of at most 10 ms
 * lowers the plug-in's score by 1 (not below 0); a longer one raises it by 1, above 40 ms by
 * 2, above 80 ms by 4. A score above 50 takes the plug-in out: the output thread only stops
 * passing blocks through it and leaves the rest to the engine's housekeeping thread, which
 * removes it from the list, calls plugin_uninit, unloads the library and tells the user in a
 * message box. None of that happens on the output thread. A plug-in that is slow now and then
 * is never disabled; one that is slow in most blocks is.
 *
 * Floating point
 * The engine calls plugin_info and plugin_init with all floating-point exceptions masked and
 * restores that environment afterwards; plugin_process inherits the output thread's and must
 * leave it as it found it.
 */
#ifndef KLV_PLUGIN_H
#define KLV_PLUGIN_H

#include <stdint.h>

/* KlvWindow, the root keys of the settings store (KLV_HKEY_*) and KLV_HOST_API. */
#include "klv_types.h"
/* Dialog templates: KlvDialogTemplate, KlvDialogControl, KlvDialogProc, the notifications and
 * the control calls klvCreateDialog, klvDialogSetTrackbarRange, ... (in libklvplatform). */
#include "klv_dialog.h"

#ifdef __cplusplus
extern "C" {
#endif

/* NOLINTBEGIN(modernize-use-using): a C header, where only typedef names a type. */

#define KLV_PLUGIN_EXPORT __attribute__((visibility("default")))

/* Frames per block (each frame two floats, left then right, full scale -1.0..+1.0). */
#define KLV_PLUGIN_BLOCK_FRAMES 1024
/* Size of the buffer plugin_info writes into. */
#define KLV_PLUGIN_INFO_BUFFER 256

/* ---- The entry points a plug-in exports ------------------------------------------------ */

/* Required. [ui-thread] Called once after a successful plugin_info. frames is the block
 * length (always 1024); module is the library's handle as the engine loaded it; owner is the
 * program's main window (owner of message boxes). The result is ignored. */
KLV_PLUGIN_EXPORT int32_t plugin_init(int32_t frames, void* module, KlvWindow owner);

/* Required. Called once just before the library is unloaded, after the last plugin_process
 * has returned: destroy your windows, free what you allocated. [ui-thread, or the housekeeping
 * thread after the watchdog took the plug-in out; never the output thread] */
KLV_PLUGIN_EXPORT void plugin_uninit(void);

/* Required. [audio-thread] Processes one block in place: frames points to 1024 frames of two
 * floats, left then right (8192 bytes). The block belongs to the engine and is valid only
 * during the call. The result is ignored. */
KLV_PLUGIN_EXPORT int32_t plugin_process(float* frames);

/* Required. [ui-thread] Writes a zero-terminated description of at most 255 bytes (UTF-8)
 * into text (KLV_PLUGIN_INFO_BUFFER bytes) and returns 1. Any other result means "not a
 * plug-in". Called at load and whenever the plug-in manager lists the library, also without
 * plugin_init. */
KLV_PLUGIN_EXPORT int32_t plugin_info(char* text);

/* Optional. [ui-thread] Shows the plug-in's about box, owned by parent. The result is
 * ignored. Without it the engine shows "This plugin does not have an About dialog.". */
KLV_PLUGIN_EXPORT intptr_t plugin_about(KlvWindow parent);

/* Optional. [ui-thread] Opens the plug-in's settings, owned by parent; may open a modeless
 * dialog (klvCreateDialog) and return its handle at once. The result is ignored. Without it
 * the engine shows "This plugin does not have any settings.". */
KLV_PLUGIN_EXPORT intptr_t plugin_settings(KlvWindow parent);

/* Pointer types of the entry points, as the engine looks them up. */
typedef int32_t (*KlvPluginInitFn)(int32_t frames, void* module, KlvWindow owner);
typedef void (*KlvPluginUninitFn)(void);
typedef int32_t (*KlvPluginProcessFn)(float* frames);
typedef int32_t (*KlvPluginInfoFn)(char* text);
typedef intptr_t (*KlvPluginAboutFn)(KlvWindow parent);
typedef intptr_t (*KlvPluginSettingsFn)(KlvWindow parent);

/* ---- Host services (libklvplatform) ---------------------------------------------------- */
/* [thread-safe] Any thread, but never from plugin_process: they lock, do I/O or wait for the
 * user. */

/* Settings store. Keys are paths with backslashes under a root key, e.g.
 * KLV_HKEY_LOCAL_MACHINE and "Software\\Vendor\\My Plugin 1.0\\Default"; key and value names
 * are matched without regard to case. Every write is committed at once. */
#define KLV_HOST_HKEY_CURRENT_USER KLV_HKEY_CURRENT_USER
#define KLV_HOST_HKEY_LOCAL_MACHINE KLV_HKEY_LOCAL_MACHINE
#define KLV_REG_STRING 1
#define KLV_REG_BINARY 3

/* Copies the value's bytes into buffer (size bytes) and returns their number. Returns -1 when
 * the key does not exist, -2 when the value does not, -3 when the value is longer than size
 * (buffer untouched), -4 when the store cannot be read. type, when not null, receives
 * KLV_REG_STRING or KLV_REG_BINARY. */
KLV_HOST_API int32_t klvHostReadValue(uint32_t rootKey, const char* keyPath, const char* name,
                                      void* buffer, int32_t size, uint32_t* type);

/* Writes size bytes of data as a value of the given type, creating the key when needed.
 * 0, or -1 when it could not be stored. */
KLV_HOST_API int32_t klvHostWriteValue(uint32_t rootKey, const char* keyPath, const char* name,
                                       uint32_t type, const void* data, int32_t size);

/* Message boxes: one button set, one icon. */
#define KLV_HOST_MB_OK 0x0u
#define KLV_HOST_MB_OKCANCEL 0x1u
#define KLV_HOST_MB_YESNO 0x4u
#define KLV_HOST_MB_ICONSTOP 0x10u
#define KLV_HOST_MB_ICONQUESTION 0x20u
#define KLV_HOST_MB_ICONWARNING 0x30u
#define KLV_HOST_MB_ICONINFORMATION 0x40u
/* Answers. */
#define KLV_HOST_IDOK 1
#define KLV_HOST_IDCANCEL 2
#define KLV_HOST_IDYES 6
#define KLV_HOST_IDNO 7

/* Shows a modal box owned by owner (0: none) with UTF-8 text and caption and waits for the
 * user. Returns the answer. */
KLV_HOST_API int32_t klvHostMessageBox(KlvWindow owner, const char* text, const char* caption,
                                       uint32_t flags);

/* NOLINTEND(modernize-use-using) */

#ifdef __cplusplus
}
#endif

#endif /* KLV_PLUGIN_H */
