// The records of the high-score tables: rows, tables, server categories, remembered logins and
// medals.
#pragma once

#include <cstdint>
#include <vector>

#include "core/str.h"

struct THiscoreRow {
  // 1-based; rows of equal score share a rank.
  int32_t rank = 0;
  int32_t score = 0;
  // Player name (local table) or account name (server table).
  str name;
  str gameData;
  // Raw XML placed inside the submitted "score" element.
  str serverData;
  str version;
  uint8_t anonymous = 1;
  // Set once the server accepted the row (local rows only).
  uint8_t submitted = 0;
  // Identifies the score across the local and the server tables.
  str guid;
};

struct THiscoreTable {
  // The category id.
  str name;
  // Highest score first.
  std::vector<THiscoreRow> rows;

  int32_t Count() const { return static_cast<int32_t>(rows.size()); }
};

struct THiscoreCategory {
  // Sent as "table" when asking for a score table.
  str id;
  // The text to show.
  str name;
};

struct THiscoreLogin {
  str player;
  str name;
  str pass;
};

struct THiscoreMedal {
  str name;
  // "type" for a medal per score category, "game" for one per game.
  str per;
  // The category that was current when the medal was earned.
  str mode;
  str gameData;
  uint8_t submitted = 0;
};

inline const char* MedalPerKindName(bool perType) { return perType ? "type" : "game"; }
