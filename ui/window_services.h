// SPDX-License-Identifier: MIT
// The few platform services the window's commands are written against: the
// open-file dialog object, the program's folder, changing the working
// directory and the message box, realised with Qt.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// An open-file dialog set up through properties and shown by ShowOpen().
class CommonDialog
{
public:
    // Flags: the name typed need not exist unless this bit is set.
    static constexpr int kFileMustExist = 0x1000;
    // Flags: several existing files may be chosen at once, into FileNames.
    static constexpr int kAllowMultiSelect = 0x200;

    bool CancelError = false;
    int Flags = 0;
    // "Description|pattern|Description|pattern|..."
    QString Filter;
    int FilterIndex = 0; // 1-based
    QString FileName; // in: the name box's start text; out: the full path chosen
    QString FileTitle; // out: the chosen file's bare name
    QStringList FileNames; // out: the full paths of every file chosen, in order

    // Shows the modal dialog in the current working directory and waits.
    // Returns false when the user cancels or closes it while CancelError is
    // set: a failure for the caller to handle.
    bool ShowOpen(QWidget *owner);
};

namespace App {
// The folder of the running program, with native separators and without a
// trailing one.
QString Path();
// The title message boxes carry.
QString Title();
} // namespace App

// Makes `path` the working directory; false when it does not exist or
// cannot be entered.
bool rtcChangeDir(const QString &path);

// Message box styles used by the window.
inline constexpr int vbExclamation = 48;
inline constexpr int vbInformation = 64;

// A modal message box with one OK button, the given icon style and the
// application's title; the text is shown as plain text.
void MsgBox(QWidget *owner, const QString &text, int style);
