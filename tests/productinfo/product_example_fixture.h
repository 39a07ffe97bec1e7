// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Builds a product row's own case in a test folder: the executable with its version
// strings (and the fixed version from its FileVersion and ProductVersion texts), the files
// beside it and the uninstall entries it needs, as ProductExample describes them.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "productinfo/product_rules.h"
#include "support/U_Version.h"
#include "testsupport/pe_builder.h"
#include "testsupport/registry_fixture.h"
#include "testsupport/test_support.h"

namespace vanto::testing {

inline std::vector<std::string_view> SplitOn(std::string_view text, char sep) {
    std::vector<std::string_view> parts;
    if (text.empty()) return parts;
    for (;;) {
        const std::size_t at = text.find(sep);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + 1);
    }
}

// "K=value" with K one of D C F I L O P V, as version-resource strings.
inline std::vector<std::pair<std::string, std::string>> ExampleStrings(std::string_view fields) {
    std::vector<std::pair<std::string, std::string>> out;
    for (std::string_view f : SplitOn(fields, '|')) {
        if (f.size() < 2 || f[1] != '=') continue;
        const char* key = nullptr;
        switch (f[0]) {
            case 'D': key = "FileDescription"; break;
            case 'C': key = "CompanyName"; break;
            case 'F': key = "FileVersion"; break;
            case 'I': key = "InternalName"; break;
            case 'L': key = "LegalCopyright"; break;
            case 'O': key = "OriginalFilename"; break;
            case 'P': key = "ProductName"; break;
            case 'V': key = "ProductVersion"; break;
            default: continue;
        }
        out.emplace_back(key, std::string(f.substr(2)));
    }
    return out;
}

// Fields "-": an executable without a version resource.
inline Bytes ExamplePe(std::string_view fields) {
    if (fields == "-") return BuildPe(PeSpec{}).bytes;
    const auto strings = ExampleStrings(fields);
    VersionInfoSpec spec = VersionWithStrings(strings);
    for (const auto& [key, value] : strings) {
        const TOrvoVersion v = TOrvoVersion::Create(value);
        if (key == "FileVersion") {
            spec.fileVersionMS = v.MS();
            spec.fileVersionLS = v.LS();
        } else if (key == "ProductVersion") {
            spec.productVersionMS = v.MS();
            spec.productVersionLS = v.LS();
        }
    }
    return BuildPeWithVersion(EncodeVersionInfo(spec)).bytes;
}

// Writes the example below `dir` (and its uninstall entries into `hives`); returns the
// executable's path.
inline std::string BuildExample(const TempDir& dir, ScopedHives& hives, const ProductExample& ex) {
    namespace fs = std::filesystem;
    Bytes exe = ExamplePe(ex.fields);
    const fs::path exe_path = dir.path() / std::string(ex.file);
    const fs::path folder = exe_path.parent_path();
    for (std::string_view entry : SplitOn(ex.files, '|')) {
        const std::size_t eq = entry.find('=');
        const std::string name(entry.substr(0, eq));
        const std::string_view content = eq == std::string_view::npos ? std::string_view() : entry.substr(eq + 1);
        if (name == "<self>") {
            exe.insert(exe.end(), content.begin(), content.end());
            continue;
        }
        const std::string relative = fs::relative((folder / name).lexically_normal(), dir.path()).string();
        if (content.rfind("PE:", 0) == 0) {
            dir.write(relative, ExamplePe(content.substr(3)));
        } else {
            dir.write(relative, content);
        }
    }
    dir.write(std::string(ex.file), exe);

    // An entry beginning "HKCU:" is the user's; the others are the machine's.
    std::vector<HiveKey> keys, user_keys;
    const std::string folder_text = folder.string() + "/";
    for (std::string_view entry : SplitOn(ex.uninstall, '|')) {
        const bool user = entry.starts_with("HKCU:");
        if (user) entry.remove_prefix(5);
        HiveKey key{std::string(user ? kUserUninstall : kMachineUninstall) + "Entry" +
                        std::to_string(keys.size() + user_keys.size()),
                    {},
                    {}};
        for (std::string_view value : SplitOn(entry, ';')) {
            const std::size_t eq = value.find('=');
            std::string text(value.substr(eq + 1));
            if (text == "{dir}") text = folder_text;
            key.strings.emplace_back(std::string(value.substr(0, eq)), text);
        }
        (user ? user_keys : keys).push_back(std::move(key));
    }
    hives.machine(keys);
    if (!user_keys.empty()) hives.user(user_keys);
    return exe_path.string();
}

}  // namespace vanto::testing
