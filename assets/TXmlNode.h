// A forgiving XML reader and writer. The reader splits the input into words and the
// delimiters "<", ">", "=" and builds a tree of elements with attributes and word-joined
// text; it never fails, malformed input simply gives the tree the rules make of it.
// Documents may be stored compressed: "ZXML", u32 compressed size, u32 size, zlib stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/str.h"

class TGetChar;

class TXmlNode {
public:
  TXmlNode();
  explicit TXmlNode(const str& name);
  virtual ~TXmlNode();
  TXmlNode(const TXmlNode&) = delete;
  TXmlNode& operator=(const TXmlNode&) = delete;

  // The parser builds the tree only through these four, so a derived class can take the
  // document as events.
  virtual TXmlNode* StartElement(const str& name);
  virtual void EndElement(const str& token);
  virtual void AppendText(const str& word, uint32_t count);
  virtual void AddAttribute(const str& name, const str& value, uint8_t quoted);

  // Parses a file through the file layer into this node; false when it does not open or
  // is a damaged compressed document.
  bool LoadFile(const str& name);
  // Parses zero-terminated text, or a "ZXML" block when given with its length (the
  // block holds zero bytes, so the terminated form cannot carry one).
  void ParseString(const char* text);
  void ParseString(const char* data, size_t length);
  // Inflates and parses a "ZXML" block of `size` bytes; false when it is damaged (what did
  // inflate is parsed all the same).
  bool ParseCompressed(const void* block, size_t size);
  void Parse(TGetChar& source);

  TXmlNode* FindChild(const str& name) const;
  void BeginChildren();
  bool NextChild(str& name, TXmlNode*& child);
  // The first attribute of that name; value empty (flag untouched) when absent.
  void GetAttribute(str& value, const str& name, uint8_t* quoted = nullptr) const;
  void BeginAttributes();
  bool NextAttribute(str& name, str& value);

  const str& GetName() const { return mName; }
  str GetText() const { return mText; }
  uint32_t GetTextLength() const { return mTextLength; }
  size_t GetChildCount() const { return mChildren.size(); }
  TXmlNode* GetChild(size_t i) const { return i < mChildren.size() ? mChildren[i].get() : nullptr; }
  size_t GetAttributeCount() const { return mAttributes.size(); }

  TXmlNode* AddChild(const str& name);
  void SetAttribute(const str& name, const str& value);
  void SetIntAttribute(const str& name, int value);
  str ToString();

  // Elements nested deeper than this are not read (the rest of the input is ignored).
  static constexpr int kMaxDepth = 1000;

private:
  struct Attribute {
    str name;
    str value;
    uint8_t quoted = 0;
  };

  struct Output;
  void Write(Output& out, int depth) const;

  str mText;
  uint32_t mTextLength = 0;
  uint32_t mSizeHint = 4096;
  str mName;
  std::vector<std::unique_ptr<TXmlNode>> mChildren;
  size_t mChildPos = 0;
  std::vector<Attribute> mAttributes;
  size_t mAttributePos = 0;
};

// Bytes below 32 and from 128 up as "&#N;", the five markup characters as named entities.
str XmlEscape(const str& text);
// Decodes "&#N;" and the five named entities in place; `length` becomes the decoded length
// and `beginsWithEntity` whether a decoded entity stood at the very start.
void XmlUnescape(str& text, uint32_t& length, bool& beginsWithEntity);

// Inflates a "ZXML" block into `out`; false (logged) when the block is damaged, with `out`
// holding whatever did inflate. Only the bytes present are read, and the declared size is
// bounded.
bool InflateZxml(const void* block, size_t size, std::vector<char>& out);
