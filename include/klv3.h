/*
 * klv3.h - the C interface of the Kelvara engine library (libklv3.so).
 *
 * The program KLV3 is the library's only client. It calls every function from its one
 * user-interface thread ("[ui-thread]") unless a function says otherwise; no function is
 * re-entered. The library runs threads of its own (output, housekeeping, VU, and per open line
 * a reader, a decoder and a display thread) which keep writing fields of the caller's
 * LineHandle after the call that started them has returned.
 *
 * Conventions
 * - Integers are 32-bit signed, floating-point arguments 32-bit, strings zero-terminated UTF-8.
 * - Results are 0 for success and -1 (or another negative value) for failure unless a function
 *   says otherwise. Every per-line function other than klvOpen first looks at the handle's
 *   `slot`: when it is null (nothing open) the function does nothing and returns 0.
 * - Buffers that a function fills are supplied by the caller with the size given here; neither
 *   side frees the other's memory.
 * - Window handles and device contexts are opaque pointer-sized values (KlvWindow, KlvDC) that
 *   the program's window system gives meaning to.
 */
#pragma once

#include <stddef.h>
#include <stdint.h>

/* KlvWindow and the root keys of the settings store (KLV_HKEY_*). */
#include "klv_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* NOLINTBEGIN(modernize-use-using): a C header, where only typedef names a type. */

#if defined(KLV3_BUILDING_LIBRARY)
#define KLV_API __attribute__((visibility("default")))
#else
#define KLV_API
#endif

/* The version the program demands of the library. */
#define KLV_DLL_VERSION 3401

/* Opaque device context (window handles are KlvWindow). */
typedef intptr_t KlvDC;

/* Window message carrying a UserMessage* as wParam (lParam 0), sent to the owner window. */
#define KLV_WM_USER 0x0400
#define KLV_MSG_USER_MESSAGE (KLV_WM_USER + 1)

/* Application key; the subkey given to klvGetReg/klvSetReg/klvDelReg is appended. */
#define KLV_APP_KEY "Software\\Quellwerk\\Kelvara 3.1\\"

/* klvShowHelp commands. */
#define KLV_HELP_CONTEXT 1
#define KLV_HELP_FINDER 11

/* klvWhatIsIt results. */
#define KLV_KIND_UNKNOWN 0
#define KLV_KIND_MP3 1
#define KLV_KIND_WAV 2
#define KLV_KIND_PLS 3
#define KLV_KIND_TEXT_LIST 4 /* M3U or .klv */
/* Audio the engine decodes through FFmpeg: FLAC, AIFF/AIFC, M4A/MP4 (AAC, ALAC), Ogg Vorbis,
 * Opus, and every WAV that the PCM path refuses (24/32-bit, float, extensible, other rates,
 * mono and multichannel). Not a playlist, although its value is above KLV_KIND_TEXT_LIST. */
#define KLV_KIND_CODED 5

/* LineHandle.isWave: which source feeds the line. */
#define KLV_SOURCE_MP3 0
#define KLV_SOURCE_WAV 1   /* 8/16-bit PCM WAV at 22050, 44100 or 48000 */
#define KLV_SOURCE_CODED 2 /* decoded through FFmpeg, see KLV_KIND_CODED */

/* Buffer sizes the caller provides. */
#define KLV_PATH_BUFFER 256 /* klvGetPlaylistFile, LineHandle.fileName */
#define KLV_LINK_BUFFER 261 /* klvResolveLink target: 260 characters and the zero */
#define KLV_PLUGIN_NAME_BUFFER 256
#define KLV_TIME_BUFFER 16 /* each klvGetInfo time string ("-99:59.99") */
#define KLV_TAG_TEXT 1024  /* each text of KlvTags */
#define KLV_TAG_SHORT 32   /* the short texts of KlvTags */
#define KLV_TAG_REASON 256 /* klvSetTags' reason */

typedef struct LineSlot LineSlot; /* the library's per-line playback record */

/*
 * LineHandle: owned by the program, at a fixed address while a file is open on it.
 * Fields marked "library" are written by the library's threads at any time while the line is
 * open; read them with KLV_LOAD_FIELD. Fields marked "program" are read by the library.
 */
typedef struct LineHandle {
    int32_t file;          /* library: descriptor of the open audio file; <= 0 when none */
    int32_t state;         /* library: 0 closed, 1 open and cued, 2 started */
    int32_t isWave;        /* library: KLV_SOURCE_*: 1 PCM WAV, 0 MP3, 2 decoded by FFmpeg */
    int32_t quiet;         /* program: non-zero: failures only go to the log */
    int32_t index;         /* program: 0..63, unique among open handles */
    KlvDC displayDC;       /* program: the line's time display, 0 = none */
    int32_t reserved;      /* nobody */
    KlvWindow ownerWindow; /* program: main window; not read by the library */
    int32_t loop;          /* program: non-zero: restart at the end of the file */
    int32_t finished;      /* library (program may clear): the song has played out */
    int32_t percent;       /* library: position 0..100 */
    int32_t remaining;     /* library: remaining time in hundredths of a second */
    int32_t paused;        /* library: 1 while paused by klvPause */
    int32_t preview;       /* program: route to pre-listen; takes effect at klvSetPreview */
    char* fileName;        /* library: 256-byte buffer with the path given to klvOpen */
    void* decoder;         /* library: the line's decoder instance, null for WAV and closed */
    LineSlot* slot;        /* library: null when no file is open */
} LineHandle;

/* Tear-free access to a LineHandle field shared with the library's threads. */
#define KLV_LOAD_FIELD(field) __atomic_load_n(&(field), __ATOMIC_ACQUIRE)
#define KLV_STORE_FIELD(field, value) __atomic_store_n(&(field), (value), __ATOMIC_RELEASE)

/*
 * OptionsRecord: 452 bytes, stored as the binary value "Options" under "Settings".
 * Text fields are space padded without a terminator; colours are 0x00BBGGRR.
 */
typedef struct OptionsRecord {
    int32_t PrimaryDevice;    /*   0 */
    int32_t SecondaryDevice;  /*   4 */
    int32_t FadeSpeed;        /*   8 */
    int32_t ResetPitch;       /*  12 */
    int32_t UseSecondary;     /*  16 */
    int32_t SkipSilence;      /*  20 */
    int32_t SilenceThreshold; /*  24 */
    int32_t Reopen;           /*  28 */
    int32_t Clock12Hour;      /*  32 */
    int32_t AutoPlay;         /*  36 */
    int32_t NoDropPlaying;    /*  40 */
    int32_t NoOpenPlaying;    /*  44 */
    int32_t NumLines;         /*  48 */
    int32_t InvertPitch;      /*  52 */
    int32_t HeadphoneMode;    /*  56 */
    int32_t PreFader;         /*  60 */
    int32_t LCDBackColor;     /*  64 */
    int32_t LCDLitColor;      /*  68 */
    int32_t LCDDimColor;      /*  72 */
    int32_t TextColor;        /*  76 */
    int32_t BackColor;        /*  80 */
    int32_t EnsureOn;         /*  84 */
    int32_t TimeScale;        /*  88 */
    int32_t PitchRange;       /*  92 */
    int32_t OverSample;       /*  96 */
    int32_t ConfirmExit;      /* 100 */
    int32_t XFade;            /* 104 */
    int32_t FocusColor;       /* 108 */
    int32_t Bold;             /* 112 */
    int32_t SmallFont;        /* 116 */
    int32_t RemQueue1;        /* 120 */
    int32_t RemQueue2;        /* 124 */
    int32_t NoDupes1;         /* 128 */
    int32_t NoDupes2;         /* 132 */
    char QueueName1[40];      /* 136 */
    char QueueName2[40];      /* 176 */
    int32_t ShowClock;        /* 216 */
    int32_t WinVersion5;      /* 220 */
    int32_t Reserved1;        /* 224 */
    int32_t StatusLevel;      /* 228 */
    int32_t LockEnabled;      /* 232 */
    int32_t LockOptions;      /* 236 */
    int32_t LockPlugins;      /* 240 */
    int32_t LockNav;          /* 244 */
    int32_t LockID3;          /* 248 */
    char NavDir[80];          /* 252 */
    char ID3Format[3][20];    /* 332 */
    char NoID3Format[3][20];  /* 392 */
} OptionsRecord;

#define KLV_OPTIONS_SIZE 452

/* Id3Record: 140 bytes exchanged by getid3 and setid3. */
typedef struct Id3Record {
    char title[32]; /* zero-terminated, at most 30 characters */
    char artist[32];
    char album[32];
    char comment[32];
    int32_t year;  /* 0 = none */
    int32_t track; /* 1..99, 0 = none */
    int32_t genre; /* 0..127, -1 none; stored 128..254 come back as value - 256 */
} Id3Record;

/* KlvTags: a file's own tags as klvGetTags reads them and klvSetTags writes them. Every text
 * is zero-terminated UTF-8, empty when the file has none; a longer text is cut at a character
 * boundary. */
typedef struct KlvTags {
    char title[KLV_TAG_TEXT];
    char artist[KLV_TAG_TEXT];
    char album[KLV_TAG_TEXT];
    char genre[KLV_TAG_TEXT];
    char comment[KLV_TAG_TEXT];
    char year[KLV_TAG_SHORT];  /* as stored: "1999" or a date such as "1999-05-01" */
    char track[KLV_TAG_SHORT]; /* as stored: "3" or "3/12" */
    char bpm[KLV_TAG_SHORT];
    char key[KLV_TAG_SHORT]; /* initial key as stored, e.g. "Am" */
} KlvTags;

/* UserMessage: 264 bytes, the record behind message KLV_MSG_USER_MESSAGE. */
typedef struct UserMessage {
    char text[256];      /* zero-terminated, at most 255 characters */
    int32_t level;       /* severity; the library always sends 2 */
    int32_t helpContext; /* the library always sends 0 */
} UserMessage;

#ifdef __cplusplus
static_assert(sizeof(OptionsRecord) == KLV_OPTIONS_SIZE, "OptionsRecord is a stored format");
static_assert(sizeof(Id3Record) == 140, "Id3Record crosses the library boundary");
static_assert(sizeof(UserMessage) == 264, "UserMessage crosses the library boundary");
#endif

/* ---- Library -------------------------------------------------------------------------- */

/* Always KLV_DLL_VERSION. [any thread] */
KLV_API int32_t klvGetDLLVersion(void);

/* ---- Lines ----------------------------------------------------------------------------- */

/* Opens path (null: reopen the path in h->fileName) on the line and cues it at its start.
 * Closes what was open first. 0, or -1 when the file cannot be opened or is not audio
 * (a message box unless h->quiet). Paths longer than 255 characters are refused with -1. */
KLV_API int32_t klvOpen(LineHandle* h, const char* path);
/* Ends the line's threads, frees its slot and closes the file. 0. */
KLV_API int32_t klvClose(LineHandle* h);
/* Starts mixing the line. 0. */
KLV_API int32_t klvPlay(LineHandle* h);
/* Play/pause toggle; starts an open or paused line, pauses a playing one. 0. */
KLV_API int32_t klvPause(LineHandle* h);
/* Stops the line and cues it at its beginning. 0. */
KLV_API int32_t klvStop(LineHandle* h);
/* Moves the line to a whole percent; positioned, not mixed. 0. */
KLV_API int32_t klvSetPos(LineHandle* h, int32_t percent);
/* Sets the reported position only (position control dragging). 0. */
KLV_API int32_t klvDisplayPos(LineHandle* h, int32_t percent);
/* Recomputes length, position, percent and remaining. 0. */
KLV_API int32_t klvUpdatePos(LineHandle* h);
/* Writes byte rate, sample rate and three time strings (each KLV_TIME_BUFFER bytes). 0. */
KLV_API int32_t klvGetInfo(LineHandle* h, int32_t* byteRate, int32_t* sampleRate, char* total,
                           char* remaining, char* elapsed);
/* Copies h->preview into the slot. 0. */
KLV_API int32_t klvSetPreview(LineHandle* h);
/* Number of slots whose playing is exactly 1. */
KLV_API int32_t klvCheckPlaying(void);
/* Exchanges the complete contents of two records. 0. */
KLV_API int32_t klvSwapLines(LineHandle* h1, LineHandle* h2);
/* Line displays show remaining time (non-zero) or elapsed time (0). 0. */
KLV_API int32_t klvSetRemain(int32_t mode);
/* Target volume, clamped to 0..2 (NaN gives 0). 0. */
KLV_API int32_t klvSetVolume(LineHandle* h, float volume);
/* Pan, clamped to -100..100. 0. */
KLV_API int32_t klvSetPan(LineHandle* h, int32_t pan);
/* Speed in thousandths, clamped to 0..2000. 0. */
KLV_API int32_t klvSetPitch(LineHandle* h, int32_t pitch);
/* Song equalizer band 0..4 in level units; stored in klv.eq. 0. */
KLV_API int32_t klvSetSongEQ(LineHandle* h, int32_t band, float value);
/* Song equalizer band 0..4 as value * 2, truncated. */
KLV_API int32_t klvGetSongEQ(LineHandle* h, int32_t band);

/* ---- Audio output and master section --------------------------------------------------- */

/* Starts the output thread unless it runs, and beside it the housekeeping thread, which does
 * what the output thread must not wait for: it shows the boxes of a device that fails and
 * unloads a plug-in the overload watchdog has taken out of the mix. 0. */
KLV_API int32_t klvStartAudio(void);
/* Stops the output thread, waiting up to about 5 s, then the housekeeping thread once it has
 * shown what was left to show (the window system is served meanwhile). 0. */
KLV_API int32_t klvKillAudio(void);
/* Restarts the output thread when it has ended. 0 (not used by callers). */
KLV_API int32_t klvFixAudio(void);
/* Master left/right targets and the headphone level. 0. */
KLV_API int32_t klvSetMainVol(float left, float right, float headphone);
/* Master equalizer band 0..9, value clamped to -24..24. 0, or -1 for a bad band. */
KLV_API int32_t klvSetEQ(int32_t band, float value);

/* ---- Meters and displays --------------------------------------------------------------- */

/* Starts the VU thread on dc. 0, or -1 when dc is 0 or the meters run already. */
KLV_API int32_t klvStartVU(KlvWindow window, KlvDC dc, int32_t width, int32_t height);
/* Stops the VU thread. 0, or -1 when it does not run. */
KLV_API int32_t klvStopVU(void);
/* Draws the clock once into dc. 0. */
KLV_API int32_t klvDrawClock(KlvDC dc, int32_t hours, int32_t minutes);

/* ---- Plug-ins --------------------------------------------------------------------------- */

/* Loads a plug-in at position (negative or >= count: append). Index, or -1. */
KLV_API int32_t klvLoadPlugin(const char* path, int32_t position);
/* Unloads the plug-in at index; nothing for an index outside the list. 0. */
KLV_API int32_t klvUnloadPlugin(int32_t index);
/* Unloads every plug-in. 0. */
KLV_API int32_t klvUnloadAllPlugins(void);
/* Exchanges two plug-ins. 0, or -1 for an index outside the list. */
KLV_API int32_t klvSwapPlugins(int32_t a, int32_t b);
/* Reads a plug-in's description into name (KLV_PLUGIN_NAME_BUFFER bytes, may be null).
 * 1, or -1 when path is not a valid plug-in. */
KLV_API int32_t klvGetPluginInfo(const char* path, char* name);
/* Index of the loaded plug-in with exactly this path, or -1. */
KLV_API int32_t klvGetPluginID(const char* path);
/* Shows the plug-in's about box, owned by window. 0. */
KLV_API int32_t klvShowAbout(int32_t index, KlvWindow window);
/* Shows the plug-in's settings dialog, owned by window. 0. */
KLV_API int32_t klvShowSettings(int32_t index, KlvWindow window);

/* ---- Files and tags --------------------------------------------------------------------- */

/* KLV_KIND_* of the file at path. [any thread] */
KLV_API int32_t klvWhatIsIt(const char* path);
/* Reads the ID3v1 tag. 0, or -1 when the file cannot be opened or has no tag. */
KLV_API int32_t getid3(const char* path, Id3Record* tag);
/* Writes the ID3v1 tag (year normalised in place). 0, or -1 when it cannot be written. */
KLV_API int32_t setid3(const char* path, Id3Record* tag);
/* Reads the file's own tags with TagLib: ID3v2 (preferred) or ID3v1 and APE in MP3, Vorbis
 * comments in FLAC, Ogg and Opus, MP4 atoms, ID3 and INFO chunks in WAV and AIFF. 0 (texts
 * empty where the file has none), or -1 when the file cannot be read as audio. [any thread] */
KLV_API int32_t klvGetTags(const char* path, KlvTags* tags);
/* Writes title, artist, album, genre, comment, year, track, bpm and key into the file's own
 * tag (ID3v2.4 for MP3, keeping an ID3v1 tag in step where there is one; Vorbis comments; MP4
 * atoms; ID3 in WAV and AIFF), leaving every other frame untouched. The file is written as a
 * copy beside it that replaces it only when complete, so a failure leaves it byte for byte.
 * 0, or -1 with the reason in reason (KLV_TAG_REASON bytes, may be null). [any thread] */
KLV_API int32_t klvSetTags(const char* path, const KlvTags* tags, char* reason);
/* Resolves a shortcut (symbolic link) into target (KLV_LINK_BUFFER bytes; set empty first).
 * 0 (also when it cannot be resolved: target stays empty), -2 or -1. */
KLV_API int32_t klvResolveLink(const char* shortcut, char* target);
/* Creates a shortcut (symbolic link) at shortcut pointing to target. 0, or negative errno. */
KLV_API int32_t klvCreateLink(const char* shortcut, const char* target);

/* ---- Playlists (numbered 0..15) --------------------------------------------------------- */

KLV_API int32_t klvCreatePlaylist(void);
KLV_API int32_t klvOpenPlaylist(const char* path);
KLV_API int32_t klvAddPlaylist(int32_t playlist, const char* path);
KLV_API int32_t klvClosePlaylist(int32_t playlist);
/* path null: save to the file the playlist was opened from. */
KLV_API int32_t klvSavePlaylist(int32_t playlist, const char* path);
KLV_API int32_t klvGetPlaylistCount(int32_t playlist);
/* path: KLV_PATH_BUFFER bytes. 0; -3 for a negative index; -count when index >= count. */
KLV_API int32_t klvGetPlaylistFile(int32_t playlist, int32_t index, char* path);
KLV_API int32_t klvGetIndexFromFile(int32_t playlist, const char* path);
/* position -1 appends. */
KLV_API int32_t klvAddPlaylistFile(int32_t playlist, int32_t position, const char* path);
KLV_API int32_t klvDelPlaylistFile(int32_t playlist, int32_t index);
KLV_API int32_t klvSwapPlaylistFiles(int32_t playlist, int32_t a, int32_t b);
KLV_API int32_t klvSortPlaylist(int32_t playlist, int32_t descending);
KLV_API int32_t klvRandomizePlaylist(int32_t playlist);

/* ---- Settings and services -------------------------------------------------------------- */

/* Remembers owner as the target of messages and owner of message boxes; zero-fills record
 * and reads the stored options into it. 0, or -1 when missing, empty or longer than 452. */
KLV_API int32_t klvLoadOptions(OptionsRecord* record, KlvWindow owner);
/* Updates the library's copy, then stores the record. 0, or -1 when the store failed. */
KLV_API int32_t klvSaveOptions(const OptionsRecord* record);
/* Reads a binary value of KLV_APP_KEY + subkey into buffer and zero-fills the rest of size.
 * Bytes read, or -1 (no key, no value, value longer than size). [any thread] */
KLV_API int32_t klvGetReg(const char* subkey, const char* name, void* buffer, int32_t size);
/* Writes size bytes as a binary value, creating the key. 0 or -1. [any thread] */
KLV_API int32_t klvSetReg(const char* subkey, const char* name, const void* data, int32_t size);
/* Deletes a value. 0, or -1 when the key or the value does not exist. [any thread] */
KLV_API int32_t klvDelReg(const char* subkey, const char* name);
/* Reads any value under any root key. Bytes read; -1 no key; -2 no value. [any thread] */
KLV_API int32_t klvGetRegString(uint32_t rootKey, const char* keyPath, const char* name,
                                char* buffer, int32_t size);
/* Writes a string value of length bytes (0: strlen). 0; -1 key; -2 value. [any thread] */
KLV_API int32_t klvSetRegString(uint32_t rootKey, const char* keyPath, const char* name,
                                const char* text, int32_t length);
/* Writes "[VB] " + text to the log. 0. [any thread] */
KLV_API int32_t klvLogInfo(const char* text);
/* Colour chooser with the 16 stored custom colours. The chosen colour, or initial. */
KLV_API int32_t klvGetColor(KlvWindow owner, int32_t initial);
/* Opens the help pages: command KLV_HELP_CONTEXT shows topic data, KLV_HELP_FINDER the
 * contents. 0. */
KLV_API int32_t klvShowHelp(KlvWindow window, const char* helpFile, int32_t command, int32_t data);

/* NOLINTEND(modernize-use-using) */

#ifdef __cplusplus
}
#endif
