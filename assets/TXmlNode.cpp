#include "assets/TXmlNode.h"

#include <zlib.h>

#include <cctype>
#include <cstring>
#include <string>

#include "assets/FileLayer.h"
#include "assets/TFile.h"
#include "assets/TGetChar.h"
#include "core/EngineLog.h"

namespace {

struct Entity {
  char c;
  const char* name;  // without the leading "&"
};
constexpr Entity kEntities[] = {
    {'&', "amp;"}, {'<', "lt;"}, {'>', "gt;"}, {'"', "quot;"}, {'\'', "apos;"},
};

// A damaged header must not make us allocate without limit; zlib cannot expand data by
// more than about 1032 times, and no document of the game is near this size.
constexpr uint64_t kMaxInflated = 64u * 1024 * 1024;
constexpr uint64_t kMaxRatio = 1032;

uint32_t ReadLE32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void UnescapeBytes(std::string& text, bool& beginsWithEntity);

struct Token {
  std::string text;
  bool quoted = false;
  bool entityStart = false;
  bool end = false;  // the input ended before any character of a token

  // The delimiter tests look at the first byte only, and never at a decoded entity.
  bool Is(char c) const { return !text.empty() && text[0] == c && !entityStart; }
};

bool IsSpace(int byte) { return byte >= 0 && byte < 128 && std::isspace(byte); }
bool IsDelimiter(int byte) { return byte == '<' || byte == '>' || byte == '='; }

// One UTF-8 sequence; false at the end of the input.
bool ReadChar(TGetChar& src, std::string& seq) {
  seq.clear();
  int first = src.Get();
  if (first < 0) return false;
  seq += static_cast<char>(first);
  int more = first >= 240 ? 3 : first >= 224 ? 2 : first >= 192 ? 1 : 0;
  for (int i = 0; i < more; ++i) {
    int next = src.Get();
    if (next < 0) break;
    seq += static_cast<char>(next);
  }
  return true;
}

Token ReadToken(TGetChar& src) {
  Token token;
  token.text.reserve(256);
  std::string seq;
  do {
    if (!ReadChar(src, seq)) {
      token.end = true;
      return token;
    }
  } while (IsSpace(static_cast<unsigned char>(seq[0])));

  unsigned char first = static_cast<unsigned char>(seq[0]);
  if (IsDelimiter(first)) {
    token.text = seq;
    return token;
  }
  if (first == '"') {
    token.quoted = true;
    while (ReadChar(src, seq) && seq[0] != '"') token.text += seq;
  } else {
    token.text = seq;
    while (ReadChar(src, seq)) {
      unsigned char c = static_cast<unsigned char>(seq[0]);
      if (IsSpace(c) || IsDelimiter(c)) {
        src.Unget(c);
        // "name/>" reads as "name", "/", ">".
        if (c == '>' && token.text.size() >= 2 && token.text.back() == '/') {
          token.text.pop_back();
          src.Unget('/');
        }
        break;
      }
      token.text += seq;
    }
  }
  UnescapeBytes(token.text, token.entityStart);
  return token;
}

str ToStr(const std::string& s) { return str(s.data(), static_cast<unsigned>(s.size())); }

bool BeginsWith(const std::string& s, const char* head) { return s.rfind(head, 0) == 0; }

// Declarations and comments: the reader keeps them as childless elements of these names.
bool IsDeclaration(const std::string& name) {
  return name == "?xml" || name == "!DOCTYPE" || BeginsWith(name, "!--");
}

bool IsComment(const std::string& name) { return BeginsWith(name, "!--"); }

enum class TagEnd { kChild, kNoChild, kClosing, kInputEnded };

// Reads a tag after its "<"; `child` receives the element that content follows into.
TagEnd ReadTag(TXmlNode& owner, TGetChar& src, TXmlNode*& child) {
  child = nullptr;
  int state = 0;
  bool closing = false, declaration = false;
  std::string pending;
  bool pendingEntity = false;  // the pending word began with a decoded entity
  for (;;) {
    Token token = ReadToken(src);
    if (token.end) return child ? TagEnd::kChild : TagEnd::kInputEnded;
    if (token.Is('>')) break;
    if (state == 0) {
      if (token.Is('/')) {
        closing = true;
        owner.EndElement(ToStr(token.text));
      } else {
        child = owner.StartElement(ToStr(token.text));
        declaration = IsDeclaration(token.text);
      }
      state = 1;
    } else if (state == 1) {
      if (token.Is('=')) {
        state = 2;
      } else {
        pending = token.text;
        pendingEntity = token.entityStart;
      }
    } else {
      if (child) child->AddAttribute(ToStr(pending), ToStr(token.text), token.quoted ? 1 : 0);
      pending.clear();
      state = 1;
    }
  }
  if (closing) return TagEnd::kClosing;
  if (!pending.empty() && !pendingEntity && (pending[0] == '/' || pending[0] == '?'))
    declaration = true;
  if (declaration || !child) {
    owner.EndElement(ToStr(pending));
    return TagEnd::kNoChild;
  }
  return TagEnd::kChild;
}

}  // namespace

TXmlNode::TXmlNode() = default;

// Appends at a tracked end, so building a document costs no length scans and grows by
// doubling rather than once per piece.
struct TXmlNode::Output {
  str& text;
  unsigned length;

  void Put(const char* bytes, unsigned n) { length = text.WriteAt(length, bytes, n, true); }
  void Put(const str& s) { Put(s.CStr(), s.Length()); }
  void Put(const char* s) { Put(s, static_cast<unsigned>(std::strlen(s))); }
  void Spaces(int n) {
    static const char spaces[] = "                                ";
    while (n > 0) {
      const int k = n > 32 ? 32 : n;
      Put(spaces, static_cast<unsigned>(k));
      n -= k;
    }
  }
};

TXmlNode::TXmlNode(const str& name) : mName(name) {}

TXmlNode::~TXmlNode() = default;

TXmlNode* TXmlNode::StartElement(const str& name) { return AddChild(name); }

void TXmlNode::EndElement(const str&) {}

void TXmlNode::AppendText(const str& word, uint32_t count) {
  const unsigned n = count < word.Length() ? count : word.Length();
  // Written at the known end, where the string grows by doubling: appending with += would
  // copy a long text once for every word added to it.
  if (mTextLength != 0) mTextLength = mText.WriteAt(mTextLength, " ", 1, true);
  mTextLength = mText.WriteAt(mTextLength, word.CStr(), n, true);
}

void TXmlNode::AddAttribute(const str& name, const str& value, uint8_t quoted) {
  mAttributes.push_back(Attribute{name, value, quoted});
}

void TXmlNode::Parse(TGetChar& source) {
  // An explicit stack keeps hostile nesting from exhausting the call stack.
  std::vector<TXmlNode*> open{this};
  for (;;) {
    Token token = ReadToken(source);
    if (token.end) return;
    TXmlNode* node = open.back();
    if (!token.Is('<')) {
      node->AppendText(ToStr(token.text), static_cast<uint32_t>(token.text.size()));
      continue;
    }
    TXmlNode* child = nullptr;
    switch (ReadTag(*node, source, child)) {
      case TagEnd::kChild:
        if (static_cast<int>(open.size()) > kMaxDepth) {
          EngineLog("XML nested deeper than %d elements; the rest is ignored", kMaxDepth);
          return;
        }
        open.push_back(child);
        break;
      case TagEnd::kClosing:
        // A closing tag at the top ends the document.
        open.pop_back();
        if (open.empty()) return;
        break;
      case TagEnd::kNoChild: break;
      case TagEnd::kInputEnded: return;
    }
  }
}

bool InflateZxml(const void* block, size_t size, std::vector<char>& out) {
  out.clear();
  const unsigned char* bytes = static_cast<const unsigned char*>(block);
  if (!bytes || size < 12 || std::memcmp(bytes, "ZXML", 4) != 0) {
    EngineLog("Compressed XML block too short or without its header");
    return false;
  }
  uint64_t packed = ReadLE32(bytes + 4);
  uint64_t declared = ReadLE32(bytes + 8);
  uint64_t present = size - 12;
  if (packed > present) {
    EngineLog("Compressed XML claims %llu bytes but holds %llu",
              static_cast<unsigned long long>(packed), static_cast<unsigned long long>(present));
    packed = present;
  }
  if (declared > kMaxInflated || declared > packed * kMaxRatio + 64) {
    EngineLog("Compressed XML declares an implausible size of %llu bytes",
              static_cast<unsigned long long>(declared));
    return false;
  }
  out.resize(static_cast<size_t>(declared));
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return false;
  zs.next_in = const_cast<Bytef*>(bytes + 12);
  zs.avail_in = static_cast<uInt>(packed);
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(declared);
  int rc = inflate(&zs, Z_FINISH);
  size_t produced = static_cast<size_t>(zs.total_out);
  inflateEnd(&zs);
  if (rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
    EngineLog("Compressed XML does not inflate (zlib %d)", rc);
    out.clear();
    return false;
  }
  out.resize(produced);
  if (rc == Z_STREAM_END) return true;
  // Cut short, or longer than declared: what did inflate is kept, but the block is damaged.
  EngineLog("Compressed XML inflated to %zu of %llu bytes without reaching its end", produced,
            static_cast<unsigned long long>(declared));
  return false;
}

bool TXmlNode::ParseCompressed(const void* block, size_t size) {
  std::vector<char> text;
  bool whole = InflateZxml(block, size, text);
  TGetCharString source(text.data(), text.size());
  Parse(source);
  return whole;
}

void TXmlNode::ParseString(const char* text) { ParseString(text, text ? std::strlen(text) : 0); }

void TXmlNode::ParseString(const char* data, size_t length) {
  if (!data) return;
  if (length >= 4 && std::memcmp(data, "ZXML", 4) == 0) {
    ParseCompressed(data, length);
    return;
  }
  TGetCharString source(data, length);
  Parse(source);
}

bool TXmlNode::LoadFile(const str& name) {
  TGetCharFile source(name);
  if (!source.IsOpen()) return false;
  char head[4];
  int got = 0;
  for (; got < 4; ++got) {
    int c = source.Get();
    if (c < 0) break;
    head[got] = static_cast<char>(c);
  }
  if (got == 4 && std::memcmp(head, "ZXML", 4) == 0) {
    source.Reopen();
    TFile* file = source.GetFile();
    int32_t size = file ? file->Size() : 0;
    if (size <= 0 || static_cast<uint64_t>(size) > kMaxInflated) {
      EngineLog("Compressed XML file %s has an unusable size", name.CStr());
      return false;
    }
    std::vector<char> block(static_cast<size_t>(size));
    int32_t read = FileRead(file, block.data(), size);
    if (!ParseCompressed(block.data(), read > 0 ? static_cast<size_t>(read) : 0)) {
      EngineLog("Compressed XML file %s is damaged", name.CStr());
      return false;
    }
    return true;
  }
  source.Rewind();
  Parse(source);
  return true;
}

TXmlNode* TXmlNode::FindChild(const str& name) const {
  for (const auto& child : mChildren)
    if (child->mName == name) return child.get();
  return nullptr;
}

void TXmlNode::BeginChildren() { mChildPos = 0; }

bool TXmlNode::NextChild(str& name, TXmlNode*& child) {
  if (mChildPos >= mChildren.size()) return false;
  child = mChildren[mChildPos++].get();
  name = child->mName;
  return true;
}

void TXmlNode::GetAttribute(str& value, const str& name, uint8_t* quoted) const {
  for (const Attribute& a : mAttributes) {
    if (a.name == name) {
      value = a.value;
      if (quoted) *quoted = a.quoted;
      return;
    }
  }
  value = str();
}

void TXmlNode::BeginAttributes() { mAttributePos = 0; }

bool TXmlNode::NextAttribute(str& name, str& value) {
  if (mAttributePos >= mAttributes.size()) return false;
  const Attribute& a = mAttributes[mAttributePos++];
  name = a.name;
  value = a.value;
  return true;
}

TXmlNode* TXmlNode::AddChild(const str& name) {
  mChildren.push_back(std::make_unique<TXmlNode>(name));
  return mChildren.back().get();
}

void TXmlNode::SetAttribute(const str& name, const str& value) {
  for (Attribute& a : mAttributes) {
    if (a.name == name) {
      a.value = value;
      a.quoted = 1;
      return;
    }
  }
  mAttributes.push_back(Attribute{name, value, 1});
}

void TXmlNode::SetIntAttribute(const str& name, int value) {
  SetAttribute(name, str::Format("%d", value));
}

namespace {

// A name or unquoted value as one word the reader gives back unchanged: escaped, with the
// bytes that would end or split the word, or make a tag of it, written as references (a
// space, "=", a "/" at the start, where it would make a closing tag, and a "/" at the end,
// which the reader takes for the empty-element mark when ">" follows).
str Word(const str& text) {
  const str escaped = XmlEscape(text);
  const char* in = escaped.CStr();
  const unsigned n = escaped.Length();
  std::string out;
  out.reserve(n + 8);
  for (unsigned i = 0; i < n; ++i) {
    const char c = in[i];
    if (c == ' ')
      out += "&#32;";
    else if (c == '=')
      out += "&#61;";
    else if (c == '/' && (i == 0 || i + 1 == n))
      out += "&#47;";
    else
      out += c;
  }
  return ToStr(out);
}

}  // namespace

void TXmlNode::Write(Output& out, int depth) const {
  // A nameless node (a document root, or an element read from "<>") has no tag that reads back
  // as an element: it is written as its children alone, which read back in its place.
  if (mName.IsEmpty()) {
    for (const auto& child : mChildren) child->Write(out, depth + 4);
    return;
  }
  const std::string name(mName.CStr(), mName.Length());
  const bool declaration = IsDeclaration(name);
  out.Spaces(depth);
  out.Put("<");
  out.Put(Word(mName));
  bool wroteAttribute = false;
  for (const Attribute& a : mAttributes) {
    // A nameless attribute has no written form the reader would give back: it is left out.
    if (a.name.IsEmpty()) continue;
    wroteAttribute = true;
    out.Put("\n");
    out.Spaces(depth + 4);
    out.Put(Word(a.name));
    out.Put("=");
    // An empty unquoted value would take the next word as its value: it is written quoted.
    if (a.quoted || a.value.IsEmpty()) {
      out.Put("\"");
      out.Put(XmlEscape(a.value));
      out.Put("\"");
    } else {
      out.Put(Word(a.value));
    }
  }
  if (declaration) {
    // In its own form, with no closing tag: one would close the element around it when read.
    // The reader gives a declaration or comment no content, so none is written.
    const bool closedComment = name.size() > 3 && name.compare(name.size() - 2, 2, "--") == 0;
    if (name == "?xml")
      out.Put(" ?>\n");
    else if (IsComment(name) && !(closedComment && !wroteAttribute))
      out.Put(" -->\n");
    else
      out.Put(">\n");
    return;
  }
  out.Put(">\n");
  if (!mText.IsEmpty()) {
    out.Spaces(depth);
    out.Put(XmlEscape(mText));
    out.Put("\n");
  }
  for (const auto& child : mChildren) child->Write(out, depth + 4);
  out.Spaces(depth);
  out.Put("</");
  out.Put(Word(mName));
  out.Put(">\n");
}

str TXmlNode::ToString() {
  str text;
  text.Reserve(mSizeHint);
  Output out{text, 0};
  Write(out, 0);
  if (out.length > mSizeHint) mSizeHint = out.length + 1;
  return text;
}

str XmlEscape(const str& text) {
  const char* in = text.CStr();
  const unsigned n = text.Length();
  std::string out;
  out.reserve(n + 16);
  for (unsigned i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(in[i]);
    const char* entity = nullptr;
    for (const Entity& e : kEntities)
      if (e.c == static_cast<char>(c)) entity = e.name;
    if (entity) {
      out += '&';
      out += entity;
    } else if (c < 32 || c >= 128) {
      out += "&#";
      out += std::to_string(c);
      out += ';';
    } else {
      out += static_cast<char>(c);
    }
  }
  return ToStr(out);
}

namespace {

void UnescapeBytes(std::string& text, bool& beginsWithEntity) {
  beginsWithEntity = false;
  if (text.find('&') == std::string::npos) return;
  const char* in = text.data();
  size_t n = text.size();
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n;) {
    if (in[i] != '&') {
      out += in[i++];
      continue;
    }
    bool decoded = false;
    if (i + 1 < n && in[i + 1] == '#') {
      const char* semi = static_cast<const char*>(std::memchr(in + i + 2, ';', n - i - 2));
      size_t digits = semi ? static_cast<size_t>(semi - (in + i + 2)) : 0;
      bool allDigits = digits > 0 && digits <= 7;
      for (size_t k = 0; allDigits && k < digits; ++k)
        allDigits = in[i + 2 + k] >= '0' && in[i + 2 + k] <= '9';
      if (allDigits) {
        uint32_t value = 0;
        for (size_t k = 0; k < digits; ++k)
          value = value * 10 + static_cast<uint32_t>(in[i + 2 + k] - '0');
        if (value < 256) {
          out += static_cast<char>(value);
        } else {
          // Beyond a byte the reference can only mean a character.
          unsigned char utf8[4];
          int len = EncodeUTF8(value, utf8);
          out.append(reinterpret_cast<char*>(utf8), static_cast<size_t>(len));
        }
        if (i == 0) beginsWithEntity = true;
        i += 2 + digits + 1;
        decoded = true;
      }
    } else {
      for (const Entity& e : kEntities) {
        size_t len = std::strlen(e.name);
        if (n - i - 1 >= len && std::memcmp(in + i + 1, e.name, len) == 0) {
          out += e.c;
          if (i == 0) beginsWithEntity = true;
          i += 1 + len;
          decoded = true;
          break;
        }
      }
    }
    if (!decoded) out += in[i++];
  }
  text.swap(out);
}

}  // namespace

void XmlUnescape(str& text, uint32_t& length, bool& beginsWithEntity) {
  std::string bytes(text.CStr(), text.Length());
  UnescapeBytes(bytes, beginsWithEntity);
  text = str(bytes.data(), static_cast<unsigned>(bytes.size()));
  length = text.Length();
}
