// A scratch folder for file-layer tests: made fresh under the system's temporary folder,
// made current while the test runs (so "::" names and "assets" resolve inside it), and
// removed afterwards. The file index and name list start empty.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "assets/FileLayer.h"

class FileTestFolder : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/files_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    mRoot = pattern;
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    mPreviousFolder = cwd;
    ASSERT_EQ(chdir(mRoot.c_str()), 0);
    ClearFileIndex();
    ClearNameList();
    std::filesystem::create_directories(mRoot + "/user");
    std::filesystem::create_directories(mRoot + "/common");
    std::filesystem::create_directories(mRoot + "/desktop");
    SetFileFolders((mRoot + "/user").c_str(), (mRoot + "/common").c_str(),
                   (mRoot + "/desktop").c_str());
  }

  void TearDown() override {
    ClearFileIndex();
    ClearNameList();
    SetFileFolders("", "", "");
    if (chdir(mPreviousFolder.c_str()) != 0)
      ADD_FAILURE() << "cannot return to " << mPreviousFolder;
    std::error_code ignored;
    std::filesystem::remove_all(mRoot, ignored);
  }

  // Writes a file below the scratch folder, making its folders.
  void Put(const std::string& relative, const std::string& bytes) {
    std::filesystem::path path = mRoot + "/" + relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }

  std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::string mRoot;
  std::string mPreviousFolder;
};
