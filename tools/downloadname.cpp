#include "tools/downloadname.h"

#include <QTextBoundaryFinder>

namespace {

const QString kFallbackName = QStringLiteral("download");
// Fewer bytes of the stem say too little to recognise the file by.
constexpr int kShortestStem = 8;

int utf8Size(const QString &text)
{
    return int(text.toUtf8().size());
}

// "archive.tar.gz" keeps its double extension together, as browsers do.
int extensionStart(const QString &fileName)
{
    const int last = fileName.lastIndexOf(QLatin1Char('.'));
    if (last <= 0)
        return fileName.size();
    const int tar = fileName.lastIndexOf(QLatin1String(".tar."), -1, Qt::CaseInsensitive);
    return tar > 0 && tar + 4 == last ? tar : last;
}

// Cut between characters as the player sees them: an accent stays on its letter.
QString leftUtf8(const QString &text, int maxBytes)
{
    if (utf8Size(text) <= maxBytes)
        return text;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    int kept = 0;
    int bytes = 0;
    for (int end = graphemes.toNextBoundary(); end > 0; end = graphemes.toNextBoundary()) {
        bytes += utf8Size(text.mid(kept, end - kept));
        if (bytes > maxBytes)
            break;
        kept = end;
    }
    return text.left(kept);
}

} // namespace

QString DownloadName::visible(const QString &suggestedName)
{
    const int separator = qMax(
        suggestedName.lastIndexOf(QLatin1Char('/')), suggestedName.lastIndexOf(QLatin1Char('\\')));
    QString name = suggestedName.mid(separator + 1);
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    return name.isEmpty() || name.contains(QChar::Null) ? kFallbackName : name;
}

QString DownloadName::fitted(const QString &name, const QString &tag, int maxBytes)
{
    const int split = extensionStart(name);
    QString stem = name.left(split);
    QString extension = name.mid(split);
    if (maxBytes - utf8Size(tag + extension) < qMin(kShortestStem, utf8Size(stem))) {
        stem = name;
        extension.clear();
    }
    return leftUtf8(stem, maxBytes - utf8Size(tag + extension)) + tag + extension;
}
