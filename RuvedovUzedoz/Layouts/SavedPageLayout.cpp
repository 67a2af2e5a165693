#include "SavedPageLayout.h"

#include "KestrelExtensions/Coding/JsonObjectReader.h"
#include "RuvedovUzedoz/Layouts/BuiltInLayout.h"
#include "RuvedovUzedoz/Layouts/PageLayout.h"
#include "RuvedovUzedoz/Layouts/SavedPageLayoutFields.h"

#include <QHash>
#include <QJsonObject>

using KestrelExtensions::JsonObjectReader;

namespace RuvedovUzedoz {

namespace {

template <class T> T wrapped(const T& value)
{
    return value;
}

ColorProxy wrapped(const Color& color)
{
    return ColorProxy(color);
}

QJsonValue encoded(double value, const QStringList& path)
{
    return KestrelExtensions::encodeNumber(value, path);
}

QJsonValue encoded(bool value, const QStringList&)
{
    return value;
}

QJsonValue encoded(qint64 value, const QStringList&)
{
    return QJsonValue(value);
}

QJsonValue encoded(const QString& value, const QStringList&)
{
    return value;
}

QJsonValue encoded(const ColorProxy& value, const QStringList& path)
{
    return value.toJson(path);
}

void decode(const JsonObjectReader& reader, const QString& key, std::optional<double>& field)
{
    field = reader.numberIfPresent(key);
}

void decode(const JsonObjectReader& reader, const QString& key, std::optional<bool>& field)
{
    field = reader.booleanIfPresent(key);
}

void decode(const JsonObjectReader& reader, const QString& key, std::optional<qint64>& field)
{
    field = reader.integerIfPresent(key);
}

void decode(const JsonObjectReader& reader, const QString& key, std::optional<QString>& field)
{
    field = reader.stringIfPresent(key);
}

void decode(const JsonObjectReader& reader, const QString& key, std::optional<ColorProxy>& field)
{
    const std::optional<QJsonValue> value = reader.valueIfPresent(key);
    field.reset();
    if (value)
        field = ColorProxy::fromJson(*value, reader.pathTo(key));
}

template <class T> size_t hashed(const T& value)
{
    using ::qHash;
    return qHash(value);
}

size_t hashed(double value)
{
    return hashDouble(value);
}

} // namespace

SavedPageLayout SavedPageLayout::from(const PageLayout& layout)
{
    return from(layout, Options());
}

SavedPageLayout SavedPageLayout::from(const PageLayout& layout, const Options& options)
{
    SavedPageLayout saved;
    forEachSavedPageLayoutField([&](const QString&, auto savedMember, auto layoutMember, auto optionMember) {
        if (options.*optionMember)
            saved.*savedMember = wrapped(layout.*layoutMember);
    });
    return saved;
}

SavedPageLayout SavedPageLayout::defaultLayout()
{
    static const SavedPageLayout saved = from(PageLayout::defaultLayout());
    return saved;
}

SavedPageLayout SavedPageLayout::letterSize()
{
    return builtInLayout(BuiltInLayout::Id::Letter).layout;
}

SavedPageLayout SavedPageLayout::a4Size()
{
    return builtInLayout(BuiltInLayout::Id::A4).layout;
}

SavedPageLayout SavedPageLayout::oneUpGrid()
{
    return builtInLayout(BuiltInLayout::Id::OneUp).layout;
}

SavedPageLayout SavedPageLayout::twoUpGrid()
{
    return builtInLayout(BuiltInLayout::Id::TwoUp).layout;
}

SavedPageLayout SavedPageLayout::fourUpGrid()
{
    return builtInLayout(BuiltInLayout::Id::FourUp).layout;
}

const QStringList& SavedPageLayout::keyNames()
{
    static const QStringList names = [] {
        QStringList list;
        forEachSavedPageLayoutField([&](const QString& name, auto, auto, auto) { list.append(name); });
        return list;
    }();
    return names;
}

QJsonValue SavedPageLayout::toJson(const QStringList& codingPath) const
{
    QJsonObject object;
    forEachSavedPageLayoutField([&](const QString& name, auto savedMember, auto, auto) {
        const auto& field = this->*savedMember;
        if (field)
            object.insert(name, encoded(*field, codingPath + QStringList{name}));
    });
    return object;
}

SavedPageLayout SavedPageLayout::fromJson(const QJsonValue& value, const QStringList& codingPath)
{
    const JsonObjectReader reader = JsonObjectReader::from(value, codingPath);
    SavedPageLayout saved;
    forEachSavedPageLayoutField(
        [&](const QString& name, auto savedMember, auto, auto) { decode(reader, name, saved.*savedMember); });
    return saved;
}

size_t qHash(const SavedPageLayout& saved, size_t seed) noexcept
{
    QtPrivate::QHashCombine combine;
    forEachSavedPageLayoutField([&](const QString&, auto savedMember, auto, auto) {
        const auto& field = saved.*savedMember;
        seed = combine(seed, field.has_value());
        if (field)
            seed = combine(seed, hashed(*field));
    });
    return seed;
}

} // namespace RuvedovUzedoz
