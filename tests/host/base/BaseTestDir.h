// A fresh directory under /tmp for each test, removed afterwards; never a real settings file.
#pragma once

#include <filesystem>
#include <string>

#include "tests/support/TestSupport.h"

class BaseTestDir : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::permissions(dir_, std::filesystem::perms::owner_all); }
    std::string Path(const std::string& name) const { return dir.File(name); }
    static void Put(const std::string& path, const std::string& bytes) { testsupport::WriteFile(path, bytes); }
    static std::string Get(const std::string& path) { return testsupport::ReadFile(path); }
    long Entries() const {
        return std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator());
    }

    testsupport::TempDir dir;
    const std::string dir_ = dir.Path();
};
