#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ReadArgs.h"

namespace amiga {
namespace {

// Renders the result the way `stovan tool readargs` prints it, so that a row
// can state a whole result in one text: "NAME=VALUE" lines joined by "|".
std::string Render(const Template& argumentTemplate, const Arguments& arguments) {
    std::string out;
    auto add = [&out](const std::string& name, const std::string& value) {
        out += (out.empty() ? "" : "|") + name + "=" + value;
    };
    for (std::size_t i = 0; i < argumentTemplate.Size(); ++i) {
        const TemplateItem& item = argumentTemplate.Item(i);
        if (item.isSwitch) {
            add(item.Name(), arguments.Switch(i) ? "TRUE" : "FALSE");
        } else if (item.toggle) {
            add(item.Name(), arguments.Toggle(i, false) ? "TRUE" : "FALSE");
        } else if (!arguments.Present(i)) {
            add(item.Name(), "(none)");
        } else if (item.multiple && item.number) {
            for (std::int32_t n : arguments.Numbers(i)) {
                add(item.Name(), std::to_string(n));
            }
        } else if (item.multiple) {
            for (const std::string& value : arguments.Multi(i)) {
                add(item.Name(), value);
            }
        } else if (item.number) {
            add(item.Name(), std::to_string(arguments.Number(i)));
        } else {
            add(item.Name(), arguments.Text(i));
        }
    }
    return out;
}

struct Row {
    const char* name;
    std::string templateText;
    std::string line;
    std::string expected;  // rendered result, or "error N"
};

void ExpectRows(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + ": template \"" + row.templateText + "\" line \"" +
                     row.line + "\"");
        auto argumentTemplate = ParseTemplate(row.templateText);
        ASSERT_TRUE(argumentTemplate.ok());
        auto arguments = ReadArgs(*argumentTemplate, row.line);
        const std::string got = arguments.ok() ? Render(*argumentTemplate, *arguments)
                                               : "error " + std::to_string(arguments.error());
        EXPECT_EQ(got, row.expected);
    }
}

// The vectors that the AROS DOS tests check against AmigaOS 3.1.
TEST(ReadArgsTest, AmigaOsVectors) {
    ExpectRows({
        {"no final line feed", "KEYA", "val1", "KEYA=val1"},
        {"keyword then value", "KEYA", "keya val1\n", "KEYA=val1"},
        {"keyword=value", "KEYA", "keya=val1\n", "KEYA=val1"},
        {"keyword without value", "KEYA,KEYB", "val1 keyb \n", "error 117"},
        {"line feed in template name", "KEYA\n", "keya val1\n", "error 118"},
        {"keyword out of order", "KEYA,KEYB", "keyb val2 val1\n", "KEYA=val1|KEYB=val2"},
        {"rest as typed", "KEYA,KEYB/F", "val1 val2 val3=val4  \"val5\" keya=val6\n",
         "KEYA=val1|KEYB=val2 val3=val4  \"val5\" keya=val6"},
        {"keyword after rest", "KEYA,KEYB/F,KEYC", "val1 keyc val4 val2 val3\n",
         "KEYA=val1|KEYB=val2 val3|KEYC=val4"},
        {"multiple by keyword", "KEYA,KEYB/M", "keyb=val1 keya=val2 keyb=val3\n",
         "KEYA=val2|KEYB=val1|KEYB=val3"},
        {"multiple swallows", "KEYA,KEYB/M,KEYC", "keyb=val1 keya=val2 val3 val4\n",
         "KEYA=val2|KEYB=val1|KEYB=val3|KEYB=val4|KEYC=(none)"},
        {"switch", "KEYA/S,KEYB,KEYC", "keyb=val1 keya val3\n", "KEYA=TRUE|KEYB=val1|KEYC=val3"},
        {"/K", "KEYA/K,KEYB,KEYC", "val1 keya val2 val3\n", "KEYA=val2|KEYB=val1|KEYC=val3"},
        {"quoted rest", "KEYA/S,KEYB/F", "keya \"val1 val2\"\n", "KEYA=TRUE|KEYB=val1 val2"},
        {"later quotes", "KEYA/S,KEYB/F", "\"va\"l1 \"val2\"\n", "KEYA=FALSE|KEYB=val1 \"val2\""},
        {"required missing", "FOO/A", "\n", "error 116"},
        {"too many", "FOO/A", "one two\n", "error 118"},
        {"not a number", "NUM/N", "NUM=notanumber\n", "error 115"},
        {"alias that is empty", "FOO/A,BAR=", "foo\n", "error 117"},
        {"rest trimmed", "PROG/A,ARGS/F", "foobar barbar \n", "PROG=foobar|ARGS=barbar"},
        {"rest first quoted", "ARGS/F", "\"val1\" val2\n", "ARGS=val1 val2"},
    });
}

TEST(ReadArgsTest, ItemsAndQuoting) {
    ExpectRows({
        {"comment at item start", "A", ";word\n", "A=(none)"},
        {"comment after a value", "A,B", "x ;y z\n", "A=x|B=(none)"},
        {"semicolon inside a word", "A", "a;b\n", "A=a;b"},
        {"line feed first", "A", "\nword\n", "A=(none)"},
        {"line feed ends the line", "A,B", "x\ny\n", "A=x|B=(none)"},
        {"nul ends the line", "A,B", std::string("x\0y", 3), "A=x|B=(none)"},
        {"star n", "A", "\"word*N\"\n", "A=word\n"},
        {"star e", "A", "\"*E[1m\"\n", "A=\x1b[1m"},
        {"star star", "A", "\"word**\"\n", "A=word*"},
        {"star quote", "A", "\"say *\"hi*\"\"\n", "A=say \"hi\""},
        {"star other", "A", "\"*x\"\n", "A=x"},
        {"star outside quotes is literal", "A", "a*\"b\n", "A=a*\"b"},
        {"quote inside a word", "A,B", "word\"hello \"world\"\n", "A=word\"hello|B=world"},
        {"empty quotes", "A,B", "\"\" x\n", "A=|B=x"},
        {"value that names an item is its keyword", "A,B", "x b\n", "error 117"},
        {"quotes keep blanks", "A", "\"  a  b \"\n", "A=  a  b "},
        {"quoted keyword is a value", "A,Q/S", "\"q\"\n", "A=q|Q=FALSE"},
        {"equals splits plain words", "A,B", "x=y\n", "A=x|B=y"},
        {"equals after quotes", "A,B", "\"x\"=y\n", "error 114"},
        {"equals first", "A", "= x\n", "error 114"},
        {"tabs separate", "A,B", "\tx\t\ty\t\n", "A=x|B=y"},
        {"latin-1 bytes", "A", "\xE9t\xE9\n", "A=\xE9t\xE9"},
    });
}

TEST(ReadArgsTest, HostileLines) {
    ExpectRows({
        {"unclosed quote", "A", "\"abc\n", "error 120"},
        {"lone star at the end of a quote", "A", "\"abc*", "error 120"},
        {"star before line feed", "A", "\"abc*\n\"", "error 120"},
        {"unclosed quote as keyword value", "A/K", "a \"x\n", "error 120"},
        {"unclosed quote in the rest", "A/F", "\"x y\n", "error 120"},
        {"empty line", "A", "", "A=(none)"},
        {"empty line, required", "A/A", "", "error 116"},
        {"blanks only", "A", "   \t \n", "A=(none)"},
        {"repeated keyword", "A/K,B", "a=1 a=2\n", "error 118"},
        {"repeated keyword fills next", "A,B", "a=1 a\n", "A=1|B=a"},
        {"repeated switch", "Q/S", "q q\n", "error 118"},
        {"keyword at the end", "A/K", "a\n", "error 117"},
        {"keyword before comment", "A/K", "a ;x\n", "error 117"},
        {"keyword then two equals", "A/K", "a = = x\n", "error 114"},
        {"no abbreviations", "QUIET/S", "qui\n", "error 118"},
        {"unknown keyword", "APPTYPE/K/A", "APPTYPE Game EXTRA\n", "error 118"},
        {"very long value", "A", std::string(100000, 'x') + "\n", "A=" + std::string(100000, 'x')},
    });
}

TEST(ReadArgsTest, KeywordForms) {
    ExpectRows({
        {"KEY=val", "TO/K", "to=x\n", "TO=x"},
        {"KEY = val", "TO/K", "to = x\n", "TO=x"},
        {"KEY val", "TO/K", "to x\n", "TO=x"},
        {"KEY=\"quoted\"", "TO/K", "to=\"a b\"\n", "TO=a b"},
        {"alias", "TO=AS/K", "As x\n", "TO=x"},
        {"keyword of positional item", "FROM,TO", "to b a\n", "FROM=a|TO=b"},
        {"/K needs its keyword", "FROM,TO/K", "a b\n", "error 118"},
        {"switch with equals is a switch", "Q/S,A", "q=x\n", "Q=TRUE|A=x"},
        {"empty name", "NOT/S,,EQ/K", "not foo eq bar\n", "NOT=TRUE|=foo|EQ=bar"},
        {"modifier letters in lower case", "a/k,b/s", "a x b\n", "a=x|b=TRUE"},
        {"unknown modifier ignored", "A/X", "x\n", "A=x"},
    });
}

TEST(ReadArgsTest, Numbers) {
    ExpectRows({
        {"plain", "N/N", "42\n", "N=42"},
        {"plus", "N/N", "+5\n", "N=5"},
        {"largest", "N/N", "2147483647\n", "N=2147483647"},
        {"smallest", "N/N", "-2147483648\n", "N=-2147483648"},
        {"leading zeros", "N/N", "000000000000000012\n", "N=12"},
        {"one beyond", "N/N", "2147483648\n", "error 115"},
        {"trailing letters", "N/N", "12abc\n", "error 115"},
        {"sign only", "N/N", "-\n", "error 115"},
        {"empty quotes", "N/N", "\"\"\n", "error 115"},
        {"quoted leading blank", "N/N", "\" 42\"\n", "N=42"},
        {"quoted trailing blank", "N/N", "\"42 \"\n", "error 115"},
        {"absent", "N/N", "\n", "N=(none)"},
        {"keyword", "BUF=BUFFER/K/N", "buffer=12\n", "BUF=12"},
    });
}

TEST(ReadArgsTest, RestOfLineAndToggles) {
    ExpectRows({
        {"rest takes all", "CMD/F", "  echo \"a b\"  ; no comment  \n",
         "CMD=echo \"a b\"  ; no comment"},
        {"rest by keyword", "A/K,REST/F", "rest a=b c\n", "A=(none)|REST=a=b c"},
        {"rest by keyword =", "A/K,REST/F", "rest = x y\n", "A=(none)|REST=x y"},
        {"rest after keyword", "A/K,REST/F", "a 1 x y\n", "A=1|REST=x y"},
        {"rest absent", "A,REST/F", "x\n", "A=x|REST=(none)"},
        {"rest keeps star", "REST/F", "a*Nb\n", "REST=a*Nb"},
        {"rest reads escapes of a first quote", "REST/F", "\"a*Nb\" c\n", "REST=a\nb c"},
        {"toggle given", "T/T", "t\n", "T=TRUE"},
        {"toggle absent", "T/T", "\n", "T=FALSE"},
        {"toggle twice is a value", "T/T", "t t\n", "error 118"},
    });
    auto argumentTemplate = ParseTemplate("T/T");
    ASSERT_TRUE(argumentTemplate.ok());
    auto given = ReadArgs(*argumentTemplate, "t\n");
    auto absent = ReadArgs(*argumentTemplate, "\n");
    ASSERT_TRUE(given.ok() && absent.ok());
    EXPECT_EQ(std::tuple(given->Toggle(0, true), given->Toggle(0, false), absent->Toggle(0, true),
                         absent->Toggle("T", false)),
              std::tuple(false, true, true, false));
}

// The templates that database lines are read with.
TEST(ReadArgsTest, DatabaseTemplates) {
    const std::string item =
        "ITEM/A/K,DUPENAME/K,DISPLAYNAME/K,MODE/K,VERSION/K,DATE/K,SVERSION/K,SDATE/K,STATE/K,"
        "UNINSTALLWARN/S,RELAUNCH/S,NOCACHE/S,RESCAN/S,FORCEDOWNLOAD/S";
    auto argumentTemplate = ParseTemplate(item);
    ASSERT_TRUE(argumentTemplate.ok());
    auto parsed = ReadArgs(*argumentTemplate, "ITEM \"Foo Bar\" VERSION=1.2 nocache MODE notify");
    ASSERT_TRUE(parsed.ok()) << parsed.error();
    EXPECT_EQ((std::vector<std::string>{parsed->Text("ITEM"), parsed->Text("version"),
                                        parsed->Text("MODE"), parsed->Text("DUPENAME")}),
              (std::vector<std::string>{"Foo Bar", "1.2", "notify", ""}));
    EXPECT_EQ((std::vector<bool>{parsed->Switch("NOCACHE"), parsed->Switch("RESCAN"),
                                 parsed->Present("DUPENAME"), parsed->Present("NOSUCHNAME")}),
              (std::vector<bool>{true, false, false, false}));
}

TEST(ReadArgsTest, Templates) {
    // Two multiples, a switch that is a number, multiple switch or rest, toggle and rest.
    for (const char* bad : {"A/M,B/M", "A/S/N", "A/M/S", "A/M/F", "A/T/F"}) {
        auto parsed = ParseTemplate(bad);
        EXPECT_TRUE(!parsed.ok() && parsed.error() == ERROR_BAD_TEMPLATE) << bad;
    }
    // Multiple numbers, empty, trailing slash, empty items.
    for (const char* good : {"A/M/N", "", "A/", ",,"}) {
        EXPECT_TRUE(ParseTemplate(good).ok()) << good;
    }
    auto parsed = ParseTemplate("TO=AS/K/A,QUIET/S");
    ASSERT_TRUE(parsed.ok());
    ASSERT_EQ(parsed->Size(), 2u);
    EXPECT_EQ(parsed->Item(0).names, (std::vector<std::string>{"TO", "AS"}));
    EXPECT_EQ((std::vector<bool>{parsed->Item(0).keyword, parsed->Item(0).required,
                                 parsed->Item(1).isSwitch, parsed->Item(1).keyword}),
              (std::vector<bool>{true, true, true, true}));
    EXPECT_EQ((std::vector<std::size_t>{parsed->Find("as"), parsed->Find("quiet"),
                                        parsed->Find("QUI"), parsed->Find("")}),
              (std::vector<std::size_t>{0, 1, Template::npos, Template::npos}));
    EXPECT_EQ(parsed->Text(), "TO=AS/K/A,QUIET/S");
}

TEST(ReadArgsTest, HelpRequest) {
    // The words before a lone "?" at the end, or nothing when help is not asked for.
    const std::pair<std::string, std::optional<std::string>> rows[] = {
        {"?", ""},
        {"foo ?", "foo "},
        {"foo ?  \t\n", "foo "},
        {"foo?", std::nullopt},
        {"foo x", std::nullopt},
        {"\"?\"", std::nullopt},
        {"\"a ?\"", std::nullopt},
        {"? bar", std::nullopt},
        {"foo ; ?", std::nullopt},
        {"foo\n?", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [line, before] : rows) {
        SCOPED_TRACE(line);
        EXPECT_EQ(HelpRequest(line), before);
    }
}

// Each error ReadArgs gives has a text the commands print.
TEST(ReadArgsTest, FaultTexts) {
    for (DosError code : {ERROR_BAD_TEMPLATE, ERROR_BAD_NUMBER, ERROR_REQUIRED_ARG_MISSING,
                          ERROR_KEY_NEEDS_ARG, ERROR_TOO_MANY_ARGS, ERROR_UNMATCHED_QUOTES,
                          ERROR_LINE_TOO_LONG, ERROR_BUFFER_OVERFLOW}) {
        EXPECT_FALSE(ReadArgsFaultText(code).empty()) << code;
    }
    EXPECT_EQ(ReadArgsFaultText(0), "");
}

}  // namespace
}  // namespace amiga
