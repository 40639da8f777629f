#pragma once
// How an INI file's bytes are written, so that it is read as the program that wrote it meant
// and written back the same way. The profile functions see every file as UTF-8; this turns a
// file's bytes into that text and the text back into bytes of the file's own form:
// - UTF-16, little or big endian, behind its byte-order mark;
// - UTF-8, with or without a byte-order mark (the mark stays part of the text; behind one, bytes
//   that are not UTF-8 stay as they are, and no edit is written back);
// - anything else in a Windows code page: the one of the Wine prefix the file lies in, as the
//   prefix records it, or else Windows-1252.

#include <QByteArray>
#include <QString>

#include <optional>

class ProfileTextCodec {
public:
    enum class Form { Utf8, Utf16LE, Utf16BE, CodePage };

    // The form of `bytes`; text that is not UTF-8 is taken to be in `codePage` when that code
    // page reads it and writes it back unchanged, else in Windows-1252.
    static ProfileTextCodec detect(const QByteArray& bytes, int codePage = 1252);
    // The form of a new file: UTF-8.
    ProfileTextCodec() = default;

    Form form() const { return m_form; }
    int codePage() const { return m_codePage; }

    // The file's text as UTF-8.
    QByteArray toUtf8(const QByteArray& bytes) const;
    // UTF-8 text as bytes of this form; nothing when the text holds a character that the form
    // cannot hold, or is not UTF-8 itself.
    std::optional<QByteArray> fromUtf8(const QByteArray& text) const;

private:
    Form m_form = Form::Utf8;
    int m_codePage = 0;
};

// The ANSI code page of the Wine prefix that `file` lies in (the folder above it holding the
// prefix's system.reg and drive_c), as the prefix's registry records it; 1252 when the file is
// in no prefix or the prefix records none.
int winePrefixCodePage(const QString& file);
