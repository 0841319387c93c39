#include "downloadreports.h"

#include <QSignalSpy>

#include <algorithm>
#include <functional>

QStringList DownloadReports::said(const QSignalSpy &downloads)
{
    QStringList said;
    for (const QList<QVariant> &signal : downloads) {
        const QString state = signal.at(2).toString();
        const QString what = state == QLatin1String("Downloading")
            ? QString::number(signal.at(1).toInt())
            : state + QLatin1Char('/') + QString::number(signal.at(1).toInt());
        said.append(what + QLatin1Char(' ') + signal.at(3).toString());
    }
    return said;
}

QList<int> DownloadReports::told(const QSignalSpy &downloads)
{
    QList<int> percentages;
    for (const QList<QVariant> &signal : downloads) {
        if (signal.at(2).toString() == QLatin1String("Downloading"))
            percentages.append(signal.at(1).toInt());
    }
    return percentages;
}

int DownloadReports::succeeded(const QSignalSpy &downloads)
{
    return int(std::count_if(downloads.cbegin(), downloads.cend(),
        [](const QList<QVariant> &signal) { return signal.at(2).toString() == "Succeed"; }));
}

bool DownloadReports::rising(const QList<int> &percentages)
{
    return std::adjacent_find(percentages.cbegin(), percentages.cend(), std::greater_equal<int>())
        == percentages.cend();
}

bool DownloadReports::failureLoggedOnce(const QStringList &lines, const QString &fileName)
{
    const QString failed
        = QStringLiteral("[OtherType]  [Other_Type] download of %1 failed: ").arg(fileName);
    const QStringList logged = lines.filter(failed);
    return logged.size() == 1 && logged.constFirst().startsWith(failed)
        && logged.constFirst().size() > failed.size();
}
