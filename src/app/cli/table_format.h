// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Writes a small table of text cells as aligned text columns, RFC 4180 CSV or a JSON array
// of objects, or an HTML report. Shared by every headless mode so they all speak the same three formats.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vanto::cli {

enum class Format { Text, Csv, Json, Html };

struct Column {
    std::string header;    // text and CSV header
    std::string json_key;  // stable key of the JSON objects
    bool numeric = false;  // written as a JSON number (the cell must hold decimal digits; "?" gives null)
    bool json_only = false;   // a field of the JSON objects only; the text and CSV tables leave it out
    bool table_only = false;  // a column of the text and CSV tables only; the JSON objects leave it out
};

struct Table {
    std::vector<Column> columns;
    std::vector<std::vector<std::string>> rows;  // each row has one cell per column
};

// `title` heads the HTML report; the other formats have no title.
void WriteTable(const Table& table, Format format, std::ostream& out, const std::string& title = "Vantoscope");

// Text for a terminal: control characters (which could move the cursor or recolour the
// screen, since process names are anyone's choice) become "?".
std::string Printable(const std::string& text);
// JSON string literal of 8-bit text; bytes that are not valid UTF-8 become U+FFFD.
std::string JsonQuote(const std::string& text);
// Text inside HTML: the markup characters escaped, bytes that are not valid UTF-8 become U+FFFD.
std::string HtmlText(const std::string& text);
// One CSV field, quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text);

}  // namespace vanto::cli
