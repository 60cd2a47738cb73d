// Manual pages made from help texts, printed by groff as man would print them.
#include <gtest/gtest.h>

#include <string>

#include "tests/tools/man/PrintedPage.h"
#include "tools/man/HelpToMan.h"

namespace {

using orlavo::man::HelpToMan;
using orlavo::man::PageInfo;
using orlavo::test::FirstWordNotPrinted;
using orlavo::test::PrintedManPage;

// A help text with every form our tools use, and what roff would misread.
constexpr const char* kHelp = R"(Usage: demo-tool [--profile P] COMMAND
       demo-tool --make-update DIR [--base-url URL]
                 [--registry-version N]
       demo-tool --help

Reads and writes the store (the file named by ORLAVO_REGISTRY, else
~/.config/Vennara/registry.sqlite3).
.hidden lines and 'quoted' ones print as written.

Commands:
  get SECTION VALUE            print a value
  list [SECTION]               print the values, one a line:
                               SECTION<TAB>VALUE (backslash written as \\)
  GET  /catalogue.xml          the catalogue, or the built-in one
  --print PRODUCT:QTY[:TRIM]
                          QTY prints of PRODUCT for the photo named
                          just before
  Photos without any print are not sent; at
  least one print is needed.

Settings, read from the key Software\Vennara\P\OrlavoW with --profile P, else
Software\Vennara\OrlavoW:
  DownloadInfo/DownloadURL     the lab's address

Exit codes:
  0   success
  10  the lab refused the order
)";

PageInfo Info() {
    PageInfo info;
    info.name = "demo-tool";
    info.summary = "show what a manual page made from help looks like";
    info.source = "Orlavo 2.0.44.3";
    info.manual = "Orlavo";
    info.seeAlso = {"orlavo-reg", "orlavo-lab"};
    return info;
}

TEST(HelpToMan, EveryWordOfTheHelpIsPrintedInItsOrder) {
    const std::string printed = PrintedManPage(HelpToMan(kHelp, Info()));
    ASSERT_NE(printed.find("DESCRIPTION"), std::string::npos) << printed;
    EXPECT_EQ(FirstWordNotPrinted(kHelp, printed), "") << printed;
}

TEST(HelpToMan, UsageHeadingsAndListsBecomeTheirPartsOfThePage) {
    const std::string printed = PrintedManPage(HelpToMan(kHelp, Info()));
    struct Case {
        const char* what;
        const char* printed;
    } cases[] = {
        {"name line",
         "NAME\n       demo-tool - show what a manual page made from help looks like\n"},
        {"each form of the command on its own line, wrapped forms joined",
         "SYNOPSIS\n       demo-tool [--profile P] COMMAND\n"
         "       demo-tool --make-update DIR [--base-url URL] [--registry-version N]\n"
         "       demo-tool --help\n"},
        {"a leading dot or quote is text",
         "registry.sqlite3).  .hidden lines and 'quoted' ones\n       print as written.\n"},
        {"a heading is a section",
         "\nCOMMANDS\n       get SECTION VALUE\n              print a value\n"},
        {"a description continues on deeper lines",
         "       list [SECTION]\n              print the values, one a line: SECTION<TAB>VALUE "
         "(backslash\n              written as \\\\)\n"},
        {"a two-blank gap inside a term does not split it",
         "       GET  /catalogue.xml\n              the catalogue, or the built-in one\n"},
        {"a term alone on its line takes the deeper lines below",
         "       --print PRODUCT:QTY[:TRIM]\n              QTY prints of PRODUCT for the photo "
         "named "
         "just before\n"},
        {"a paragraph inside a list, its lines joined",
         "              Photos without any print are not sent; at least one print is\n"
         "              needed.\n"},
        {"a long line ending in a colon is no heading",
         "\n       Settings, read from the key Software\\Vennara\\P\\OrlavoW with --profile\n"
         "       P, else Software\\Vennara\\OrlavoW:\n"},
        {"short terms",
         "EXIT CODES\n       0      success\n\n       10     the lab refused the order\n"},
        {"other pages", "SEE ALSO\n       orlavo-reg(1), orlavo-lab(1)\n"},
    };
    for (const Case& c : cases)
        EXPECT_NE(printed.find(c.printed), std::string::npos) << c.what << " in:\n" << printed;
}

}  // namespace
