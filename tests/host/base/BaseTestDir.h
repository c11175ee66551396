// A fresh directory under /tmp for each test, removed afterwards; never a real settings file.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class BaseTestDir : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zorbase-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all);
        std::filesystem::remove_all(dir_);
    }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    static void Put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
    static std::string Get(const std::string& path) {
        std::ostringstream s;
        s << std::ifstream(path, std::ios::binary).rdbuf();
        return s.str();
    }
    long Entries() const {
        return std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator());
    }

    std::string dir_;
};
