// The two description formats of animated textures: XML ("sequence" with "img", "framelist"
// and "script") and the binary ".anm" (tagged little-endian records). The binary reader
// checks every count, length and offset against the bytes left, so a damaged file fails
// with a log line instead of reading past its end.
#include <cstring>
#include <memory>

#include "assets/FileLayer.h"
#include "assets/TXmlNode.h"
#include "core/EngineLog.h"
#include "render/TAnimatedTexture.h"

namespace {

str Attribute(const TXmlNode& node, const char* name) {
  str value;
  node.GetAttribute(value, str(name));
  return value;
}

int32_t IntAttribute(const TXmlNode& node, const char* name) {
  return Attribute(node, name).ToInt();
}

// Up to six numbers, each read from the text after the previous blank.
void ReadXform(const str& text, float (&xform)[6]) {
  unsigned at = 0;
  for (int i = 0; i < 6; ++i) {
    xform[i] = str(text.CStr() + at).ToFloat();
    const int blank = text.Find(' ', 0, at);
    if (blank < 0) break;
    at = static_cast<unsigned>(blank) + 1;
  }
}

}  // namespace

bool TAnimatedTexture::ParseXml(const str& fileName, Description& d) {
  TXmlNode root;
  if (!root.LoadFile(fileName)) {
    EngineLog("Animation %s could not be read", fileName.CStr());
    return false;
  }
  const char* name = fileName.CStr();
  const TXmlNode* sequence = root.FindChild("sequence");
  if (!sequence) {
    EngineLog("Animation %s does not contain a sequence node", name);
    return false;
  }
  d.sequenceName = Attribute(*sequence, "name");
  d.source = Attribute(*sequence, "source");

  bool ok = true;
  if (const TXmlNode* img = sequence->FindChild("img")) {
    if (!Attribute(*img, "regx").IsEmpty()) {
      d.regx = IntAttribute(*img, "regx");
      d.regy = IntAttribute(*img, "regy");
    }
    d.width = IntAttribute(*img, "w");
    d.height = IntAttribute(*img, "h");
    d.imageName = Attribute(*img, "name");
    d.maskName = Attribute(*img, "mask");
  } else {
    EngineLog("Animation %s does not contain an img node", name);
    ok = false;
  }

  const TXmlNode* framelist = sequence->FindChild("framelist");
  if (!framelist) {
    EngineLog("Animation %s does not contain a framelist node", name);
    return false;
  }
  for (size_t i = 0; i < framelist->GetChildCount(); ++i) {
    const TXmlNode& node = *framelist->GetChild(i);
    if (node.GetName() != "frame") continue;
    Frame f;
    if (!d.frames.empty()) {
      const Frame& previous = d.frames.back();
      f.regx = previous.regx;
      f.regy = previous.regy;
    }
    f.x = IntAttribute(node, "x");
    f.y = IntAttribute(node, "y");
    f.w = IntAttribute(node, "w");
    f.h = IntAttribute(node, "h");
    f.name = Attribute(node, "name");
    const str alpha = Attribute(node, "alpha");
    f.alpha = alpha.IsEmpty() ? 1.0f : alpha.ToFloat();
    if (!Attribute(node, "regx").IsEmpty()) {
      f.regx = IntAttribute(node, "regx");
      f.regy = IntAttribute(node, "regy");
    }
    const str xform = Attribute(node, "xform");
    if (xform.IsEmpty()) {
      if (!d.frames.empty()) std::memcpy(f.xform, d.frames.back().xform, sizeof f.xform);
    } else {
      ReadXform(xform, f.xform);
    }
    for (size_t k = 0; k < node.GetChildCount(); ++k) {
      const TXmlNode& anchor = *node.GetChild(k);
      if (anchor.GetName() != "anchor") continue;
      f.anchors.push_back(
          Anchor{Attribute(anchor, "name"), IntAttribute(anchor, "x"), IntAttribute(anchor, "y")});
    }
    d.largestWidth = std::max(d.largestWidth, f.w);
    d.largestHeight = std::max(d.largestHeight, f.h);
    d.frames.push_back(f);
  }
  if (d.frames.empty()) {
    EngineLog("Animation %s does not contain any frames!", name);
    return false;
  }

  if (const TXmlNode* script = sequence->FindChild("script")) {
    d.script = Attribute(*script, "luascript");
    if (d.script.IsEmpty()) d.script = script->GetText();
  } else {
    d.script = MakeDefaultScript(static_cast<int32_t>(d.frames.size()));
  }
  return ok;
}

namespace {

// A cursor over the bytes of a binary description; every read checks the bytes left and a
// failed read leaves the cursor failed for good.
class AnmReader {
public:
  AnmReader(const std::vector<uint8_t>& bytes) : mBytes(bytes) {}

  size_t Left() const { return mBytes.size() - mAt; }
  bool Failed() const { return mFailed; }

  bool Take(void* out, size_t n) {
    if (mFailed || n > Left()) {
      mFailed = true;
      return false;
    }
    std::memcpy(out, mBytes.data() + mAt, n);
    mAt += n;
    return true;
  }

  int32_t Int() {
    uint8_t b[4] = {0, 0, 0, 0};
    Take(b, 4);
    return static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                                uint32_t(b[3]) << 24);
  }

  float Float() {
    const uint32_t bits = static_cast<uint32_t>(Int());
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }

  str String() {
    const int32_t n = Int();
    if (mFailed || n <= 0) return str();
    if (static_cast<size_t>(n) > Left()) {
      mFailed = true;
      return str();
    }
    str s(reinterpret_cast<const char*>(mBytes.data() + mAt), static_cast<unsigned>(n));
    mAt += static_cast<size_t>(n);
    return s;
  }

  // True when the next four bytes are the tag; they are consumed either way when present.
  bool Tag(const char* tag) {
    char b[4];
    if (!Take(b, 4)) return false;
    return std::memcmp(b, tag, 4) == 0;
  }

  // Whether the next four bytes are the tag, without failing when fewer are left.
  bool PeekTag(const char* tag) const {
    return !mFailed && Left() >= 4 && std::memcmp(mBytes.data() + mAt, tag, 4) == 0;
  }

  void Skip(size_t n) {
    if (mFailed || n > Left()) {
      mFailed = true;
      return;
    }
    mAt += n;
  }

private:
  const std::vector<uint8_t>& mBytes;
  size_t mAt = 0;
  bool mFailed = false;
};

bool ReadWholeFile(const str& fileName, std::vector<uint8_t>& out) {
  TFile* file = FileOpen(fileName.CStr(), kFileReadBinary);
  if (!file) return false;
  if (FileError(file)) {
    FileClose(file);
    return false;
  }
  uint8_t block[4096];
  for (;;) {
    const int32_t n = FileRead(file, block, sizeof block);
    if (n <= 0) break;
    out.insert(out.end(), block, block + n);
  }
  FileClose(file);
  return true;
}

// The fewest bytes a frame record can take: six ints, the six xform floats, an empty name
// and an anchor count, plus the alpha of later versions.
size_t MinFrameBytes(int32_t version) { return 6 * 4 + 6 * 4 + 4 + 4 + (version > 1 ? 4 : 0); }
constexpr size_t kMinAnchorBytes = 4 + 4 + 4;

}  // namespace

bool TAnimatedTexture::ParseAnm(const str& fileName, Description& d) {
  const char* name = fileName.CStr();
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(fileName, bytes)) {
    EngineLog("Animation %s could not be read", name);
    return false;
  }
  AnmReader in(bytes);
  auto damaged = [&](const char* what) {
    EngineLog("Animation %s is damaged: %s", name, what);
    return false;
  };

  if (!in.Tag("ANIM")) return damaged("no ANIM tag");
  in.Int();
  const int32_t version = in.Int();
  d.sequenceName = in.String();
  d.source = in.String();
  if (in.Failed()) return damaged("header cut short");

  if (!in.Tag("IMGN")) return damaged("no IMGN tag");
  d.regx = in.Int();
  d.regy = in.Int();
  d.width = in.Int();
  d.height = in.Int();
  if (version == 1) in.Skip(4 * 4);
  d.imageName = in.String();
  d.maskName = in.String();
  if (in.Failed()) return damaged("image record cut short");

  if (!in.Tag("FRMS")) return damaged("no FRMS tag");
  const int32_t count = in.Int();
  if (in.Failed()) return damaged("frame count cut short");
  if (count < 0 || static_cast<size_t>(count) > in.Left() / MinFrameBytes(version))
    return damaged("frame count larger than the file");
  d.frames.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    Frame f;
    f.regx = in.Int();
    f.regy = in.Int();
    f.x = in.Int();
    f.y = in.Int();
    f.w = in.Int();
    f.h = in.Int();
    if (version > 1) f.alpha = in.Float();
    for (float& v : f.xform) v = in.Float();
    f.name = in.String();
    const int32_t anchors = in.Int();
    if (in.Failed()) return damaged("frame cut short");
    if (anchors < 0 || static_cast<size_t>(anchors) > in.Left() / kMinAnchorBytes)
      return damaged("anchor count larger than the file");
    for (int32_t k = 0; k < anchors; ++k) {
      Anchor a;
      a.x = in.Int();
      a.y = in.Int();
      a.name = in.String();
      f.anchors.push_back(a);
    }
    if (in.Failed()) return damaged("anchors cut short");
    d.largestWidth = std::max(d.largestWidth, f.w);
    d.largestHeight = std::max(d.largestHeight, f.h);
    d.frames.push_back(f);
  }

  if (in.PeekTag("SCRP")) {
    in.Tag("SCRP");
    d.script = in.String();
    if (in.Failed()) return damaged("script cut short");
  } else {
    d.script = MakeDefaultScript(count);
  }
  return true;
}
