// SPDX-License-Identifier: MIT
#include "ui/window_services.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QStringList>
#include <QTreeView>

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

// Qt's dialog opens its detail columns too narrow for their texts ("209…tes",
// "pla…ent"). Once a folder is listed, each column takes the width of its
// widest text, and the dialog grows, as far as the screen allows, to show
// them all.
void fitColumnsWhenListed(QFileDialog &dialog)
{
    auto *view = dialog.findChild<QTreeView *>(QStringLiteral("treeView"));
    auto *model = view != nullptr ? qobject_cast<QFileSystemModel *>(view->model()) : nullptr;
    if (model == nullptr)
        return;
    QObject::connect(model, &QFileSystemModel::directoryLoaded, &dialog, [&dialog, view] {
        view->header()->resizeSections(QHeaderView::ResizeToContents);
        const int needed = view->header()->length() + view->verticalScrollBar()->sizeHint().width();
        const int missing = needed - view->viewport()->width();
        if (missing <= 0)
            return;
        const QRect room = dialog.screen() != nullptr ? dialog.screen()->availableGeometry() : QRect();
        const int grow = room.isValid() ? qMin(missing, room.width() - dialog.frameGeometry().width()) : missing;
        if (grow > 0) // on both sides, so the dialog stays centred on the window
            dialog.setGeometry(dialog.geometry().adjusted(-grow / 2, 0, grow - grow / 2, 0));
    });
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
    dialog.setFileMode((Flags & kAllowMultiSelect) != 0 ? QFileDialog::ExistingFiles
                       : (Flags & kFileMustExist) != 0  ? QFileDialog::ExistingFile
                                                        : QFileDialog::AnyFile);
    // Qt would otherwise reopen the folder the user visited last.
    dialog.setDirectory(QDir::currentPath());
    const QStringList filters = nameFilters(Filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = FilterIndex >= 1 && FilterIndex <= filters.size() ? FilterIndex - 1 : 0;
        dialog.selectNameFilter(filters[index]);
    }
    dialog.selectFile(FileName);
    fitColumnsWhenListed(dialog);

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        FileName.clear();
        FileTitle.clear();
        FileNames.clear();
        return !CancelError;
    }
    FileNames.clear();
    for (const QString &chosen : dialog.selectedFiles())
        FileNames << QDir::toNativeSeparators(QFileInfo(chosen).absoluteFilePath());
    FileName = FileNames.constFirst();
    FileTitle = QFileInfo(dialog.selectedFiles().constFirst()).fileName();
    return true;
}

namespace App {

QString Path()
{
    // With the separators a user reads, as in the save confirmation.
    QString path = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    while (path.size() > 1 && path.endsWith(QDir::separator()))
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
    box.setTextFormat(Qt::PlainText); // a file name or range must not be read as HTML
    box.setText(text);
    box.setIcon(style == vbInformation ? QMessageBox::Information : QMessageBox::Warning);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}
