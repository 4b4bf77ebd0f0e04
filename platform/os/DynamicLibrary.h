// Shared libraries loaded at run time. A library named "x.dll" is this system's "x.so", looked
// for in the program's folder first and then along the normal search path; names with other
// extensions (add-on modules ".hwmod") keep them.
#pragma once

#include <string>

namespace platform::os {

class DynamicLibrary {
public:
  DynamicLibrary() = default;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;
  ~DynamicLibrary();

  // Looks in the executable's folder first.
  bool Load(const std::string& name);
  // Looks in the given folder first (tests, plug-in folders).
  bool Load(const std::string& name, const std::string& firstFolder);
  void Unload();
  bool IsLoaded() const { return mHandle != nullptr; }
  // Null when the library is not loaded or lacks the symbol.
  void* Symbol(const char* name) const;

  // The system's reason for the last failure; empty after a success.
  const std::string& LastError() const { return mError; }
  // The file name a design name stands for: "x.dll" -> "x.so", others unchanged.
  static std::string SystemName(const std::string& name);

private:
  void* mHandle = nullptr;
  std::string mError;
};

}  // namespace platform::os
