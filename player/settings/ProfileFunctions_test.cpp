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
    if (!f.open(QIODevice::ReadOnly)) {
        return "<unreadable>";
    }
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

// UTF-8 text as a UTF-16 file with its byte-order mark.
QByteArray utf16(const char* utf8, bool bigEndian = false) {
    QByteArray out = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (const QChar c : QString::fromUtf8(utf8)) {
        const char hi = static_cast<char>(c.unicode() >> 8);
        const char lo = static_cast<char>(c.unicode() & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
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
    {"MarkedUtf8IsNeverACodePage", "\xEF\xBB\xBF[a]\nk=\x92\n", "a", "k", "D", 64, z("\x92\0", 2),
     1},
    {"CrOnlyLines", "[a]\rk=v\rx = w \r[b]\rx=no\r", "a", "x", "D", 64, z("w\0", 2), 1},
    {"CrOnlyKeyList", "[a]\rk=v\rx=w", "a", none, "D", 64, z("k\0x\0\0", 5), 4},
    {"MixedLineEnds", "[a]\r\nk=1\rx=2\ny=3", "a", "y", "D", 64, z("3\0", 2), 1},
    // Text comes back as UTF-8 whatever the file's form.
    {"Windows1252", "[a]\r\nk=Don\x92t \x80\xDC\x81\r\n", "a", "k", "D", 64,
     z("Don\xE2\x80\x99t \xE2\x82\xAC\xC3\x9C\xC2\x81\0", 16), 15},
    {"Windows1252Names", "[\xC9tude]\r\n\xC9l\xE9ment=1\r\n", "\xC3\x89tude", none, "D", 64,
     z("\xC3\x89l\xC3\xA9ment\0\0", 11), 10},
    {"Utf16LittleEndian", utf16("[a]\r\nk=\xE2\x80\x99 \xE2\x99\xAA\r\n"), "a", "k", "D", 64,
     z("\xE2\x80\x99 \xE2\x99\xAA\0", 8), 7},
    {"Utf16BigEndian", utf16("[a]\nk=v\xC3\x9C\n", true), "a", "k", "D", 64, z("v\xC3\x9C\0", 4),
     3},
    {"Utf16SectionList", utf16("[a]\r[b]\r"), none, none, "D", 64, z("a\0b\0\0", 5), 4},
    {"NonAsciiNamesIgnoreCase", "[\xC3\x89tude]\nKL\xC3\x89=v\n", "\xC3\xA9TUDE", "kl\xC3\xa9", "D",
     64, z("v\0", 2), 1},
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
    {"CreatesFileWithCrLf", none, "S", "k", "v", "[S]\r\nk=v\r\n", 1},
    {"OneLineFileGetsCrLf", "[a]", "a", "k", "v", "[a]\r\nk=v", 1},
    {"KeepsCrOnly", "[a]\rx=1\r", "a", "y", "2", "[a]\rx=1\ry=2\r", 1},
    {"ReplaceInCrOnly", "[a]\rx=1\ry=2\r", "a", "x", "9", "[a]\rx=9\ry=2\r", 1},
    {"DeleteKeyInCrOnly", "[a]\rx=1\ry=2\r", "a", "x", none, "[a]\ry=2\r", 1},
    {"NewSectionInCrOnly", "[a]\rx=1", "b", "k", "v", "[a]\rx=1\r[b]\rk=v\r", 1},
    {"DeleteSectionInCrOnly", "[a]\rx=1\r[b]\ry=2\r", "a", none, none, "[b]\ry=2\r", 1},
    {"NonAsciiSectionIgnoresCase", "[\xC3\x89tude]\nk=1\n", "\xC3\xA9tude", "k", "2",
     "[\xC3\x89tude]\nk=2\n", 1},
    // Written back in the form it was read in; the rest of the file stays byte for byte.
    {"KeepsWindows1252", "[a]\r\nk=Don\x92t\r\nx=1\r\n", "a", "x", "\xC3\xA9\xE2\x80\x99",
     "[a]\r\nk=Don\x92t\r\nx=\xE9\x92\r\n", 1},
    {"RefusesWhatWindows1252CannotHold", "[a]\r\nk=\x92\r\n", "a", "x", "\xC4\x81",
     "[a]\r\nk=\x92\r\n", 0},
    {"KeepsUtf16LittleEndian", utf16("[a]\r\nk=1\r\n"), "a", "x", "\xE2\x99\xAA",
     utf16("[a]\r\nk=1\r\nx=\xE2\x99\xAA\r\n"), 1},
    {"KeepsUtf16BigEndian", utf16("[a]\nk=1\n", true), "a", "k", "2", utf16("[a]\nk=2\n", true), 1},
    {"RefusesBrokenMarkedUtf8", "\xEF\xBB\xBF[a]\nk=\x92\n", "a", "x", "1",
     "\xEF\xBB\xBF[a]\nk=\x92\n", 0},
    {"RefusesBrokenUtf16", z("\xFF\xFE[\0a\0]\0\0\xD8", 10), "a", "k", "1",
     z("\xFF\xFE[\0a\0]\0\0\xD8", 10), 0},
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
    {"DeleteKeyFromNoFileCreatesEmptyFile", none, "a", "k", none, "", 1},
    {"DeleteSectionFromNoFileCreatesEmptyFile", none, "a", none, none, "", 1},
    {"FlushCallCreatesNoFile", none, none, none, none, none, 1},
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
    if (c.before) {
        writeAll(path(), *c.before);
    }
    EXPECT_EQ(WritePrivateProfileString(orNull(c.section), orNull(c.key), orNull(c.value), path()),
              c.result);
    if (c.after) {
        EXPECT_EQ(readAll(path()), *c.after);
    } else {
        EXPECT_FALSE(QFile::exists(path()));
    }
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

TEST_F(ProfileFile, TextInAWinePrefixIsInThePrefixsCodePage) {
    // Wine records the ANSI code page of the prefix's locale in its registry; the same bytes
    // outside a prefix are Windows-1252.
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("prefix/drive_c/App")));
    writeAll(dir.filePath(QStringLiteral("prefix/system.reg")),
             "WINE REGISTRY Version 2\n\n"
             "[System\\\\CurrentControlSet\\\\Control\\\\Nls\\\\CodePage] 1700000000\n"
             "#time=1d9\n\"ACP\"=\"1251\"\n\"OEMCP\"=\"866\"\n\n[Software] 1700000000\n");
    const QByteArray song = "[a]\r\nk=\xCF\xE5\xF1\xED\xFF\r\n";
    const QString inPrefix = dir.filePath(QStringLiteral("prefix/drive_c/App/x.ini"));
    writeAll(inPrefix, song);
    writeAll(path(), song);
    char buf[64];
    int n = GetPrivateProfileString("a", "k", "", buf, sizeof buf, inPrefix);
    EXPECT_EQ(QString::fromUtf8(buf, n), QStringLiteral("Песня"));
    n = GetPrivateProfileString("a", "k", "", buf, sizeof buf, path());
    EXPECT_EQ(QString::fromUtf8(buf, n), QStringLiteral("Ïåñíÿ"));

    ASSERT_EQ(WritePrivateProfileString("a", "x", "Ж", inPrefix), 1);
    EXPECT_EQ(readAll(inPrefix), song + "x=\xC6\r\n");
    EXPECT_EQ(WritePrivateProfileString("a", "x", "Ω", inPrefix), 0);
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
