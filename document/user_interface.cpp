// The user interface's out-of-line destructor, so that its vtable lives in one object.
#include "document/user_interface.h"

namespace quillory {

UserInterface::~UserInterface() = default;

}  // namespace quillory
