#include "titlebar/PropertyBag.h"

#include <QBuffer>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

#include <limits>
#include <optional>

namespace {

QString escape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        if (ch == u'\\') {
            out += QStringLiteral("\\\\");
        } else if (ch == u'\n') {
            out += QStringLiteral("\\n");
        } else if (ch == u'\r') {
            out += QStringLiteral("\\r");
        } else {
            out += ch;
        }
    }
    return out;
}

QString unescape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            const QChar next = text[++i];
            out += next == u'n' ? QChar(u'\n') : next == u'r' ? QChar(u'\r') : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::optional<qulonglong> parseUnsigned(const QString& text) {
    bool ok = false;
    qulonglong v = 0;
    if (text.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
        v = QStringView(text).mid(2).chopped(text.endsWith(u'&') ? 1 : 0).toULongLong(&ok, 16);
    } else if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        v = QStringView(text).mid(2).toULongLong(&ok, 16);
    } else {
        v = text.toULongLong(&ok, 10);
    }
    return ok ? std::optional(v) : std::nullopt;
}

std::optional<qlonglong> parseSigned(const QString& text) {
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok, 10);
    if (ok) {
        return v;
    }
    if (const auto u = parseUnsigned(text)) {
        return qlonglong(*u);
    }
    return std::nullopt;
}

template <typename T> QVariant inRange(std::optional<qlonglong> v, const QVariant& fallback) {
    if (!v || *v < qlonglong(std::numeric_limits<T>::min()) ||
        *v > qlonglong(std::numeric_limits<T>::max())) {
        return fallback;
    }
    return QVariant::fromValue(T(*v));
}

QImage readImage(const QString& text) {
    if (text.startsWith(QLatin1String("png:"))) {
        return QImage::fromData(QByteArray::fromBase64(text.mid(4).toLatin1()), "PNG");
    }
    if (text.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        // A drawing is rendered for the screen's pixels, so that it stays sharp when scaled.
        QSvgRenderer svg(text);
        if (!svg.isValid()) {
            return QImage();
        }
        const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
        const QSize size = svg.defaultSize();
        QImage img(int(std::ceil(size.width() * ratio)), int(std::ceil(size.height() * ratio)),
                   QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        svg.render(&p);
        p.end();
        img.setDevicePixelRatio(ratio);
        return img;
    }
    return QImage(text);
}

QVariant convert(const QString& text, const QVariant& def) {
    switch (def.metaType().id()) {
    case QMetaType::Bool: {
        const QString t = text.trimmed().toLower();
        if (t == QLatin1String("true") || t == QLatin1String("-1") || t == QLatin1String("1")) {
            return true;
        }
        if (t == QLatin1String("false") || t == QLatin1String("0")) {
            return false;
        }
        return def;
    }
    case QMetaType::UChar:
        return inRange<quint8>(parseSigned(text.trimmed()), def);
    case QMetaType::Short:
        return inRange<qint16>(parseSigned(text.trimmed()), def);
    case QMetaType::Int:
        return inRange<qint32>(parseSigned(text.trimmed()), def);
    case QMetaType::UInt: {
        const auto u = parseUnsigned(text.trimmed());
        return u && *u <= 0xFFFFFFFFu ? QVariant::fromValue(quint32(*u)) : def;
    }
    case QMetaType::Float: {
        bool ok = false;
        const float f = text.trimmed().toFloat(&ok);
        return ok ? QVariant::fromValue(f) : def;
    }
    case QMetaType::Double: {
        bool ok = false;
        const double d = text.trimmed().toDouble(&ok);
        return ok ? QVariant(d) : def;
    }
    case QMetaType::QFont: {
        QFont f;
        return f.fromString(text) ? QVariant(f) : def;
    }
    case QMetaType::QImage: {
        const QImage img = readImage(text.trimmed());
        return img.isNull() ? def : QVariant(img);
    }
    default:
        return text;
    }
}

QString toText(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::UInt:
        return QStringLiteral("&H%1").arg(value.toUInt(), 8, 16, QChar(u'0')).toUpper();
    case QMetaType::Float:
        return QString::number(double(value.toFloat()), 'g', 9);
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 17);
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::Int:
        return QString::number(value.toLongLong());
    case QMetaType::QFont:
        return value.value<QFont>().toString();
    case QMetaType::QImage: {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        // A picture drawn for a scaled screen is saved at its size on the bar, so that it
        // reads back as large as it was shown.
        QImage picture = value.value<QImage>();
        if (picture.devicePixelRatio() != 1) {
            picture = picture.scaled(picture.deviceIndependentSize().toSize(),
                                     Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        picture.save(&buffer, "PNG");
        return QStringLiteral("png:") + QString::fromLatin1(png.toBase64());
    }
    default:
        return value.toString();
    }
}

bool sameValue(const QVariant& a, const QVariant& b) {
    if (a.metaType().id() == QMetaType::QImage && b.metaType().id() == QMetaType::QImage) {
        return a.value<QImage>() == b.value<QImage>();
    }
    if (a.metaType().id() == QMetaType::QFont && b.metaType().id() == QMetaType::QFont) {
        return a.value<QFont>() == b.value<QFont>();
    }
    if (!b.isValid()) {
        return !a.isValid() ||
               (a.metaType().id() == QMetaType::QImage && a.value<QImage>().isNull());
    }
    return a == b;
}

} // namespace

PropertyBag PropertyBag::fromText(const QString& text) {
    PropertyBag bag;
    const auto lines = text.split(u'\n');
    for (QString line : lines) {
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#')) {
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0) {
            continue;
        }
        const QString name = line.left(eq).trimmed();
        const QString value = unescape(line.mid(eq + 1));
        const qsizetype at = bag.find(name);
        if (at >= 0) {
            bag.m_entries[at].text = value;
        } else {
            bag.m_entries.append({name, value});
        }
    }
    return bag;
}

QString PropertyBag::toText() const {
    QString out;
    for (const Entry& e : m_entries) {
        out += e.name + u'=' + escape(e.text) + u'\n';
    }
    return out;
}

qsizetype PropertyBag::find(const QString& name) const {
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

QVariant PropertyBag::ReadProperty(const QString& name, const QVariant& defaultValue) const {
    const qsizetype at = find(name);
    if (at < 0) {
        return defaultValue;
    }
    return convert(m_entries[at].text, defaultValue);
}

void PropertyBag::WriteProperty(const QString& name, const QVariant& value,
                                const QVariant& defaultValue) {
    const qsizetype at = find(name);
    if (sameValue(value, defaultValue)) {
        if (at >= 0) {
            m_entries.removeAt(at);
        }
        return;
    }
    const QString text = ::toText(value);
    if (at >= 0) {
        m_entries[at].text = text;
    } else {
        m_entries.append({name, text});
    }
}
