#pragma once
// Machine settings held in memory for the about-box tests: keys and values set by the test,
// every open handle counted so a test can see that each one was closed again.

#include "about/MachineSettings.h"

#include <QHash>
#include <QList>

#include <algorithm>

class FakeMachineSettings : public MachineSettings {
public:
    struct Value {
        quint32 type = ValueTypeText;
        QByteArray bytes;
    };

    // A text value stored as the system stores it: with its terminator counted.
    void setText(const QString& key, const QString& name, const QString& text) {
        setValue(key, name, ValueTypeText, text.toUtf8() + QByteArray(1, '\0'));
    }
    void setValue(const QString& key, const QString& name, quint32 type, const QByteArray& bytes) {
        m_keys[key.toLower()][name.toLower()] = Value{type, bytes};
    }
    // A key that exists but refuses the requested access.
    void denyAccess(const QString& key) { m_denied << key.toLower(); }

    bool openKey(KeyRoot root, const QString& keyName, quint32 access, Handle& key) const override {
        requestedAccess << access;
        const QString k = keyName.toLower();
        if (root != HKEY_LOCAL_MACHINE || !m_keys.contains(k) || m_denied.contains(k)) {
            return false;
        }
        key = ++m_lastHandle;
        m_open[key] = k;
        return true;
    }

    bool queryValue(Handle key, const QString& valueName, quint32& type, QByteArray& buffer,
                    quint32& size) const override {
        if (!m_open.contains(key)) {
            return false;
        }
        const auto values = m_keys.value(m_open.value(key));
        const auto it = values.find(valueName.toLower());
        if (it == values.end()) {
            return false;
        }
        const quint32 capacity = std::min<quint32>(size, quint32(buffer.size()));
        size = quint32(it->bytes.size());
        if (size > capacity) {
            return false;
        }
        std::copy(it->bytes.cbegin(), it->bytes.cend(), buffer.begin());
        type = it->type;
        return true;
    }

    void closeKey(Handle key) const override { m_open.remove(key); }

    int openHandles() const { return int(m_open.size()); }
    mutable QList<quint32> requestedAccess;

private:
    QHash<QString, QHash<QString, Value>> m_keys;
    QList<QString> m_denied;
    mutable QHash<Handle, QString> m_open;
    mutable Handle m_lastHandle = 0;
};
