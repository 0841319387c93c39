#include "engine/filechooser.h"

#include <QDir>
#include <QFileDialog>
#include <QMimeDatabase>
#include <QWindow>

#include <memory>

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

QFileDialog::FileMode fileModeOf(FileChooser::Mode mode)
{
    switch (mode) {
    case FileChooser::Mode::Open:
        return QFileDialog::ExistingFile;
    case FileChooser::Mode::OpenMultiple:
        return QFileDialog::ExistingFiles;
    case FileChooser::Mode::Folder:
        return QFileDialog::Directory;
    case FileChooser::Mode::Save:
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

QStringList FileChooser::choose(QWidget *view, Mode mode, const QStringList &acceptedTypes)
{
    const std::unique_ptr<QFileDialog> dialog(make(view, mode, acceptedTypes));
    dialog->setWindowModality(Qt::WindowModal);
    if (dialog->exec() != QDialog::Accepted)
        return {};
    return dialog->selectedFiles();
}

// The window is no widget's: the dialog stands over it as a window of its own, modal to nothing,
// so that no other window of the program waits for the player.
void FileChooser::open(QWindow *window, Mode mode, const QStringList &acceptedTypes,
    const QObject *context, const std::function<void(const QStringList &)> &chosen)
{
    QFileDialog *dialog = make(nullptr, mode, acceptedTypes);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->winId();
    QWindow *topLevel = window;
    while (topLevel && topLevel->parent())
        topLevel = topLevel->parent();
    dialog->windowHandle()->setTransientParent(topLevel);
    QObject::connect(context, &QObject::destroyed, dialog, &QObject::deleteLater);
    QObject::connect(dialog, &QDialog::finished, context, [dialog, chosen](int result) {
        chosen(result == QDialog::Accepted ? dialog->selectedFiles() : QStringList());
    });
    dialog->show();
}

QFileDialog *FileChooser::make(QWidget *parent, Mode mode, const QStringList &acceptedTypes)
{
    auto *dialog = new QFileDialog(parent, QString(), QDir::homePath());
    dialog->setFileMode(fileModeOf(mode));
    if (mode == Mode::Save)
        dialog->setAcceptMode(QFileDialog::AcceptSave);
    const QString accepted = acceptedFilter(acceptedTypes);
    if (!accepted.isEmpty())
        dialog->setNameFilters({ accepted, QFileDialog::tr("All files (*)") });
    return dialog;
}
