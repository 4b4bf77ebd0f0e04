// The cross-sell description "xsell/xsell.xml": root element "xsell" with "gameinfo"
// (description, linktext, link; numbered from 1 in file order), "sitelink" (link) and
// "centertext" (text1, text2), in any order.
#pragma once

#include <cstddef>
#include <vector>

#include "core/str.h"

class TXmlNode;

struct TXSellGame {
  str description;
  str linkText;
  str link;
};

struct TXSellDescription {
  // There are seven game slots; later entries are left out.
  static constexpr int kMaxGames = 7;

  std::vector<TXSellGame> games;
  bool hasSiteLink = false;
  str siteLink;
  bool hasCenterText = false;
  str centerText1, centerText2;

  // False (and the description empty) without an "xsell" element.
  bool Read(const TXmlNode& document);
  bool ReadBuffer(const char* data, size_t size);
  bool Load(const str& fileName);
};
