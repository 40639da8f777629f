#pragma once
// Read-only access to machine-wide settings, shaped like the key/value registry calls the
// about box was written against: open a key, query one value into a caller's buffer, close.
// Only QtCore, so the reader and its fakes carry no widget code.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// A 32-bit root handle, as the registry's predefined keys are.
using KeyRoot = quint32;
inline constexpr KeyRoot HKEY_LOCAL_MACHINE = 0x80000002u;

// Read control plus query/set value, create/enumerate subkeys, notify and create link.
inline constexpr quint32 KeyAccessAll = 0x2003Fu;

// Value types a query reports.
inline constexpr quint32 ValueTypeText = 1;   // NUL-terminated text
inline constexpr quint32 ValueTypeNumber = 4; // 32-bit number, little-endian

class MachineSettings {
public:
    using Handle = quint32;

    virtual ~MachineSettings() = default;

    // Opens `keyName` (case-insensitive) under `root`. False when the key does not exist or
    // the requested access is not granted.
    virtual bool openKey(KeyRoot root, const QString& keyName, quint32 access,
                         Handle& key) const = 0;

    // Copies the bytes of value `valueName` (case-insensitive) to the front of `buffer`, whose
    // size on entry is given by `size`. On success `type` and `size` hold the value's type
    // and its length in bytes (a text value counts its terminator). False when the value is
    // missing, the handle is not open, or the value does not fit (then `size` holds the
    // length it needs).
    virtual bool queryValue(Handle key, const QString& valueName, quint32& type, QByteArray& buffer,
                            quint32& size) const = 0;

    virtual void closeKey(Handle key) const = 0;
};
