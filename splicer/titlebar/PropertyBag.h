#pragma once

#include <QList>
#include <QString>
#include <QVariant>

// The saved design of a control: named values, names compared without regard to case.
//
// Text form, one property a line, "name=value"; blank lines and lines starting with '#'
// are ignored, a backslash escapes a newline (\n) or itself (\\). Values are read back in
// the type of the default the reader gives: booleans as true/false, colours and other
// unsigned numbers as &H followed by hex digits (0x and decimal also read), floats and
// integers in C notation, fonts in QFont's string form, pictures as "png:" + base64 PNG
// data or as the path of an image file or resource (":/...").
class PropertyBag {
public:
    static PropertyBag fromText(const QString& text);
    QString toText() const;

    // The stored value converted to defaultValue's type; defaultValue when the name is
    // missing or its text does not convert.
    QVariant ReadProperty(const QString& name, const QVariant& defaultValue) const;
    // Stores value; a value equal to defaultValue is not written (and an older entry of
    // that name is dropped), so the design only holds what differs from the defaults.
    void WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue);

    bool contains(const QString& name) const { return find(name) >= 0; }

private:
    struct Entry {
        QString name;
        QString text;
    };
    qsizetype find(const QString& name) const;

    QList<Entry> m_entries;
};
