// The application profile on QSettings, with organisation "Ostrella Software" and
// application "Quillory" (on Linux ~/.config/Ostrella Software/Quillory.conf): a value
// is the key "Section/Name". A value that is not a number reads as the default, as a
// registry value of the wrong type does; writes are not checked. Strings are kept
// exactly: one that text cannot hold (a remembered folder whose name is no UTF-8, which
// a program path keeps as lone surrogates) is stored as its UTF-16 units in a byte
// array.
#pragma once

#include <QSettings>

#include "platform/profile.h"

namespace quillory {

inline constexpr char kOrganisationName[] = "Ostrella Software";
inline constexpr char kApplicationName[] = "Quillory";

class SettingsProfile final : public platform::Profile {
public:
    SettingsProfile();

    int GetInt(WStringView section, WStringView name, int defaultValue) override;
    WString GetString(WStringView section, WStringView name, WStringView defaultValue) override;
    void WriteInt(WStringView section, WStringView name, int value) override;
    void WriteString(WStringView section, WStringView name, WStringView value) override;

    QSettings& settings() { return settings_; }

private:
    QSettings settings_;
};

}  // namespace quillory
