// The profile on QSettings.
#include "app/settings_profile.h"

#include "app/qt_text.h"

namespace quillory {
namespace {

QString Key(WStringView section, WStringView name) {
    return ToQString(section) + u'/' + ToQString(name);
}

}  // namespace

SettingsProfile::SettingsProfile() : settings_(kOrganisationName, kApplicationName) {}

int SettingsProfile::GetInt(WStringView section, WStringView name, int defaultValue) {
    const QVariant value = settings_.value(Key(section, name));
    bool ok = false;
    const int number = value.toInt(&ok);
    return value.isValid() && ok ? number : defaultValue;
}

WString SettingsProfile::GetString(WStringView section, WStringView name,
                                   WStringView defaultValue) {
    const QVariant value = settings_.value(Key(section, name));
    return value.isValid() ? FromQString(value.toString()) : WString(defaultValue);
}

void SettingsProfile::WriteInt(WStringView section, WStringView name, int value) {
    settings_.setValue(Key(section, name), value);
}

void SettingsProfile::WriteString(WStringView section, WStringView name, WStringView value) {
    settings_.setValue(Key(section, name), ToQString(value));
}

}  // namespace quillory
