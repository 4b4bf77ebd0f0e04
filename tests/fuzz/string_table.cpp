// String tables ("strings.xml", plain or compressed) loaded through the file layer, then
// looked up with arguments, so escapes that name arguments and other labels are followed.
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "assets/TStringTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::PutMemoryFile("strings.xml", data, size);
  TStringTable table;
  table.SetQuiet(true);
  table.Load("strings.xml");
  std::vector<str> labels;
  table.GetFlashStrings(labels);
  for (const char* label : {"GAME_TITLE", "SCORE", "GREETING", "A", "B", "LOOP"})
    labels.push_back(label);
  for (const str& label : labels) table.GetString(label, "1", "%2", "three", "", "%L");
  return 0;
}
