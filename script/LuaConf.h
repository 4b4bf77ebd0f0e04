// Limits and basic types of the script interpreter: the number type, the instruction word,
// sizes of the register file, stack and call limits, and the small helpers every module uses.
#pragma once

#include <cassert>
#include <climits>
#include <cmath>
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

typedef double lua_Number;
typedef uint32_t Instruction;
typedef uint32_t lu_int32;
typedef uint32_t lu_hash;
typedef size_t lu_mem;
typedef ptrdiff_t l_mem;
typedef unsigned char lu_byte;
typedef uint16_t lua_WChar;

#define MAX_SIZET ((size_t)(~(size_t)0) - 2)
#define MAX_INT (INT_MAX - 2)
#define MAX_LUMEM ((lu_mem)(~(lu_mem)0) - 2)

// Type for things that must be maximally aligned (object headers followed by data).
union L_Umaxalign {
  double u;
  void* s;
  long l;
  long long ll;
};

#define cast(t, exp) ((t)(exp))
#define lua_assert(c) ((void)0)
#define check_exp(c, e) (e)
#define api_check(L, o) ((void)(L), (void)0)
#define UNUSED(x) ((void)(x))

// Registers a function may use; RK operands at or above it address constants.
#define MAXSTACK 250
// Upvalues of one function and locals of one function.
#define MAXUPVALUES 32
#define MAXVARS 200
// Nested native calls, and nested syntactic structures in the parser.
#define LUA_MAXCCALLS 200
#define LUA_MAXPARSERLEVEL 200
// Maximum number of call frames of one thread.
#define LUA_MAXCALLS 4096
// Largest number of values lua_checkstack lets a frame hold.
#define LUA_MAXCSTACK 2048
// Initial sizes.
#define MINSTRTABSIZE 32
#define LUA_MINBUFFER 32
#define BASIC_CI_SIZE 8
#define BASIC_STACK_SIZE (2 * LUA_MINSTACK)
#define EXTRA_STACK 5
// Fields per OP_SETLIST flush.
#define LFIELDS_PER_FLUSH 32
// Tables: log2 of the largest node vector and array part.
#define MAXBITS 24

#define LUA_NUMBER_FMT "%.14g"

// Numbers become text in the C locale whatever locale the scripts set: a decimal comma would
// give texts that the number conversions do not read back. s holds at least 32 bytes.
inline int lua_number2str(char* s, lua_Number n) {
  // Whole numbers of up to 14 digits print as "%.14g" prints them, without the formatter.
  if (n > -1e14 && n < 1e14 && n != 0) {
    const int64_t whole = (int64_t)n;
    if ((lua_Number)whole == n) {
      char digits[16];
      int count = 0;
      uint64_t magnitude = whole < 0 ? (uint64_t)(-whole) : (uint64_t)whole;
      do {
        digits[count++] = (char)('0' + magnitude % 10);
        magnitude /= 10;
      } while (magnitude);
      int len = 0;
      if (whole < 0) s[len++] = '-';
      while (count) s[len++] = digits[--count];
      s[len] = 0;
      return len;
    }
  }
  if (n == 0 && !std::signbit(n)) {
    s[0] = '0';
    s[1] = 0;
    return 1;
  }
  int len = snprintf(s, 32, LUA_NUMBER_FMT, n);
  const char* dp = localeconv()->decimal_point;
  if (dp == nullptr || dp[0] == 0 || (dp[0] == '.' && dp[1] == 0)) return len;
  char* at = strstr(s, dp);
  if (at == nullptr) return len;
  size_t dl = strlen(dp);
  *at = '.';
  memmove(at + 1, at + dl, strlen(at + dl) + 1);
  return len - (int)(dl - 1);
}

// Conversions of doubles to integers, defined for every input: out-of-range values and NaN give
// the pattern the x86 conversion instruction answers (INT32_MIN / INT64_MIN).
inline int32_t lua_number2int32(lua_Number d) {
  if (d != d || d >= 2147483648.0 || d <= -2147483649.0) return INT32_MIN;
  return (int32_t)d;
}
inline int64_t lua_number2int64(lua_Number d) {
  if (d != d || d >= 9223372036854775808.0 || d < -9223372036854775808.0) return INT64_MIN;
  return (int64_t)d;
}
#define lua_number2int(i, d) ((i) = lua_number2int32(d))
