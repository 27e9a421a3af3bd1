// An archive-supplied name or path as every message, question and list shows it: on one
// line, each control character (line ends included) as "?", so that a stored name can
// neither add lines to a message nor move a terminal's cursor. Only a message's own line
// breaks, which come from its text, remain.
#pragma once

#include "platform/text.h"

namespace quillory {

WString ShownName(WStringView name);
// The same, appended to *out.
void AppendShownName(WStringView name, WString* out);

}  // namespace quillory
