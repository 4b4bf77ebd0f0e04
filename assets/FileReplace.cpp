// Whole-file replacement for saved data: write beside, check, flush, rename, flush the folder.
#include "assets/FileReplace.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "assets/FileLayer.h"
#include "platform/os/Directory.h"

namespace {

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A copy for file systems without links; made under a name of its own first, so a copy cut
// short never carries the kept name.
bool CopyFile(const std::string& from, const std::string& to) {
  std::FILE* in = std::fopen(from.c_str(), "rb");
  if (in == nullptr) return false;
  std::string part = to + ".part";
  std::FILE* out = std::fopen(part.c_str(), "wbx");
  bool ok = out != nullptr;
  char block[65536];
  for (size_t n; ok && (n = std::fread(block, 1, sizeof block, in)) > 0;)
    ok = std::fwrite(block, 1, n, out) == n;
  ok = ok && !std::ferror(in);
  std::fclose(in);
  if (out != nullptr) ok = std::fclose(out) == 0 && ok;
  ok = ok && platform::os::FlushFile(part) && !platform::os::CanRead(to) &&
       platform::os::RenameFile(part, to);
  if (!ok) platform::os::DeleteFile(part);
  return ok;
}

bool Allowed(const FileReplaceHook& hook, FileReplaceStep step) { return !hook || hook(step); }

}  // namespace

str KeepFileAside(const str& path) {
  std::string from(path.CStr(), path.Length());
  if (!platform::os::CanRead(from)) return str();
  for (int n = 1; n <= kMaxKeptAside; ++n) {
    std::string to = from + ".damaged" + (n == 1 ? std::string() : "." + std::to_string(n));
    if (platform::os::CanRead(to)) continue;
    if (platform::os::LinkFile(from, to) || CopyFile(from, to)) {
      platform::os::FlushFolder(FolderOf(to));
      return str(to.c_str());
    }
  }
  return str();
}

bool ReplaceFileWhole(const str& name, const void* bytes, size_t size, bool keepAside,
                      const FileReplaceHook& hook, str* keptAs) {
  if (keptAs != nullptr) *keptAs = str();
  str temporaryName = name + ".tmp";
  str temporary = ResolveFilePath(temporaryName, false);
  str target = ResolveFilePath(name, false);
  std::string from(temporary.CStr(), temporary.Length()), to(target.CStr(), target.Length());
  bool complete = false;
  if (TFile* out = FileOpen(temporaryName.CStr(), kFileWriteBinary)) {
    int32_t written = FileWrite(out, bytes, int(size));
    FileClose(out);
    if (written == int32_t(size)) {
      std::vector<uint8_t> check(size + 1);
      TFile* in = FileOpen(temporaryName.CStr(), kFileReadBinary);
      int32_t got = in ? FileRead(in, check.data(), int(check.size())) : -1;
      FileClose(in);
      complete = got == int32_t(size) && (size == 0 || std::memcmp(check.data(), bytes, size) == 0);
    }
  }
  // A stop asked for by the hook leaves everything as a crash would.
  if (complete && !Allowed(hook, FileReplaceStep::kFlushNew)) return false;
  // Without the flush a power loss after the rename can leave the name on an empty file.
  complete = complete && platform::os::FlushFile(from);
  if (complete && keepAside) {
    if (!Allowed(hook, FileReplaceStep::kKeepAside)) return false;
    str kept = KeepFileAside(target);
    if (keptAs != nullptr) *keptAs = kept;
  }
  if (complete && !Allowed(hook, FileReplaceStep::kReplace)) return false;
  bool replaced = complete && !to.empty() && platform::os::RenameFile(from, to);
  if (replaced) {
    if (!Allowed(hook, FileReplaceStep::kFlushFolder)) return false;
    platform::os::FlushFolder(FolderOf(to));
  } else {
    platform::os::DeleteFile(from);
  }
  // Either way the temporary file is gone, and so is its name.
  ForgetIndexedFile(temporaryName);
  return replaced;
}
