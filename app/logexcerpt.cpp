#include "app/logexcerpt.h"

QString LogExcerpt::of(const QString &text, int kept)
{
    if (text.size() <= kept)
        return text;
    return text.left(kept) + QStringLiteral("... (%1 characters left out)").arg(text.size() - kept);
}
