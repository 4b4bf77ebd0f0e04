// hwpack: packs every file below a folder into one flat-file archive.
//
//   hwpack OUTPUT.hwp FOLDER
//
// Entry names are the paths below FOLDER with "/" between folders, in byte order; ".svn"
// folders are left out. The archive is written beside OUTPUT first and then renamed over it,
// so a failed run leaves any earlier archive as it was.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Entry {
  std::string name;
  fs::path path;
  uint64_t size = 0;
};

void PutInt32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

bool Collect(const fs::path& root, std::vector<Entry>& entries) {
  std::error_code ec;
  fs::recursive_directory_iterator it(root, ec), end;
  if (ec) {
    std::fprintf(stderr, "hwpack: cannot read %s: %s\n", root.c_str(), ec.message().c_str());
    return false;
  }
  for (; it != end; it.increment(ec)) {
    if (ec) {
      std::fprintf(stderr, "hwpack: %s\n", ec.message().c_str());
      return false;
    }
    if (it->is_directory() && it->path().filename() == ".svn") {
      it.disable_recursion_pending();
      continue;
    }
    if (!it->is_regular_file()) continue;
    Entry e;
    e.name = it->path().lexically_relative(root).generic_string();
    e.path = it->path();
    e.size = it->file_size();
    if (e.name.size() > 255) {
      std::fprintf(stderr, "hwpack: name longer than 255 bytes: %s\n", e.name.c_str());
      return false;
    }
    entries.push_back(std::move(e));
  }
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: hwpack OUTPUT.hwp FOLDER\n");
    return 2;
  }
  fs::path output = argv[1], root = argv[2];
  std::vector<Entry> entries;
  if (!Collect(root, entries)) return 1;

  uint64_t offset = 8;
  for (const Entry& e : entries) offset += 1 + e.name.size() + 8;
  std::string directory = "HWPK";
  PutInt32(directory, uint32_t(entries.size()));
  for (const Entry& e : entries) {
    // Offsets and sizes are signed 32-bit in the format.
    if (offset + e.size > INT32_MAX) {
      std::fprintf(stderr, "hwpack: archive would pass 2 GiB at %s\n", e.name.c_str());
      return 1;
    }
    directory.push_back(char(e.name.size()));
    directory += e.name;
    PutInt32(directory, uint32_t(offset));
    PutInt32(directory, uint32_t(e.size));
    offset += e.size;
  }

  fs::path temporary = output;
  temporary += ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(directory.data(), std::streamsize(directory.size()));
    for (const Entry& e : entries) {
      std::ifstream in(e.path, std::ios::binary);
      std::vector<char> data(e.size);
      if (!in.read(data.data(), std::streamsize(data.size()))) {
        std::fprintf(stderr, "hwpack: cannot read %s\n", e.path.c_str());
        out.close();
        fs::remove(temporary);
        return 1;
      }
      out.write(data.data(), std::streamsize(data.size()));
    }
    out.flush();
    if (!out) {
      std::fprintf(stderr, "hwpack: cannot write %s\n", temporary.c_str());
      out.close();
      fs::remove(temporary);
      return 1;
    }
  }
  std::error_code ec;
  fs::rename(temporary, output, ec);
  if (ec) {
    std::fprintf(stderr, "hwpack: cannot write %s: %s\n", output.c_str(), ec.message().c_str());
    fs::remove(temporary);
    return 1;
  }
  std::printf("%s: %zu entries, %llu bytes\n", output.c_str(), entries.size(),
              static_cast<unsigned long long>(offset));
  return 0;
}
