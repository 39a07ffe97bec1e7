// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The columns the connection list can show, as one table: each row names a column (its id,
// kept in the settings and used as the key of saved reports), its caption, how its text is
// made, how it sorts and whether it is shown before the user chooses. Adding a column is
// adding a row; the window, its header menu, search, copy and Save As all read this table.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "monitor/connection_snapshot.h"

namespace vanto {

// What the list knows of a row's owning process, worked out once when the row is made.
struct TProcessFacts {
    std::string path;     // GetProcessPath
    std::string name;     // DisplayName of the path
    std::string company;  // only worked out while a shown column reads it
    std::string version;  // likewise
    int image = 0;        // index into the small system image list
    // The name is the file name while the real one is worked out: the list asks again.
    bool pending = false;
};

// What a column reads of the process, beyond its path and name.
enum class TProcessNeed : std::uint8_t { None = 0, Company = 1, Version = 2 };

struct TListColumn {
    const char* id;       // "pid", "local_port": settings and saved reports
    const char* caption;  // the header's text
    std::string (*text)(const TConnection& c, const TProcessFacts& p);
    // Bytes that order the rows as the column should, compared as unsigned bytes: numbers
    // and addresses by their value, texts with ASCII letters folded.
    std::string (*sort_key)(const TConnection& c, const TProcessFacts& p);
    bool shown_by_default;
    bool numeric;         // a number in JSON reports ("?" gives null)
    TProcessNeed need;
};

// Every column, the five shown at first leading in their order.
std::span<const TListColumn> ListColumns();
// The index of a column in ListColumns(), or -1.
int ListColumnIndex(std::string_view id);

// Sort-key helpers for further columns: a number that orders by value, an address field
// (network byte order) that orders by its numeric value, a text with ASCII case folded.
std::string NumberSortKey(std::uint64_t n);
std::string Ipv4SortKey(std::uint32_t addr_field);
// An address of either family: IPv4 ones first, each by value.
std::string AddressSortKey(std::uint8_t family, std::uint32_t addr_field, const platform::Ip6Bytes& addr6);
// Whether a column shows traffic counts (the snapshot then reads them).
bool IsTrafficColumn(std::string_view id);
std::string TextSortKey(std::string_view text);
// A version text: runs of digits compare by value (10.0 after 9.1), letters folded.
std::string VersionSortKey(std::string_view text);

}  // namespace vanto
