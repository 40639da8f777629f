#include "about/PathMachineSettings.h"
#include "about/SysInfo.h"
#include "player/FakeMachineSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString Key = QStringLiteral("SOFTWARE\\Test");
const QString Name = QStringLiteral("Value");

struct ReadCase {
    const char* what;
    quint32 type;
    QByteArray bytes;
    bool ok;
    QString expected;
};

class GetKeyValueRead : public testing::TestWithParam<ReadCase> {};

TEST_P(GetKeyValueRead, KeepsTextWithoutTerminatorAndClosesTheKey) {
    const ReadCase& c = GetParam();
    FakeMachineSettings settings;
    settings.setValue(Key, Name, c.type, c.bytes);
    QString value = QStringLiteral("as passed");
    EXPECT_EQ(GetKeyValue(settings, HKEY_LOCAL_MACHINE, Key, Name, value), c.ok) << c.what;
    EXPECT_EQ(value, c.expected) << c.what;
    EXPECT_EQ(settings.openHandles(), 0) << c.what;
    EXPECT_EQ(settings.requestedAccess, QList<quint32>{0x2003Fu}) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Values, GetKeyValueRead,
    testing::Values(ReadCase{"terminated text drops its terminator", ValueTypeText,
                             QByteArray("/usr/bin/hardinfo\0", 18), true, "/usr/bin/hardinfo"},
                    ReadCase{"unterminated text is kept whole", ValueTypeText,
                             QByteArray("C:\\Tools"), true, "C:\\Tools"},
                    ReadCase{"only the last character is inspected", ValueTypeText,
                             QByteArray("a\0b\0", 4), true, QString::fromUtf8("a\0b", 3)},
                    ReadCase{"a lone terminator is the empty text", ValueTypeText,
                             QByteArray(1, '\0'), true, ""},
                    ReadCase{"text of exactly the buffer's size", ValueTypeText,
                             QByteArray(1024, 'x'), true, QString(1024, 'x')},
                    ReadCase{"text larger than the buffer is a failed read", ValueTypeText,
                             QByteArray(1025, 'x'), false, ""},
                    ReadCase{"a value of size 0 is a failed read", ValueTypeText, QByteArray(),
                             false, ""},
                    ReadCase{"a number becomes decimal text", ValueTypeNumber,
                             QByteArray("\x2a\x01\x00\x00", 4), true, "298"},
                    ReadCase{"the largest number", ValueTypeNumber,
                             QByteArray("\xff\xff\xff\xff", 4), true, "4294967295"},
                    ReadCase{"another type leaves the text as passed", 3, QByteArray("\x01\x02", 2),
                             true, "as passed"}));

TEST(GetKeyValue, MissingKeyValueOrAccessEmptiesTheResult) {
    FakeMachineSettings settings;
    settings.setText(Key, Name, QStringLiteral("x"));
    settings.setText(QStringLiteral("SOFTWARE\\Locked"), Name, QStringLiteral("x"));
    settings.denyAccess(QStringLiteral("SOFTWARE\\Locked"));

    const struct {
        KeyRoot root;
        QString key;
        QString name;
    } cases[] = {
        {HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Missing"), Name},
        {HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Locked"), Name},
        {HKEY_LOCAL_MACHINE, Key, QStringLiteral("Other")},
        {0x80000001u, Key, Name},
    };
    for (const auto& c : cases) {
        QString value = QStringLiteral("as passed");
        EXPECT_FALSE(GetKeyValue(settings, c.root, c.key, c.name, value)) << c.key.toStdString();
        EXPECT_TRUE(value.isEmpty());
        EXPECT_EQ(settings.openHandles(), 0);
    }
}

TEST(GetKeyValue, KeyAndValueNamesIgnoreLetterCase) {
    FakeMachineSettings settings;
    settings.setText(SysInfoKey, SysInfoValue, QStringLiteral("/opt/info"));
    QString value;
    EXPECT_TRUE(GetKeyValue(settings, HKEY_LOCAL_MACHINE, SysInfoKey.toUpper(),
                            QStringLiteral("path"), value));
    EXPECT_EQ(value, "/opt/info");
}

class PathMachineSettingsTest : public testing::Test {
protected:
    QString addProgram(const QString& dir, const QString& name) {
        QDir().mkpath(dir);
        QFile file(QDir(dir).filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return file.fileName();
    }
    QTemporaryDir tmp;
};

TEST_F(PathMachineSettingsTest, BothValuesNameTheFirstProgramFound) {
    const QString first = tmp.filePath("a");
    const QString second = tmp.filePath("b");
    addProgram(second, "kinfocenter");
    const QString hardinfo = addProgram(second, "hardinfo");
    addProgram(first, "gnome-system-monitor");
    const PathMachineSettings settings({"hardinfo", "kinfocenter", "gnome-system-monitor"},
                                       {first, second});

    QString path;
    ASSERT_TRUE(GetKeyValue(settings, HKEY_LOCAL_MACHINE, SysInfoKey, SysInfoValue, path));
    EXPECT_EQ(path, hardinfo);
    QString folder;
    ASSERT_TRUE(GetKeyValue(settings, HKEY_LOCAL_MACHINE, SysInfoLocationKey, SysInfoLocationValue,
                            folder));
    EXPECT_EQ(folder, second);
}

TEST_F(PathMachineSettingsTest, NoProgramMeansNeitherKeyExists) {
    addProgram(tmp.path(), "unrelated-tool");
    const PathMachineSettings settings({"hardinfo", "kinfocenter"}, {tmp.path()});
    QString value = "x";
    EXPECT_FALSE(GetKeyValue(settings, HKEY_LOCAL_MACHINE, SysInfoKey, SysInfoValue, value));
    EXPECT_FALSE(
        GetKeyValue(settings, HKEY_LOCAL_MACHINE, SysInfoLocationKey, SysInfoLocationValue, value));
    EXPECT_TRUE(value.isEmpty());
}

TEST_F(PathMachineSettingsTest, AFileWithoutExecuteRightIsNoProgram) {
    const QString plain = addProgram(tmp.path(), "hardinfo");
    QFile::setPermissions(plain, QFile::ReadOwner | QFile::WriteOwner);
    const PathMachineSettings settings({"hardinfo"}, {tmp.path()});
    QString value;
    EXPECT_FALSE(GetKeyValue(settings, HKEY_LOCAL_MACHINE, SysInfoKey, SysInfoValue, value));
}

} // namespace
