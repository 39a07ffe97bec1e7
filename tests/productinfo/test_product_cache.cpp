// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "productinfo/product_cache.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "testsupport/pe_builder.h"
#include "testsupport/test_support.h"

using namespace vanto;
using namespace vanto::testing;

namespace {

std::string WritePe(const TempDir& dir, const std::string& name, const std::string& product, std::uint32_t ms) {
    VersionInfoSpec spec = VersionWithStrings({{"ProductName", product}, {"CompanyName", "Foo Ltd"}});
    spec.fileVersionMS = ms;
    return dir.write(name, BuildPeWithVersion(EncodeVersionInfo(spec)).bytes).string();
}

ProductInfoCache::Clock::time_point g_now{};
ProductInfoCache::Clock::time_point FakeNow() { return g_now; }

}  // namespace

TEST(ProductInfoCache, KeepsFactsWhileTheFileStaysTheSame) {
    TempDir dir;
    const std::string path = WritePe(dir, "tool.exe", "Foo Tool", 1u << 16);
    ProductInfoCache cache;
    EXPECT_EQ(cache.Name(path), "Foo Tool");
    EXPECT_EQ(cache.Company(path), "Foo Ltd");
    EXPECT_EQ(cache.Version(path), "1.0.0.0");
    EXPECT_EQ(cache.size(), 1u);

    // Replaced by another executable (new file, another size): named afresh.
    const std::string tmp = WritePe(dir, "new.exe", "Bar Tool With A Longer Name", 2u << 16);
    std::filesystem::rename(tmp, path);
    EXPECT_EQ(cache.Name(path), "Bar Tool With A Longer Name");
    EXPECT_EQ(cache.Version(path), "2.0.0.0");

    // A file that is gone is not kept.
    std::filesystem::remove(path);
    EXPECT_EQ(cache.Name(path), "tool");
    EXPECT_EQ(cache.size(), 0u);
}

TEST(ProductInfoCache, ForgetsWhatNobodyAsksFor) {
    TempDir dir;
    const std::string a = WritePe(dir, "a.exe", "Alpha", 1u << 16);
    const std::string b = WritePe(dir, "b.exe", "Beta", 1u << 16);
    ProductInfoCache cache;
    cache.setClockForTesting(&FakeNow);
    g_now = ProductInfoCache::Clock::time_point{} + std::chrono::hours(1);
    cache.Name(a);
    cache.Name(b);
    for (int second = 1; second <= 12; ++second) {
        g_now += std::chrono::seconds(1);
        cache.Name(a);  // still shown
    }
    EXPECT_EQ(cache.size(), 1u) << "b was not asked for in ten seconds";
    EXPECT_EQ(cache.Name(b), "Beta");
}

TEST(ProductInfoCache, OnlyFilesWithContentAreNamed) {
    TempDir dir;
    ProductInfoCache cache;
    std::string name = "untouched";
    EXPECT_FALSE(cache.NameOfFile((dir.path() / "missing.exe").string(), name));
    EXPECT_FALSE(cache.NameOfFile(dir.write("empty.exe", std::string()).string(), name));
    EXPECT_FALSE(cache.NameOfFile(dir.str(), name)) << "a folder";
    EXPECT_EQ(name, "untouched");
    EXPECT_TRUE(cache.NameOfFile(WritePe(dir, "t.exe", "Foo Tool", 1u << 16), name));
    EXPECT_EQ(name, "Foo Tool");
}
