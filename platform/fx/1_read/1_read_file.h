// Stage 1: reading the effect file and the files it includes (platform/fx
// internal). The only stage that touches the file system.
//
// Where errors are made: a file that cannot be opened or read, a directory,
// a FIFO or other non-regular file, an empty file, a file past the size
// limit (also one that grows past it while it is read), and bytes that are
// not text (control characters other than white space) at their line and
// column. A UTF-8 byte order mark is read as blanks, and so are the Ctrl-Zs
// (0x1A) and zero bytes that end a file with only white space after them.
#pragma once

#include <string>
#include <string_view>

#include "platform/fx/2_preprocess/2_preprocess.h"
#include "platform/fx/shared/message.h"

namespace fx {

// Effect files are a few kilobytes; anything this large is a mistake.
constexpr size_t kMaxEffectFileBytes = 4u << 20;

// The text of the effect file; false with the reason in messages.
bool ReadEffectFile(const char* path, std::string* text, MessageSink& messages);

// Reads #include "name" relative to the effect file's folder (an absolute
// name as it is).
IncludeResolver IncludeFromFolderOf(const std::string& effectPath);

// Adds a file to the latest load's list (effect_info.h, GetLoadedFiles):
// what --watch looks at.
void NoteFileRead(const std::string& path, bool read, std::string_view bytes);

}  // namespace fx
