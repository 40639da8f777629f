#include "settings/ProfileText.h"

#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace {

const QByteArray utf8Bom("\xEF\xBB\xBF");

// The blanks the profile functions trim around names and values (0x1A is the old end-of-file
// mark that editors sometimes leave behind).
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\x1a';
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

QByteArrayView trimmed(QByteArrayView s) {
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b])) {
        ++b;
    }
    while (e > b && isBlank(s[e - 1])) {
        --e;
    }
    return s.sliced(b, e - b);
}

bool isAscii(QByteArrayView s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return (c & 0x80) == 0; });
}

// Names match by their case-folded letters, as the settings store matches its names; names that
// are not UTF-8 match byte for byte but for the case of ASCII letters.
bool sameName(QByteArrayView a, QByteArrayView b) {
    const auto sameAscii = [&] {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(),
                          [](char p, char q) { return asciiLower(p) == asciiLower(q); });
    };
    if (isAscii(a) && isAscii(b)) {
        return sameAscii();
    }
    QStringDecoder da(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QStringDecoder db(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString x = da(a);
    const QString y = db(b);
    if (da.hasError() || db.hasError()) {
        return sameAscii();
    }
    return x.toCaseFolded() == y.toCaseFolded();
}

bool hasLineBreak(QByteArrayView s) {
    return s.contains('\r') || s.contains('\n');
}

bool endsWithLineBreak(QByteArrayView s) {
    return s.endsWith('\n') || s.endsWith('\r');
}

int copyText(QByteArrayView text, char* buf, int size) {
    const qsizetype n = std::min<qsizetype>(text.size(), size - 1);
    std::memcpy(buf, text.data(), static_cast<size_t>(n));
    buf[n] = '\0';
    return static_cast<int>(n);
}

int copyList(const QList<QByteArray>& names, char* buf, int size) {
    QByteArray list;
    for (const QByteArray& name : names) {
        list += name;
        list += '\0';
    }
    // The list fits only with room to spare for the final NUL; an exact fit counts as cut, as
    // the platform reports it.
    if (list.size() + 1 < size) {
        std::memcpy(buf, list.constData(), static_cast<size_t>(list.size()));
        buf[list.size()] = '\0';
        if (list.isEmpty()) {
            buf[1] = '\0';
        }
        return static_cast<int>(list.size());
    }
    if (size < 2) {
        buf[0] = '\0';
        return 0;
    }
    std::memcpy(buf, list.constData(), static_cast<size_t>(size - 2));
    buf[size - 2] = '\0';
    buf[size - 1] = '\0';
    return size - 2;
}

QByteArrayView withoutQuotes(QByteArrayView v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        return v.sliced(1, v.size() - 2);
    }
    return v;
}

} // namespace

ProfileText::ProfileText(QByteArray text) : m_text(std::move(text)) {
    parse();
}

void ProfileText::parse() {
    m_lines.clear();
    qsizetype pos = 0;
    while (pos < m_text.size()) {
        Line line;
        line.begin = pos;
        // A line ends at CR LF, at LF or at CR alone.
        qsizetype at = pos;
        while (at < m_text.size() && m_text[at] != '\n' && m_text[at] != '\r') {
            ++at;
        }
        line.contentEnd = at;
        if (at < m_text.size() && m_text[at] == '\r') {
            ++at;
        }
        if (at < m_text.size() && m_text[at] == '\n') {
            ++at;
        }
        line.end = at;
        classify(line, pos == 0 && m_text.startsWith(utf8Bom) ? utf8Bom.size() : pos);
        m_lines.append(line);
        pos = line.end;
    }
}

void ProfileText::classify(Line& line, qsizetype from) const {
    // Everything after a NUL is invisible to callers that see names and values as C strings.
    qsizetype end = line.contentEnd;
    const qsizetype nul = m_text.indexOf('\0', from);
    if (nul >= 0 && nul < end) {
        end = nul;
    }
    qsizetype s = from;
    while (s < end && isBlank(m_text[s])) {
        ++s;
    }
    if (s == end) {
        return;
    }
    const QByteArrayView view(m_text.constData(), end);
    if (m_text[s] == ';') {
        line.kind = Line::Comment;
        return;
    }
    if (m_text[s] == '[') {
        const qsizetype close = view.lastIndexOf(']');
        if (close > s) {
            line.kind = Line::Section;
            line.name = trimmed(view.sliced(s + 1, close - s - 1)).toByteArray();
        }
        return;
    }
    const qsizetype eq = view.indexOf('=', s);
    if (eq < 0) {
        return;
    }
    line.kind = Line::Key;
    line.name = trimmed(view.sliced(s, eq - s)).toByteArray();
    line.afterEquals = eq + 1;
    qsizetype vb = eq + 1;
    qsizetype ve = end;
    while (vb < ve && isBlank(m_text[vb])) {
        ++vb;
    }
    while (ve > vb && isBlank(m_text[ve - 1])) {
        --ve;
    }
    line.valueBegin = vb;
    line.valueEnd = ve;
}

qsizetype ProfileText::findSection(const char* section) const {
    const QByteArrayView wanted = trimmed(section);
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Line::Section && sameName(m_lines[i].name, wanted)) {
            return i;
        }
    }
    return -1;
}

qsizetype ProfileText::sectionEnd(qsizetype header) const {
    qsizetype i = header + 1;
    while (i < m_lines.size() && m_lines[i].kind != Line::Section) {
        ++i;
    }
    return i;
}

qsizetype ProfileText::findKey(qsizetype header, const char* key) const {
    const QByteArrayView wanted = trimmed(key);
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == Line::Key && sameName(m_lines[i].name, wanted)) {
            return i;
        }
    }
    return -1;
}

QByteArray ProfileText::lineEnding() const {
    // The file's first line ending; CR LF in a file that has none yet, as Windows writes.
    for (const Line& line : m_lines) {
        if (line.end > line.contentEnd) {
            return m_text.mid(line.contentEnd, line.end - line.contentEnd);
        }
    }
    return QByteArrayLiteral("\r\n");
}

void ProfileText::replace(qsizetype from, qsizetype to, const QByteArray& with) {
    m_text.replace(from, to - from, with);
    m_changed = true;
    parse();
}

int ProfileText::getString(const char* section, const char* key, const char* def, char* buf,
                           int size) const {
    if (!buf || size <= 0) {
        return 0;
    }
    if (!section) {
        QList<QByteArray> names;
        for (const Line& line : m_lines) {
            if (line.kind == Line::Section && !line.name.isEmpty()) {
                names.append(line.name);
            }
        }
        return copyList(names, buf, size);
    }
    QByteArrayView fallback(def ? def : "");
    while (!fallback.isEmpty() && fallback.back() == ' ') {
        fallback.chop(1);
    }

    const qsizetype header = findSection(section);
    if (!key) {
        QList<QByteArray> names;
        if (header >= 0) {
            for (qsizetype i = header + 1; i < sectionEnd(header); ++i) {
                if (m_lines[i].kind == Line::Key) {
                    names.append(m_lines[i].name);
                }
            }
        }
        return names.isEmpty() ? copyText(fallback, buf, size) : copyList(names, buf, size);
    }
    const qsizetype at = header >= 0 ? findKey(header, key) : -1;
    if (at < 0) {
        return copyText(fallback, buf, size);
    }
    const Line& line = m_lines[at];
    return copyText(withoutQuotes(QByteArrayView(m_text).sliced(line.valueBegin,
                                                                line.valueEnd - line.valueBegin)),
                    buf, size);
}

bool ProfileText::writeString(const char* section, const char* key, const char* value) {
    if (!section) {
        return !key && !value; // the platform's "flush the cache" call: nothing to do here
    }
    if (!key) {
        deleteSection(section);
        return true;
    }
    if (!value) {
        deleteKey(section, key);
        return true;
    }
    return setKey(section, key, value);
}

bool ProfileText::setKey(const char* section, const char* key, const char* value) {
    const QByteArrayView name = trimmed(key);
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value) || name.contains('=') ||
        name.startsWith(';') || name.startsWith('[')) {
        return false;
    }
    const QByteArray eol = lineEnding();
    const QByteArray keyLine = QByteArray(key) + '=' + value;

    const qsizetype header = findSection(section);
    if (header < 0) {
        QByteArray added;
        if (!m_text.isEmpty() && !endsWithLineBreak(m_text)) {
            added += eol;
        }
        added += '[' + QByteArray(section) + ']' + eol + keyLine + eol;
        replace(m_text.size(), m_text.size(), added);
        return true;
    }
    const qsizetype at = findKey(header, key);
    if (at >= 0) {
        // The blanks after "=" stay as the file has them, unless the new value brings its own.
        const Line& line = m_lines[at];
        const QByteArrayView text(value);
        const qsizetype from =
            !text.isEmpty() && isBlank(text.front()) ? line.afterEquals : line.valueBegin;
        if (QByteArrayView(m_text).sliced(from, line.contentEnd - from) != text) {
            replace(from, line.contentEnd, value);
        }
        return true;
    }
    // A new key goes after the section's last key, so that comments and blank lines that lead
    // into the next section stay in front of it.
    qsizetype after = header;
    for (qsizetype i = header + 1; i < sectionEnd(header); ++i) {
        if (m_lines[i].kind == Line::Key) {
            after = i;
        }
    }
    const Line& line = m_lines[after];
    if (line.end == line.contentEnd) { // the last line of a file without a final line break
        replace(line.end, line.end, eol + keyLine);
    } else {
        replace(line.end, line.end, keyLine + eol);
    }
    return true;
}

void ProfileText::deleteKey(const char* section, const char* key) {
    // Every copy of the key in the section goes, so that a later read finds none of them.
    const qsizetype header = findSection(section);
    if (header < 0) {
        return;
    }
    for (qsizetype at = findKey(header, key); at >= 0; at = findKey(header, key)) {
        replace(m_lines[at].begin, m_lines[at].end, {});
    }
}

void ProfileText::deleteSection(const char* section) {
    for (qsizetype header = findSection(section); header >= 0; header = findSection(section)) {
        const qsizetype end = sectionEnd(header);
        const qsizetype to = end < m_lines.size() ? m_lines[end].begin : m_text.size();
        // The byte-order mark belongs to the file, not to a section that starts on line one.
        const qsizetype from =
            header == 0 && m_text.startsWith(utf8Bom) ? utf8Bom.size() : m_lines[header].begin;
        replace(from, to, {});
    }
}
