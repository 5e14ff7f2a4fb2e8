/*
 * klv_types.h - what the engine's interface (klv3.h) and the plug-in interface (klv_plugin.h)
 * have in common: the window handle type, the root keys of the settings store and the mark of
 * the platform library's host services. A program that includes both headers sees one
 * declaration of each.
 */
#ifndef KLV_TYPES_H
#define KLV_TYPES_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* NOLINTBEGIN(modernize-use-using): a C header, where only typedef names a type. */

/* An opaque, pointer-sized window handle that the program's window system gives meaning to
 * (the owner or parent of other windows); 0 means none. */
typedef intptr_t KlvWindow;

/* Marks the host services that libklvplatform exports to plug-ins and the program
 * (klv_plugin.h, klv_dialog.h). */
#define KLV_HOST_API __attribute__((visibility("default")))

/* Root keys of the settings store, with the registry's numeric values. */
#define KLV_HKEY_CLASSES_ROOT 0x80000000u
#define KLV_HKEY_CURRENT_USER 0x80000001u
#define KLV_HKEY_LOCAL_MACHINE 0x80000002u
#define KLV_HKEY_USERS 0x80000003u

/* NOLINTEND(modernize-use-using) */

#ifdef __cplusplus
}
#endif

#endif /* KLV_TYPES_H */
