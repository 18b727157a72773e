// The INI library on real files in a temporary folder.

#include "config/CIniFile.h"
#include "platform/RegularFile.h"
#include "platform/Utf8Path.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using testsupport::ReadBytes;
using testsupport::WriteBytes;
using Records = std::vector<CIniFile::Record>;

// One record per entry: "{comments}", the mark when not ' ', then "[section]" for a header,
// "section/key=value" for a key, or "trailer{comments}".
std::string Describe(const Records& records) {
    std::string text;
    for (const auto& record : records) {
        if (!text.empty()) {
            text += " | ";
        }
        if (record.CommentsOnly) {
            text += "trailer{" + record.Comments + "}";
            continue;
        }
        if (!record.Comments.empty()) {
            text += "{" + record.Comments + "}";
        }
        if (record.Commented != ' ') {
            text += record.Commented;
        }
        text += record.Key.empty() ? "[" + record.Section + "]"
                                   : record.Section + "/" + record.Key + "=" + record.Value;
    }
    return text;
}

class IniFileTest : public ::testing::Test {
protected:
    std::string Given(const std::string& bytes) {
        WriteBytes(file, bytes);
        return file;
    }
    std::string Loaded() {
        Records records;
        EXPECT_TRUE(CIniFile::Load(file, records));
        return Describe(records);
    }

    testsupport::TempFolder folder;
    std::string file = folder.File("test.ini");
};

struct ParseCase {
    const char* name;
    const char* text;
    const char* records;
};

class IniParse : public IniFileTest, public ::testing::WithParamInterface<ParseCase> {};

TEST_P(IniParse, ReadsRecordsAndReadsTheSavedFileBackTheSame) {
    Given(GetParam().text);
    Records records;
    ASSERT_TRUE(CIniFile::Load(file, records));
    EXPECT_EQ(Describe(records), GetParam().records);

    // Whatever was read is written back whole: nothing is lost or changed by a save.
    ASSERT_TRUE(CIniFile::Save(file, records));
    Records again;
    ASSERT_TRUE(CIniFile::Load(file, again));
    EXPECT_EQ(again, records);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, IniParse,
    ::testing::Values(
        ParseCase{"CrLf", "[s]\r\nk=v\r\n", "[s] | s/k=v"},
        ParseCase{"Lf", "[s]\nk=v\n", "[s] | s/k=v"},
        ParseCase{"LoneCr", "[s]\r# c\rk=v\rj=w", "[s] | {# c\n}s/k=v | s/j=w"},
        ParseCase{"MixedLineEnds", "[s]\r\na=1\rb=2\n\r\r\nc=3", "[s] | s/a=1 | s/b=2 | s/c=3"},
        ParseCase{"BlanksAroundEqualsStay", "[s]\n  a = b  \n", "[s] | s/a = b"},
        ParseCase{"OnlyFirstEqualsSplits", "k=a=b", "/k=a=b"},
        ParseCase{"BracketsInsideAValue", "[s]\nFirmwareFile=fw[1].txt\nx=[y\n",
                  "[s] | s/FirmwareFile=fw[1].txt | s/x=[y"},
        ParseCase{"HeaderTailDroppedAndEqualsKept", "[a=b] tail\nk=v", "[a=b] | a=b/k=v"},
        ParseCase{"EmptyHeaderName", "[]\nk=v", "[] | /k=v"},
        ParseCase{"CommentedOutRecords", "[s]\n#k=v\n;  [t]\nj=1\n", "[s] | #s/k=v | ;[t] | t/j=1"},
        ParseCase{"CommentsStayWithTheirRecordBlankLinesGo",
                  "# one\n\n;two\n[s]\n\n# three\nk=v\n\n",
                  "{# one\n;two\n}[s] | {# three\n}s/k=v"},
        ParseCase{"LastLineWithoutLineEnd", "[s]\nk=v", "[s] | s/k=v"},
        ParseCase{"CommentsAfterTheLastRecord", "[s]\nk=v\n# end\n; really\n",
                  "[s] | s/k=v | trailer{# end\n; really\n}"},
        ParseCase{"OddLinesKeptWithTheNextRecord", "[s]\njunk line\nk=v\nmore junk",
                  "[s] | {junk line\n}s/k=v | trailer{more junk\n}"},
        ParseCase{"CommentWithBracketsIsNoHeader", "[s]\n# see [docs]\nk=v",
                  "[s] | {# see [docs]\n}s/k=v"},
        ParseCase{"KeysAboveTheFirstHeader", "top=1\n[s]\nk=v", "/top=1 | [s] | s/k=v"},
        ParseCase{"ByteOrderMarkSkipped", "\xEF\xBB\xBF[s]\r\nk=v\r\n", "[s] | s/k=v"},
        ParseCase{"LineWithoutAKeyKeptAsAnOddLine", "[s]\n=lost\nk=v", "[s] | {=lost\n}s/k=v"},
        ParseCase{"KeptLineStartingWithAByteOrderMark", "\xEF\xBB\xBF \xEF\xBB\xBFodd\r",
                  "trailer{\xEF\xBB\xBFodd\n}"},
        ParseCase{"KeptLineStartingLikeUtf16", "\n\xFF\xFEodd\r", "trailer{\xFF\xFEodd\n}"},
        ParseCase{"EmptyFile", "", ""}, ParseCase{"OnlyBlankLines", "\n \t\r\n\n", ""}),
    [](const auto& info) { return info.param.name; });

TEST_F(IniFileTest, SaveWritesCrLfAndOneLeadingSpaceOnEveryActiveLine) {
    CIniFile::Record header{"# one\n;two\n", ' ', "s", "", ""};
    CIniFile::Record commented{"", '#', "s", "k", "v"};
    CIniFile::Record active{"", ' ', "s", "k2", "v=2"};
    CIniFile::Record trailer{"# end\n", ' ', "", "", "", true};
    ASSERT_TRUE(CIniFile::Save(file, {header, commented, active, trailer}));
    EXPECT_EQ(ReadBytes(file), "# one\r\n;two\r\n [s]\r\n#k=v\r\n k2=v=2\r\n# end\r\n");
}

TEST_F(IniFileTest, ContentJoinsLinesWithLfAndNoLineEndAfterTheLast) {
    Given("# c\r\n[s]\r\n#k=v\r\nj=w\r\n# end\r\n");
    EXPECT_EQ(CIniFile::Content(file), "# c\n[s]\n#k=v\nj=w\n# end");
    EXPECT_EQ(CIniFile::Content(folder.File("missing.ini")), "");
}

TEST_F(IniFileTest, LoadOfAFileThatCannotBeReadLeavesContentAlone) {
    Records records{CIniFile::Record{"", ' ', "keep", "", ""}};
    EXPECT_FALSE(CIniFile::Load(folder.File("missing.ini"), records));
    EXPECT_FALSE(CIniFile::Load(platform::Utf8FromPath(folder.path()), records));
    EXPECT_FALSE(CIniFile::Load("", records));
    EXPECT_EQ(Describe(records), "[keep]");
}

// Read as narrow text, UTF-16 would be garbage, and saved back it would stay garbage.
TEST_F(IniFileTest, TextThatIsNotNarrowIsNeitherLoadedNorRewritten) {
    for (const std::string& bytes :
         {std::string("\xFF\xFE[\0s\0]\0", 8), std::string("\xFE\xFF\0[\0s\0]", 8),
          std::string("[s]\nk=v\0\n", 9)}) {
        Given(bytes);
        Records records{CIniFile::Record{"", ' ', "keep", "", ""}};
        EXPECT_FALSE(CIniFile::Load(file, records));
        EXPECT_EQ(Describe(records), "[keep]");
        EXPECT_FALSE(CIniFile::SetValue("k", "x", "s", file));
        EXPECT_FALSE(CIniFile::AddSection("t", file));
        EXPECT_EQ(ReadBytes(file), bytes);
    }
}

class IniHeaderWithoutClose : public IniFileTest,
                              public ::testing::WithParamInterface<const char*> {};

TEST_P(IniHeaderWithoutClose, LoadThrowsAndEveryOperationLetsItThroughWithoutWriting) {
    const std::string bytes = GetParam();
    Given(bytes);
    Records records{CIniFile::Record{"", ' ', "keep", "", ""}};
    EXPECT_THROW(CIniFile::Load(file, records), std::out_of_range);
    EXPECT_EQ(Describe(records), "[keep]");

    const std::vector<std::function<void()>> operations = {
        [&] { CIniFile::SetValue("k", "x", "s", file); },
        [&] { CIniFile::GetValue("k", "s", file); },
        [&] { CIniFile::SectionExists("s", file); },
        [&] { CIniFile::AddSection("t", file); },
        [&] { CIniFile::DeleteSection("s", file); },
        [&] { CIniFile::Sort(file, false); },
    };
    for (const auto& operation : operations) {
        EXPECT_THROW(operation(), std::out_of_range);
    }
    EXPECT_EQ(ReadBytes(file), bytes);
}

INSTANTIATE_TEST_SUITE_P(Lines, IniHeaderWithoutClose,
                         ::testing::Values("[abc", "[s]\nk=v\n[broken\n", "k=v\n  [x\n"));

// A note that only opens a bracket ("; [see page 4") must not make the whole file unreadable:
// it is a note, kept word for word with the record below it.
TEST_F(IniFileTest, ACommentedBracketWithoutItsCloseIsANote) {
    Given("#[abc\n[s]\n;  [see page 4, k=v\nk=v\n");
    Records records;
    ASSERT_TRUE(CIniFile::Load(file, records));
    ASSERT_TRUE(CIniFile::SetValue("k", "w", "s", file));
    EXPECT_EQ(ReadBytes(file), "#[abc\r\n [s]\r\n;  [see page 4, k=v\r\n k=w\r\n");
}

// A save whose text would be over the size every reader takes would leave a file nothing reads
// again: the file stays as it was, and the reason is there for the caller.
TEST_F(IniFileTest, ASaveThatWouldOutgrowTheReadableSizeLeavesTheFile) {
    // Short lines grow by the blank and the CR each one is written with.
    std::string bytes = "[s]\n";
    while (bytes.size() + 4 <= CIniFile::kMaxFileBytes) {
        bytes += "k=\n";
    }
    Given(bytes);
    Records records;
    ASSERT_TRUE(CIniFile::Load(file, records));
    EXPECT_FALSE(CIniFile::SetValue("k", "v", "s", file));
    EXPECT_EQ(ReadBytes(file), bytes);
    EXPECT_NE(platform::LastFileFailure().find("larger than 1 MiB"), std::string::npos)
        << platform::LastFileFailure();
    EXPECT_TRUE(CIniFile::Save(file, Records(records.begin(), records.begin() + 1000)));
}

TEST_F(IniFileTest, SetValueOnAnEmptyFileWritesTheHeaderThenTheKey) {
    Given("");
    ASSERT_TRUE(CIniFile::SetValue("k", "v", "s", file));
    EXPECT_EQ(ReadBytes(file), " [s]\r\n k=v\r\n");
}

TEST_F(IniFileTest, SetValueNeverCreatesAFileCreateAddSectionSetValueDo) {
    EXPECT_FALSE(CIniFile::SetValue("k", "v", "s", file));
    EXPECT_FALSE(std::filesystem::exists(file));
    ASSERT_TRUE(CIniFile::Create(file));
    EXPECT_EQ(ReadBytes(file), "");
    ASSERT_TRUE(CIniFile::AddSection("s", file));
    ASSERT_TRUE(CIniFile::SetValue("k", "v", "s", file));
    EXPECT_EQ(ReadBytes(file), " [s]\r\n k=v\r\n");
}

TEST_F(IniFileTest, KeysAddedToASectionEndUpInReverseOrderNewSectionsAtTheEnd) {
    Given("[s]\nold=1\n[t]\nx=2\n");
    for (const char* key : {"a", "b", "c"}) {
        ASSERT_TRUE(CIniFile::SetValue(key, key, "s", file));
    }
    ASSERT_TRUE(CIniFile::SetValue("n", "1", "new", file));
    ASSERT_TRUE(CIniFile::SetValue("old", "changed", "s", file));
    EXPECT_EQ(Loaded(),
              "[s] | s/c=c | s/b=b | s/a=a | s/old=changed | [t] | t/x=2 | [new] | new/n=1");
}

TEST_F(IniFileTest, SettingAKeyThatIsOnlyCommentedOutKeepsItCommentedOut) {
    Given("[s]\n# why\n#k=old\n");
    ASSERT_TRUE(CIniFile::SetValue("k", "new", "s", file));
    EXPECT_EQ(ReadBytes(file), " [s]\r\n# why\r\n#k=new\r\n");
    EXPECT_EQ(CIniFile::GetValue("k", "s", file), "new");
    EXPECT_TRUE(CIniFile::RecordExists("k", "s", file));
}

TEST_F(IniFileTest, CommentsStayAboveTheirRecordThroughSetValueBlankLinesGo) {
    Given("# about s\n[s]\n\n# about k\nk=1\n\n");
    ASSERT_TRUE(CIniFile::SetValue("k", "2", "s", file));
    EXPECT_EQ(ReadBytes(file), "# about s\r\n [s]\r\n# about k\r\n k=2\r\n");
}

TEST_F(IniFileTest, AddSectionOfAnExistingSectionAppendsASecondHeader) {
    Given("[s]\nk=v\n");
    ASSERT_TRUE(CIniFile::AddSection("s", file));
    EXPECT_EQ(CIniFile::GetSectionNames(file), (std::vector<std::string>{"s", "s"}));
    EXPECT_EQ(Describe(CIniFile::GetSections(file)), "[s] | [s]");
}

TEST_F(IniFileTest, SetValuesWritesAllOrNothing) {
    const std::string bytes = " [s]\r\n k=v\r\n";
    Given(bytes);
    EXPECT_FALSE(CIniFile::SetValues({{"a", "1"}, {"b", "two\nlines"}}, "s", file));
    EXPECT_EQ(ReadBytes(file), bytes);
    ASSERT_TRUE(CIniFile::SetValues({{"a", "1"}, {"k", "w"}}, "s", file));
    EXPECT_EQ(Loaded(), "[s] | s/a=1 | s/k=w");
}

struct Unstorable {
    const char* name;
    std::string section;
    std::string key;
    std::string value;
};

class IniUnstorable : public IniFileTest, public ::testing::WithParamInterface<Unstorable> {};

TEST_P(IniUnstorable, IsRefusedAndTheFileStaysAsItWas) {
    const std::string bytes = " [s]\r\n k=v\r\n";
    Given(bytes);
    const auto& p = GetParam();
    EXPECT_FALSE(CIniFile::SetValue(p.key, p.value, p.section, file));
    EXPECT_EQ(ReadBytes(file), bytes);
}

INSTANTIATE_TEST_SUITE_P(Texts, IniUnstorable,
                         ::testing::Values(Unstorable{"EmptyKey", "s", "", "v"},
                                           Unstorable{"KeyWithEquals", "s", "a=b", "v"},
                                           Unstorable{"KeyWithLeadingBlank", "s", " a", "v"},
                                           Unstorable{"KeyLikeAHeader", "s", "[a", "v"},
                                           Unstorable{"KeyLikeAComment", "s", "#a", "v"},
                                           Unstorable{"KeyLikeASemicolonComment", "s", ";a", "v"},
                                           Unstorable{"KeyWithLineBreak", "s", "a\nb", "v"},
                                           Unstorable{"ValueWithLf", "s", "k", "x\ny"},
                                           Unstorable{"ValueWithCr", "s", "k", "x\r"},
                                           Unstorable{"SectionWithClose", "a]b", "k", "v"},
                                           Unstorable{"SectionWithLineBreak", "a\nb", "k", "v"}),
                         [](const auto& info) { return info.param.name; });

TEST_F(IniFileTest, LookupsMatchSectionAndKeyExactly) {
    Given("top=0\n[s]\nk=1\n#c=2\n[S]\nk=3\n");
    EXPECT_EQ(CIniFile::GetValue("k", "S", file), "3");
    EXPECT_EQ(CIniFile::GetValue("K", "s", file), "");
    EXPECT_EQ(Describe(CIniFile::GetRecord("c", "s", file)), "#s/c=2");
    EXPECT_TRUE(CIniFile::GetRecord("x", "s", file).empty());
    EXPECT_TRUE(CIniFile::SectionExists("S", file));
    EXPECT_FALSE(CIniFile::SectionExists("t", file));
    EXPECT_TRUE(CIniFile::SectionExists("", file)); // the key above the first header
    EXPECT_EQ(Describe(CIniFile::GetSection("s", file)), "s/k=1 | #s/c=2");
    EXPECT_EQ(CIniFile::GetSectionNames(file), (std::vector<std::string>{"s", "S"}));
}

TEST_F(IniFileTest, TrailingCommentsBelongToNoSection) {
    Given("k=v\n# end\n");
    EXPECT_TRUE(CIniFile::GetSections(file).empty());
    ASSERT_TRUE(CIniFile::DeleteSection("", file));
    ASSERT_TRUE(CIniFile::CommentSection('#', "", file));
    EXPECT_EQ(ReadBytes(file), "# end\r\n");
}

TEST_F(IniFileTest, RenameSectionRenamesHeaderAndKeys) {
    Given("[s]\nk=1\n[t]\nj=2\n[s]\nm=3\n");
    ASSERT_TRUE(CIniFile::RenameSection("s", "u", file));
    EXPECT_EQ(Loaded(), "[u] | u/k=1 | [t] | t/j=2 | [u] | u/m=3");
    EXPECT_FALSE(CIniFile::RenameSection("u", "bad]", file));
}

TEST_F(IniFileTest, CommentingAndUncommenting) {
    Given("[s]\nk=1\nj=2\n[t]\nx=3\n");
    ASSERT_TRUE(CIniFile::CommentRecord(CIniFile::SemiColon, "j", "s", file));
    EXPECT_EQ(Loaded(), "[s] | s/k=1 | ;s/j=2 | [t] | t/x=3");
    ASSERT_TRUE(CIniFile::CommentSection('#', "s", file));
    EXPECT_EQ(Loaded(), "#[s] | #s/k=1 | #s/j=2 | [t] | t/x=3");
    ASSERT_TRUE(CIniFile::UnCommentRecord("k", "s", file));
    EXPECT_EQ(Loaded(), "#[s] | s/k=1 | #s/j=2 | [t] | t/x=3");
    ASSERT_TRUE(CIniFile::UnCommentSection("s", file));
    EXPECT_EQ(Loaded(), "[s] | s/k=1 | s/j=2 | [t] | t/x=3");

    const std::string bytes = ReadBytes(file);
    EXPECT_FALSE(CIniFile::CommentRecord(CIniFile::Pound, "missing", "s", file));
    EXPECT_FALSE(CIniFile::UnCommentRecord("missing", "s", file));
    // A mark the reader would not read back as one.
    EXPECT_FALSE(CIniFile::CommentSection('x', "s", file));
    EXPECT_FALSE(CIniFile::CommentRecord(static_cast<CIniFile::CommentChar>('!'), "k", "s", file));
    EXPECT_EQ(ReadBytes(file), bytes);
}

TEST_F(IniFileTest, DeletingRecordsAndSections) {
    Given("[s]\n# about k\nk=1\nj=2\n[t]\nx=3\n[s]\nm=4\n");
    ASSERT_TRUE(CIniFile::DeleteRecord("k", "s", file));
    EXPECT_EQ(Loaded(), "[s] | s/j=2 | [t] | t/x=3 | [s] | s/m=4");
    const std::string bytes = ReadBytes(file);
    EXPECT_FALSE(CIniFile::DeleteRecord("k", "s", file));
    EXPECT_EQ(ReadBytes(file), bytes);
    ASSERT_TRUE(CIniFile::DeleteSection("s", file));
    EXPECT_EQ(Loaded(), "[t] | t/x=3");
}

TEST_F(IniFileTest, SettingCommentsAddsTheMissingLineEnd) {
    Given("[s]\nk=1\n");
    ASSERT_TRUE(CIniFile::SetSectionComments("# section", "s", file));
    ASSERT_TRUE(CIniFile::SetRecordComments("; one\n; two\n", "k", "s", file));
    EXPECT_EQ(ReadBytes(file), "# section\r\n [s]\r\n; one\r\n; two\r\n k=1\r\n");
    EXPECT_FALSE(CIniFile::SetSectionComments("# x", "t", file));
    EXPECT_FALSE(CIniFile::SetRecordComments("# x", "j", "s", file));
}

TEST_F(IniFileTest, SortOrdersSectionsAndKeysKeepingTopRecordsAndTrailingComments) {
    const std::string bytes = "top=1\n[b]\nz=1\na=2\n[a]\ny=3\n[b]\nm=4\n# end\n";
    Given(bytes);
    ASSERT_TRUE(CIniFile::Sort(file, false));
    EXPECT_EQ(Loaded(),
              "/top=1 | [a] | a/y=3 | [b] | [b] | b/a=2 | b/m=4 | b/z=1 | trailer{# end\n}");
    Given(bytes);
    ASSERT_TRUE(CIniFile::Sort(file, true));
    EXPECT_EQ(Loaded(),
              "/top=1 | [b] | [b] | b/z=1 | b/m=4 | b/a=2 | [a] | a/y=3 | trailer{# end\n}");
}

TEST_F(IniFileTest, SortOfAFileWithoutHeadersFails) {
    const std::string bytes = " k=v\r\n";
    Given(bytes);
    EXPECT_FALSE(CIniFile::Sort(file, false));
    EXPECT_EQ(ReadBytes(file), bytes);
    EXPECT_FALSE(CIniFile::Sort(folder.File("missing.ini"), false));
}

struct TrimCase {
    const char* in;
    const char* chars;
    int dir;
    const char* out;
};

class TrimTest : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimTest, RemovesTheGivenCharactersFromTheChosenEnds) {
    std::string text = GetParam().in;
    Trim(text, GetParam().chars, GetParam().dir);
    EXPECT_EQ(text, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Cases, TrimTest,
                         ::testing::Values(TrimCase{" \tab c\r\n", " \t\n\r", 0, "ab c"},
                                           TrimCase{"xxaxx", "x", 1, "axx"},
                                           TrimCase{"xxaxx", "x", 2, "xxa"},
                                           TrimCase{"xxxx", "x", 0, ""},
                                           TrimCase{"xxxx", "x", 2, ""}, TrimCase{"", "x", 0, ""},
                                           TrimCase{"abc", "", 0, "abc"}));

} // namespace
