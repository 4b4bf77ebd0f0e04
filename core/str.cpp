// The engine string's bodies, editing operations, formatting and UTF-8 helpers.
#include "core/str.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

unsigned char str::sDeepCopy = 0;

namespace {

const char kEmpty[1] = {0};

unsigned AtLeast16(uint64_t n) { return static_cast<unsigned>(std::max<uint64_t>(n, 16)); }

// Largest body we agree to build; beyond this a size computation would wrap.
constexpr uint64_t kMaxCapacity = 0x7FFFFFF0u;

int Upper(unsigned char c) { return std::toupper(c); }

}  // namespace

str::Body* str::NewBody(uint32_t capacity) {
  // Zero-filled so bytes between the text's end and a later write position are never
  // uninitialised memory.
  Body* b = new Body;
  b->text = new char[capacity]();
  b->refcount = 1;
  b->capacity = capacity;
  return b;
}

void str::Release() {
  if (mBody && --mBody->refcount <= 0) {
    delete[] mBody->text;
    delete mBody;
  }
  mBody = nullptr;
}

str::str(const char* text) {
  if (!text) {
    mBody = NewBody(16);
    return;
  }
  const size_t n = std::strlen(text);
  mBody = NewBody(static_cast<uint32_t>(std::min<uint64_t>(n + 1, kMaxCapacity)));
  std::memcpy(mBody->text, text, std::min<uint64_t>(n, mBody->capacity - 1));
}

str::str(const char* data, unsigned length) {
  if (!data || length >= kMaxCapacity) length = 0;
  mBody = NewBody(AtLeast16(uint64_t(length) + 1));
  if (length) std::memcpy(mBody->text, data, length);
}

str::str(const str& other) {
  if (!other.mBody) return;
  if (sDeepCopy) {
    str copy(other.mBody->text);
    mBody = copy.mBody;
    copy.mBody = nullptr;
    return;
  }
  mBody = other.mBody;
  ++mBody->refcount;
}

str::str(str&& other) noexcept : mBody(other.mBody) { other.mBody = nullptr; }

str::~str() { Release(); }

str& str::operator=(const str& other) {
  if (this == &other) return *this;
  if (sDeepCopy && other.mBody) return *this = other.mBody->text;
  Body* b = other.mBody;
  if (b) ++b->refcount;
  Release();
  mBody = b;
  return *this;
}

str& str::operator=(str&& other) noexcept {
  if (this != &other) {
    Release();
    mBody = other.mBody;
    other.mBody = nullptr;
  }
  return *this;
}

str& str::operator=(const char* text) {
  // Through a temporary, so assigning the string's own text makes a private copy first.
  str tmp(text);
  std::swap(mBody, tmp.mBody);
  return *this;
}

str& str::Assign(const char* data, int length) {
  str tmp(data, length > 0 ? static_cast<unsigned>(length) : 0u);
  std::swap(mBody, tmp.mBody);
  return *this;
}

void str::Reserve(unsigned n) {
  Body* b = NewBody(AtLeast16(std::min<uint64_t>(n, kMaxCapacity)));
  if (mBody) {
    // A smaller reservation keeps what fits and stays terminated.
    const uint32_t keep = std::min(mBody->capacity, b->capacity);
    std::memcpy(b->text, mBody->text, keep);
    b->text[b->capacity - 1] = 0;
  }
  Release();
  mBody = b;
}

unsigned str::Length() const { return mBody ? static_cast<unsigned>(std::strlen(mBody->text)) : 0; }

const char* str::CStr() const { return mBody ? mBody->text : kEmpty; }

unsigned str::Capacity() const { return mBody ? mBody->capacity : 0; }

int str::RefCount() const { return mBody ? mBody->refcount : 0; }

char str::operator[](unsigned index) const { return index < Length() ? mBody->text[index] : 0; }

int str::ToInt() const {
  if (!mBody) return 0;
  const long v = std::strtol(mBody->text, nullptr, 10);
  return static_cast<int>(std::clamp<long>(v, INT32_MIN, INT32_MAX));
}

float str::ToFloat() const {
  if (!mBody) return 0.0f;
  const double v = std::atof(mBody->text);
  // Out-of-range doubles have no float value; saturate to infinity instead.
  if (v > FLT_MAX) return HUGE_VALF;
  if (v < -FLT_MAX) return -HUGE_VALF;
  return static_cast<float>(v);
}

int str::Compare(const str& other) const {
  const int r = std::strcmp(CStr(), other.CStr());  // strcmp compares bytes as unsigned
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int str::Find(char c, int flags, unsigned start) const {
  const unsigned len = Length();
  if (start >= len) return -1;
  const char* t = mBody->text;
  const bool icase = flags & kIgnoreCase;
  const int want = icase ? Upper(static_cast<unsigned char>(c)) : static_cast<unsigned char>(c);
  auto at = [&](unsigned i) {
    const unsigned char b = static_cast<unsigned char>(t[i]);
    return (icase ? Upper(b) : b) == want;
  };
  if (flags & kBackwards) {
    for (int i = static_cast<int>(len - start - 1); i >= 0; --i)
      if (at(static_cast<unsigned>(i))) return i;
    return -1;
  }
  for (unsigned i = start; i < len; ++i)
    if (at(i)) return static_cast<int>(i);
  return -1;
}

bool str::Contains(const char* part) const {
  return part && *part && std::string_view(CStr(), Length()).find(part) != std::string_view::npos;
}

int str::Find(const str& needle, int flags, unsigned start) const {
  const unsigned len = Length();
  const unsigned nlen = needle.Length();
  // An empty needle matches nothing: "found everywhere" would make replace loops endless.
  if (start >= len || nlen == 0 || nlen > len) return -1;
  const char* t = mBody->text;
  const char* n = needle.CStr();
  const bool icase = flags & kIgnoreCase;
  auto matches = [&](unsigned i) {
    for (unsigned k = 0; k < nlen; ++k) {
      const unsigned char a = static_cast<unsigned char>(t[i + k]);
      const unsigned char b = static_cast<unsigned char>(n[k]);
      if (icase ? Upper(a) != Upper(b) : a != b) return false;
    }
    return true;
  };
  if (flags & kBackwards) {
    const unsigned first = std::min(len - start - 1, len - nlen);
    for (int i = static_cast<int>(first); i >= 0; --i)
      if (matches(static_cast<unsigned>(i))) return i;
    return -1;
  }
  for (unsigned i = start; i + nlen <= len; ++i)
    if (matches(i)) return static_cast<int>(i);
  return -1;
}

unsigned str::FindFirstOf(const char* set, unsigned start) const {
  const unsigned len = Length();
  if (start >= len || !set) return len;
  return start + static_cast<unsigned>(std::strcspn(mBody->text + start, set));
}

str str::operator+(const str& other) const {
  const unsigned la = Length(), lb = other.Length();
  str r;
  r.mBody = NewBody(AtLeast16(uint64_t(la) + lb + 1));
  std::memcpy(r.mBody->text, CStr(), la);
  std::memcpy(r.mBody->text + la, other.CStr(), lb);
  return r;
}

str str::operator+(char c) const {
  const unsigned la = Length();
  str r;
  r.mBody = NewBody(AtLeast16(uint64_t(la) + 2));
  std::memcpy(r.mBody->text, CStr(), la);
  r.mBody->text[la] = c;
  return r;
}

void str::Unshare() {
  if (mBody && mBody->refcount > 1) *this = mBody->text;
}

str& str::operator+=(const str& other) {
  if (&other == this) {
    const str copy(other.CStr());
    return *this += copy;
  }
  const unsigned lb = other.Length();
  if (lb == 0) return *this;
  Unshare();
  const unsigned la = Length();
  const uint64_t need = uint64_t(la) + lb + 1;
  if (need > kMaxCapacity) return *this;
  if (!mBody || mBody->capacity < need) {
    Body* b = NewBody(static_cast<uint32_t>(need));
    std::memcpy(b->text, CStr(), la);
    Release();
    mBody = b;
  }
  std::memcpy(mBody->text + la, other.CStr(), lb);
  mBody->text[la + lb] = 0;
  return *this;
}

str& str::Append(const char* data, unsigned length) { return *this += str(data, length); }

str& str::operator+=(char c) { return *this += str(&c, 1); }

str str::Substr(unsigned start, unsigned count) const {
  const unsigned len = Length();
  if (start >= len || count == 0) return str();
  const unsigned avail = len - start;
  // A count reaching past the end sizes the body like "to the end": a huge count on a short
  // string must not reserve gigabytes for bytes that are never copied.
  const uint64_t capCount = count > avail ? uint64_t(avail) + 1 : count;
  const unsigned take = std::min(count, avail);
  str r;
  r.mBody = NewBody(AtLeast16(std::min<uint64_t>(capCount + 1, kMaxCapacity)));
  std::memcpy(r.mBody->text, mBody->text + start, take);
  return r;
}

unsigned str::WriteAt(unsigned pos, const void* data, unsigned len, bool terminate) {
  if (pos == kNpos) pos = Length();
  const uint64_t need = uint64_t(pos) + len + 1;
  if (need > kMaxCapacity) return pos;
  Unshare();
  if (!mBody || mBody->capacity < need) {
    uint64_t cap = need;
    if (mBody) {
      cap = mBody->capacity;
      while (cap < need) cap *= 2;
      cap = std::min(cap, kMaxCapacity);
    }
    Body* b = NewBody(static_cast<uint32_t>(cap));
    if (mBody) std::memcpy(b->text, mBody->text, mBody->capacity);
    // The source may lie in the old buffer, so copy before releasing it.
    if (len) std::memmove(b->text + pos, data, len);
    Release();
    mBody = b;
  } else if (len) {
    std::memmove(mBody->text + pos, data, len);
  }
  if (terminate) mBody->text[pos + len] = 0;
  return pos + len;
}

void str::Erase(unsigned pos, unsigned count) {
  const unsigned len = Length();
  if (pos >= len || count == 0) return;
  Unshare();
  if (count == kNpos || count >= len - pos) {
    mBody->text[pos] = 0;
    return;
  }
  std::memmove(mBody->text + pos, mBody->text + pos + count, len - pos - count + 1);
}

int str::Replace(const str& find, const str& with, int flags, unsigned start) {
  const unsigned flen = find.Length();
  if (flen == 0) return 0;
  // Private copies, so find or with may be this very string.
  const str f(find.CStr()), w(with.CStr());
  const unsigned wlen = w.Length();
  const int searchFlags = flags & (kIgnoreCase | kBackwards);
  int done = 0;
  int at = Find(f, searchFlags, start);
  while (at >= 0) {
    const unsigned i = static_cast<unsigned>(at);
    const unsigned len = Length();
    if (uint64_t(len) - flen + wlen + 1 > kMaxCapacity) break;
    str tail(mBody->text + i + flen);
    Unshare();
    WriteAt(i, w.CStr(), wlen, false);
    WriteAt(i + wlen, tail.CStr(), tail.Length(), true);
    ++done;
    if (!(flags & kReplaceAll)) break;
    // Go on past the inserted text, so a replacement that contains the search text
    // is not found again.
    const unsigned newLen = Length();
    if (flags & kBackwards) {
      if (i < flen) break;
      at = Find(f, searchFlags, newLen - (i - flen) - 1);
    } else {
      at = Find(f, searchFlags, i + wlen);
    }
  }
  return done;
}

void str::ToLower() {
  if (!mBody) return;
  Unshare();
  for (char* p = mBody->text; *p; ++p)
    *p = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
}

str str::FormatV(const char* format, va_list args) {
  if (!format) return str();
  char buffer[4096];
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  if (n >= 0 && n < static_cast<int>(sizeof buffer)) {
    va_end(again);
    return str(buffer, static_cast<unsigned>(n));
  }
  if (n < 0) {
    va_list measure;
    va_copy(measure, again);
    n = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
  }
  str r;
  if (n >= 0 && static_cast<uint64_t>(n) + 1 < kMaxCapacity) {
    r.Reserve(static_cast<unsigned>(n) + 1);
    std::vsnprintf(r.mBody->text, r.mBody->capacity, format, again);
  }
  va_end(again);
  return r;
}

str str::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  str r = FormatV(format, args);
  va_end(args);
  return r;
}

str& str::AssignFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  *this = FormatV(format, args);
  va_end(args);
  return *this;
}

str str::FromCodePoint(uint32_t codePoint) {
  unsigned char buf[4];
  const int n = EncodeUTF8(codePoint, buf);
  if (n == 0) return str();
  return str(reinterpret_cast<const char*>(buf), static_cast<unsigned>(n));
}

int EncodeUTF8(uint32_t cp, unsigned char* out) {
  if (cp == 0xFFFE || cp == 0xFEFF || cp == 0xFFFF || cp >= 0x110000) return 0;
  if (cp < 0x80) {
    out[0] = static_cast<unsigned char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
    out[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
    out[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
  out[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
  return 4;
}

uint32_t DecodeUTF8(const char* p) {
  static const uint32_t kOffsets[4] = {0x00000000u, 0x00003080u, 0x000E2080u, 0x03C82080u};
  if (!p || !*p) return 0;
  const int len = Utf8SequenceLength(p);
  const unsigned char lead = static_cast<unsigned char>(p[0]);
  if (len == 1) return lead < 0x80 ? lead : 0;
  uint32_t v = 0;
  for (int i = 0; i < len; ++i) {
    const unsigned char b = static_cast<unsigned char>(p[i]);
    // Stops at the terminating NUL too, so nothing past the text is read.
    if (i > 0 && b < 0x80) return 0;
    v = (v << 6) + b;
  }
  return v - kOffsets[len - 1];
}

int Utf8SequenceLength(const char* p) {
  const unsigned char b = static_cast<unsigned char>(*p);
  if (b == 0) return 0;
  if (b < 0xC0) return 1;
  if (b < 0xE0) return 2;
  if (b < 0xF0) return 3;
  return 4;
}

str LowerAscii(const str& text) {
  std::string s(text.CStr(), text.Length());
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return str(s.data(), static_cast<unsigned>(s.size()));
}
