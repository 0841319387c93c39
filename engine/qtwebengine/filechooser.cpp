#include "engine/qtwebengine/filechooser.h"

#include <QDir>
#include <QFileDialog>
#include <QMimeDatabase>

namespace {

QStringList patternsOf(const QString &type)
{
    if (type.startsWith(QLatin1Char('.')))
        return { QLatin1Char('*') + type };
    const QMimeDatabase mimeTypes;
    if (!type.endsWith(QLatin1String("/*")))
        return mimeTypes.mimeTypeForName(type).globPatterns();
    QStringList patterns;
    const QString family = type.chopped(1);
    const QList<QMimeType> all = mimeTypes.allMimeTypes();
    for (const QMimeType &mimeType : all) {
        if (mimeType.name().startsWith(family))
            patterns += mimeType.globPatterns();
    }
    return patterns;
}

QFileDialog::FileMode fileModeOf(QWebEnginePage::FileSelectionMode mode)
{
    switch (mode) {
    case QWebEnginePage::FileSelectOpen:
        return QFileDialog::ExistingFile;
    case QWebEnginePage::FileSelectOpenMultiple:
        return QFileDialog::ExistingFiles;
    case QWebEnginePage::FileSelectUploadFolder:
        return QFileDialog::Directory;
    case QWebEnginePage::FileSelectSave:
        break;
    }
    return QFileDialog::AnyFile;
}

} // namespace

QString FileChooser::acceptedFilter(const QStringList &acceptedTypes)
{
    QStringList patterns;
    for (const QString &type : acceptedTypes)
        patterns += patternsOf(type.trimmed().toLower());
    patterns.removeDuplicates();
    if (patterns.isEmpty())
        return QString();
    return QFileDialog::tr("Accepted files (%1)").arg(patterns.join(QLatin1Char(' ')));
}

QStringList FileChooser::choose(
    QWidget *view, QWebEnginePage::FileSelectionMode mode, const QStringList &acceptedTypes)
{
    QFileDialog dialog(view, QString(), QDir::homePath());
    dialog.setFileMode(fileModeOf(mode));
    if (mode == QWebEnginePage::FileSelectSave)
        dialog.setAcceptMode(QFileDialog::AcceptSave);
    const QString accepted = acceptedFilter(acceptedTypes);
    if (!accepted.isEmpty())
        dialog.setNameFilters({ accepted, QFileDialog::tr("All files (*)") });
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}
