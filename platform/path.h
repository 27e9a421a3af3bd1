// Conversion between program paths and host paths, at the file-system boundary only.
// A program path is UTF-16 with "\" separating folders ("/" is accepted too, as the
// device accepts it); a host path is bytes with "/", normally UTF-8. The conversion is
// lossless both ways: host bytes that have no place in a program path (a "\" inside a
// name, bytes that are no UTF-8, such as a folder named in Shift-JIS by an old tool)
// travel as lone low surrogates U+DC00 + byte, as Python's "surrogateescape" does. Names
// decoded from archives never hold lone surrogates. Nothing else converts paths.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace quillory::platform {

inline bool IsPathSeparator(WChar c) {
    return c == u'\\' || c == u'/';
}

// Each "\" or "/" becomes "/", UTF-16 becomes UTF-8, and a lone surrogate that stands
// for a host byte becomes that byte again; any other unpaired surrogate becomes U+FFFD.
std::string ToHostPath(WStringView programPath);

// UTF-8 becomes UTF-16 and each "/" becomes "\"; a host "\" becomes U+DC5C, and each
// byte of a sequence that is no UTF-8 becomes U+DC00 + byte.
WString FromHostPath(std::string_view hostPath);

// The path as the user reads it on this host: "/" separators, a "\" inside a name as
// "\", and a name holding bytes that are no UTF-8 decoded in the ANSI code page (an old
// Japanese tool's Shift-JIS name reads as it was written). For showing only.
WString DisplayPath(WStringView programPath);

// The program path that a shown DisplayPath(programPath), edited by the user into
// editedText, names: the parts the edit left alone at either end keep their exact
// program text (bytes that are no UTF-8 included); the part typed anew is taken as host
// text. Unedited text gives programPath back unchanged.
WString EditedPath(WStringView programPath, WStringView editedText);

// True when the path starts at the root of the host ("\" or "/").
bool IsAbsolutePath(WStringView programPath);

// The path below the current folder when it is relative ("." levels dropped); an
// absolute path, or any path when the current folder is unknown, as it is.
WString AbsolutePath(WStringView programPath);

// The longest host path the file system takes, in bytes without the terminator, and the
// longest name of one folder or file in it. Longer paths are refused, never cut: a
// shortened path names a different file.
std::size_t MaxHostPathBytes();
std::size_t MaxHostNameBytes();

// True when the path converts to a host path the file system accepts by length, as a
// whole and in each of its names.
bool FitsHostPath(WStringView programPath);

}  // namespace quillory::platform
