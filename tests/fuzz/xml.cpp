// The XML reader, plain and compressed ("ZXML"), from a string or through the file layer. The
// first byte chooses the way in. Whatever tree is read, writing it and reading that back must
// give the same text again, plain and compressed, except that text is kept as words: white
// space may change on the first trip, and nothing changes on the second.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "assets/TXmlNode.h"

namespace {

std::string Written(TXmlNode& document) {
  std::string text;
  for (size_t i = 0; i < document.GetChildCount(); ++i) {
    str part = document.GetChild(i)->ToString();
    text.append(part.CStr(), part.Length());
  }
  return text;
}

std::string Compressed(const std::string& text) {
  uLongf packedSize = compressBound(text.size());
  std::vector<Bytef> packed(packedSize);
  if (compress(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(text.data()),
               text.size()) != Z_OK)
    abort();
  std::string block = "ZXML";
  for (uint32_t v : {uint32_t(packedSize), uint32_t(text.size())})
    for (int i = 0; i < 4; ++i) block += char((v >> (8 * i)) & 0xFF);
  block.append(reinterpret_cast<const char*>(packed.data()), packedSize);
  return block;
}

// The text without its white space: the reader splits text into words at white space and at
// "=", and joins the words with single blanks.
std::string Words(const std::string& text) {
  std::string words;
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') words += c;
  return words;
}

void ExpectSame(const std::string& expected, const std::string& got, const char* what) {
  if (expected == got) return;
  fprintf(stderr, "%s changed the text.\n--- written\n%s\n--- read back and written\n%s\n", what,
          expected.c_str(), got.c_str());
  abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  TXmlNode document;
  if (data[0] & 1) {
    fuzz::PutMemoryFile("fuzz.xml", data + 1, size - 1);
    document.LoadFile("fuzz.xml");
  } else {
    document.ParseString(reinterpret_cast<const char*>(data + 1), size - 1);
  }

  std::string first = Written(document);
  TXmlNode again;
  again.ParseString(first.data(), first.size());
  std::string second = Written(again);
  ExpectSame(Words(first), Words(second), "Reading");
  TXmlNode third;
  third.ParseString(second.data(), second.size());
  ExpectSame(second, Written(third), "Reading again");

  std::string block = Compressed(second);
  TXmlNode packed;
  packed.ParseString(block.data(), block.size());
  ExpectSame(second, Written(packed), "Compressing");
  return 0;
}
