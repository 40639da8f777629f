#include "marks/LabelFile.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(LabelFile, ReadsWhatSoundEditorsWrite) {
    struct Case {
        const char* name;
        QByteArray text;
        std::vector<std::pair<double, QString>> expected;
    };
    const Case cases[] = {
        {"point labels",
         "1.500000\t1.500000\t1 Intro\n83.516327\t83.516327\t3 Bridge\n",
         {{1.5, "1 Intro"}, {83.516327, "3 Bridge"}}},
        {"region label and no text", "10\t12.25\t\n20\t20\n", {{10, ""}, {20, ""}}},
        {"CRLF, BOM and blank lines",
         "\xEF\xBB\xBF"
         "5.5\t5.5\tA\r\n\r\n  \n6\t6\tB\r\n",
         {{5.5, "A"}, {6, "B"}}},
        {"frequency lines after labels",
         "5\t6\tA\n\\\t100.0\t2000.0\n7\t7\tB\n",
         {{5, "A"}, {7, "B"}}},
        {"comma as decimal point", "5,25\t5,25\tA\n", {{5.25, "A"}}},
        {"text with tabs and non-ASCII", "1\t1\tÜbung\tzwei\n", {{1, "Übung zwei"}}},
        {"no newline at the end", "3\t3\tlast", {{3, "last"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LabelFile::Parsed p = LabelFile::parse(c.text);
        ASSERT_EQ(p.error, QString()) << p.error.toStdString();
        ASSERT_EQ(size_t(p.labels.size()), c.expected.size());
        for (size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_DOUBLE_EQ(p.labels[qsizetype(i)].start, c.expected[i].first);
            EXPECT_EQ(p.labels[qsizetype(i)].text, c.expected[i].second);
        }
    }
}

TEST(LabelFile, RefusesWhatIsNoLabelFileAndSaysWhere) {
    struct Case {
        const char* name;
        QByteArray text;
        const char* inError;
    };
    const Case cases[] = {
        {"empty", "", "no labels"},
        {"blank lines only", "\n\n \r\n", "no labels"},
        {"one field", "1 Intro\n", "Line 1"},
        {"words for times", "1\t1\tA\nstart\tend\tB\n", "Line 2"},
        {"negative start", "-1\t2\tA\n", "before the beginning"},
        {"end before start", "5\t4\tA\n", "ends before it starts"},
        {"not a number", "nan\tnan\tA\n", "not numbers"},
        {"infinite", "inf\tinf\tA\n", "not numbers"},
        {"frequency line first", "\\\t100\t200\n", "Line 1"},
        {"binary", QByteArray("RIFF\0\0\0\0WAVE", 12), "not a text file"},
        {"broken UTF-8", "1\t1\t\xC3\x28\n", "not a text file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LabelFile::Parsed p = LabelFile::parse(c.text);
        EXPECT_TRUE(p.labels.isEmpty());
        EXPECT_TRUE(p.error.contains(QString::fromUtf8(c.inError))) << p.error.toStdString();
    }
}

TEST(LabelFile, WrittenTimesComeBackToTheMicrosecond) {
    const QList<Label> labels = {{0, 0, "1"},
                                 {83.5163265306122, 83.5163265306122, "3 Bridge\tentry\nnow"},
                                 {3599.9999994, 3599.9999994, "10 Outro"}};
    const QByteArray text = LabelFile::format(labels);
    EXPECT_TRUE(
        text.startsWith("0.000000\t0.000000\t1\n83.516327\t83.516327\t3 Bridge entry now\n"))
        << text.toStdString();
    const LabelFile::Parsed back = LabelFile::parse(text);
    ASSERT_EQ(back.labels.size(), labels.size());
    for (qsizetype i = 0; i < labels.size(); ++i) {
        EXPECT_LE(std::abs(back.labels[i].start - labels[i].start), 0.5e-6);
    }
}

TEST(LabelFile, NoteIsTheTextAfterTheMarkNumber) {
    const std::pair<const char*, const char*> cases[] = {
        {"3 Bridge entry", "Bridge entry"},
        {"10", ""},
        {"  7   Solo ", "Solo"},
        {"Chorus", "Chorus"},
        {"1st verse", "1st verse"},
        {"2024 take", "2024 take"},
    };
    for (const auto& [label, note] : cases) {
        EXPECT_EQ(LabelFile::noteOf(QString::fromUtf8(label)), QString::fromUtf8(note)) << label;
    }
    EXPECT_EQ(LabelFile::labelText(3, "Bridge entry"), "3 Bridge entry");
    EXPECT_EQ(LabelFile::labelText(10, ""), "10");
}

} // namespace
