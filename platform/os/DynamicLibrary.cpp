#include "platform/os/DynamicLibrary.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cctype>

#include "platform/os/ModuleInfo.h"

namespace platform::os {

namespace {

bool EndsWithNoCase(const std::string& s, const char* tail) {
  const std::string t(tail);
  if (s.size() < t.size()) return false;
  for (size_t i = 0; i < t.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[s.size() - t.size() + i])) != t[i]) return false;
  return true;
}

}  // namespace

DynamicLibrary::~DynamicLibrary() { Unload(); }

std::string DynamicLibrary::SystemName(const std::string& name) {
  if (EndsWithNoCase(name, ".dll")) return name.substr(0, name.size() - 4) + ".so";
  return name;
}

bool DynamicLibrary::Load(const std::string& name) { return Load(name, GetExecutableFolder()); }

bool DynamicLibrary::Load(const std::string& name, const std::string& firstFolder) {
  Unload();
  mError.clear();
  if (name.empty()) {
    mError = "empty library name";
    return false;
  }
  const std::string file = SystemName(name);
  std::string firstError;
  if (file.find('/') == std::string::npos && !firstFolder.empty()) {
    std::string path = firstFolder;
    if (path.back() != '/') path += '/';
    path += file;
    if (::access(path.c_str(), F_OK) == 0) {
      mHandle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (mHandle) return true;
      const char* e = ::dlerror();
      firstError = e ? e : path;
    }
  }
  // Without a folder part dlopen searches the library path, never the current directory.
  mHandle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (mHandle) return true;
  const char* e = ::dlerror();
  mError = !firstError.empty() ? firstError : (e ? e : file);
  return false;
}

void DynamicLibrary::Unload() {
  if (mHandle) ::dlclose(mHandle);
  mHandle = nullptr;
}

void* DynamicLibrary::Symbol(const char* name) const {
  if (!mHandle || !name) return nullptr;
  return ::dlsym(mHandle, name);
}

}  // namespace platform::os
