// The application's options and remembered folders: their profile names and defaults,
// the read at start-up and the write of the eight options when the settings dialog is
// confirmed. Values are kept as read; nothing here checks their range (a value out of
// range selects no radio button and counts as the first choice where one is taken).
#pragma once

#include "platform/profile.h"
#include "platform/text.h"

namespace quillory {

// Profile sections and value names.
inline constexpr WStringView kOptionSection = u"Option";
inline constexpr WStringView kLastFolderSection = u"LastFolder";
inline constexpr WStringView kLastOpenValue = u"Startup";
inline constexpr WStringView kLastExtractValue = u"Extract";

// "OverwriteInquire" and the overwrite choice of the settings dialog.
inline constexpr int kOverwriteAlwaysAsk = 0;
inline constexpr int kOverwriteAskIfNewer = 1;
inline constexpr int kOverwriteNever = 2;

// "ExtractFolder": the destination dialog's initial folder.
inline constexpr int kExtractToMyDocuments = 0;
inline constexpr int kExtractToLastFolder = 1;
inline constexpr int kExtractToDesktop = 2;

// "StartupFolder": the open dialog's initial folder (else My Documents).
inline constexpr int kOpenFromLastFolder = 1;

// "AutoExtractMethod": the base folder of the automatic extraction (else the desktop).
inline constexpr int kAutoExtractToMyDocuments = 1;

// The settings dialog's members, in the dialog's order. Radio groups hold the index of
// the selected button (-1: none), check boxes 0 or 1.
struct SettingsValues {
    int OverwriteInquire = -1;
    int DisplayFolder = 0;
    int CreateFolder = 0;
    int UseFolder = 0;
    int AutoExtract = 0;
    int AutoExtractMethod = -1;
    int StartupFolder = -1;
    int ExtractFolder = -1;
    int OpenFolder = 0;   // open the destination folder after a successful extraction
    int KeepDamaged = 0;  // keep a damaged member's output as "<name>.damaged"
};

// What the application holds: the eight options, "OpenFolder" (open the destination folder
// in the file manager after a successful extraction) and "KeepDamaged" (keep what a
// damaged member decoded, beside its name) with their defaults, the two special
// folders (with a trailing "\", never stored) and the two remembered folders.
struct ApplicationSettings {
    int AutoExtract = 0;
    int AutoExtractMethod = 0;
    int CreateFolder = 1;
    int UseFolder = 1;
    int DisplayFolder = 0;
    int OverwriteInquire = kOverwriteAskIfNewer;
    int StartupFolder = kOpenFromLastFolder;
    int ExtractFolder = kExtractToLastFolder;
    int OpenFolder = 0;
    int KeepDamaged = 0;
    WString desktopFolder;
    WString myDocumentsFolder;
    WString lastOpenFolder;
    WString lastExtractFolder;
};

// Reads the options in their fixed order (the eight, then "OpenFolder" and "KeepDamaged"),
// each with its default,
// then the two remembered folders with myDocumentsFolder (already set) as their default.
void ReadSettings(platform::Profile& profile, ApplicationSettings* settings);

// Writes the options in the same order as they are read.
void WriteOptions(platform::Profile& profile, const SettingsValues& values);

}  // namespace quillory
