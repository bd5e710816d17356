// The key tables of the docs, as tests read them: Markdown tables between two comment markers,
// "<!-- NAME:begin -->" and "<!-- NAME:end -->", one row per key with the key in code as the first
// cell. Tests compare them with the program's key tables.
#pragma once

#include <string>
#include <vector>

namespace support {

// The text of docs/`name` in the source tree; empty when it cannot be read.
std::string readDoc(const std::string& name);

// Each row between the markers of `marker` (indented or not) whose first cell starts with a
// backquote, as its first `cells` cells (trimmed of blanks) joined by " | "; rows with fewer cells
// are left out. Empty when a marker is missing.
std::vector<std::string> docTableRows(const std::string& text, const std::string& marker, int cells);

} // namespace support
