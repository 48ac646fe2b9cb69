#include "cli/input.h"

#include <cstring>
#include <utility>

#include "port/file_map.h"

namespace parvex {
namespace {

constexpr size_t kBlockSize = size_t{1} << 20;

}  // namespace

Status ReadStream(std::istream& in, std::string* text) {
  text->clear();
  // A seekable stream (a file redirected to standard input, a string stream) says how much is
  // left, so the text is read with one allocation.
  const std::istream::pos_type start = in.tellg();
  if (start != std::istream::pos_type(-1) && in.seekg(0, std::ios::end)) {
    const std::istream::pos_type end = in.tellg();
    in.seekg(start);
    if (end != std::istream::pos_type(-1) && end > start && in) {
      text->resize(static_cast<size_t>(end - start));
      in.read(text->data(), static_cast<std::streamsize>(text->size()));
      text->resize(static_cast<size_t>(in.gcount()));
      // At the end already: do not grow the string (and reallocate it) for nothing.
      if (in && std::istream::traits_type::eq_int_type(in.peek(), std::istream::traits_type::eof())) {
        if (in.bad()) return Status::Failed("cannot read standard input");
        return {};
      }
    }
  }
  in.clear(in.rdstate() & ~std::ios::failbit);
  // Whatever a size could not promise (a pipe, or a file still growing) comes in blocks.
  while (in) {
    const size_t filled = text->size();
    text->resize(filled + kBlockSize);
    in.read(text->data() + filled, static_cast<std::streamsize>(kBlockSize));
    text->resize(filled + static_cast<size_t>(in.gcount()));
  }
  if (in.bad()) return Status::Failed("cannot read standard input");
  return {};
}

Status ReadFile(const std::string& path, std::string* text) {
  if (std::string error; !port::ReadWholeFile(path, text, &error)) return Status::Failed(error);
  return {};
}

Status MapFile(const std::string& path, TextBuffer* text) {
  *text = TextBuffer();
  if (port::MappedFile mapped; port::MapWholeFile(path, &mapped)) {
    *text = TextBuffer(mapped.data, mapped.size, std::move(mapped.owner));
    return {};
  }
  // Anything else (a pipe, a device, an empty or unmappable file, or an error that ReadFile
  // reports with the file's name) is read.
  std::string bytes;
  if (Status s = ReadFile(path, &bytes); !s.ok()) return s;
  *text = TextBuffer(std::move(bytes));
  return {};
}

size_t FindNul(std::string_view text) {
  // One memchr at memory speed: splitting a 64 MB input over two threads saved about a
  // millisecond of a run of some 80 ms, not worth a thread.
  const void* nul = std::memchr(text.data(), '\0', text.size());
  return nul == nullptr ? std::string_view::npos : static_cast<size_t>(static_cast<const char*>(nul) - text.data());
}

}  // namespace parvex
