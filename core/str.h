// The engine's byte string: one pointer to a reference-counted body, so copies are cheap.
// Copies share the body; every edit first gives the string a private body. The count is a
// plain integer: a body must not be copied or released from two threads at once.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstddef>

class str {
public:
  // Search flags for Find and Replace.
  enum : int {
    kIgnoreCase = 1,
    kReplaceAll = 2,
    kBackwards = 4,
  };
  static constexpr unsigned kNpos = 0xFFFFFFFFu;

  str() = default;
  str(const char* text);
  str(const char* data, unsigned length);
  str(const str& other);
  str(str&& other) noexcept;
  ~str();

  str& operator=(const str& other);
  str& operator=(str&& other) noexcept;
  str& operator=(const char* text);
  str& Assign(const char* data, int length);

  // A private body of capacity max(n, 16) holding a copy of the old buffer.
  void Reserve(unsigned n);

  unsigned Length() const;
  bool IsEmpty() const { return Length() == 0; }
  const char* CStr() const;
  unsigned Capacity() const;
  char operator[](unsigned index) const;

  int ToInt() const;
  float ToFloat() const;

  int Compare(const str& other) const;
  bool operator==(const str& other) const { return Compare(other) == 0; }
  bool operator!=(const str& other) const { return Compare(other) != 0; }
  bool operator<(const str& other) const { return Compare(other) < 0; }
  bool operator==(const char* other) const { return Compare(str(other)) == 0; }
  bool operator!=(const char* other) const { return !(*this == other); }

  int Find(char c, int flags = 0, unsigned start = 0) const;
  int Find(const str& needle, int flags = 0, unsigned start = 0) const;
  unsigned FindFirstOf(const char* set, unsigned start = 0) const;
  // Whether part occurs in the text; an empty part, like an empty needle, is never found. Takes
  // no memory, so it may be asked in every frame.
  bool Contains(const char* part) const;

  str operator+(const str& other) const;
  str operator+(const char* other) const { return *this + str(other); }
  str operator+(char c) const;
  str& operator+=(const str& other);
  str& operator+=(const char* other) { return *this += str(other); }
  str& operator+=(char c);
  str& Append(const char* data, unsigned length);

  str Substr(unsigned start, unsigned count = kNpos) const;
  unsigned WriteAt(unsigned pos, const void* data, unsigned len, bool terminate);
  void Erase(unsigned pos, unsigned count = kNpos);
  // Replaces the first match (every match with kReplaceAll); returns how many were replaced.
  int Replace(const str& find, const str& with, int flags = 0, unsigned start = 0);
  void ToLower();

  static str FormatV(const char* format, va_list args);
  static str Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
  str& AssignFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));

  static str FromCodePoint(uint32_t codePoint);

  // Number of strings sharing the body (0 without body); for tests and diagnostics.
  int RefCount() const;

  // Process-wide switch: when set, copies allocate a private body. Never set by the program.
  static unsigned char sDeepCopy;

private:
  struct Body {
    char* text;
    int32_t refcount;
    uint32_t capacity;
  };

  static Body* NewBody(uint32_t capacity);
  void Release();
  void Unshare();
  char* MutableText();

  Body* mBody = nullptr;
};

inline str operator+(const char* a, const str& b) { return str(a) + b; }
inline bool operator==(const char* a, const str& b) { return b == a; }

// Writes the UTF-8 form of a code point; returns its length, or 0 (nothing written) for the
// non-characters U+FFFE, U+FFFF, the byte-order mark U+FEFF and values past U+10FFFF.
int EncodeUTF8(uint32_t codePoint, unsigned char* out);
// The code point of the sequence at p; 0 for an empty text or a malformed sequence.
uint32_t DecodeUTF8(const char* p);
// Bytes in the sequence whose lead byte is at p; 0 at the terminating NUL.
int Utf8SequenceLength(const char* p);

// A copy with the letters A-Z lowered, whatever the locale; every other byte (UTF-8 sequences,
// NULs within the length) is kept. File names and keys compare through it.
str LowerAscii(const str& text);
