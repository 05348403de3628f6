// Reading many lines into one reused set of values must give, line by line,
// exactly what a fresh read gives: nothing of an earlier line (a value, a
// list entry, a switch, the half-read values of a failed line) may show
// through in a later one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ReadArgs.h"

namespace amiga {
namespace {

// Every item's state in one text: present, text, number, list, numbers.
std::string Render(const Template& argumentTemplate, const Arguments& arguments) {
    std::string out;
    for (std::size_t i = 0; i < argumentTemplate.Size(); ++i) {
        out += argumentTemplate.Item(i).Name() + (arguments.Present(i) ? "+" : "-") + "[" +
               arguments.Text(i) + "]" + std::to_string(arguments.Number(i, -1));
        for (const std::string& value : arguments.Multi(i)) {
            out += "<" + value + ">";
        }
        for (std::int32_t number : arguments.Numbers(i)) {
            out += "#" + std::to_string(number);
        }
        out += "|";
    }
    return out;
}

struct Row {
    const char* name;
    const char* argumentTemplate;
    std::vector<const char*> lines;  // read in this order into one set of values
};

TEST(ReadArgsReuse, EveryLineReadsAsIfFresh) {
    const std::vector<Row> rows = {
        {"entry line: keywords given, then not, then a broken line, then fewer",
         "ITEM/A/K,DUPENAME/K,DISPLAYNAME/K,MODE/K,VERSION/K,UNINSTALLWARN/S,FORCEDOWNLOAD/S",
         {"ITEM \"A long application name\" DUPENAME \"A_long_beta_name\" "
          "DISPLAYNAME=\"Shown *\"here*\"\" VERSION 1.2.3 UNINSTALLWARN FORCEDOWNLOAD",
          "ITEM b", "ITEM c DISPLAYNAME \"half read\" VERSION", "ITEM d MODE notify",
          "ITEM \"unclosed", "ITEM END", "DUPENAME x", "ITEM e"}},
        {"lists: long, short, none, surplus",
         "URLSERVER/K/A/M",
         {"URLSERVER \"http://first.example.org/a/long/path\" second third", "URLSERVER only",
          "URLSERVER", "URLSERVER=one \"two words\"", "URLSERVER a ; comment b"}},
        {"/A items taken from the end of the list",
         "FROM/A/M,TO/A",
         {"a b c d", "x", "one two", "", "\"a quoted long value\" \"another long one\" t"}},
        {"numbers, good and bad",
         "SIZE/K/N/A,COUNTS/N/M",
         {"SIZE 123456 1 2 3", "SIZE 7", "SIZE x12 4", "SIZE 99999999999", "SIZE=-5 10",
          "SIZE 1 2 bad"}},
        {"positions, switches and an optional value",
         "INSTALLDIR/S,INSTALLDIR,DISABLED/S,DEPENDENCY/K",
         {"INSTALLDIR \"Work:A long drawer name/Sub\" DISABLED DEPENDENCY \"Leader item\"",
          "INSTALLDIR", "INSTALLDIR DEPENDENCY", "INSTALLDIR Work:x y", "INSTALLDIR DISABLED"}},
        {"rest of the line",
         "COMMAND/K,ARGS/F",
         {"COMMAND copy from a long rest of the line   ", "just the rest", "COMMAND",
          "\"quoted first\" then more"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto parsed = ParseTemplate(row.argumentTemplate);
        ASSERT_TRUE(parsed);
        Arguments reused;
        for (const char* line : row.lines) {
            SCOPED_TRACE(line);
            const auto fresh = ReadArgs(*parsed, line);
            const DosError error = ReadArgs(*parsed, line, reused);
            ASSERT_EQ(error, fresh ? 0 : fresh.error());
            if (fresh) {
                EXPECT_EQ(Render(*parsed, reused), Render(*parsed, *fresh));
            }
        }
    }
}

}  // namespace
}  // namespace amiga
