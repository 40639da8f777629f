#pragma once
// The text of one INI file, read and edited the way the Windows profile-string functions treat
// it. Lines end at CR LF, LF or CR alone. Names of sections and keys match without regard to
// letter case (case-folded when they are UTF-8) and with blanks around them ignored; the first
// matching section, and in it the first matching key, wins. Edits change only the lines they
// concern: every other byte, the order of the lines and the file's line ending stay as they
// were; new lines end as the file's first line does, or in CR LF.

#include <QByteArray>
#include <QList>

class ProfileText {
public:
    explicit ProfileText(QByteArray text = {});

    // GetPrivateProfileStringA over this text. With a section and a key: the key's value (blanks
    // around it trimmed, one pair of matching quotes removed) or else the default (trailing
    // spaces removed), at most size - 1 bytes and a NUL. With no key: the key names of the
    // section, or the default when it has none. With no section: the section names. A list
    // is each name followed by a NUL plus a final NUL; a list that does not fit is cut to
    // size - 2 bytes followed by two NULs and the result is size - 2.
    // Returns the number of bytes copied, not counting the final NUL.
    int getString(const char* section, const char* key, const char* def, char* buf, int size) const;

    // WritePrivateProfileStringA over this text: with all three, creates or replaces the key
    // (creating the section at the end when needed); with no value, removes the key; with no
    // key, removes every section of that name. Refuses (false, text unchanged) what the file
    // could not hold and read back: line breaks in any name or value, a key containing "=" or
    // starting with ";" or "[", or no section.
    bool writeString(const char* section, const char* key, const char* value);

    const QByteArray& text() const { return m_text; }
    bool changed() const { return m_changed; }

private:
    struct Line {
        enum Kind { Other, Comment, Section, Key };
        qsizetype begin = 0;
        qsizetype contentEnd = 0; // before the line ending
        qsizetype end = 0;        // after the line ending
        Kind kind = Other;
        QByteArray name;
        qsizetype afterEquals = 0;
        qsizetype valueBegin = 0;
        qsizetype valueEnd = 0;
    };

    void parse();
    void classify(Line& line, qsizetype from) const;
    qsizetype findSection(const char* section) const;
    qsizetype sectionEnd(qsizetype header) const;
    qsizetype findKey(qsizetype header, const char* key) const;
    QByteArray lineEnding() const;
    void replace(qsizetype from, qsizetype to, const QByteArray& with);

    bool setKey(const char* section, const char* key, const char* value);
    void deleteKey(const char* section, const char* key);
    void deleteSection(const char* section);

    QByteArray m_text;
    QList<Line> m_lines;
    bool m_changed = false;
};
