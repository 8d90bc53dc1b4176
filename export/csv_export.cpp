// SPDX-License-Identifier: MIT
#include "export/csv_export.h"

#include "core/number_text.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace cep {

CsvRecord MakeCsvRecord(const CompletedCalculation& calculation) {
    CsvRecord record;
    record.GroupFileName = calculation.GroupFileName;
    record.Yards = calculation.Yards;
    record.Diameter50 = calculation.Cep;
    record.Diameter93 = calculation.Cep + calculation.Cep;
    record.Diameter99 = calculation.Cep * 3.0;
    record.Moa = calculation.Moa;
    return record;
}

std::string FormatCsvNumber(double value) {
    if (value == 0.0) return "0";  // also for -0
    const Digits15 d = SignificantDigits(std::fabs(value));
    std::string digits(d.digits, sizeof d.digits);
    const int exponent = d.exponent;
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out = value < 0.0 ? "-" : "";
    if (exponent < -7 || exponent > 20) {
        // Too far from 1 for plain decimals: spreadsheets read this form.
        out += digits.front();
        if (digits.size() > 1) out += "." + digits.substr(1);
        out += exponent < 0 ? "E-" : "E+";
        out += std::to_string(std::abs(exponent));
        return out;
    }
    if (exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
        return out;
    }
    const auto intDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= intDigits) {
        out += digits;
        out.append(intDigits - digits.size(), '0');
    } else {
        out += digits.substr(0, intDigits) + "." + digits.substr(intDigits);
    }
    return out;
}

std::string FormatCsvRecord(const CsvRecord& record) {
    std::string line = "\"";
    for (const char c : record.GroupFileName) {
        if (c == '"') line += '"';  // doubled, as CSV readers expect
        line += c;
    }
    line += '"';
    for (const double v : {record.Yards, record.Diameter50, record.Diameter93, record.Diameter99, record.Moa}) {
        line += ',';
        line += FormatCsvNumber(v);
    }
    line += "\r\n";
    return line;
}

std::string CsvPath(std::string_view programFolder) { return os::Join(programFolder, "CEP.csv"); }

std::string SaveConfirmation(std::string_view path) {
    std::string text = "CEP and MOA data have been saved in \r\n";
    text += path;
    text += "\r\nYou may view this file in MS Excel or similar spreadsheet software.";
    return text;
}

namespace {

Failure WriteFailure(const std::string& path, std::string_view reason) {
    return MakeFailure(FailureKind::FileAccessFailure, "could not write " + path + " (" + std::string(reason) + ")");
}

Failure WriteFailure(const std::string& path, int error) { return WriteFailure(path, SystemErrorText(error)); }

std::string FolderNotWritable(const std::string& path) {
    std::string folder = os::FolderOf(path);
    if (folder.size() > 1) folder.pop_back();  // the separator, but not a root's
    return "the folder " + folder +
           " is not writable; CEP.csv is kept beside the program, so install the program in a folder of your own"
           " or make this one writable";
}

}  // namespace

Outcome<std::string> ExportCsv(std::string_view programFolder, const CompletedCalculation& calculation) {
    const std::string path = CsvPath(programFolder);
    const auto notRegular = [&] { return WriteFailure(path, os::ErrorText(os::kNotRegularFile)); };
    // A pipe or a device (say a link to /dev/null) would take the record and
    // keep nothing; it is refused before it is ever opened.
    const os::PathKind before = os::KindOf(path);
    if (before == os::PathKind::Other) return notRegular();

    os::File file;
    bool readable = true;
    switch (const int error = os::OpenForAppend(path, file, readable)) {
    case 0: break;
    case os::kNotRegularFile: return notRegular();
    case os::kSharingViolation:
        return WriteFailure(path, os::ErrorText(error) + ", such as a spreadsheet; close it there and save again");
    case EACCES:
    case EROFS:
        // Nothing there yet and no right to create it: the folder is the problem.
        if (before == os::PathKind::Missing) return WriteFailure(path, FolderNotWritable(path));
        return WriteFailure(path, error);
    default: return WriteFailure(path, error);
    }
    int error = 0;
    if (os::KindOf(file, error) != os::PathKind::Regular) return error != 0 ? WriteFailure(path, error) : notRegular();

    switch (LockFile(file.native(), kLockBound, error)) {
    case LockResult::Locked:
    case LockResult::Unsupported: break;
    case LockResult::Busy: return WriteFailure(path, "the file is locked by another program");
    case LockResult::Failed: return WriteFailure(path, error);
    }

    // The size and last byte as they stand under the lock.
    std::int64_t size = 0;
    if ((error = os::SizeOf(file, size)) != 0) return WriteFailure(path, error);
    std::string data;
    if (readable && size > 0) {
        char last = '\n';
        if ((error = os::ReadByteAt(file, size - 1, last)) != 0) return WriteFailure(path, error);
        if (last == '\r') {
            data = "\n";
        } else if (last != '\n') {
            data = "\r\n";  // the new record starts on a line of its own
        }
    }
    data += FormatCsvRecord(MakeCsvRecord(calculation));

    // One write, so the record lands whole or not at all.
    std::int64_t written = 0, end = 0;
    error = os::Append(file, data, written, end);
    if (error == 0) error = os::Sync(file);
    if (error == 0) error = os::CheckClose(file);
    if (error != 0) {
        // Only this save's bytes, and only while they are still the file's
        // last: anything after them is another program's.
        if (written > 0 && end >= written) os::TruncateIfSize(file, end, end - written);
        return WriteFailure(path, error);
    }
    if ((error = file.Close()) != 0) return WriteFailure(path, error);
    return SaveConfirmation(path);
}

}  // namespace cep
