#include "platform/ConsoleHost.h"

namespace qb {

bool ConsoleHost::waitUntil(const std::function<bool()>& condition)
{
    NestedLoop nested(*this);
    return loop_.waitUntil(condition);
}

Answer ConsoleHost::message(const QString& text, Buttons buttons, const QString& title, Icon)
{
    shown_ << text;
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!title.isEmpty())
        lines.prepend(title + QStringLiteral(": "));
    if (messages_) {
        std::fprintf(messages_, "%s\n", lines.toLocal8Bit().constData());
        std::fflush(messages_);
    }
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::YesNo:
        return Answer::No;
    case Buttons::YesNoCancel:
        return Answer::Cancel;
    }
    return Answer::Ok;
}

}  // namespace qb
