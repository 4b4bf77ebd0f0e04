#include "core/str.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

TEST(Str, CopiesShareUntilOneIsEdited) {
  str a("hello");
  str b = a;
  EXPECT_EQ(a.RefCount(), 2);
  EXPECT_EQ(a.CStr(), b.CStr());

  b += "!";
  EXPECT_STREQ(a.CStr(), "hello");
  EXPECT_STREQ(b.CStr(), "hello!");
  EXPECT_EQ(a.RefCount(), 1);

  // Every kind of edit un-shares first.
  str c = a;
  c.ToLower();
  str d = a;
  d.Erase(0, 1);
  str e = a;
  e.WriteAt(0, "J", 1, false);
  str f = a;
  f.Replace("l", "L", str::kReplaceAll);
  EXPECT_STREQ(a.CStr(), "hello");
  EXPECT_STREQ(d.CStr(), "ello");
  EXPECT_STREQ(e.CStr(), "Jello");
  EXPECT_STREQ(f.CStr(), "heLLo");
}

TEST(Str, EmptyStringIsUsableWithoutBody) {
  str empty;
  EXPECT_STREQ(empty.CStr(), "");
  EXPECT_EQ(empty.Length(), 0u);
  EXPECT_TRUE(empty == str(""));
  EXPECT_EQ(empty[0], 0);
  EXPECT_EQ(empty.ToInt(), 0);
  EXPECT_EQ(empty.ToFloat(), 0.0f);
  EXPECT_EQ(empty.Find('a'), -1);
  EXPECT_TRUE(empty.Substr(0).IsEmpty());
  str fromNull(static_cast<const char*>(nullptr));
  EXPECT_EQ(fromNull.Capacity(), 16u);
  EXPECT_STREQ(fromNull.CStr(), "");
}

TEST(Str, CapacityFollowsHowTheBodyWasMade) {
  EXPECT_EQ(str("abc").Capacity(), 4u);
  EXPECT_EQ(str("abc", 3).Capacity(), 16u);
  EXPECT_EQ((str("abc") + str("def")).Capacity(), 16u);
  const std::string longText(20, 'x');
  EXPECT_EQ((str(longText.c_str()) + str("yz")).Capacity(), 23u);
  str grow("abc");
  grow += "defg";
  EXPECT_EQ(grow.Capacity(), 8u);  // exactly what is needed
  str r("abcdefghijklmnopqrstuvwxyz");
  r.Reserve(8);  // shrinking keeps a terminated prefix
  EXPECT_EQ(r.Capacity(), 16u);
  EXPECT_STREQ(r.CStr(), "abcdefghijklmno");
}

TEST(Str, ComparesBytesUnsigned) {
  EXPECT_EQ(str("a").Compare(str("b")), -1);
  EXPECT_EQ(str("b").Compare(str("a")), 1);
  EXPECT_EQ(str("ab").Compare(str("ab")), 0);
  EXPECT_EQ(str("\xC3").Compare(str("z")), 1);
  EXPECT_TRUE(str("") < str("a"));
  EXPECT_EQ(str().Compare(str("")), 0);
}

TEST(Str, FindsCharactersAndSubstrings) {
  struct Case {
    const char* text;
    const char* needle;
    int flags;
    unsigned start;
    int want;
  };
  const Case cases[] = {
      {"axbx", "x", 0, 0, 1},
      {"axbx", "x", 0, 2, 3},
      {"axbx", "x", str::kBackwards, 0, 3},
      {"axbx", "x", str::kBackwards, 1, 1},
      {"axbx", "x", 0, 4, -1},
      {"axbx", "X", 0, 0, -1},
      {"axbx", "X", str::kIgnoreCase, 0, 1},
      {"hello world", "wor", 0, 0, 6},
      {"hello world", "WOR", str::kIgnoreCase, 0, 6},
      {"abcabc", "abc", str::kBackwards, 0, 3},
      {"abcabc", "abc", str::kBackwards, 3, 0},
      {"abcabc", "abc", 0, 1, 3},
      {"abc", "abcd", 0, 0, -1},
      {"abc", "", 0, 0, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " / " + c.needle);
    EXPECT_EQ(str(c.text).Find(str(c.needle), c.flags, c.start), c.want);
    if (std::string(c.needle).size() == 1) {
      EXPECT_EQ(str(c.text).Find(c.needle[0], c.flags, c.start), c.want);
    }
  }
  EXPECT_EQ(str("key=value").FindFirstOf("=:"), 3u);
  EXPECT_EQ(str("key").FindFirstOf("=:"), 3u);
  EXPECT_EQ(str("a=b=c").FindFirstOf("=", 2), 3u);
  EXPECT_EQ(str("abc").FindFirstOf("=", 7), 3u);
}

TEST(Str, SubstrStopsAtTheEnd) {
  const str s("abcdef");
  EXPECT_STREQ(s.Substr(2).CStr(), "cdef");
  EXPECT_STREQ(s.Substr(2, 2).CStr(), "cd");
  EXPECT_STREQ(s.Substr(4, 100).CStr(), "ef");
  EXPECT_TRUE(s.Substr(6, 1).IsEmpty());
  EXPECT_TRUE(s.Substr(1, 0).IsEmpty());
  // A count past the end is sized like "to the end", not by the count asked for.
  EXPECT_EQ(s.Substr(2).Capacity(), 16u);
  EXPECT_EQ(s.Substr(0, 0xFFFFFFF0u).Capacity(), 16u);
  const std::string longText(40, 'x');
  EXPECT_EQ(str(longText.c_str()).Substr(10, 30).Capacity(), 31u);
  EXPECT_EQ(str(longText.c_str()).Substr(10, 0xFFFFFFF0u).Capacity(), 32u);
}

TEST(Str, WriteAtGrowsByDoubling) {
  str s("abc", 3);  // capacity 16
  EXPECT_EQ(s.WriteAt(str::kNpos, "0123456789abcdef", 16, true), 19u);
  EXPECT_EQ(s.Capacity(), 32u);
  EXPECT_STREQ(s.CStr(), "abc0123456789abcdef");

  str t("hello");
  EXPECT_EQ(t.WriteAt(1, "EL", 2, false), 3u);  // overwrites without shifting
  EXPECT_STREQ(t.CStr(), "hELlo");
  t.WriteAt(1, "a", 1, true);
  EXPECT_STREQ(t.CStr(), "ha");

  str none;
  none.WriteAt(0, "xyz", 3, true);
  EXPECT_EQ(none.Capacity(), 4u);
  EXPECT_STREQ(none.CStr(), "xyz");

  str self("abcdefgh");  // a source inside the string's own buffer survives growth
  self.WriteAt(8, self.CStr(), 8, true);
  EXPECT_STREQ(self.CStr(), "abcdefghabcdefgh");
}

TEST(Str, EraseAndAppend) {
  str s("abcdef");
  s.Erase(1, 2);
  EXPECT_STREQ(s.CStr(), "adef");
  s.Erase(2);
  EXPECT_STREQ(s.CStr(), "ad");
  s.Erase(5, 1);
  EXPECT_STREQ(s.CStr(), "ad");
  s += 'x';
  s.Append("yzw", 2);
  s += s;
  EXPECT_STREQ(s.CStr(), "adxyzadxyz");
  EXPECT_STREQ((str("a") + 'b').CStr(), "ab");
  EXPECT_STREQ(("x" + str("y") + "z").CStr(), "xyz");
}

TEST(Str, ReplaceTerminatesAndHonoursFlags) {
  struct Case {
    const char* text;
    const char* find;
    const char* with;
    int flags;
    const char* want;
    int count;
  };
  const Case cases[] = {
      {"a.b.c", ".", "/", 0, "a/b.c", 1},
      {"a.b.c", ".", "/", str::kReplaceAll, "a/b/c", 2},
      {"a.b.c", ".", "/", str::kBackwards, "a.b/c", 1},
      {"a.b.c", ".", "/", str::kBackwards | str::kReplaceAll, "a/b/c", 2},
      {"Path\\To", "\\", "\\\\", str::kReplaceAll, "Path\\\\To", 1},  // with contains find
      {"aaa", "a", "aa", str::kReplaceAll, "aaaaaa", 3},
      {"aaa", "a", "aa", str::kReplaceAll | str::kBackwards, "aaaaaa", 3},
      {"abc", "", "x", str::kReplaceAll, "abc", 0},  // empty search: nothing to replace
      {"HeLLo", "l", "", str::kReplaceAll | str::kIgnoreCase, "Heo", 2},
      {"short", "or", "-a-much-longer-text-", 0, "sh-a-much-longer-text-t", 1},
      {"abab", "ab", "x", str::kReplaceAll, "xx", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " " + c.find + " -> " + c.with);
    str s(c.text);
    EXPECT_EQ(s.Replace(c.find, c.with, c.flags), c.count);
    EXPECT_STREQ(s.CStr(), c.want);
  }
  str x("ab");
  x.Replace("b", "b", str::kReplaceAll);
  EXPECT_STREQ(x.CStr(), "ab");
}

TEST(Str, ConvertsNumbers) {
  EXPECT_EQ(str("42abc").ToInt(), 42);
  EXPECT_EQ(str("-17").ToInt(), -17);
  EXPECT_EQ(str("x").ToInt(), 0);
  EXPECT_EQ(str("99999999999999").ToInt(), INT32_MAX);
  EXPECT_FLOAT_EQ(str("2.5").ToFloat(), 2.5f);
  EXPECT_TRUE(std::isinf(str("1e300").ToFloat()));
}

TEST(Str, FormatsShortAndLongTexts) {
  EXPECT_STREQ(str::Format("%d-%s-%.1f", 7, "x", 1.25).CStr(), "7-x-1.2");
  for (int n : {4095, 4096, 10000}) {
    const str s = str::Format("%s%c", std::string(n - 1, 'a').c_str(), 'z');
    EXPECT_EQ(s.Length(), static_cast<unsigned>(n));
    EXPECT_EQ(s[n - 1], 'z');
    EXPECT_EQ(s[n - 2], 'a');
  }
  str t;
  t.AssignFormat("%05u", 42u);
  EXPECT_STREQ(t.CStr(), "00042");
}

TEST(Str, EncodesAndDecodesUtf8) {
  struct Case {
    uint32_t cp;
    const char* bytes;
  };
  const Case cases[] = {
      {0x41, "A"},
      {0xE9, "\xC3\xA9"},
      {0x20AC, "\xE2\x82\xAC"},
      {0x10FFFF, "\xF4\x8F\xBF\xBF"},
      {0x1F600, "\xF0\x9F\x98\x80"},
      {0x7FF, "\xDF\xBF"},
  };
  for (const Case& c : cases) {
    unsigned char out[4] = {};
    const int n = EncodeUTF8(c.cp, out);
    ASSERT_EQ(n, static_cast<int>(std::strlen(c.bytes)));
    EXPECT_EQ(std::memcmp(out, c.bytes, n), 0);
    EXPECT_EQ(DecodeUTF8(c.bytes), c.cp);
    EXPECT_EQ(Utf8SequenceLength(c.bytes), n);
    EXPECT_STREQ(str::FromCodePoint(c.cp).CStr(), c.bytes);
  }
  unsigned char out[4] = {0xAA, 0xAA, 0xAA, 0xAA};
  for (uint32_t bad : {0xFEFFu, 0xFFFEu, 0xFFFFu, 0x110000u}) {
    EXPECT_EQ(EncodeUTF8(bad, out), 0);
    EXPECT_EQ(out[0], 0xAA);
    EXPECT_TRUE(str::FromCodePoint(bad).IsEmpty());
  }
  EXPECT_EQ(DecodeUTF8(""), 0u);
  EXPECT_EQ(DecodeUTF8("\x80"), 0u);
  EXPECT_EQ(DecodeUTF8("\xC3"), 0u);  // truncated by the terminator
  EXPECT_EQ(DecodeUTF8("\xE2\x82"
                       "A"),
            0u);
  EXPECT_EQ(Utf8SequenceLength(""), 0);
}

TEST(Str, LowerAsciiLowersOnlyTheLettersAToZ) {
  struct Case {
    str in;
    str out;
  } cases[] = {
      {str("Assets/Images/Logo.PNG"), str("assets/images/logo.png")},
      {str(""), str("")},
      {str("@[`{09_"), str("@[`{09_")},            // neighbours of the letter ranges
      {str("\xC3\x84RGER"), str("\xC3\x84rger")},  // UTF-8 bytes stay as they are
      {str("AB\0CD", 5), str("ab\0cd", 5)},        // the whole length, past a NUL
  };
  for (const Case& c : cases) {
    str lowered = LowerAscii(c.in);
    EXPECT_EQ(lowered.Length(), c.out.Length()) << c.in.CStr();
    EXPECT_EQ(std::memcmp(lowered.CStr(), c.out.CStr(), c.out.Length()), 0) << c.in.CStr();
  }
}
