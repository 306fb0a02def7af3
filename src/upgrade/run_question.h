// What the question before a run names: the port, and each firmware image
// with its size and when it was last written, so that the technician sees
// which image goes on before saying Yes. Names and numbers only: the same
// lines in every language.
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"

namespace vz {

// Sorts files by name, as a directory listing does.
void SortByName(std::vector<FileEntry>& files);

// One line for the port, then one per image in name order: name, size in
// bytes, last write ("dd-mm-yy hh:mm", as the log dates its lines), parted
// by three blanks. An empty *.bin is no image and is left out. The lines
// are parted by CR LF, with no line end after the last.
std::wstring RunQuestionLines(const std::wstring& port, std::vector<FileEntry> images);

}  // namespace vz
