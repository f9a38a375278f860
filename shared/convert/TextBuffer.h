#pragma once
// Collects a large output text through a raw pointer into a small local buffer that is handed
// to the output string in big pieces: the per-character work of the record writers runs
// without std::string's capacity checks, and the output grows by a few large appends.
//
//   TTextBuffer buffer(out);
//   char* p = buffer.Room(20);   // room for up to 20 characters
//   ... write at p ...
//   buffer.Advance(p);           // p: one past the last character written
//   buffer.Flush();              // before `out` is used (not done by the destructor)
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace bramble {

class TTextBuffer {
 public:
  // Largest room one call may ask for.
  static constexpr std::size_t kCapacity = std::size_t{32} << 10;

  explicit TTextBuffer(std::string& aOut) : out_(aOut) {}
  TTextBuffer(const TTextBuffer&) = delete;
  TTextBuffer& operator=(const TTextBuffer&) = delete;

  // Where to write up to `aBytes` (at most kCapacity) characters.
  char* Room(std::size_t aBytes) {
    if (static_cast<std::size_t>(buffer_ + kCapacity - next_) < aBytes) Flush();
    return next_;
  }
  void Advance(char* aEnd) { next_ = aEnd; }

  void Put(char aChar) {
    char* p = Room(1);
    *p = aChar;
    next_ = p + 1;
  }

  void Put(std::string_view aText) {
    if (aText.empty()) return;
    if (aText.size() > kCapacity / 2) {
      Flush();
      out_.append(aText);
      return;
    }
    char* p = Room(aText.size());
    std::memcpy(p, aText.data(), aText.size());
    next_ = p + aText.size();
  }

  // Characters written since the buffer was last flushed.
  std::size_t Pending() const { return static_cast<std::size_t>(next_ - buffer_); }

  void Flush() {
    out_.append(buffer_, next_);
    next_ = buffer_;
  }

 private:
  std::string& out_;
  char buffer_[kCapacity];
  char* next_ = buffer_;
};

}  // namespace bramble
