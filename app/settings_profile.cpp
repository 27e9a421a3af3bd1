// The profile on QSettings: values under "Section/Name". A value that is not a number
// reads as the default; a string text cannot hold (lone surrogates of a name that is no
// UTF-8) is kept as its UTF-16 units in a byte array, so it comes back exactly.
#include "app/settings_profile.h"

#include "app/qt_text.h"

namespace quillory {
namespace {

QString Key(WStringView section, WStringView name) {
    return ToQString(section) + u'/' + ToQString(name);
}

bool HasUnpairedSurrogate(WStringView text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (platform::IsHighSurrogate(text[i]) && i + 1 < text.size() &&
            platform::IsLowSurrogate(text[i + 1])) {
            ++i;
        } else if (text[i] >= 0xD800 && text[i] <= 0xDFFF) {
            return true;
        }
    }
    return false;
}

// The units low byte first, whatever the machine's order.
QByteArray UnitBytes(WStringView text) {
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(text.size() * 2));
    for (const WChar unit : text) {
        bytes.append(static_cast<char>(unit & 0xFF));
        bytes.append(static_cast<char>(unit >> 8));
    }
    return bytes;
}

WString FromUnitBytes(const QByteArray& bytes) {
    WString text;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<WChar>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return text;
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
    if (!value.isValid()) return WString(defaultValue);
    if (value.typeId() == QMetaType::QByteArray) return FromUnitBytes(value.toByteArray());
    return FromQString(value.toString());
}

void SettingsProfile::WriteInt(WStringView section, WStringView name, int value) {
    settings_.setValue(Key(section, name), value);
}

void SettingsProfile::WriteString(WStringView section, WStringView name, WStringView value) {
    if (HasUnpairedSurrogate(value)) {
        settings_.setValue(Key(section, name), UnitBytes(value));
    } else {
        settings_.setValue(Key(section, name), ToQString(value));
    }
}

}  // namespace quillory
