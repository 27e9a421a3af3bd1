// A view of the document: told to update whenever the document's content changes (after
// open, close and settings), when it rebuilds itself from the document completely.
#pragma once

namespace quillory {

class DocumentView {
public:
    virtual ~DocumentView() = default;
    virtual void OnUpdate() = 0;
};

}  // namespace quillory
