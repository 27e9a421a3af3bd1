// The memory profile, which tests and the command-line tool use in place of the GUI's
// settings store: integers and strings by section and name. A missing value reads as the
// caller's default.
#include "platform/profile.h"

namespace quillory::platform {

Profile::~Profile() = default;

int MemoryProfile::GetInt(WStringView section, WStringView name, int defaultValue) {
    log_.push_back({Access::GetInt, WString(section), WString(name), {}});
    const auto it = values_.find({WString(section), WString(name)});
    return it != values_.end() && it->second.isInt ? it->second.number : defaultValue;
}

WString MemoryProfile::GetString(WStringView section, WStringView name, WStringView defaultValue) {
    log_.push_back({Access::GetString, WString(section), WString(name), {}});
    const auto it = values_.find({WString(section), WString(name)});
    return it != values_.end() && !it->second.isInt ? it->second.text : WString(defaultValue);
}

void MemoryProfile::WriteInt(WStringView section, WStringView name, int value) {
    log_.push_back(
        {Access::WriteInt, WString(section), WString(name), AsciiToWide(std::to_string(value))});
    SetInt(section, name, value);
}

void MemoryProfile::WriteString(WStringView section, WStringView name, WStringView value) {
    log_.push_back({Access::WriteString, WString(section), WString(name), WString(value)});
    SetString(section, name, value);
}

bool MemoryProfile::Has(WStringView section, WStringView name) const {
    return values_.contains({WString(section), WString(name)});
}

void MemoryProfile::SetInt(WStringView section, WStringView name, int value) {
    values_[{WString(section), WString(name)}] = Value{true, value, {}};
}

void MemoryProfile::SetString(WStringView section, WStringView name, WStringView value) {
    values_[{WString(section), WString(name)}] = Value{false, 0, WString(value)};
}

}  // namespace quillory::platform
