// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// File names put into a web page. Names come from the file system and may
// hold any byte; the page must stay valid and its links must lead to them.

// Text for the page's body or a quoted attribute: "&", "<", ">" and '"'
// become entities, and every character outside printable ASCII a numeric
// reference, so a name reads the same whatever character set the browser
// assumes. A name of plain letters, digits, "_", "-" and "." is unchanged.
std::string HtmlText(const std::string& strName);

// The file URL of a path, as QUrl::fromLocalFile gives it but byte for byte,
// so a name that is not valid UTF-8 still leads to its file. A relative path
// is taken from the current directory; an empty one gives an empty text.
std::string FileUrl(const std::string& strPath);

// A file name as a link relative to the page: percent-encoded as in a file
// URL, and ":" too, so that no name reads as the start of a URL.
std::string RelativeUrl(const std::string& strName);
