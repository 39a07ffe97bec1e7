// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The product name, company and version of executables, kept between refreshes. Naming a
// file reads its version resource, and some rules read sibling files, walk the uninstall
// registry or scan the executable; the connection list names every shown process every
// second. An entry is reused while the file keeps its identity (path, volume and file
// number, size, write time), so a steady refresh reads no file and walks no registry, and a
// replaced executable is named afresh. Entries nobody asked for in the last
// `kForgetAfter` go, so the cache holds what the list shows. A new index of program identities
// (Linux: desktop entries and packages read again) names every file afresh. One cache per thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "platform/files.h"

namespace vanto {

class ProductInfoCache {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kForgetAfter{10};

    // GetProductName of the file; the file's identity is asked every time. The texts stay
    // valid until the next call.
    const std::string& Name(const std::string& path);
    // The name of an existing file of more than 0 bytes; false (and `name` untouched) for
    // anything else, with one look at the file either way.
    bool NameOfFile(const std::string& path, std::string& name);
    // GetProductCompany (with the cached name) and GetProductVersion of the file.
    const std::string& Company(const std::string& path);
    const std::string& Version(const std::string& path);

    std::size_t size() const { return entries_.size(); }
    // Drops every entry (the tests' way to start afresh).
    void clear() { entries_.clear(); }

    // The clock the cache ages its entries by; tests move it.
    void setClockForTesting(Clock::time_point (*now)()) { now_ = now; }

private:
    struct Entry {
        platform::FileIdentity identity;
        Clock::time_point used;
        std::string name;
        std::string company;
        std::string version;
        bool has_company = false;
        bool has_version = false;
        std::uint64_t identities = 0;  // ProgramIdentityGeneration() when named
    };

    Entry& Lookup(const std::string& path);
    // The entry of a file whose identity is at hand, named afresh when that changed.
    Entry& Known(const std::string& path, const platform::FileIdentity& identity);
    static void FillCompany(Entry& e, const std::string& path);
    void ForgetUnused(Clock::time_point now);

    std::unordered_map<std::string, Entry> entries_;
    Clock::time_point last_sweep_{};
    Clock::time_point (*now_)() = &Clock::now;
};

}  // namespace vanto
