// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "app/cli/table_format.h"

#include <algorithm>
#include <cstdio>

namespace vanto::cli {

namespace {

// Length of the valid UTF-8 sequence starting at s[i], or 0.
std::size_t Utf8SeqLen(const std::string& s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n;
    unsigned min;
    unsigned cp;
    if (b < 0x80) return 1;
    if ((b & 0xE0) == 0xC0) { n = 2; cp = b & 0x1Fu; min = 0x80; }
    else if ((b & 0xF0) == 0xE0) { n = 3; cp = b & 0x0Fu; min = 0x800; }
    else if ((b & 0xF8) == 0xF0) { n = 4; cp = b & 0x07u; min = 0x10000; }
    else return 0;
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (c & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

// Display width of a cell for alignment: one column per code point.
std::size_t Width(const std::string& s) {
    std::size_t w = 0;
    for (char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++w;
    return w;
}

// Replaces the control characters of text[from..] with '?', as Printable does.
void MakePrintable(std::string& text, std::size_t from) {
    for (std::size_t i = from; i < text.size(); ++i)
        if (static_cast<unsigned char>(text[i]) < 0x20 || text[i] == 0x7F) text[i] = '?';
}

}  // namespace

std::string Printable(const std::string& text) {
    std::string out = text;
    MakePrintable(out, 0);
    return out;
}

namespace {

// Valid UTF-8 sequences are copied, a broken byte becomes U+FFFD, and each ASCII byte is
// written by `ascii`: the part that differs between the formats.
template <typename Ascii>
std::string EscapeText(const std::string& text, std::string out, Ascii ascii) {
    out.reserve(out.size() + text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            ascii(out, b);
            ++i;
            continue;
        }
        const std::size_t n = Utf8SeqLen(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(text, i, n);
            i += n;
        }
    }
    return out;
}

}  // namespace

std::string JsonQuote(const std::string& text) {
    return EscapeText(text, "\"", [](std::string& out, unsigned char b) {
               switch (b) {
               case '"': out += "\\\""; break;
               case '\\': out += "\\\\"; break;
               case '\n': out += "\\n"; break;
               case '\r': out += "\\r"; break;
               case '\t': out += "\\t"; break;
               default:
                   if (b < 0x20 || b == 0x7F) {
                       char buf[8];
                       std::snprintf(buf, sizeof buf, "\\u%04x", b);
                       out += buf;
                   } else {
                       out += static_cast<char>(b);
                   }
               }
           }) +
           "\"";
}

std::string HtmlText(const std::string& text) {
    return EscapeText(text, {}, [](std::string& out, unsigned char b) {
        switch (b) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += static_cast<char>(b < 0x20 || b == 0x7F ? '?' : b);
        }
    });
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

void WriteTable(const Table& table, Format format, std::ostream& out, const std::string& title) {
    const bool json = format == Format::Json;
    auto left_out = [json](const Column& c) { return json ? c.table_only : c.json_only; };
    if (std::any_of(table.columns.begin(), table.columns.end(), left_out)) {
        // Each format without the other's own fields.
        Table shown;
        std::vector<std::size_t> keep;
        for (std::size_t c = 0; c < table.columns.size(); ++c)
            if (!left_out(table.columns[c])) {
                keep.push_back(c);
                shown.columns.push_back(table.columns[c]);
            }
        shown.rows.reserve(table.rows.size());
        for (const auto& row : table.rows) {
            std::vector<std::string> cells;
            cells.reserve(keep.size());
            for (const std::size_t c : keep) cells.push_back(c < row.size() ? row[c] : std::string());
            shown.rows.push_back(std::move(cells));
        }
        for (auto& c : shown.columns) c.json_only = c.table_only = false;
        WriteTable(shown, format, out, title);
        return;
    }
    const std::size_t ncol = table.columns.size();
    auto cell = [&](const std::vector<std::string>& row, std::size_t c) -> const std::string& {
        static const std::string empty;
        return c < row.size() ? row[c] : empty;
    };
    switch (format) {
    case Format::Text: {
        std::vector<std::size_t> width(ncol);
        for (std::size_t c = 0; c < ncol; ++c) width[c] = Width(table.columns[c].header);
        for (const auto& row : table.rows)
            for (std::size_t c = 0; c < ncol; ++c) width[c] = std::max(width[c], Width(cell(row, c)));
        // Width() counts code points, and MakePrintable() keeps their number. The lines go out
        // in pieces of some 64 KiB: a stream insert per cell costs more than the formatting.
        constexpr std::size_t kPiece = std::size_t{64} * 1024;
        std::string buf;
        buf.reserve(kPiece + 1024);
        auto line = [&](auto&& text_of) {
            for (std::size_t c = 0; c < ncol; ++c) {
                const std::string& t = text_of(c);
                const std::size_t at = buf.size();
                buf += t;
                MakePrintable(buf, at);
                if (c + 1 < ncol) buf.append(width[c] - Width(t) + 2, ' ');
            }
            buf += '\n';
            if (buf.size() >= kPiece) {
                out.write(buf.data(), static_cast<std::streamsize>(buf.size()));
                buf.clear();
            }
        };
        line([&](std::size_t c) -> const std::string& { return table.columns[c].header; });
        for (const auto& row : table.rows) line([&](std::size_t c) -> const std::string& { return cell(row, c); });
        out.write(buf.data(), static_cast<std::streamsize>(buf.size()));
        break;
    }
    case Format::Csv: {
        auto line = [&](auto&& text_of) {
            for (std::size_t c = 0; c < ncol; ++c) out << (c ? "," : "") << CsvField(text_of(c));
            out << "\r\n";  // RFC 4180 line ends
        };
        line([&](std::size_t c) -> const std::string& { return table.columns[c].header; });
        for (const auto& row : table.rows) line([&](std::size_t c) -> const std::string& { return cell(row, c); });
        break;
    }
    case Format::Json: {
        out << "[";
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            out << (r ? ",\n  {" : "\n  {");
            for (std::size_t c = 0; c < ncol; ++c) {
                const std::string& v = cell(table.rows[r], c);
                const bool number = table.columns[c].numeric && !v.empty() &&
                                    v.find_first_not_of("0123456789") == std::string::npos;
                // "?" in a number column is a number nobody knows (an owner we may not look up).
                const bool unknown = table.columns[c].numeric && v == "?";
                out << (c ? ", " : "") << JsonQuote(table.columns[c].json_key) << ": "
                    << (number ? v : unknown ? std::string("null") : JsonQuote(v));
            }
            out << "}";
        }
        out << (table.rows.empty() ? "]\n" : "\n]\n");
        break;
    }
    case Format::Html: {
        // A report that any browser shows as it is: no script, no outside style.
        out << "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\" />\n<title>" << HtmlText(title)
            << "</title>\n<style>\nbody { font-family: sans-serif; font-size: 10pt; }\n"
               "table { border-collapse: collapse; }\n"
               "th, td { border: 1px solid #999; padding: 2px 6px; text-align: left; }\n"
               "th { background: #ddd; }\n</style>\n</head>\n<body>\n<h1>"
            << HtmlText(title) << "</h1>\n<table>\n<tr>";
        for (std::size_t c = 0; c < ncol; ++c) out << "<th>" << HtmlText(table.columns[c].header) << "</th>";
        out << "</tr>\n";
        for (const auto& row : table.rows) {
            out << "<tr>";
            for (std::size_t c = 0; c < ncol; ++c) out << "<td>" << HtmlText(cell(row, c)) << "</td>";
            out << "</tr>\n";
        }
        out << "</table>\n</body>\n</html>\n";
        break;
    }
    }
}

}  // namespace vanto::cli
