// The pairing guide's address: the shipped page, the resource, the file
// beside the program, and what may never be opened.
#include "ui/help_article.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/support/test_folder.h"
#include "ui/pointer_input.h"

namespace {

TEST(HelpArticleTest, OnlyWebAddressesAndPagesBesideTheProgramAreOpened) {
    for (const char* good : {"pairing_help.html", "guide.HTM", "https://support.example/pairing",
                             "http://example.org/a?b=c&d=e"}) {
        EXPECT_TRUE(IsHelpAddress(good)) << good;
    }
    for (const char* bad : {"", "https://", "updater.exe", "setup.bat", "..\\guide.html", "C:\\guide.html",
                            "sub/guide.html", "file:///C:/guide.html", "https://a b", "\"x.html\"", ".html",
                            "%TEMP%x.html", "https://x\ty"}) {
        EXPECT_FALSE(IsHelpAddress(bad)) << bad;
    }
    EXPECT_FALSE(IsHelpAddress(nullptr));
}

TEST(HelpArticleTest, TheFileBesideTheProgramOverridesTheResource) {
    ScopedTestFolder folder;
    char out[kPathChars];
    ChooseHelpArticle("pairing_help.html", kHelpAddressFile, out);  // no file
    EXPECT_STREQ(out, "pairing_help.html");
    ChooseHelpArticle("", kHelpAddressFile, out);  // nor a resource
    EXPECT_STREQ(out, kHelpArticle);

    std::ofstream(kHelpAddressFile) << "https://maker.example/pair\r\nsecond line\r\n";
    ChooseHelpArticle("pairing_help.html", kHelpAddressFile, out);
    EXPECT_STREQ(out, "https://maker.example/pair");

    std::ofstream(kHelpAddressFile) << "calc.exe\n";
    ChooseHelpArticle("https://resource.example/", kHelpAddressFile, out);
    EXPECT_STREQ(out, "https://resource.example/");

    // A line too long for a path is cut, and a cut address is not used.
    std::ofstream(kHelpAddressFile) << "https://maker.example/" << std::string(300, 'a') << "\n";
    ChooseHelpArticle("", kHelpAddressFile, out);
    EXPECT_STREQ(out, kHelpArticle);
}

}  // namespace
