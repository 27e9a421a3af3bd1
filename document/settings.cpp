// Reading and writing the options through one table, so that the names, the defaults and
// the order of the reads and the writes cannot drift apart.
#include "document/settings.h"

namespace quillory {
namespace {

// One option: its value name, where the application keeps it, where the dialog keeps it.
struct OptionField {
    WStringView name;
    int ApplicationSettings::*application;
    int SettingsValues::*dialog;
};

// The order of the profile reads and writes.
constexpr OptionField kOptions[] = {
    {u"AutoExtract", &ApplicationSettings::AutoExtract, &SettingsValues::AutoExtract},
    {u"AutoExtractMethod", &ApplicationSettings::AutoExtractMethod,
     &SettingsValues::AutoExtractMethod},
    {u"CreateFolder", &ApplicationSettings::CreateFolder, &SettingsValues::CreateFolder},
    {u"UseFolder", &ApplicationSettings::UseFolder, &SettingsValues::UseFolder},
    {u"DisplayFolder", &ApplicationSettings::DisplayFolder, &SettingsValues::DisplayFolder},
    {u"OverwriteInquire", &ApplicationSettings::OverwriteInquire,
     &SettingsValues::OverwriteInquire},
    {u"StartupFolder", &ApplicationSettings::StartupFolder, &SettingsValues::StartupFolder},
    {u"ExtractFolder", &ApplicationSettings::ExtractFolder, &SettingsValues::ExtractFolder},
    // Beyond the handheld's eight: written after them, so their order stays.
    {u"OpenFolder", &ApplicationSettings::OpenFolder, &SettingsValues::OpenFolder},
    {u"KeepDamaged", &ApplicationSettings::KeepDamaged, &SettingsValues::KeepDamaged},
};

}  // namespace

void ReadSettings(platform::Profile& profile, ApplicationSettings* settings) {
    const ApplicationSettings defaults;
    for (const OptionField& option : kOptions) {
        settings->*option.application =
            profile.GetInt(kOptionSection, option.name, defaults.*option.application);
    }
    settings->lastOpenFolder =
        profile.GetString(kLastFolderSection, kLastOpenValue, settings->myDocumentsFolder);
    settings->lastExtractFolder =
        profile.GetString(kLastFolderSection, kLastExtractValue, settings->myDocumentsFolder);
}

void WriteOptions(platform::Profile& profile, const SettingsValues& values) {
    for (const OptionField& option : kOptions) {
        profile.WriteInt(kOptionSection, option.name, values.*option.dialog);
    }
}

}  // namespace quillory
