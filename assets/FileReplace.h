// Replacing a saved file so that a crash or a power loss at any moment leaves a whole file under
// its name: the old one or the new one.
#pragma once

#include <cstddef>
#include <functional>

#include "core/str.h"

// The steps of a replacement that touch the disk, in the order they run. A hook answering false
// stops the replacement before that step, as a crash at that moment would (tests).
enum class FileReplaceStep { kFlushNew, kKeepAside, kReplace, kFlushFolder };
using FileReplaceHook = std::function<bool(FileReplaceStep)>;

// Most copies of one damaged file kept side by side: "<name>.damaged", then ".damaged.2" ...
constexpr int kMaxKeptAside = 9;

// Writes the bytes to "<name>.tmp", reads them back, flushes them to the disk, renames them over
// `name` and flushes its folder. With `keepAside` the file being replaced first gets a second,
// free name "<name>.damaged" (numbered past the first) by a link or a copy, so `name` itself is
// never left empty; `keptAs` (when given) receives that path, empty when none was kept. False
// when the new file could not be made whole or put in place: the old file then stays.
bool ReplaceFileWhole(const str& name, const void* bytes, size_t size, bool keepAside,
                      const FileReplaceHook& hook = {}, str* keptAs = nullptr);

// Gives a file a second, free name "<path>.damaged" (numbered past the first) by a link or a
// copy; the path kept, empty when none could be made.
str KeepFileAside(const str& path);
