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
        keys_[key.toLower()][name.toLower()] = Value{type, bytes};
    }
    // A key that exists but refuses the requested access.
    void denyAccess(const QString& key) { denied_ << key.toLower(); }

    bool openKey(KeyRoot root, const QString& keyName, quint32 access, Handle& key) const override {
        requestedAccess << access;
        const QString k = keyName.toLower();
        if (root != HKEY_LOCAL_MACHINE || !keys_.contains(k) || denied_.contains(k))
            return false;
        key = ++lastHandle_;
        open_[key] = k;
        return true;
    }

    bool queryValue(Handle key, const QString& valueName, quint32& type, QByteArray& buffer,
                    quint32& size) const override {
        if (!open_.contains(key))
            return false;
        const auto values = keys_.value(open_.value(key));
        const auto it = values.find(valueName.toLower());
        if (it == values.end())
            return false;
        const quint32 capacity = std::min<quint32>(size, quint32(buffer.size()));
        size = quint32(it->bytes.size());
        if (size > capacity)
            return false;
        std::copy(it->bytes.cbegin(), it->bytes.cend(), buffer.begin());
        type = it->type;
        return true;
    }

    void closeKey(Handle key) const override { open_.remove(key); }

    int openHandles() const { return int(open_.size()); }
    mutable QList<quint32> requestedAccess;

private:
    QHash<QString, QHash<QString, Value>> keys_;
    QList<QString> denied_;
    mutable QHash<Handle, QString> open_;
    mutable Handle lastHandle_ = 0;
};
