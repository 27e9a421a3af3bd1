// The application profile: integers and strings kept per user, addressed by a section and
// a value name, as the program's options and remembered folders are stored. The GUI backs
// it with its settings store; tests and the command-line tool use the memory profile.
// A missing value reads as the caller's default; a failed write is not reported.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/text.h"

namespace quillory::platform {

class Profile {
public:
    virtual ~Profile();

    virtual int GetInt(WStringView section, WStringView name, int defaultValue) = 0;
    virtual WString GetString(WStringView section, WStringView name, WStringView defaultValue) = 0;
    virtual void WriteInt(WStringView section, WStringView name, int value) = 0;
    virtual void WriteString(WStringView section, WStringView name, WStringView value) = 0;
};

// Values held in memory, with a log of every read and write in order so that tests can
// check which values were touched and when.
class MemoryProfile final : public Profile {
public:
    struct Access {
        enum Kind { GetInt, GetString, WriteInt, WriteString } kind;
        WString section;
        WString name;
        WString value;  // what was written (an integer in decimal), or empty for a read
    };

    int GetInt(WStringView section, WStringView name, int defaultValue) override;
    WString GetString(WStringView section, WStringView name, WStringView defaultValue) override;
    void WriteInt(WStringView section, WStringView name, int value) override;
    void WriteString(WStringView section, WStringView name, WStringView value) override;

    // Stored values, without logging: for tests that set up or inspect the profile.
    bool Has(WStringView section, WStringView name) const;
    void SetInt(WStringView section, WStringView name, int value);
    void SetString(WStringView section, WStringView name, WStringView value);

    const std::vector<Access>& log() const { return log_; }
    void ClearLog() { log_.clear(); }

private:
    // A value has one kind; reading it as the other kind gives the default, as the
    // registry's typed values do.
    struct Value {
        bool isInt = false;
        int number = 0;
        WString text;
    };
    using Key = std::pair<WString, WString>;
    std::map<Key, Value> values_;
    std::vector<Access> log_;
};

}  // namespace quillory::platform
