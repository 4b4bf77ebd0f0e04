#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <string>
#include <vector>

#include "assets/FileLayer.h"
#include "assets/TXmlNode.h"
#include "file_test_folder.h"

namespace {

std::string S(const str& s) { return std::string(s.CStr(), s.Length()); }

std::string Attr(const TXmlNode* node, const char* name, uint8_t* quoted = nullptr) {
  str value;
  node->GetAttribute(value, name, quoted);
  return S(value);
}

std::string Zxml(const std::string& text, uint32_t declared, size_t cutStream = 0) {
  uLongf packedSize = compressBound(text.size());
  std::vector<Bytef> packed(packedSize);
  compress(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(text.data()), text.size());
  packedSize -= cutStream;
  std::string block = "ZXML";
  for (uint32_t v : {static_cast<uint32_t>(packedSize), declared})
    for (int i = 0; i < 4; ++i) block += static_cast<char>((v >> (8 * i)) & 0xFF);
  block.append(reinterpret_cast<const char*>(packed.data()), packedSize);
  return block;
}

TEST(XmlReader, AttributesEmptyElementsAndWordJoinedText) {
  TXmlNode doc;
  doc.ParseString("<a b=\"1 2\" c=3 e=\"\"><d/>x  \n y</a>");
  TXmlNode* a = doc.FindChild("a");
  ASSERT_NE(a, nullptr);
  uint8_t quoted = 9;
  EXPECT_EQ(Attr(a, "b", &quoted), "1 2");
  EXPECT_EQ(quoted, 1);
  EXPECT_EQ(Attr(a, "c", &quoted), "3");
  EXPECT_EQ(quoted, 0);
  // An empty quoted value is a value, not the end of the input.
  EXPECT_EQ(a->GetAttributeCount(), 3u);
  EXPECT_EQ(Attr(a, "e"), "");
  ASSERT_EQ(a->GetChildCount(), 1u);
  EXPECT_EQ(S(a->GetChild(0)->GetName()), "d");
  EXPECT_EQ(a->GetChild(0)->GetChildCount(), 0u);
  EXPECT_EQ(S(a->GetText()), "x y");
  EXPECT_EQ(a->GetTextLength(), 3u);
  EXPECT_EQ(doc.FindChild("A"), nullptr);  // names are case-sensitive
}

TEST(XmlReader, ForgivingStructure) {
  struct Case {
    const char* input;
    const char* outline;  // element names and texts, depth-first
  } cases[] = {
      {"<a>t</b><c/>", "a[t] c"},      // any closing tag closes the open element
      {"</x><a/>", ""},                // a closing tag at the top ends the document
      {"<a>&lt;b&gt;</a>", "a[<b>]"},  // entities open no tag
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><r/>", "?xml r"},
      {"<a><!-- x > y z --></a>", "a[y z -- >] !--"},
      {"<a>\"quoted words\"</a>", "a[quoted words]"},
      {"<a><b>open", "a b[open]"},  // input ends inside content
      {"<a x=\"1", "a"},            // ... or inside a tag
      {"<a b=\">\">", "a[>]"},      // a quoted ">" still ends the tag
      {"<a x/ >t</a>", "a[t]"},
      {"<a &#47;>t</a>", "a[t]"},  // an entity "/" ends no element
  };
  for (const Case& c : cases) {
    TXmlNode doc;
    doc.ParseString(c.input);
    std::string outline;
    // Depth-first walk writing "name" or "name[text]".
    std::function<void(TXmlNode*)> walk = [&](TXmlNode* n) {
      for (size_t i = 0; i < n->GetChildCount(); ++i) {
        TXmlNode* child = n->GetChild(i);
        if (!outline.empty()) outline += ' ';
        outline += S(child->GetName());
        if (!child->GetText().IsEmpty()) outline += "[" + S(child->GetText()) + "]";
        walk(child);
      }
    };
    walk(&doc);
    EXPECT_EQ(outline, c.outline) << c.input;
  }
}

TEST(XmlReader, DeclarationKeepsItsAttributesBeforeTheDocument) {
  TXmlNode doc;
  doc.ParseString("<?xml version=\"1.0\"?>\n<settings><vsync>0</vsync></settings>");
  str name;
  TXmlNode* child = nullptr;
  doc.BeginChildren();
  ASSERT_TRUE(doc.NextChild(name, child));
  EXPECT_EQ(S(name), "?xml");
  EXPECT_EQ(Attr(child, "version"), "1.0");
  ASSERT_TRUE(doc.NextChild(name, child));
  EXPECT_EQ(S(name), "settings");
  EXPECT_FALSE(doc.NextChild(name, child));
  EXPECT_EQ(S(child->FindChild("vsync")->GetText()), "0");
}

TEST(XmlReader, HostileNestingStopsWithoutExhaustingTheStack) {
  std::string deep;
  for (int i = 0; i < 200000; ++i) deep += "<a>";
  TXmlNode doc;
  doc.ParseString(deep.c_str());
  int depth = 0;
  for (TXmlNode* n = &doc; n->GetChildCount() > 0; n = n->GetChild(0)) ++depth;
  EXPECT_LE(depth, TXmlNode::kMaxDepth + 1);
  EXPECT_GT(depth, 100);
}

TEST(XmlWriter, WritesIndentedElementsWithEscapes) {
  TXmlNode n("n");
  n.SetAttribute("v", "a<b");
  n.AppendText("t", 1);
  EXPECT_EQ(S(n.ToString()), "<n\n    v=\"a&lt;b\">\nt\n</n>\n");

  TXmlNode root("r");
  root.SetIntAttribute("k", -5);
  root.SetIntAttribute("k", 7);  // replaces
  root.AddChild("c")->AddAttribute("u", "x", 0);
  EXPECT_EQ(S(root.ToString()), "<r\n    k=\"7\">\n    <c\n        u=x>\n    </c>\n</r>\n");
}

TEST(XmlWriter, TextSurvivesARoundTripByteForByte) {
  const std::string value = "caf\xC3\xA9 & \xE9 \"q\" 'a' <tag>\x01";
  TXmlNode out("e");
  out.SetAttribute("v", value.c_str());
  out.AppendText("caf\xC3\xA9&amp", 9);
  str written = out.ToString();
  EXPECT_NE(S(written).find("&#233;"), std::string::npos);

  TXmlNode in;
  in.ParseString(written.CStr());
  TXmlNode* e = in.FindChild("e");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(Attr(e, "v"), value);
  EXPECT_EQ(S(e->GetText()), "caf\xC3\xA9&amp");

  // Past the writer's first reservation, and many words joined into one text.
  TXmlNode big("big");
  std::string words;
  for (int i = 0; i < 3000; ++i) {
    const std::string word = "w\xE9" + std::to_string(i);
    big.AppendText(word.c_str(), static_cast<uint32_t>(word.size()));
    words += (i ? " " : "") + word;
  }
  EXPECT_EQ(big.GetTextLength(), words.size());
  EXPECT_EQ(S(big.GetText()), words);
  const str bigText = big.ToString();
  EXPECT_GT(bigText.Length(), 4096u);
  EXPECT_EQ(S(big.ToString()), S(bigText));  // the second pass starts from the grown hint
  TXmlNode back;
  back.ParseString(bigText.CStr());
  ASSERT_NE(back.FindChild("big"), nullptr);
  EXPECT_EQ(S(back.FindChild("big")->GetText()), words);
}

namespace {

// Names, texts, attributes (with their quoted flags) and children, the whole subtree.
void ExpectSameTree(TXmlNode* a, TXmlNode* b, const std::string& path) {
  SCOPED_TRACE(path);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(S(a->GetName()), S(b->GetName()));
  EXPECT_EQ(S(a->GetText()), S(b->GetText()));
  ASSERT_EQ(a->GetAttributeCount(), b->GetAttributeCount());
  a->BeginAttributes();
  b->BeginAttributes();
  str an, av, bn, bv;
  while (a->NextAttribute(an, av)) {
    ASSERT_TRUE(b->NextAttribute(bn, bv));
    EXPECT_EQ(S(an), S(bn));
    EXPECT_EQ(S(av), S(bv));
    uint8_t aq = 9, bq = 9;
    str ignored;
    a->GetAttribute(ignored, an, &aq);
    b->GetAttribute(ignored, bn, &bq);
    EXPECT_EQ(aq, bq) << S(an);
  }
  ASSERT_EQ(a->GetChildCount(), b->GetChildCount());
  for (size_t i = 0; i < a->GetChildCount(); ++i)
    ExpectSameTree(a->GetChild(i), b->GetChild(i), path + "/" + S(a->GetChild(i)->GetName()));
}

}  // namespace

// What the writer writes reads back as the same tree: declarations and comments in their own
// form, names whatever their bytes.
TEST(XmlWriter, WrittenDocumentsReadBackAsTheSameTree) {
  TXmlNode parsed;
  parsed.ParseString(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- settings for the game -->\n"
      "<!DOCTYPE settings>\n<settings a=\"1\" b=2><!--note--><v/>text</settings>");
  ASSERT_EQ(parsed.GetChildCount(), 4u);  // "?xml", "!--", "!DOCTYPE", "settings"

  TXmlNode built("r");
  TXmlNode* slash = built.AddChild("a/");  // read as the empty-element mark when ">" follows
  slash->AddChild("inner")->AppendText("kept", 4);
  built.AddChild("/lead");  // would be a closing tag
  built.AddChild("two words=x");
  built.AddChild("&lt;<");
  TXmlNode* attrs = built.AddChild("attrs");
  attrs->AddAttribute("end", "x/", 0);
  attrs->AddAttribute("spaced", "p q", 0);
  attrs->AddAttribute("n=m", "v", 1);
  attrs->AddChild("after")->AppendText("t", 1);
  built.AddChild("?xml")->SetAttribute("version", "1.0");
  built.AddChild("!--c--");
  built.AddChild("!--")->AddAttribute("k", "v", 0);
  built.AddChild("last");

  for (TXmlNode* tree : {&parsed, &built}) {
    SCOPED_TRACE(S(tree->GetName()));
    str written = tree->ToString();
    TXmlNode back;
    back.ParseString(written.CStr());
    // A named element reads back as the document's one child; the unnamed root as itself.
    TXmlNode* got = tree->GetName().IsEmpty() ? &back : back.GetChild(0);
    ASSERT_EQ(back.GetChildCount(), tree->GetName().IsEmpty() ? tree->GetChildCount() : 1u)
        << S(written);
    ExpectSameTree(tree, got, "");
    // A second cycle changes nothing.
    EXPECT_EQ(S(got->ToString()), S(written));
  }
  EXPECT_NE(S(parsed.ToString())
                .find("    <?xml\n        version=\"1.0\"\n        encoding=\"UTF-8\" ?>\n"),
            std::string::npos);
  EXPECT_NE(S(built.ToString()).find("<!--c-->\n"), std::string::npos);
}

TEST(XmlWriter, NamelessElementsGiveTheirChildrenAndNamelessAttributesAreLeftOut) {
  // Neither has a tag that reads back ("<>" reads as nothing, '=""' as an element named "="):
  // a nameless element is written as its children, a nameless attribute not at all, and the
  // document is stable from then on.
  TXmlNode built("r");
  TXmlNode* nameless = built.AddChild("");
  nameless->AddChild("inside");
  built.AddChild("");  // nothing inside: nothing written
  built.AddChild("kept")->AddAttribute("", "v", 1);
  const str written = built.ToString();
  TXmlNode back;
  back.ParseString(written.CStr());
  ASSERT_EQ(back.GetChildCount(), 1u);
  TXmlNode* r = back.GetChild(0);
  ASSERT_EQ(r->GetChildCount(), 2u) << S(written);
  EXPECT_EQ(S(r->GetChild(0)->GetName()), "inside");
  EXPECT_EQ(S(r->GetChild(1)->GetName()), "kept");
  EXPECT_EQ(r->GetChild(1)->GetAttributeCount(), 0u);
  const str again = r->ToString();
  TXmlNode third;
  third.ParseString(again.CStr());
  EXPECT_EQ(S(third.GetChild(0)->ToString()), S(again));
}

TEST(XmlWriter, AClosedCommentWithOnlyANamelessAttributeKeepsItsShortForm) {
  // A comment whose name already ends in "--" is written without a closing " -->" when it has
  // no attribute to write: a nameless one, which is left out, must not count.
  TXmlNode built("r");
  built.AddChild("!--note--")->AddAttribute("", "v", 1);
  const str written = built.ToString();
  EXPECT_NE(S(written).find("<!--note-->\n"), std::string::npos) << S(written);
  TXmlNode back;
  back.ParseString(written.CStr());
  ASSERT_EQ(back.GetChildCount(), 1u);
  EXPECT_EQ(S(back.GetChild(0)->ToString()), S(written));
}

TEST(XmlReader, UnescapeHandlesReferencesAndLeavesTheRest) {
  struct Case {
    const char* in;
    const char* out;
    bool start;
  } cases[] = {
      {"&#65;b", "Ab", true},
      {"x&amp;y", "x&y", false},
      {"&quot;&apos;", "\"'", true},
      {"&nbsp;&#;&#x41;&#12", "&nbsp;&#;&#x41;&#12", false},
      {"&#8364;", "\xE2\x82\xAC", true},
  };
  for (const Case& c : cases) {
    str text(c.in);
    uint32_t length = 0;
    bool start = false;
    XmlUnescape(text, length, start);
    EXPECT_EQ(S(text), c.out) << c.in;
    EXPECT_EQ(length, text.Length());
    EXPECT_EQ(start, c.start) << c.in;
  }
}

TEST(XmlCompressed, InflatesBlocksAndRejectsDamagedOnes) {
  const std::string doc = "<a k=\"v\">hello</a>";
  TXmlNode good;
  std::string block = Zxml(doc, static_cast<uint32_t>(doc.size()));
  good.ParseString(block.data(), block.size());
  ASSERT_NE(good.FindChild("a"), nullptr);
  EXPECT_EQ(S(good.FindChild("a")->GetText()), "hello");

  // Declared larger than the stream: only what was inflated is read.
  std::string larger = Zxml(doc, 4000);
  std::vector<char> out;
  ASSERT_TRUE(InflateZxml(larger.data(), larger.size(), out));
  EXPECT_EQ(std::string(out.begin(), out.end()), doc);

  // Declared smaller: the document is cut, never overrun, and reported damaged.
  std::string smaller = Zxml(doc, 5);
  EXPECT_FALSE(InflateZxml(smaller.data(), smaller.size(), out));
  EXPECT_EQ(std::string(out.begin(), out.end()), "<a k=");

  std::string cut = Zxml(doc, static_cast<uint32_t>(doc.size()), 4);
  EXPECT_FALSE(InflateZxml(cut.data(), cut.size() - 2, out));  // claims more than is there
  EXPECT_LE(out.size(), doc.size());

  std::string huge = Zxml(doc, 0xFFFFFFFFu);
  EXPECT_FALSE(InflateZxml(huge.data(), huge.size(), out));
  std::string garbage = "ZXML\x04\0\0\0\x10\0\0\0abcd";
  EXPECT_FALSE(InflateZxml(garbage.data(), garbage.size(), out));
  EXPECT_FALSE(InflateZxml("ZXML", 4, out));
  TXmlNode none;
  none.ParseString(garbage.data(), garbage.size());
  EXPECT_EQ(none.GetChildCount(), 0u);
}

using XmlFiles = FileTestFolder;

TEST_F(XmlFiles, LoadsPlainAndCompressedFilesThroughTheFileLayer) {
  Put("plain.xml", "<settings><utf8mode>1</utf8mode></settings>");
  std::string doc = "<settings><vsync>0</vsync></settings>";
  Put("packed.xml", Zxml(doc, static_cast<uint32_t>(doc.size())));

  TXmlNode plain;
  ASSERT_TRUE(plain.LoadFile("::plain.xml"));
  EXPECT_EQ(S(plain.FindChild("settings")->FindChild("utf8mode")->GetText()), "1");
  TXmlNode packed;
  ASSERT_TRUE(packed.LoadFile("::packed.xml"));
  EXPECT_EQ(S(packed.FindChild("settings")->FindChild("vsync")->GetText()), "0");
  Put("broken.xml", Zxml(doc, static_cast<uint32_t>(doc.size()), 6));
  Put("hostile.xml", Zxml(doc, 0x7FFFFFFF));
  for (const char* bad : {"::broken.xml", "::hostile.xml"}) {
    TXmlNode node;
    EXPECT_FALSE(node.LoadFile(bad)) << bad;
  }
  TXmlNode missing;
  EXPECT_FALSE(missing.LoadFile("::missing.xml"));
  EXPECT_EQ(missing.GetChildCount(), 0u);
}

}  // namespace
