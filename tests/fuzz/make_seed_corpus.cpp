// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Writes the fuzzer's starting corpus for the version-resource reader: small PE and ELF files
// and bare version blocks made by the tests' builder, so the fuzzer starts from valid files.
#include "testsupport/pe_builder.h"

#include <fstream>
#include <iostream>
#include <string>

using namespace vanto::testing;

namespace {

bool Write(const std::string& dir, const std::string& name, const Bytes& bytes) {
    std::ofstream out(dir + "/" + name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " CORPUS-FOLDER\n";
        return 2;
    }
    const std::string dir = argv[1];
    VersionInfoSpec typical = VersionWithStrings({{"CompanyName", "Ombrevale"},
                                                  {"FileDescription", "Tool"},
                                                  {"FileVersion", "1.2.3.4"},
                                                  {"ProductName", "Vantoscope"}});
    typical.fileVersionMS = 0x00010002;
    typical.fileVersionLS = 0x00030004;

    VersionInfoSpec twoTables = typical;
    twoTables.tables.push_back({"080904b0", {{"ProductName", "Other"}}});
    twoTables.varFileInfoFirst = true;
    twoTables.valuePaddingNuls = 2;
    VersionInfoSpec bare = typical;
    bare.withVarFileInfo = false;
    bare.withFixedInfo = false;

    bool ok = true;
    int n = 0;
    for (const VersionInfoSpec& options : {typical, twoTables, bare}) {
        const Bytes info = EncodeVersionInfo(options);
        const std::string tag = std::to_string(n++);
        ok &= Write(dir, "block-" + tag, info);
        ok &= Write(dir, "pe32-" + tag, BuildPeWithVersion(info, false).bytes);
        ok &= Write(dir, "pe64-" + tag, BuildPeWithVersion(info, true).bytes);
        ok &= Write(dir, "elf64-" + tag, BuildElf({true, false, true, info}).bytes);
        ok &= Write(dir, "elf32be-" + tag, BuildElf({false, true, true, info}).bytes);
    }
    PeSpec languages;
    for (std::uint16_t lang : {0x0401, 0x0809, 0x0000})
        languages.versions.push_back({lang, EncodeVersionInfo(typical)});
    ok &= Write(dir, "pe-languages", BuildPe(languages).bytes);
    if (!ok) std::cerr << "cannot write the corpus into " << dir << "\n";
    return ok ? 0 : 1;
}
