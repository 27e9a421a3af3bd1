// Command routing and enabling: which target handles each command id, which ids choose a
// name encoding, and which commands are enabled with or without an open archive. A
// command that needs an archive is never enabled without one.
#include "document/commands.h"

namespace quillory {

bool IsEncodingCommand(int id) {
    return id >= kCommandEncodingAuto && id <= kCommandEncodingDos;
}

std::string_view CodePageOfCommand(int id) {
    switch (id) {
        case kCommandEncodingCp932:
            return "CP932";
        case kCommandEncodingUtf8:
            return "UTF-8";
        case kCommandEncodingGbk:
            return "CP936";
        case kCommandEncodingBig5:
            return "CP950";
        case kCommandEncodingKorean:
            return "CP949";
        case kCommandEncodingWestern:
            return "CP1252";
        case kCommandEncodingDos:
            return "CP437";
        default:
            return "";
    }
}

CommandTarget CommandTargetOf(int id) {
    if (IsEncodingCommand(id)) return CommandTarget::Document;
    switch (id) {
        case kCommandFileOpen:
        case kCommandFileClose:
        case kCommandExtractAll:
        case kCommandTest:
        case kCommandSettings:
            return CommandTarget::Document;
        case kCommandExtractSelected:
            return CommandTarget::View;
        case kCommandAppAbout:
            return CommandTarget::Application;
        case kCommandAppExit:
        case kCommandFileNew:
            return CommandTarget::Framework;
        default:
            return CommandTarget::None;
    }
}

bool IsCommandEnabled(int id, int isOpen) {
    if (IsEncodingCommand(id)) return isOpen == 1;
    switch (id) {
        case kCommandExtractAll:
        case kCommandExtractSelected:
        case kCommandTest:
        case kCommandFileClose:
            return isOpen == 1;
        default:
            return true;
    }
}

}  // namespace quillory
