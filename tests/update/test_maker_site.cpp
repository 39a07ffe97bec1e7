// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The maker's addresses: all over https on the one site, with their fixed paths and queries.
#include <gtest/gtest.h>

#include <string>

#include "update/maker_site.h"

using namespace vanto;

TEST(MakerSite, EveryPageIsOnTheOneSiteWithItsFixedPathAndQuery) {
    const std::string site(kMakerSite);
    const struct {
        std::string url;
        std::string path;
    } pages[] = {
        {MakerHomePage(), "/"},
        {MakerForumPage(), "/forum"},
        {MakerChangeLogPage(), "/bugs/changelog_page.php?project_id=20"},
        {MakerBugTrackerPage(), "/bugs/view_all_bug_page.php?project_id=20"},
        {MakerCompanionPage(), "/?orvo"},
        {MakerDownloadPage(), "/?vantoscope"},
        {MakerUpdateCheckPage(), "/orvo/check.php"},
    };
    for (const auto& p : pages) {
        EXPECT_EQ(p.url, site + p.path);
        EXPECT_EQ(p.url.rfind("https://", 0), 0u) << p.url;
    }
}

TEST(MakerSite, ContactMailboxIsOnTheSitesDomain) { EXPECT_EQ(MakerContactMail(), "mailto:contact@ombrevale.com"); }
