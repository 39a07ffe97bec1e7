// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Every address of the maker's web site that the program opens or asks, built from the one
// host below, so moving the site is a one-line change.
#pragma once

#include <string>
#include <string_view>

namespace vanto {

inline constexpr std::string_view kMakerSite = "https://www.ombrevale.com";

namespace maker_site_detail {
inline constexpr std::string_view kScheme = "https://";
inline constexpr std::string_view kWww = "www.";
static_assert(kMakerSite.starts_with(kScheme), "the maker's pages are opened over https only");
static_assert(!kMakerSite.ends_with("/"), "paths below start with their own slash");

inline std::string At(std::string_view path_and_query) {
    std::string url(kMakerSite);
    url += path_and_query;
    return url;
}

// The site's host without "www.", which is also the domain of the maker's mailboxes.
constexpr std::string_view MailDomain() {
    std::string_view host = kMakerSite.substr(kScheme.size());
    if (host.starts_with(kWww)) host.remove_prefix(kWww.size());
    return host;
}
}  // namespace maker_site_detail

// The site's home page.
inline std::string MakerHomePage() { return maker_site_detail::At("/"); }
inline std::string MakerForumPage() { return maker_site_detail::At("/forum"); }
inline std::string MakerChangeLogPage() { return maker_site_detail::At("/bugs/changelog_page.php?project_id=20"); }
inline std::string MakerBugTrackerPage() { return maker_site_detail::At("/bugs/view_all_bug_page.php?project_id=20"); }
// Where the companion update monitor is offered when it is not installed.
inline std::string MakerCompanionPage() { return maker_site_detail::At("/?orvo"); }
// Where a newer version of this program is downloaded.
inline std::string MakerDownloadPage() { return maker_site_detail::At("/?vantoscope"); }
// The update service's base: the checker appends its path and query.
inline std::string MakerUpdateServiceBase() { return std::string(kMakerSite); }
// The update service; the checker appends its fixed query.
inline std::string MakerUpdateCheckPage() { return maker_site_detail::At("/orvo/check.php"); }
// The maker's contact mailbox, as an address the shell hands to the mail program.
inline std::string MakerContactMail() {
    std::string mail = "mailto:contact@";
    mail += maker_site_detail::MailDomain();
    return mail;
}

}  // namespace vanto
