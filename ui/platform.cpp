#include "platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QStringList>

namespace {

// "Text|*.a|Other|*.b;*.c|" becomes {"Text (*.a)", "Other (*.b *.c)"}. Qt's
// dialog matches the patterns in either letter case, so RANGE2.GRP is listed
// beside range1.grp.
QStringList nameFilters(const QString &filter)
{
    QStringList filters;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty() && parts[i + 1].isEmpty())
            continue;
        QStringList patterns;
        for (const QString &p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
            patterns << p.trimmed();
        filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

} // namespace

bool CommonDialog::ShowOpen(QWidget *owner)
{
    // Qt's own dialog, so it looks and behaves the same on every desktop.
    QFileDialog dialog(owner);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The list shows each entry's description only, as typed in Filter.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode((Flags & kFileMustExist) != 0 ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // Qt would otherwise reopen the folder the user visited last.
    dialog.setDirectory(QDir::currentPath());
    const QStringList filters = nameFilters(Filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = FilterIndex >= 1 && FilterIndex <= filters.size() ? FilterIndex - 1 : 0;
        dialog.selectNameFilter(filters[index]);
    }
    dialog.selectFile(FileName);

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        FileName.clear();
        FileTitle.clear();
        return !CancelError;
    }
    const QString chosen = dialog.selectedFiles().constFirst();
    FileName = QDir::toNativeSeparators(QFileInfo(chosen).absoluteFilePath());
    FileTitle = QFileInfo(chosen).fileName();
    return true;
}

namespace App {

QString Path()
{
    QString path = QCoreApplication::applicationDirPath();
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

QString Title()
{
    return QGuiApplication::applicationDisplayName();
}

} // namespace App

bool rtcChangeDir(const QString &path)
{
    return QDir::setCurrent(path);
}

void MsgBox(QWidget *owner, const QString &text, int style)
{
    QMessageBox box(owner);
    box.setWindowTitle(App::Title());
    box.setTextFormat(Qt::PlainText);  // a file name or range must not be read as HTML
    box.setText(text);
    box.setIcon(style == vbInformation ? QMessageBox::Information : QMessageBox::Warning);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}
