// A document with a scripted user, a memory profile and a scratch folder, as the tests of
// the document flows share them. Start() runs the start-up as a front end would, with the
// scratch folder's Desktop and Documents as the special folders.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "document/quillory_doc.h"
#include "document/startup.h"
#include "platform/profile.h"
#include "tests/document/scripted_user.h"
#include "tests/support/test_support.h"

namespace quillory::testing {

// Sets (or, with null, removes) an environment variable for the life of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        if (old != nullptr) previous_ = old;
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        if (previous_) {
            ::setenv(name_.c_str(), previous_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

class DocumentTest : public ::testing::Test {
protected:
    DocumentTest() {
        std::filesystem::create_directories(temp.Host("Desktop"));
        std::filesystem::create_directories(temp.Host("Documents"));
        doc = std::make_unique<CQuilloryDoc>(user, settings, profile);
        doc->AddView(&view);
    }

    StartupResult Start(std::optional<WString> archive = std::nullopt,
                        StartupAction action = StartupAction::Open) {
        StartupRequest request;
        request.desktopFolder = temp.Program("Desktop");
        request.myDocumentsFolder = temp.Program("Documents");
        request.archive = std::move(archive);
        request.action = action;
        return StartUp(*doc, request, &exitStatus);
    }
    int exitStatus = -1;  // what the last Start() told the program to exit with

    // A fixture (tests/fixtures/<relative>) copied into the scratch folder under name.
    WString Copy(const std::string& relative, const std::string& name) {
        const std::filesystem::path target = temp.Host(name);
        std::filesystem::create_directories(target.parent_path());
        std::filesystem::copy_file(FixturesDir() / relative, target,
                                   std::filesystem::copy_options::overwrite_existing);
        return temp.Program(name);
    }

    static WString Fixture(const std::string& relative) {
        return ProgramPath(FixturesDir() / relative);
    }

    // The destination dialog's answer.
    static DestinationValues Destination(WString folder, int createFolder, int useFolders) {
        DestinationValues values;
        values.folder = std::move(folder);
        values.createFolder = createFolder;
        values.useFolders = useFolders;
        return values;
    }

    TempDir temp;
    ScriptedUser user;
    platform::MemoryProfile profile;
    ApplicationSettings settings;
    CountingView view;
    std::unique_ptr<CQuilloryDoc> doc;
};

inline WString W(const char* utf8) {
    return platform::Utf8ToWide(utf8);
}

}  // namespace quillory::testing
