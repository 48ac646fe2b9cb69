// Reading an input file whole: mapped copy-on-write where that works, read into memory
// otherwise. File names are UTF-8 on Windows (see path.h).
#ifndef PARVEX_PORT_FILE_MAP_H_
#define PARVEX_PORT_FILE_MAP_H_

#include <cstddef>
#include <memory>
#include <string>

namespace parvex::port {

// A file's bytes mapped into memory; `owner` unmaps them when the last copy of it goes.
struct MappedFile {
  char* data = nullptr;
  size_t size = 0;
  std::shared_ptr<void> owner;
};

// Reads the file at `path` into `text`: a regular file is sized first and read in one piece,
// a pipe or device in large blocks, each to its end. False, with `error` naming the file and
// the cause, when it cannot be opened or read or is a directory.
bool ReadWholeFile(const std::string& path, std::string* text, std::string* error);

// Maps a regular, non-empty file private and writable: writes to the bytes stay in memory and
// never reach the file. False when the file is anything else or cannot be mapped; the caller
// then reads it with ReadWholeFile, which names the cause of an error.
bool MapWholeFile(const std::string& path, MappedFile* file);

}  // namespace parvex::port

#endif  // PARVEX_PORT_FILE_MAP_H_
