// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The company half of the product-identification engine: the raw CompanyName (or the
// copyright line) of an executable, run through the publisher rules and stripped of
// copyright and licence wording, so that one publisher always shows under one name.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/program_identity.h"
#include "productinfo/U_OrvoFct.h"
#include "productinfo/product_rules.h"
#include "productinfo/uninstall_lookups.h"
#include "support/text_utils.h"

namespace vanto {

namespace {

struct SpecialCompany {
    std::string_view id;
    std::string_view company;
};

constexpr std::array<SpecialCompany, 9> kSpecialCompanies{{
    {"CCCP", "CCCP Project"},
    {"QTA", "QuickTime Alternative Team"},
    {"QTL", "QuickTime Lite Team"},
    {"KLITE", "K-Lite Codec Pack Team"},
    {"KLITE64", "K-Lite Codec Pack Team"},
    {"KLITEMEGA", "K-Lite Codec Pack Team"},
    {"HASHTAB", "Implbits Software"},
    // These two are one person's work each, published under the author's handle.
    {"OPENHASHTAB", "hashwright"},
    {"QTTABBAR", "tabsmith"},
}};

// Exact Audio Copy names no company; its author publishes it under the site's name.
constexpr std::string_view kExactAudioCopyPublisher = "exactaudiocopy.de";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A word of decimal digits only, read as a number (capped, so any length is safe).
bool ReadsAsNumber(std::string_view w, long& n) {
    if (w.empty() || w.size() > 9) return false;
    n = 0;
    for (char c : w) {
        if (!IsDigit(c)) return false;
        n = n * 10 + (c - '0');
    }
    return true;
}

bool IsYear(std::string_view w) {
    long n = 0;
    return w.size() == 4 && ReadsAsNumber(w, n) && n > 1990;
}

bool IsTwoDigitNumber(std::string_view w) {
    long n = 0;
    return w.size() == 2 && ReadsAsNumber(w, n) && n > 0;
}

std::size_t FirstDelimiter(std::string_view t, std::string_view delimiters) { return t.find_first_of(delimiters); }

std::string_view FirstWord(std::string_view t, std::string_view delimiters) {
    return t.substr(0, std::min(FirstDelimiter(t, delimiters), t.size()));
}

std::string_view LastWord(std::string_view t, std::string_view delimiters) {
    const std::size_t at = t.find_last_of(delimiters);
    return at == std::string_view::npos ? t : t.substr(at + 1);
}

// The first word with the delimiter after it.
std::string WithoutFirstWord(std::string_view t, std::string_view delimiters) {
    const std::size_t at = FirstDelimiter(t, delimiters);
    return at == std::string_view::npos ? std::string() : std::string(t.substr(at + 1));
}

// The last word with the delimiter before it.
std::string WithoutLastWord(std::string_view t, std::string_view delimiters) {
    const std::size_t at = t.find_last_of(delimiters);
    return at == std::string_view::npos ? std::string() : std::string(t.substr(0, at));
}

bool IsCopyrightSign(std::string_view w) { return !CopyrightSign().empty() && w == CopyrightSign(); }

constexpr std::string_view kUtf8Copyright = "\xC2\xA9";

constexpr std::array<std::string_view, 11> kLicenceEndings{
    " under GNU General Public License",
    " under the GPL",
    " under the GNU Public License (GPL)",
    " under GNU General Public License.",
    " under the GPL.",
    " under the GNU Public License (GPL).",
    "Freeware licensed under GPL",
    "This file is set under the General Public License.",
    "GNU General Public License v2",
    "Gnu General Public License (GPL, Copyleft)",
    ". This software is licensed under the terms of the GNU General Public License.",
};

constexpr std::array<std::string_view, 5> kReservedEndings{
    " All Rights Reserved.", " All Rights Reserved", " All Rigths Reserved.", " All Rigths Reserved",
    ".All Rights Reserved",
};

constexpr std::array<std::string_view, 5> kReservedSuffixes{
    "All rights reserved.",
    "All right reserved.",
    "Some right reserved.",
    "No rights reserved.",
    "This software is protected by international and romanian copyright and trade laws.",
};

// Whole texts that name a licence, not a publisher.
constexpr std::array<std::string_view, 15> kLicenceNames{
    "GNU",
    "GPL",
    "GPL3",
    "See GPL licence",
    "See GPL license",
    "GNU GPL License",
    "GNU General Public License Version 3",
    "under the GNU General Public License (GPL)",
    "under the GNU General Public License",
    "Released under GPL",
    "Distributed under GPL license",
    "Gnu General Public License (GPL, Copyleft)",
    "GNU General Public License",
    "GNU General Public License v2",
    "GNU General Public License v2.0",
};

constexpr std::array<std::string_view, 11> kLicenceTails{
    ". Code released under the GNU General Public License",
    ". GNU General Public License",
    ".  GNU General Public License",
    " - Licensed under GPL",
    " / GNU General Public License",
    "(GPLv3)",
    "(GPL v3+)",
    "(GPL)",
    "Under GPL",
    ", using LGPL 3 License",
    ": GPLv2 or commercial",
};

constexpr std::array<std::string_view, 4> kAuthorLeads{
    "Author: ", "Original author: ", "Developed by ", ". See LICENSE.TXT for details.",
};

constexpr std::array<std::string_view, 4> kPlaceholders{"TODO:", "Company", "none", "."};

std::string Joined(std::string_view a, std::string_view b) {
    std::string s(a);
    s.append(b);
    return s;
}

// The copyright formulas removed from the front, in order; the sign in the code page only
// where it has one, and in its UTF-8 form as well.
const std::vector<std::string>& CopyrightLeads() {
    static const std::vector<std::string> leads = [] {
        const std::string& sign = CopyrightSign();
        std::vector<std::string> l;
        if (!sign.empty()) l.insert(l.end(), {sign, Joined("Copyrights ", sign), Joined("Copyright", sign)});
        l.insert(l.end(), {"Copyright(c)", Joined("Copyright", kUtf8Copyright), Joined("Copyrights ", kUtf8Copyright),
                           "Copyright(r)", "Copyright?", "All rights reserved worldwide", "All Rights Reserved (C)",
                           "All rights reserved", "(C)All rights reserved", "All rights reserverd",
                           "All Rights Reversed", std::string(kUtf8Copyright)});
        if (!sign.empty()) l.push_back(sign);
        return l;
    }();
    return leads;
}

// One pass of the clean-up.
std::string CleanCompanyNameOnce(const std::string& s) {
    std::string t = s;
    // Stray commas.
    if (!t.empty() && t.back() == ',') t.pop_back();
    if (!t.empty() && t.front() == ',') t.erase(0, 1);

    // A copyright word in front.
    {
        const std::string_view w = FirstWord(t, " -");
        if (SameText(w, "C") || SameText(w, "(C)") || IsCopyrightSign(w) || w == "," || SameText(w, "copyright") ||
            SameText(w, "by")) {
            t = WithoutFirstWord(t, " -");
        }
    }
    // A copyright sign in brackets, closed or not.
    t = RemovePrefixText(t, "(c)");
    t = RemovePrefixText(t, "c)");

    // A leading year.
    if (IsYear(FirstWord(t, " -,"))) t = WithoutFirstWord(t, " -,");

    // A leading "2010/" or "10/" of a year range. Only a number counts: "Acme/Foo Corp" keeps Acme.
    if (const std::size_t slash = t.find('/'); slash != std::string::npos) {
        const std::string_view part = std::string_view(t).substr(0, slash);
        long n = 0;
        if ((part.size() == 4 && ReadsAsNumber(part, n) && n > 0) || IsTwoDigitNumber(part)) t.erase(0, slash + 1);
    }

    // A copyright word or year at the end.
    {
        const std::string_view w = LastWord(t, " -");
        if (SameText(w, "(C)") || IsCopyrightSign(w) || w == "," || SameText(w, "copyright") || IsYear(w) ||
            IsTwoDigitNumber(w)) {
            t = WithoutLastWord(t, " -");
        }
    }
    // A dash left at the end.
    if (t.size() > 1 && t.back() == '-') t.pop_back();

    // Licence sentences.
    for (std::string_view e : kLicenceEndings) t = RemoveSuffixText(t, e);
    t = TrimText(t);

    // "All rights reserved" at the end, with the separator before it. Only at the end: a
    // sentence in the middle stays, so two texts around it are never run together.
    for (std::string_view e : kReservedEndings) {
        if (!TextEndsWith(t, e)) continue;
        t.resize(t.size() - e.size());
        // The separator before it (", " or ". "), never a letter of the name. A byte above
        // ASCII is part of a letter (a code-page letter, or a piece of a UTF-8 one).
        if (!t.empty()) {
            const unsigned char c = static_cast<unsigned char>(t.back());
            const bool word_char =
                IsDigit(static_cast<char>(c)) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80;
            if (!word_char) t.pop_back();
        }
    }

    // Blanks and dashes around what is left.
    t = TrimText(t);
    if (t.size() > 1 && t.front() == '-') t.erase(0, 1);
    if (t.size() > 1 && t.back() == '-') t.pop_back();

    // A year closing a sentence: "Foo 2011."
    if (t.size() > 5 && t.back() == '.' && IsYear(std::string_view(t).substr(t.size() - 5, 4))) t.resize(t.size() - 5);

    // Copyright formulas in front.
    for (const std::string& lead : CopyrightLeads()) t = RemovePrefixText(t, lead);

    // Reserved-rights wording at the very end.
    for (std::string_view e : kReservedSuffixes) t = RemoveSuffixText(t, e);
    return t;
}

// The name of the folder itself (its last component).
std::string FolderNameOf(const std::string& path) {
    std::string_view f = path;
    const std::size_t sep = f.find_last_of("\\/");
    f = sep == std::string_view::npos ? std::string_view() : f.substr(0, sep);
    const std::size_t up = f.find_last_of("\\/");
    return std::string(up == std::string_view::npos ? f : f.substr(up + 1));
}

}  // namespace

std::optional<std::string> SpecialProductCompany(std::string_view id) {
    for (const auto& s : kSpecialCompanies) {
        if (s.id == id) return std::string(s.company);
    }
    return std::nullopt;
}

std::string CleanCompanyName(const std::string& text) {
    std::string s = text;
    // Real texts settle within a few passes. The bound keeps a hostile resource holding
    // thousands of years ("2011 2011 ...", one removed per pass) from costing seconds.
    constexpr int kMaxPasses = 64;
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        std::string t = CleanCompanyNameOnce(s);
        if (t == s) break;
        s = std::move(t);
    }
    return s;
}

std::string NormaliseCompany(const std::string& company, const std::string& path, const std::string& product) {
    // The first line only (a NUL ends the text as it would for the system).
    std::string k = company.substr(0, company.find_first_of(std::string_view("\r\0", 2)));
    k = TrimText(k);
    if (k == "-") k.clear();

    // The facts the rules may look at.
    NamingCall c;
    c.path = ToNativeSystemPath(path);
    c.base_name = FileNameNoExt(c.path);
    c.folder = FolderWithSeparator(c.path);
    c.folder_name = FolderNameOf(c.path);
    c.product = product.empty() ? GetProductName(c.path) : product;
    c.R = std::move(k);

    // The publisher rules.
    RunProductRules(PublisherRules(), c);
    k = std::move(c.R);

    // Adobe AIR applications keep their publisher in the package's manifest.
    if (k.empty()) {
        std::vector<std::string> lines;
        if (ReadTextLines(SiblingPath(c.folder, "META-INF\\AIR\\application.xml"), lines)) {
            k = GetXmlTagValue(lines, "copyright");
        }
    }

    // A licence is not a publisher.
    for (std::string_view name : kLicenceNames) {
        if (SameText(k, name)) k.clear();
    }
    if (TextContains("GNU GPL", k)) k.clear();

    // Licence tails and author leads.
    for (std::string_view tail : kLicenceTails) k = RemoveSuffixText(k, tail);
    k = TrimText(k);
    for (std::string_view lead : kAuthorLeads) k = RemovePrefixText(k, lead);
    k = TrimText(k);

    // A web address after the name: "Foo Ltd http://foo.example".
    for (const auto& [marker, above] : {std::pair<std::string_view, std::size_t>{"http://", 5}, {"www.", 9}}) {
        const std::size_t at = k.find(marker);
        if (at != std::string::npos && at + 1 > above && k.find(' ', at + 7) == std::string::npos) {
            k = TrimText(std::string_view(k).substr(0, at));
        }
    }

    // "L.L.C." written the common way.
    if (TextEndsWith(k, "L.L.C.")) k = k.substr(0, k.size() - 6) + "LLC";

    // Dangling punctuation.
    while (k.size() > 1 && std::string_view("-,;([").find(k.back()) != std::string_view::npos) {
        k.pop_back();
        k = TrimText(k);
    }

    // Placeholders of version-resource templates.
    for (std::string_view p : kPlaceholders) {
        if (SameText(k, p)) k.clear();
    }
    if (!k.empty() && k.front() == '$') k.clear();

    // The generic clean-up of names.
    return CleanProductName(k);
}

std::string GetProductCompany(const std::string& input, const std::string& product) {
    const std::string path = ToNativeSystemPath(input);
    if (auto special = SpecialProductCompany(path)) return *special;

    const FileVersionInfoRec v = ReadVersionInfo(path);
    if (v == FileVersionInfoRec{}) {
        // A program without a version resource (a Linux executable): its publisher as the
        // desktop's software metadata knows it.
        platform::ProgramIdentity identity;
        if (platform::FindProgramIdentity(path, identity, platform::ProgramIdentityNeed::Names)) return identity.publisher;
    }
    // ", LLC" is a template's leftover, not a company.
    std::string k = SameText(v.CompanyName, ", LLC") ? std::string() : v.CompanyName;
    const std::string legal = TrimText(v.LegalCopyright);

    // NW.js applications carry the runtime's company; their installer knows the real one.
    if (TextContains("NW.JS", v.CompanyName) && TextContains("NWJS", v.ProductName)) {
        const std::string publisher = FindUninstallPublisher(FolderWithSeparator(path));
        if (!publisher.empty()) k = publisher;
    }

    if (k.empty() && SameText(FileNameNoExt(path), "EAC") && SameText(FolderNameOf(path), "Exact Audio Copy")) {
        return std::string(kExactAudioCopyPublisher);
    }

    k = NormaliseCompany(k, path, product);
    if (k.empty() && !legal.empty()) k = NormaliseCompany(legal, path, product);

    const std::string cleaned = CleanCompanyName(k);
    k = cleaned != k ? NormaliseCompany(cleaned, path, product) : cleaned;

    if (k == "?" || k.find("??") != std::string::npos) k.clear();
    return k;
}

TDisplayedFileInfo GetDisplayedFileInfo(const std::string& input) {
    TDisplayedFileInfo info;
    const std::string path = ToNativeSystemPath(input);
    info.ProductName = GetProductName(path);
    info.Company = GetProductCompany(path, info.ProductName);
    if (info.ProductName.empty() && !info.Company.empty()) info.ProductName = FileNameNoExt(path);
    return info;
}

}  // namespace vanto
