// The file layer: every file the program reads or writes goes through these functions.
// Callers give virtual names ("scripts/x.lua", "::path", "user:", "common:", "desktop:");
// the layer resolves them through one program-wide index and the three folder roots.
#pragma once

#include <cstdint>
#include <map>

#include "core/str.h"

class TFile;

// Open modes.
enum : int {
  kFileReadBinary = 0,
  kFileReadText = 1,
  kFileWriteBinary = 2,
  kFileWriteText = 3,
  kFileAppendBinary = 4,
  kFileAppendText = 5,
};

// Seek origins.
enum : int {
  kSeekCurrent = 0,
  kSeekStart = 1,
  kSeekEnd = 2,
};

// Lower-cased virtual name -> location (disk path, "@archive:offset,size" or "&address,size").
using TFileIndex = std::map<str, str>;

// The program-wide file index. Archive mounting writes its entries straight into it.
TFileIndex& GetFileIndex();

// Sets (or replaces) the location of a name; the name is lower-cased first.
void SetIndexedFile(const str& name, const str& location);

TFile* FileOpen(const char* name, int mode);
void FileClose(TFile* file);
int FileGetC(TFile* file);
void FileUngetC(TFile* file);
int32_t FileRead(TFile* file, void* buffer, int count);
int32_t FileWrite(TFile* file, const void* buffer, int count);
void FileSeek(TFile* file, int offset, int mode);
int32_t FileTell(TFile* file);
int FileEof(TFile* file);
// Nonzero when the handle holds no open file.
int FileError(TFile* file);
// Reads one line (the line end stays in the buffer) and answers where its terminating 0 went,
// so the caller has the line's length; null once the end of the file is reached.
char* FileGetS(TFile* file, char* buffer, int size);
bool FileExists(const str& name);

// Location of a virtual name, empty when it does not resolve.
str ResolveFilePath(const str& name, bool checkExisting);
// Drops a name's entry from the index (a file the engine removed or renamed away).
void ForgetIndexedFile(const str& name);

// Makes a memory block readable under a name; null data removes the name again.
void RegisterMemoryFile(const char* name, const void* data, uint32_t size);

// Walks the index in key order; feed each answer back in `name` to get the next.
bool FindIndexedFile(const str& prefix, str& name, bool includeSubfolders);
void ClearFileIndex();

void SetFileFolders(const str& user, const str& common, const str& desktop);
const str& GetUserFolder();
const str& GetCommonFolder();
const str& GetDesktopFolderRoot();

// Absolute form of a path; empty on failure.
str GetFullPath(const char* path);
// 0 on success, -1 on failure, the needed length when `out` is too small.
int MakeAppDataFolder(bool allUsers, const char* gameFolder, char* out, int size);
int GetDesktopFolder(char* out, int size);

// Start-up scan: "final.txt", the assets folder with its archives, the user and common folders.
void InitFileSystem();
void IndexFolder(const str& folder, const str& prefix);
void ReadNameList(const char* text);
bool IsAllowedName(const str& name);
// Empties the exclusion set read from "final.txt" (tests and re-initialisation).
void ClearNameList();
