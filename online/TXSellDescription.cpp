#include "online/TXSellDescription.h"

#include "assets/TXmlNode.h"

bool TXSellDescription::Read(const TXmlNode& document) {
  *this = TXSellDescription();
  const TXmlNode* root = document.FindChild("xsell");
  if (!root) return false;
  for (size_t i = 0; i < root->GetChildCount(); ++i) {
    const TXmlNode* child = root->GetChild(i);
    const str& name = child->GetName();
    if (name == "gameinfo") {
      if (static_cast<int>(games.size()) >= kMaxGames) continue;
      TXSellGame game;
      child->GetAttribute(game.description, "description");
      child->GetAttribute(game.linkText, "linktext");
      child->GetAttribute(game.link, "link");
      games.push_back(game);
    } else if (name == "sitelink" && !hasSiteLink) {
      hasSiteLink = true;
      child->GetAttribute(siteLink, "link");
    } else if (name == "centertext" && !hasCenterText) {
      hasCenterText = true;
      child->GetAttribute(centerText1, "text1");
      child->GetAttribute(centerText2, "text2");
    }
  }
  return true;
}

bool TXSellDescription::ReadBuffer(const char* data, size_t size) {
  TXmlNode document;
  document.ParseString(data, size);
  return Read(document);
}

bool TXSellDescription::Load(const str& fileName) {
  TXmlNode document;
  if (!document.LoadFile(fileName)) {
    *this = TXSellDescription();
    return false;
  }
  return Read(document);
}
