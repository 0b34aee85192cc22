#include "platform/GermanFormat.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace qb {

namespace {
const QLocale& german()
{
    static const QLocale locale = [] {
        QLocale l(QLocale::German, QLocale::Germany);
        l.setNumberOptions(QLocale::OmitGroupSeparator);
        return l;
    }();
    return locale;
}
}  // namespace

QString formatNumber(double value, int decimals)
{
    return german().toString(value, 'f', decimals);
}

std::optional<double> parseNumber(const QString& text)
{
    const QString t = text.trimmed();
    // Only the German form counts: "1,6". A point is no decimal separator
    // here, so "1.6" is not a number rather than silently sixteen.
    if (t.isEmpty() || t.contains('.'))
        return std::nullopt;
    bool ok = false;
    const double value = german().toDouble(t, &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

void installGermanTranslations(QCoreApplication& app)
{
    QLocale::setDefault(german());
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(translator);
}

}  // namespace qb
