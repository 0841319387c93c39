#pragma once

#include <QList>
#include <QStringList>

class QSignalSpy;

// What a client's sgDownload told, read back from a spy on it.
namespace DownloadReports {

// Each as "25 setup" while downloading and "Succeed/-1 setup" at the end.
QStringList said(const QSignalSpy &downloads);
// The percentages told while downloading.
QList<int> told(const QSignalSpy &downloads);
int succeeded(const QSignalSpy &downloads);
bool rising(const QList<int> &percentages);
// Whether the log lines tell the download of fileName failed once, with the engine's reason, in
// its own words.
bool failureLoggedOnce(const QStringList &lines, const QString &fileName);

} // namespace DownloadReports
