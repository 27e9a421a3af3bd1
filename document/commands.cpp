// Command routing and enabling.
#include "document/commands.h"

namespace quillory {

CommandTarget CommandTargetOf(int id) {
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
