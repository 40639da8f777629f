// The profile functions over real files: what they read, what they write, and that a failed
// write leaves the old file alone.

#include "settings/ProfileFunctions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <optional>
#include <vector>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

const char* orNull(const std::optional<QByteArray>& s) {
    return s ? s->constData() : nullptr;
}

class ProfileFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("test.ini")); }
};

struct ReadCase {
    const char* name;
    QByteArray file;
    std::optional<QByteArray> section;
    std::optional<QByteArray> key;
    std::optional<QByteArray> def;
    int size;
    QByteArray expected; // the bytes up to and including the terminating NUL(s)
    int count;
};

std::optional<QByteArray> none;

QByteArray z(const char* s, qsizetype n) {
    return QByteArray(s, n);
}

const std::vector<ReadCase> readCases = {
    {"Value", "[S]\nk=v\n", "S", "k", "D", 64, z("v\0", 2), 1},
    {"NamesIgnoreCase", "[Sec]\nKey=v\n", "sEC", "kEY", "D", 64, z("v\0", 2), 1},
    {"FirstSectionWins", "[a]\nk=1\n[A]\nk=2\nx=3\n", "a", "k", "D", 64, z("1\0", 2), 1},
    {"OnlyFirstSectionSearched", "[a]\nk=1\n[A]\nx=3\n", "a", "x", "D", 64, z("D\0", 2), 1},
    {"FirstKeyWins", "[a]\nk=1\nK=2\n", "a", "k", "D", 64, z("1\0", 2), 1},
    {"BlanksTrimmed", "  [ a ]  \n \t k  =  v w \t\n", " a ", "k ", "D", 64, z("v w\0", 4), 3},
    {"DoubleQuotesRemoved", "[a]\nk= \"q r\" \n", "a", "k", "D", 64, z("q r\0", 4), 3},
    {"SingleQuotesRemoved", "[a]\nk='q'\n", "a", "k", "D", 64, z("q\0", 2), 1},
    {"UnmatchedQuotesKept", "[a]\nk=\"q'\n", "a", "k", "D", 64, z("\"q'\0", 4), 3},
    {"LoneQuoteKept", "[a]\nk=\"\n", "a", "k", "D", 64, z("\"\0", 2), 1},
    {"EqualsInValue", "[a]\nk=x=y\n", "a", "k", "D", 64, z("x=y\0", 4), 3},
    {"LineWithoutEqualsIsNoKey", "[a]\nk\nk=real\n", "a", "k", "D", 64, z("real\0", 5), 4},
    {"EmptyValueIsAKey", "[a]\nk=\n", "a", "k", "D", 64, z("\0", 1), 0},
    {"CommentIsNoKey", "[a]\n;k=1\nk=2\n", "a", "k", "D", 64, z("2\0", 2), 1},
    {"KeysBeforeAnySectionBelongToNone", "k=0\n[a]\nk=1\n", "", "k", "D", 64, z("D\0", 2), 1},
    {"KeysBeforeFirstSectionNotInIt", "k=0\n[a]\nj=1\n", "a", "k", "D", 64, z("D\0", 2), 1},
    {"CrLfLines", "[a]\r\nk=v\r\n", "a", "k", "D", 64, z("v\0", 2), 1},
    {"ByteOrderMarkSkipped", "\xEF\xBB\xBF[a]\nk=v\n", "a", "k", "D", 64, z("v\0", 2), 1},
    {"NulEndsTheValue", z("[a]\nk=ab\0cd\n", 12), "a", "k", "D", 64, z("ab\0", 3), 2},
    {"SectionHeaderWithTrailingText", "[a] ; note\nk=v\n", "a", "k", "D", 64, z("v\0", 2), 1},
    {"EmptyFileGivesDefault", "", "a", "k", "Def", 64, z("Def\0", 4), 3},
    {"DefaultTrailingSpacesDropped", "", "a", "k", "Def  ", 64, z("Def\0", 4), 3},
    {"NoDefaultIsEmpty", "", "a", "k", none, 64, z("\0", 1), 0},
    {"ValueCutToBuffer", "[a]\nk=abcdef\n", "a", "k", "D", 4, z("abc\0", 4), 3},
    {"DefaultCutToBuffer", "", "a", "k", "abcdef", 3, z("ab\0", 3), 2},
    {"BufferOfOneHoldsNothing", "[a]\nk=v\n", "a", "k", "D", 1, z("\0", 1), 0},

    {"KeyList", "[a]\nx=1\nlonely\n;c=1\ny=2\n[b]\nz=3\n", "a", none, "D", 64, z("x\0y\0\0", 5), 4},
    {"KeyListWithEmptyNameAndDuplicates", "[a]\nx=1\n=2\nX=3\n", "a", none, "D", 64,
     z("x\0\0X\0\0", 6), 5},
    {"KeyListOfMissingSectionIsDefault", "[a]\nx=1\n", "b", none, "D", 64, z("D\0", 2), 1},
    {"KeyListOfEmptySectionIsDefault", "[a]\n[b]\n", "a", none, "D", 64, z("D\0", 2), 1},
    {"KeyListCut", "[a]\nname1=1\nname2=2\nname3=3\n", "a", none, "D", 16,
     z("name1\0name2\0na\0\0", 16), 14},
    {"KeyListCutAtNameBoundary", "[a]\nab=1\ncd=2\n", "a", none, "D", 5, z("ab\0\0\0", 5), 3},
    {"KeyListExactFitCountsAsCut", "[a]\nab=1\ncd=2\n", "a", none, "D", 7, z("ab\0cd\0\0", 7), 5},
    {"KeyListOneMoreFits", "[a]\nab=1\ncd=2\n", "a", none, "D", 8, z("ab\0cd\0\0", 7), 6},

    {"SectionList", "k=0\n[a]\n[b]\n[]\n[A]\n", none, "ignored", "D", 64, z("a\0b\0A\0\0", 7), 6},
    {"SectionListOfEmptyFile", "", none, none, "D", 64, z("\0\0", 2), 0},
    {"SectionListCut", "[alpha]\n[beta]\n", none, none, "D", 8, z("alpha\0\0\0", 8), 6},
    {"SectionListCutInFirstName", "[alpha]\n[beta]\n", none, none, "D", 3, z("a\0\0", 3), 1},
    {"SectionListExactFit", "[alpha]\n[beta]\n", none, none, "D", 12, z("alpha\0beta\0\0", 12), 10},
    {"SectionListFits", "[alpha]\n[beta]\n", none, none, "D", 13, z("alpha\0beta\0\0", 12), 11},
    {"SectionListBufferOfTwo", "[alpha]\n", none, none, "D", 2, z("\0\0", 2), 0},
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class ProfileRead : public ProfileFile, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ProfileRead, CopiesWhatThePlatformCopies) {
    const ReadCase& c = GetParam();
    writeAll(path(), c.file);
    // Exactly the size asked for, so that any write past it is caught by the sanitizer.
    std::vector<char> buf(static_cast<size_t>(c.size), '\x7f');
    const int n = GetPrivateProfileString(orNull(c.section), orNull(c.key), orNull(c.def),
                                          buf.data(), c.size, path());
    EXPECT_EQ(n, c.count);
    EXPECT_EQ(QByteArray(buf.data(), c.expected.size()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProfileRead, ::testing::ValuesIn(readCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProfileFile, MissingFileOrFolderGivesDefault) {
    char buf[16];
    for (const QString& p : {path(), dir.path(), dir.filePath(QStringLiteral("no/such.ini"))}) {
        EXPECT_EQ(GetPrivateProfileString("a", "k", "Def", buf, sizeof buf, p), 3)
            << p.toStdString();
        EXPECT_STREQ(buf, "Def");
    }
}

TEST_F(ProfileFile, NoBufferCopiesNothing) {
    char buf[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(GetPrivateProfileString("a", "k", "Def", buf, 0, path()), 0);
    EXPECT_EQ(buf[0], 'x');
    EXPECT_EQ(GetPrivateProfileString("a", "k", "Def", nullptr, 4, path()), 0);
}

struct WriteCase {
    const char* name;
    std::optional<QByteArray> before; // none: no file
    std::optional<QByteArray> section;
    std::optional<QByteArray> key;
    std::optional<QByteArray> value;
    std::optional<QByteArray> after; // none: still no file
    int result;
};

const std::vector<WriteCase> writeCases = {
    {"CreatesFileAndSection", none, "S", "k", "v", "[S]\nk=v\n", 1},
    {"AddsSectionAtEnd", "[a]\nx=1\n", "b", "k", "v", "[a]\nx=1\n[b]\nk=v\n", 1},
    {"AddsSectionAfterLastLineWithoutBreak", "[a]\nx=1", "b", "k", "v", "[a]\nx=1\n[b]\nk=v\n", 1},
    {"AddsKeyAfterLastLineWithoutBreak", "[a]\nx=1", "a", "y", "2", "[a]\nx=1\ny=2", 1},
    {"ReplacesInPlaceKeepingTheRest", "; top\n[A]\n  Key = old ; x\nz=1\n", "a", "KEY", "new",
     "; top\n[A]\n  Key = new\nz=1\n", 1},
    {"ReplacesEmptyValue", "[a]\nk=\nz=1\n", "a", "k", "v", "[a]\nk=v\nz=1\n", 1},
    {"KeepsCrLf", "[a]\r\nx=1\r\n", "a", "y", "2", "[a]\r\nx=1\r\ny=2\r\n", 1},
    {"KeepsCrLfInNewSection", "[a]\r\nx=1\r\n", "b", "y", "2", "[a]\r\nx=1\r\n[b]\r\ny=2\r\n", 1},
    {"ReplaceKeepsCrLf", "[a]\r\nx=1\r\n", "a", "x", "22", "[a]\r\nx=22\r\n", 1},
    {"NewKeyBeforeLeadInOfNextSection", "[a]\nx=1\n\n; next\n[b]\n", "a", "y", "2",
     "[a]\nx=1\ny=2\n\n; next\n[b]\n", 1},
    {"NewKeyInEmptySection", "[a]\n[b]\n", "a", "k", "v", "[a]\nk=v\n[b]\n", 1},
    {"WritesFirstOfDuplicatedSections", "[a]\nk=1\n[a]\nk=2\n", "a", "k", "9",
     "[a]\nk=9\n[a]\nk=2\n", 1},
    {"KeyBeforeAnySectionUntouched", "k=0\n", "a", "k", "1", "k=0\n[a]\nk=1\n", 1},
    {"EmptyValue", "[a]\nk=1\n", "a", "k", "", "[a]\nk=\n", 1},
    {"SameValueLeavesFile", "[a]\nk = 1\n", "a", "k", "1", "[a]\nk = 1\n", 1},
    {"DeletesEveryCopyOfKey", "[a]\nk=1\nx=0\nK=2\n[b]\nk=3\n", "a", "k", none,
     "[a]\nx=0\n[b]\nk=3\n", 1},
    {"DeletesLastLineWithoutBreak", "[a]\nx=0\nk=1", "a", "k", none, "[a]\nx=0\n", 1},
    {"DeletesEverySectionOfName", "k=0\n[a]\nx=1\n; c\n[b]\ny=2\n[A]\nz=3\n", "a", none, none,
     "k=0\n[b]\ny=2\n", 1},
    {"DeleteSectionIgnoresValue", "[a]\nx=1\n[b]\n", "a", none, "text", "[b]\n", 1},
    {"DeleteSectionKeepsByteOrderMark", "\xEF\xBB\xBF[a]\nk=1\n", "a", none, none, "\xEF\xBB\xBF",
     1},
    {"DeleteMissingKeyChangesNothing", "[a]\nx=1\n", "a", "k", none, "[a]\nx=1\n", 1},
    {"DeleteFromNoFileCreatesNone", none, "a", "k", none, none, 1},
    {"RefusesLineBreakInValue", "[a]\nk=1\n", "a", "k", "x\n[evil]", "[a]\nk=1\n", 0},
    {"RefusesLineBreakInSection", "[a]\nk=1\n", "b\r\nc=1", "k", "1", "[a]\nk=1\n", 0},
    {"RefusesEqualsInKey", "[a]\nk=1\n", "a", "k=j", "1", "[a]\nk=1\n", 0},
    {"RefusesCommentKey", "[a]\nk=1\n", "a", ";k", "1", "[a]\nk=1\n", 0},
    {"RefusesSectionLikeKey", "[a]\nk=1\n", "a", " [k]", "1", "[a]\nk=1\n", 0},
    {"RefusesKeyWithoutSection", "[a]\nk=1\n", none, "k", "1", "[a]\nk=1\n", 0},
    {"FlushCallSucceeds", "[a]\nk=1\n", none, none, none, "[a]\nk=1\n", 1},
};

void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << c.name;
}

class ProfileWrite : public ProfileFile, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(ProfileWrite, EditsOnlyWhatItConcerns) {
    const WriteCase& c = GetParam();
    if (c.before)
        writeAll(path(), *c.before);
    EXPECT_EQ(WritePrivateProfileString(orNull(c.section), orNull(c.key), orNull(c.value), path()),
              c.result);
    if (c.after)
        EXPECT_EQ(readAll(path()), *c.after);
    else
        EXPECT_FALSE(QFile::exists(path()));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{QStringLiteral("test.ini")}.mid(0, c.after ? 1 : 0))
        << "no temporary file may be left behind";
}

INSTANTIATE_TEST_SUITE_P(Cases, ProfileWrite, ::testing::ValuesIn(writeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProfileFile, WriteThenReadReturnsTheValue) {
    const QByteArray values[] = {"plain", "", "with = and ; inside", "  padded  ", "\"quoted\""};
    const QByteArray expected[] = {"plain", "", "with = and ; inside", "padded", "quoted"};
    for (size_t i = 0; i < std::size(values); ++i) {
        ASSERT_EQ(WritePrivateProfileString("Sec", "Key", values[i].constData(), path()), 1);
        char buf[64];
        const int n = GetPrivateProfileString("SEC", "KEY", "D", buf, sizeof buf, path());
        EXPECT_EQ(QByteArray(buf, n), expected[i]);
    }
}

TEST_F(ProfileFile, WriteKeepsPermissions) {
    writeAll(path(), "[a]\nk=1\n");
    ASSERT_TRUE(QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadGroup));
    const auto before = QFile::permissions(path());
    ASSERT_EQ(WritePrivateProfileString("a", "k", "2", path()), 1);
    EXPECT_EQ(QFile::permissions(path()), before);
}

// Writes that cannot succeed: they report 0 and the old file, where there is one, stays as it was.
TEST_F(ProfileFile, WriteIntoAFolderThatIsAFileFails) {
    const QString notAFolder = dir.filePath(QStringLiteral("plain"));
    writeAll(notAFolder, "just a file");
    EXPECT_EQ(WritePrivateProfileString("a", "k", "v", notAFolder + QStringLiteral("/x.ini")), 0);
    EXPECT_EQ(readAll(notAFolder), "just a file");
}

TEST_F(ProfileFile, WriteOverAFolderFails) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("test.ini")));
    EXPECT_EQ(WritePrivateProfileString("a", "k", "v", path()), 0);
    EXPECT_EQ(WritePrivateProfileString("a", nullptr, nullptr, path()), 0);
    EXPECT_TRUE(QFileInfo(path()).isDir());
}

TEST_F(ProfileFile, WriteThatRunsOutOfSpaceLeavesOldFile) {
    // A file-size limit makes the write of the new text fail part-way, as a full disk would.
    const QByteArray old = "[a]\nk=old\n";
    writeAll(path(), old);
    const QByteArray big(4096, 'x');
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = WritePrivateProfileString("a", "k", big.constData(), path());
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(result, 0);
    EXPECT_EQ(readAll(path()), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("test.ini")});
}

} // namespace
