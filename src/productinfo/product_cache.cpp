// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "productinfo/product_cache.h"

#include "platform/program_identity.h"
#include "productinfo/U_OrvoFct.h"
#include "support/text_utils.h"

namespace vanto {

ProductInfoCache::Entry& ProductInfoCache::Lookup(const std::string& path) {
    platform::FileIdentity identity;
    if (platform::GetFileIdentity(path, identity)) return Known(path, identity);
    // A file that cannot be looked at is never kept: it may appear at any moment.
    entries_.erase(path);
    static thread_local Entry scratch;
    scratch = Entry{};
    scratch.name = GetProductName(path);
    return scratch;
}

ProductInfoCache::Entry& ProductInfoCache::Known(const std::string& path, const platform::FileIdentity& identity) {
    const Clock::time_point now = now_();
    ForgetUnused(now);
    const std::uint64_t identities = platform::ProgramIdentityGeneration();
    auto it = entries_.find(path);
    if (it == entries_.end() || !(it->second.identity == identity) || it->second.identities != identities) {
        Entry fresh;
        fresh.identity = identity;
        fresh.identities = identities;
        fresh.name = GetProductName(path);
        it = entries_.insert_or_assign(path, std::move(fresh)).first;
    }
    it->second.used = now;
    return it->second;
}

void ProductInfoCache::ForgetUnused(Clock::time_point now) {
    if (now - last_sweep_ < kForgetAfter) return;
    last_sweep_ = now;
    for (auto it = entries_.begin(); it != entries_.end();) {
        it = now - it->second.used >= kForgetAfter ? entries_.erase(it) : std::next(it);
    }
}

const std::string& ProductInfoCache::Name(const std::string& path) { return Lookup(path).name; }

bool ProductInfoCache::NameOfFile(const std::string& path, std::string& name) {
    platform::FileIdentity identity;
    if (!platform::GetFileIdentity(path, identity) || identity.size == 0) return false;
    name = Known(path, identity).name;
    return true;
}

void ProductInfoCache::FillCompany(Entry& e, const std::string& path) {
    if (e.has_company) return;
    e.company = GetProductCompany(path, e.name);
    e.has_company = true;
}

const std::string& ProductInfoCache::Company(const std::string& path) {
    Entry& e = Lookup(path);
    FillCompany(e, path);
    return e.company;
}

const std::string& ProductInfoCache::Version(const std::string& path) {
    Entry& e = Lookup(path);
    if (!e.has_version) {
        FillCompany(e, path);
        // The name and company GetDisplayedFileInfo would give.
        const std::string name = e.name.empty() && !e.company.empty() ? FileNameNoExt(path) : e.name;
        std::string p = path;
        e.version = GetProductVersion(p, name, e.company);
        e.has_version = true;
    }
    return e.version;
}

}  // namespace vanto
